#pragma once

#include "filters/CBaseFilter.h"
#include "filters/GstHandle.h"
#include "platform/HResult.h"
#include "playback/CBlockingCalls.h"
#include "playback/CResponsiveWait.h"
#include "playback/PlayState.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "playback/CStaticView.h"
class CVideoRenderer;
class IDecoderParams;
class QSocketNotifier;

// The graph of one open recording: one GStreamer pipeline, one clock, for both channels.
//
//   "File Source" -> "Splitter" -+-> "FFDShow Decoder1" -> "Color Space Convertor 1" -> renderer 0
//                                +-> "FFDShow Decoder2" -> "Color Space Convertor 2" -> renderer 1
//                                +-> (audio decoder found for the stream) -> "DirectSound Audio
//                                    Renderer" (convert, resample, scaletempo, volume, sink)
//
// The colour space convertors pass the decoder's planar frames through; each renderer
// converts and scales a frame once, to its window's size.
//
// Media time at this interface is in 100-ns units, as the callers count it; inside GStreamer
// it is nanoseconds. "Stopped" keeps the pipeline prerolled (GStreamer PAUSED) so the frame at
// the position stays shown. Everything here runs on the UI thread: the bus is read through the
// Qt event loop; the splitter's pad callbacks (streaming thread) only record pads and post a
// bus message. The build's waits (the file's head, the streams, the first frame) keep the event
// loop running and end at once when the open is cancelled; what may block on a slow or dying
// card (reading the file, stopping a pipeline whose source hangs) runs on worker threads.
class CDShowGraph : public QObject
{
    Q_OBJECT
public:
    CDShowGraph(int nMode, CStaticView *front, CStaticView *rear);
    ~CDShowGraph() override;

    // Before each build: state Closed, opened, no elements.
    void Reset();
    // The workers for calls that may block; shared with the graphs before and after this one,
    // since a pipeline stuck in its stop outlives its graph. Made on first use when not given.
    void SetBlockingCalls(std::shared_ptr<CBlockingCalls> calls) { m_calls = std::move(calls); }
    // The cancel the build's waits watch (none when null). Not owned; outlives the build.
    void SetCancel(const CWaitCancel *cancel) { m_pCancel = cancel; }
    // 0 when a chain was built; 1 when nothing (more) could be built without a hard failure
    // (empty path, unloadable file, no renderer, no way from the splitter to decoder 0);
    // negative when creating or connecting something failed, E_ABORT when cancelled.
    HRESULT BuildGraph(const QString &path);

    // Transport. A refusal is VFW_E_WRONG_STATE, or -1 while the graph is not opened.
    HRESULT Play();
    HRESULT Pause();
    HRESULT Stop();

    // 100-ns media time; nothing when it cannot be read.
    std::optional<std::int64_t> GetCurrentPosition();
    std::optional<std::int64_t> GetDuration();
    // Milliseconds; 0 when the reading fails or is zero.
    std::uint32_t GetPositionMs();
    std::uint32_t GetDurationMs();
    // Accurate flushing seek (keeps the applied rate).
    HRESULT SetPositions(std::int64_t current100ns);
    // Flushing seek at the current position with a new rate (only when it differs).
    HRESULT SetRate(double rate);

    // Re-places and repaints both renderers in their windows.
    void Repaint();
    // Other windows for the renderers (none: frames are kept but shown nowhere), as when a
    // graph built ahead takes over the windows from the one that played before it.
    void AttachWindows(CStaticView *front, CStaticView *rear);
    void Teardown();

    // Parameter interface of decoder 0 (front) or 1 (rear); nullptr when absent.
    IDecoderParams *DecoderParams(int index) const;
    // A paused picture does not change by itself when decoder parameters change: this
    // re-shows the frame of the given channel through a flushing accurate seek to its
    // timestamp (once per batch of changes). Nothing while running.
    void RefreshShownFrame(int channel);
    CVideoRenderer *Renderer(int index) const;

    PlayState State() const { return m_nState; }
    bool IsOpened() const { return m_bOpened; }
    bool IsBuilt() const { return m_bBuilt; }
    int Mode() const { return m_nMode; }
    int VideoStreams() const { return m_nVideoStreams; }
    float Rate() const { return m_fRate; }
    void SetRequestedRate(float rate) { m_fRate = rate; }
    const QString &Path() const { return m_szPath; }
    bool HasAudioRenderer() const { return static_cast<bool>(m_pAudioRenderer); }
    // A seek was issued and the pipeline has not settled on it yet.
    bool IsSeekPending() const { return m_bSeekPending; }
    bool IsAtEndOfStream() const { return m_bEndOfStream; }

