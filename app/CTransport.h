#pragma once

#include "app/CRecoveredCopy.h"
#include "playback/CResponsiveWait.h"
#include "playback/CPreparedGraph.h"

#include <QBasicTimer>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

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
//
// While a recording opens the window stays alive (the open waits with the event loop running),
// so commands can arrive in the middle of it. None of them reaches the open's half-built state:
// Close and the card's removal cancel the open at once; a new open (a double click, Previous,
// Next) cancels it and runs once it has returned; Play is dropped (the open ends playing);
// steps, seeks and the tick find no graph and do nothing; the window's other commands wait
// for the open (DeferWhileOpening).
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

    // A recording is being opened (its waits are on the stack).
    bool IsOpening() const { return m_bOpening; }
    // Ends a running open at once (it fails) and forgets what waited for it. Nothing otherwise.
    void CancelOpen();
    // During an open, `command` runs once the open has returned (commands in the order they
    // came) and true is returned; otherwise false and nothing happens.
    bool DeferWhileOpening(std::function<void()> command);

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
    // Marks an open from its start until it returns, then runs what waited for it.
    class OpenInProgress;

    bool OpenRecording(const QString &path);
    // During an open: `open` runs instead, once the running one (cancelled now) has returned.
    void OpenAfterRunningOne(std::function<void()> open);
    void RunWhatWaitedForOpen();
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

    bool m_bOpening = false;
    // The next row's file is being looked at (the look runs the event loop).
    bool m_bLookingAtNext = false;
    CWaitCancel m_openCancel;
    // The latest open asked for during an open.
    std::function<void()> m_pendingOpen;
    // The window's commands that came during an open, in order.
    std::vector<std::function<void()>> m_afterOpen;
    FlipSource m_flipSource;
    std::uint32_t m_nPrepareNextLeadMs = kPrepareNextLeadMs;
    CPreparedGraph m_preparedNext;
};
