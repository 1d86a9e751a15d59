#pragma once

#include "platform/HResult.h"
#include "playback/CDShowGraph.h"
#include "playback/PlayState.h"
#include "playback/CStaticView.h"

#include <QImage>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

// The channel player: the two video windows and, while a recording is open, its graph.
// One instance, owned by the main window; UI thread only.
class CDShowPlayer
{
public:
    // Writes the "usingDShow" marker (failures ignored).
    CDShowPlayer();
    ~CDShowPlayer();
    CDShowPlayer(const CDShowPlayer &) = delete;
    CDShowPlayer &operator=(const CDShowPlayer &) = delete;

    // Mode 2 with the front (video window 1) and rear (video window 2) windows; creates an
    // empty graph object (Closed) when none exists yet.
    void AttachWindows(CStaticView *front, CStaticView *rear);
    // A fresh graph for path. False when no front window is attached, the path is empty, no
    // decoding chain could be built, or the open was cancelled (the player is then closed).
    // While it waits for the file, its streams and the first frame the window stays alive; the
    // graph being built is not the player's until it is ready, so a handler running meanwhile
    // finds no graph. An open asked for during an open cancels that one and fails.
    bool OpenFile(const QString &path);
    // An open is running (its waits are on the stack).
    bool IsOpening() const { return m_bOpening; }
    // Ends a running open at once: OpenFile returns false. Nothing when none runs.
    void CancelOpen();
    // Tears the graph down and destroys it; during an open, cancels it instead (the graph being
    // built goes when the open returns).
    void Close();
    // A graph built ahead (without windows, see CPreparedGraph) becomes the player's graph and
    // shows its frame in the windows at once. The graph it replaces lets go of the windows
    // and is handed back still built, so its teardown can wait until the new picture is up.
    std::unique_ptr<CDShowGraph> TakeOver(std::unique_ptr<CDShowGraph> prepared);

    // Transport on the graph; VFW_E_WRONG_STATE without a graph or in a state that forbids it.
    HRESULT Play();
    HRESULT Pause();
    HRESULT Stop();
    // Closed when there is no graph.
    PlayState GetState() const;

    // Milliseconds; 0 when there is no graph or the reading fails.
    std::uint32_t GetPositionMs() const;
    std::uint32_t GetDurationMs() const;
    // Accurate seek to ms (any state of a graph that exists).
    void SeekTo(std::uint32_t ms);
    // One second back (not below 0) / forward (not beyond the duration); Running or Paused only.
    HRESULT StepBack();
    HRESULT StepForward();
    // Pause, take the rate, and play again if it was running.
    void SetSpeed(float rate);
    // Speed slider position 1..9 to rate (0.2 .. 2.0); any other position gives 1.0.
    static float SpeedToRate(int position);

    // Decoder parameter of channel 0 (front) or 1 (rear); while paused the shown frame is
    // re-shown with the new value. E_FAIL without that decoder.
    HRESULT SetDecoderParam(int channel, int id, std::int32_t value);
    // The last frame of channel 0 (front) or 1 (rear, mode 2 only) after the flips, top-down.
    bool GrabFrame(int channel, QImage &bitmap) const;
    // Re-places and repaints the pictures in their windows.
    void Repaint();

    // 1 when the four components can be made, else -1 (sensor source), -2 (H.264 decoder),
    // -3 (AAC decoder) or -4 (brightness filter); -1 without a graph object.
    int CheckFilters() const;
    // Start-up check: runs the filter installer beside the executable when the sensor source
    // or the video decoder is missing, waits a second and checks again; if anything is still
    // missing, calls onStillMissing (the main window shows its message and closes). Then
    // configures the decoder's settings. Returns the last check's code.
    int SetUpDecoders(const std::function<void()> &onStillMissing);
    // The installer's path: beside the running executable.
    static QString FilterInstallerPath();
    void SetFilterInstallerPath(const QString &path) { m_strInstallerPath = path; }

    int Mode() const { return m_nMode; }
    // Video streams of the open recording (0 without a graph).
    int VideoStreams() const;
    CDShowGraph *Graph() const { return m_pGraph.get(); }

    static constexpr char kFilterInstallerName[] = "TarnFilter";

private:
    int m_nMode = 0;
    QPointer<CStaticView> m_hWndFront;
    QPointer<CStaticView> m_hWndRear;
    // Calls that may block on the card; shared with every graph, and outliving a graph whose
    // pipeline hangs in its stop. Declared before the graph, so it goes after it.
    std::shared_ptr<CBlockingCalls> m_calls = std::make_shared<CBlockingCalls>();
    std::unique_ptr<CDShowGraph> m_pGraph;
    bool m_bOpening = false;
    CWaitCancel m_openCancel;
    QString m_strInstallerPath;
};