    // The pipeline, for inspection (tests, benchmarks); null before a build.
    GstElement *Pipeline() const { return m_pGraphBuilder.get(); }
    // Names of the elements directly in the pipeline.
    QStringList ElementNames() const;

signals:
    // The recording played to its end (or broke off there). Emitted from the bus reading,
    // possibly inside a call on this graph: listeners that replace the graph connect queued.
    void EndOfStream();

private:
    struct SplitterPad {
        GstPadHandle pad;
        gulong probe = 0; // blocks the pad's data until the chains are connected
    };

    HRESULT BuildSingleChain();
    HRESULT BuildDualChain();
    HRESULT CreateDecoder(int index, const char *name);
    HRESULT CreateConverter(int index, const char *name);
    HRESULT CreateRenderer(int index, const char *name);
    GstElement *DecoderElement(int index) const;
    void CreateAudioRenderer();
    HRESULT AddFilter(GstElement *element, const char *name);
    static bool JoinRunningGraph(GstElement *element);
    HRESULT ConnectFilters(GstElement *upstream, GstElement *downstream);
    HRESULT IntelligentConnect(GstPad *src, GstPad *sink, int depth);
    HRESULT StartSplitter();
    int CountVideoStreams();
    HRESULT StopWhenReady();
    void ReleaseSplitterPads();
    bool SetPipelineState(GstState state);
    void HoldPreroll(bool hold);
    // Decoders read far ahead only while the graph waits for first frames (see CDecoderBin).
    void LimitReadAhead(bool limit);

    CBlockingCalls &Calls();
    // Opens the file and reads its head on a worker; E_ABORT when cancelled, E_FAIL when the
    // file does not answer in time.
    HRESULT ProbeFile(const QString &path, const char **splitterFactory);
    // Stops the pipeline on a worker and waits briefly; false when it is stuck (its stop then
    // finishes on the worker and the remains are handed to it).
    bool StopPipeline();
    void HandOverStuckPipeline(std::shared_ptr<const CBlockingCalls::Call> stop);
    // Drops the bus and the pipeline; the graph is no longer built.
    void ForgetPipeline();

    void AttachBus();
    void DrainBus();
    void HandleMessage(GstMessage *message);
    // Reads the bus, the event loop running, until done() holds, the time is up or the build
    // is cancelled.
    template <typename Done> WaitResult PumpBusUntil(Done done, int timeoutMs);
    void ApplyVolume();
    void NoteEndOfStream();
    // Every video renderer has its first frame (or its end) of the latest seek.
    bool RenderersSettledOnSeek() const;

    static void OnPadAdded(GstElement *splitter, GstPad *pad, gpointer self);
    static void OnNoMorePads(GstElement *splitter, gpointer self);

    // Elements and components (UI thread).
    GstElementHandle m_pGraphBuilder; // the pipeline
    GstElementHandle m_pSource;
    GstElementHandle m_pSplitter;
    std::array<std::unique_ptr<CBaseFilter>, 2> m_pDecoder;
    std::array<GstElementHandle, 2> m_pColorConverter;
    std::array<std::unique_ptr<CVideoRenderer>, 2> m_pRenderer;
    GstElementHandle m_pAudioRenderer;
    GstElementHandle m_audioVolume; // inside the audio renderer

    int m_nMode = 0;
    QPointer<CStaticView> m_hWndFront;
    QPointer<CStaticView> m_hWndRear;
    bool m_bOpened = false;
    bool m_bBuilt = false;
    float m_fRate = 1.0f;          // requested rate
    double m_fAppliedRate = 1.0;   // rate of the current segment
    std::int64_t m_llDuration = 0; // 100-ns units; 0 = not cached yet
    // A duration-changed message asks for a new reading; the old one stays in use until the
    // new one is read, since a failed query must not make the recording look ended.
    bool m_bDurationStale = false;
    // The latest position read (100-ns units): a rate change stays there when the position
    // cannot be read at that moment.
    std::int64_t m_llLastPosition = 0;
    PlayState m_nState = PlayState::Closed;
    int m_nVideoStreams = 0;
    QString m_szPath;

    std::shared_ptr<CBlockingCalls> m_calls;
    const CWaitCancel *m_pCancel = nullptr;

    // Bus (UI thread).
    GstBusHandle m_bus;
    std::unique_ptr<QSocketNotifier> m_busNotifier;
    bool m_bPadsComplete = false;
    bool m_bSplitterFailed = false;
    bool m_bEndOfStream = false;
    bool m_bSeekPending = false;
    bool m_bAsyncDone = false;
    std::int64_t m_llSeekTarget = 0; // 100-ns units
    std::uint32_t m_nSeekSeqnum = 0; // of the latest seek event sent
    QElapsedTimer m_seekClock;       // since the latest seek
    bool m_bRefreshPosted = false;
    int m_nRefreshChannel = 0;

    // Filled by the splitter's streaming thread, read on the UI thread.
    std::mutex m_padMutex;
    std::vector<SplitterPad> m_splitterPads; // guarded by m_padMutex
};
