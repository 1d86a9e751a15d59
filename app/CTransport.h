#pragma once

#include "app/CRecoveredCopy.h"
#include "playback/CPreparedGraph.h"

#include <QBasicTimer>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class CCatalogueController;
class CDShowPlayer;
class CMainWindowControls;
class CSensorLoader;
class CViewLayout;
class IDialogs;
class QWidget;

// The transport room: which row's recording is loaded, and moving through it. It opens a row,
// plays and pauses, steps, goes to the previous and next row, stops and resets, runs the 200 ms
// position tick, and answers the position and speed sliders. It owns the loaded row
// (m_nCurrentItem) and the position timer, and is the one writer of the seek slider, the two
// time texts, the file name text and the Play button's look, and of their copies on the
// extended-mode panels (see "Displays" in the source).
class CTransport : public QObject
{
    Q_OBJECT
public:
    static constexpr int kTimerPositionPeriodMs = 200;

    CTransport(QWidget &window, CDShowPlayer &player, CMainWindowControls &controls,
               CViewLayout &layout, CCatalogueController &catalogue, CSensorLoader &sensorLoader,
               IDialogs &dialogs);

    // m_nCurrentItem: the row whose recording is loaded, -1 for none.
    int CurrentItem() const { return m_nCurrentItem; }
    bool IsRecordingLoaded() const;

    // Opens the recording of file-list row `row` and plays it (a double click on the row of
    // either list; the two lists hold the same rows).
    void OnListDoubleClick(int row);
    void OnPlayPause();
    void OnRewind();
    void OnForward();
    void OnPrevious();
    // After the last row: StopAndReset. With no row loaded and none listed: nothing.
    void OnNext();
    // The lists were rebuilt and the loaded recording now stands at `row` (-1: not listed).
    void FollowLoadedRow(int row);
    // Everything stopped and the displays reset (after the last recording).
    void StopAndReset();
    // Trackbar code `code` from the position slider 1020 or the speed slider 1021.
    void OnPositionSlider(int code);
    void OnSpeedSlider(int code);
    // Trackbar code `code` from the control bar's position slider 1067: seeks there, and the
    // window's slider follows.
    void OnBarPositionSlider(int code);

    bool IsPositionTimerActive() const { return m_timerPosition.isActive(); }
    void SetTimerPosition();
    void KillTimerPosition();

    // The card was removed: the file name and time texts, and the three sliders it moves.
    void ResetDisplays();

    // How far before the end of a playing recording (media time) the next row's graph is
    // built, so that the end goes on to it without a build.
    static constexpr std::uint32_t kPrepareNextLeadMs = 4000;
    // The rear picture's flips (vertical, horizontal) an open applies; the next row's graph is
    // prepared with them.
    using FlipSource = std::function<std::pair<bool, bool>()>;
    void SetFlipSource(FlipSource source) { m_flipSource = std::move(source); }
    // The graph prepared for the next row, if any (tests look at it).
    const CPreparedGraph &PreparedNext() const { return m_preparedNext; }
    // 0 prepares nothing: every end opens the next row with a build (tests compare the two).
    void SetPrepareNextLead(std::uint32_t ms) { m_nPrepareNextLeadMs = ms; }
    // Lets go of the next row's graph (the window closes, the card goes).
    void DropPreparedNext() { m_preparedNext.Drop(); }

signals:
    // A recording was opened with `videoStreams` video streams; the picture flips follow.
    void recordingOpened(int videoStreams);
    // Every position tick, with the position shown. The map and the speed readout follow it.
    void positionTicked(std::uint32_t positionMs);
    // The sensor track was stopped and emptied; the G-sensor graph redraws.
    void sensorTrackCleared();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    bool OpenRecording(const QString &path);
    // Opens and plays the row m_nCurrentItem now names, selecting it in both lists.
    void OpenAndPlayCurrentItem();
    void SelectListRow(int row);
    void OnPositionTick();
    bool IsPlayingOrPaused() const;
    // Near the end of a playing recording: the graph of the row the end would play next is
    // built ahead; a prepared graph that no longer fits (list, row, flips) is replaced.
    void PrepareNextIfDue(std::uint32_t positionMs, std::uint32_t durationMs);
    // Opens path's recording into the player: the graph prepared for it when there is one,
    // else a fresh build. `playPath` is what was opened.
    bool OpenIntoPlayer(const QString &path, QString &playPath);
    // The open graph announces its end: the tick runs at once instead of up to a period later.
    void FollowEndOfStream();
    // The prepared graph's key for path with the flips an open applies now.
    CPreparedGraph::Key NextKey(const QString &path) const;

    // Displays.
    void SetPlayLook(bool pause);
    void SetSeekRange(std::uint32_t durationMs);
    // Both seek sliders at `positionMs`; a thumb being dragged keeps its place unless
    // `evenWhileDragging`.
    void ShowSeekPosition(std::uint32_t positionMs, bool evenWhileDragging);
    void UpdateTimeTexts(std::uint32_t positionMs, std::uint32_t durationMs);
    void ResetTimeTexts();
    void SetFileName(const QString &name);

    QWidget &m_window;
    CDShowPlayer &m_player;
    CMainWindowControls &m_controls;
    CViewLayout &m_layout;
    CCatalogueController &m_catalogue;
    CSensorLoader &m_sensorLoader;

    IDialogs &m_dialogs;
    // A recording a power loss cut short plays from a copy recovered into the cache folder.
    CRecoveredCopy m_recoveredCopies;

    int m_nCurrentItem = -1;
    QBasicTimer m_timerPosition;
    FlipSource m_flipSource;
    std::uint32_t m_nPrepareNextLeadMs = kPrepareNextLeadMs;
    CPreparedGraph m_preparedNext;
};
