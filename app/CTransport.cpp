#include "app/CTransport.h"

#include "app/CMainWindowControls.h"
#include "app/CViewLayout.h"
#include "library/widgets/CCatalogueController.h"
#include "platform/Dialogs.h"
#include "playback/CDShowPlayer.h"
#include "sensors/CSensorLoader.h"
#include "ui/CTextTable.h"

#include <QApplication>
#include <QScopedValueRollback>
#include <QFileInfo>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>
#include <array>
#include <tuple>

using namespace ControlIds;
using MainWindowTables::Owner;

namespace
{

QString FormatTime(std::uint32_t ms)
{
    const std::uint32_t seconds = ms / 1000;
    return QString::asprintf("%02u:%02u:%02u", seconds / 3600, seconds % 3600 / 60, seconds % 60);
}

const QString kZeroTime = QStringLiteral("00:00:00");

} // namespace

CTransport::CTransport(QWidget &window, CDShowPlayer &player, CMainWindowControls &controls,
                       CViewLayout &layout, CCatalogueController &catalogue,
                       CSensorLoader &sensorLoader, IDialogs &dialogs)
    : m_window(window), m_player(player), m_controls(controls), m_layout(layout),
      m_catalogue(catalogue), m_sensorLoader(sensorLoader), m_dialogs(dialogs),
      m_recoveredCopies(&window)
{
}

bool CTransport::IsRecordingLoaded() const
{
    return m_player.Graph() != nullptr && m_player.GetState() != PlayState::Closed;
}

bool CTransport::IsPlayingOrPaused() const
{
    const PlayState state = m_player.GetState();
    return m_player.Graph() && (state == PlayState::Running || state == PlayState::Paused);
}

// ---------------------------------------------------------------------------------------
// The position timer

void CTransport::SetTimerPosition()
{
    m_timerPosition.start(kTimerPositionPeriodMs, this);
}

void CTransport::KillTimerPosition()
{
    m_timerPosition.stop();
}

void CTransport::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_timerPosition.timerId())
        OnPositionTick();
    QObject::timerEvent(event);
}

void CTransport::OnPositionTick()
{
    if (!IsRecordingLoaded())
        return;
    const bool running = m_player.GetState() == PlayState::Running;
    // Paused or stopped: pausing shows the frame at the position.
    if (!running)
        m_player.Pause();
    const std::uint32_t position = m_player.GetPositionMs();
    const std::uint32_t duration = m_player.GetDurationMs();
    const bool ended = running && position >= duration;
    // While playing, a thumb the user holds stays where the user has it.
    ShowSeekPosition(position, !running || ended);
    UpdateTimeTexts(position, duration);
    emit positionTicked(position);
    if (ended) {
        // The end is followed once. While the next row opens (its waits turn the event loop),
        // the old recording still stands at its end, and a tick or the end-of-stream notice
        // then finds it there again: following that would cancel the open and go on past
        // the row, or stop after the last one.
        if (!m_bOpening)
            OnNext();
    } else if (running)
        PrepareNextIfDue(position, duration);
}

// ---------------------------------------------------------------------------------------
// Opening a row, play and pause, steps, previous and next

void CTransport::SelectListRow(int row)
{
    m_catalogue.SelectRow(row);
    m_controls.m_listFiles.EnsureVisible(row);
    if (CConfigListCtrl *panelList = m_catalogue.GetPanelList())
        panelList->EnsureVisible(row);
}

class CTransport::OpenInProgress
{
public:
    explicit OpenInProgress(CTransport &transport) : m_transport(transport)
    {
        m_transport.m_bOpening = true;
        m_transport.m_openCancel.Reset();
    }
    ~OpenInProgress()
    {
        m_transport.m_bOpening = false;
        // What came meanwhile runs as its own event, once the open's caller has finished too.
        if (m_transport.m_pendingOpen || !m_transport.m_afterOpen.empty())
            QTimer::singleShot(0, &m_transport, &CTransport::RunWhatWaitedForOpen);
    }
    OpenInProgress(const OpenInProgress &) = delete;
    OpenInProgress &operator=(const OpenInProgress &) = delete;

private:
    CTransport &m_transport;
};

void CTransport::CancelOpen()
{
    m_pendingOpen = nullptr;
    m_afterOpen.clear();
    if (!m_bOpening)
        return;
    m_openCancel.Cancel();
    m_player.CancelOpen();
}

bool CTransport::DeferWhileOpening(std::function<void()> command)
{
    if (!m_bOpening)
        return false;
    m_afterOpen.push_back(std::move(command));
    return true;
}

void CTransport::OpenAfterRunningOne(std::function<void()> open)
{
    m_pendingOpen = std::move(open);
    m_openCancel.Cancel();
    m_player.CancelOpen();
}

void CTransport::RunWhatWaitedForOpen()
{
    if (m_bOpening)
        return; // another open started first; its end runs them
    auto commands = std::exchange(m_afterOpen, {});
    auto open = std::exchange(m_pendingOpen, nullptr);
    for (auto &command : commands)
        command();
    if (open)
        open();
}

bool CTransport::OpenRecording(const QString &path)
{
    if (m_bOpening)
        return false; // the entry points never get here during an open
    const OpenInProgress opening(*this);
    QString playPath;
    if (!OpenIntoPlayer(path, playPath))
        return false;
    m_controls.m_wndVideo1.hide();
    m_controls.m_wndVideo2.hide();
    SetSeekRange(m_player.GetDurationMs());

    const int slash = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    m_controls.m_staticFileName.hide();
    SetFileName(slash < 0 ? path : path.mid(slash + 1));
    CKipImageSlider *speed = m_controls.Slider(IDC_SPEED_SLIDER);
    CKipImageSlider *brightness = m_controls.Slider(IDC_BRIGHTNESS_SLIDER);
    speed->SetPos(5);
    brightness->SetPos(0);
    speed->RedrawNow();
    brightness->RedrawNow();
    if (m_layout.GetDisplayMode() == DisplayMode::Normal &&
        m_layout.GetMapState() != MapState::Large)
        m_controls.m_staticFileName.show();

    const int streams = m_player.VideoStreams();
    if (streams == 1) {
        m_layout.ShowFrontView();
    } else {
        if (m_layout.GetChannelView() == ChannelView::None)
            m_layout.SetChannelView(ChannelView::Front);
        m_layout.ReapplyChannelView();
    }
    emit recordingOpened(streams);
    m_controls.ApplyControlState(ControlState::Playing, streams);
    m_sensorLoader.StartSensorLoad(playPath);
    QApplication::restoreOverrideCursor();
    return true;
}

bool CTransport::OpenIntoPlayer(const QString &path, QString &playPath)
{
    // The graph built ahead for this file and these flips: its first frame is there already.
    // Any other prepared graph goes here, before the file that is opened instead.
    std::unique_ptr<CDShowGraph> prepared = m_preparedNext.Take(NextKey(path));
    if (prepared) {
        playPath = path;
    } else {
        // A recording cut short by a power loss has no index and is played from a recovered
        // copy; the row, the file name shown and Save keep to the recording on the card.
        QString error;
        const std::optional<QString> recovered =
            m_recoveredCopies.PathToPlay(path, &error, &m_openCancel);
        if (m_openCancel.IsCancelled())
            return false;
        if (!recovered) {
            if (!error.isEmpty())
                m_dialogs.MessageBox(
                    &m_window, QStringLiteral("%1\n\n%2").arg(QFileInfo(path).fileName(), error),
                    MessageBoxButtons::Ok);
            return false;
        }
        playPath = *recovered;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (prepared) {
        // The old graph has played to its end; it is taken down once the new picture is up.
        m_preparedNext.Retire(m_player.TakeOver(std::move(prepared)));
    } else if (!m_player.OpenFile(playPath)) {
        QApplication::restoreOverrideCursor();
        return false;
    }
    connect(m_player.Graph(), &CDShowGraph::EndOfStream, this, &CTransport::FollowEndOfStream,
            Qt::QueuedConnection);
    return true;
}

CPreparedGraph::Key CTransport::NextKey(const QString &path) const
{
    CPreparedGraph::Key key{path};
    if (m_flipSource)
        std::tie(key.flipVertical, key.flipHorizontal) = m_flipSource();
    return key;
}

void CTransport::PrepareNextIfDue(std::uint32_t positionMs, std::uint32_t durationMs)
{
    if (durationMs == 0 || m_nPrepareNextLeadMs == 0 ||
        durationMs - std::min(positionMs, durationMs) > m_nPrepareNextLeadMs)
        return;
    // The row the end goes on to (OnNext); none after the last row.
    CConfigListCtrl &list = m_controls.m_listFiles;
    const int next = m_nCurrentItem + 1;
    const QString path = next < list.GetItemCount()
                             ? list.GetItemText(next, CConfigListCtrl::kColumnPath)
                             : QString();
    if (path.isEmpty()) {
        m_preparedNext.Drop();
        return;
    }
    const CPreparedGraph::Key key = NextKey(path);
    if (m_preparedNext.Knows(key) || m_bLookingAtNext)
        return;
    // A recording cut short plays from a copy that only an open recovers (with its progress
    // window): it is opened the usual way, as is a file that does not answer. Looked at on a
    // worker, as the open does, so a dying card cannot hold the tick.
    std::optional<bool> cut;
    {
        const QScopedValueRollback looking(m_bLookingAtNext, true);
        cut = m_recoveredCopies.IsCutOffUiThread(path, nullptr);
    }
    // The look ran the event loop: the recording may have ended, been stopped or replaced, or
    // the list changed meanwhile; the next tick looks again.
    if (m_bOpening || !m_player.Graph() || m_nCurrentItem + 1 != next ||
        next >= list.GetItemCount() || list.GetItemText(next, CConfigListCtrl::kColumnPath) != path)
        return;
    if (!cut || *cut) {
        m_preparedNext.Decline(key);
        return;
    }
    m_preparedNext.Prepare(key, m_player.Mode());
}

void CTransport::FollowEndOfStream()
{
    // A late notice from a graph that was replaced meanwhile finds the new one not at its end.
    CDShowGraph *graph = m_player.Graph();
    if (graph && graph->IsAtEndOfStream() && graph->State() == PlayState::Running)
        OnPositionTick();
}

void CTransport::OnPlayPause()
{
    // The open running now ends by playing (or fails): nothing to add.
    if (m_bOpening)
        return;
    const PlayState state = m_player.GetState();
    if (m_player.Graph() && state == PlayState::Paused) {
        SetPlayLook(true);
        m_player.SetSpeed(CDShowPlayer::SpeedToRate(m_controls.Slider(IDC_SPEED_SLIDER)->GetPos()));
        m_player.Play();
        SetTimerPosition();
    } else if (m_player.Graph() && state == PlayState::Running) {
        m_player.Pause();
        SetPlayLook(false);
    } else {
        CConfigListCtrl &list = m_controls.m_listFiles;
        if (list.GetItemCount() <= 0)
            return;
        const int row = list.GetSelectedItem();
        if (row < 0)
            return;
        if (row != m_nCurrentItem) {
            m_nCurrentItem = row;
            if (!OpenRecording(list.GetItemText(row, CConfigListCtrl::kColumnPath)))
                return;
        }
        m_player.Play();
        SetTimerPosition();
        SetPlayLook(true);
        SetSeekRange(m_player.GetDurationMs());
        m_controls.ApplyControlState(ControlState::Playing, m_player.VideoStreams());
    }
    m_catalogue.RepaintLists();
}

void CTransport::OnRewind()
{
    if (!IsPlayingOrPaused())
        return;
    m_player.StepBack();
    OnPositionTick();
}

void CTransport::OnForward()
{
    if (!IsPlayingOrPaused())
        return;
    m_player.StepForward();
    OnPositionTick();
    m_player.Repaint();
}

void CTransport::OpenAndPlayCurrentItem()
{
    const QString path =
        m_controls.m_listFiles.GetItemText(m_nCurrentItem, CConfigListCtrl::kColumnPath);
    if (path.isEmpty())
        return;
    SelectListRow(m_nCurrentItem);
    if (OpenRecording(path))
        OnPlayPause();
}

void CTransport::OnPrevious()
{
    if (m_nCurrentItem <= 0)
        return;
    if (m_bOpening) {
        OpenAfterRunningOne([this, row = m_nCurrentItem - 1] {
            m_nCurrentItem = row;
            OpenAndPlayCurrentItem();
        });
        return;
    }
    --m_nCurrentItem;
    OpenAndPlayCurrentItem();
}

void CTransport::OnNext()
{
    const int rows = m_controls.m_listFiles.GetItemCount();
    // PageDown reaches here in every state: with nothing loaded and nothing listed there is
    // nothing to stop.
    if (m_nCurrentItem < 0 && rows <= 0)
        return;
    if (m_nCurrentItem + 1 >= rows) {
        StopAndReset();
        return;
    }
    if (m_bOpening) {
        OpenAfterRunningOne([this, row = m_nCurrentItem + 1] {
            m_nCurrentItem = row;
            OpenAndPlayCurrentItem();
        });
        return;
    }
    ++m_nCurrentItem;
    OpenAndPlayCurrentItem();
}

void CTransport::OnListDoubleClick(int row)
{
    CConfigListCtrl &list = m_controls.m_listFiles;
    if (row < 0 || row >= list.GetItemCount())
        return;
    const QString path = list.GetItemText(row, CConfigListCtrl::kColumnPath);
    if (path.isEmpty())
        return;
    if (m_bOpening) {
        // The latest double click wins: the running open ends, this row opens after it.
        OpenAfterRunningOne([this, row] { OnListDoubleClick(row); });
        return;
    }
    m_nCurrentItem = row;
    if (!OpenRecording(path)) {
        m_nCurrentItem = -1;
        return;
    }
    // From either list: the row is the one selected in both, which Play then finds.
    m_catalogue.SelectRow(row);
    OnPlayPause();
}

void CTransport::FollowLoadedRow(int row)
{
    m_nCurrentItem = row;
    m_catalogue.RepaintLists();
}

void CTransport::StopAndReset()
{
    CancelOpen();
    m_preparedNext.Drop();
    m_layout.SetChannelView(ChannelView::None);
    KillTimerPosition();
    m_player.Stop();
    if (CDShowGraph *graph = m_player.Graph())
        graph->SetPositions(0);
    m_player.Close();
    ShowSeekPosition(0, true);
    ResetTimeTexts();
    SetFileName(QString());
    m_nCurrentItem = -1;
    SetPlayLook(false);
    m_layout.HideMap();
    m_sensorLoader.Stop();
    emit sensorTrackCleared();
    m_controls.ApplyControlState(ControlState::Listed, m_player.VideoStreams());
    m_window.update();
}

// ---------------------------------------------------------------------------------------
// The position and speed sliders

void CTransport::OnPositionSlider(int code)
{
    if (code == CKipImageSlider::TB_PAGEUP || code == CKipImageSlider::TB_PAGEDOWN ||
        code == CKipImageSlider::TB_THUMBTRACK) {
        const int p = m_controls.Slider(IDC_POSITION_SLIDER)->GetPos();
        m_player.SeekTo(static_cast<std::uint32_t>(std::max(p, 0)));
        OnPositionTick();
    }
}

void CTransport::OnBarPositionSlider(int code)
{
    if (code != CKipImageSlider::TB_PAGEUP && code != CKipImageSlider::TB_PAGEDOWN &&
        code != CKipImageSlider::TB_THUMBTRACK)
        return;
    CKipImageSlider *bar = m_controls.PanelSlider(Owner::ControlBar, IDC_BAR_POSITION_SLIDER);
    if (!bar)
        return;
    const int p = bar->GetPos();
    m_player.SeekTo(static_cast<std::uint32_t>(std::max(p, 0)));
    m_controls.Slider(IDC_POSITION_SLIDER)->SetPos(p);
    OnPositionTick();
}

void CTransport::OnSpeedSlider(int code)
{
    if (code >= CKipImageSlider::TB_PAGEUP && code <= CKipImageSlider::TB_THUMBTRACK &&
        m_player.GetState() == PlayState::Running)
        m_player.SetSpeed(CDShowPlayer::SpeedToRate(m_controls.Slider(IDC_SPEED_SLIDER)->GetPos()));
}

// ---------------------------------------------------------------------------------------
// Displays: the transport's only writers of the seek slider, the time texts, the file name
// and the Play look, each on the main window and on its extended-mode panel copy.

namespace
{
// The seek slider and the control bar's copy (null while the bar does not exist).
std::array<CKipImageSlider *, 2> SeekSliders(CMainWindowControls &controls)
{
    return {controls.Slider(IDC_POSITION_SLIDER),
            controls.PanelSlider(Owner::ControlBar, IDC_BAR_POSITION_SLIDER)};
}

std::array<CKipStaticTrans *, 2> PositionTimes(CMainWindowControls &controls)
{
    return {&controls.m_staticPositionTime,
            controls.PanelText(Owner::ControlBar, IDC_BAR_POSITION_TIME)};
}

std::array<CKipStaticTrans *, 2> TotalTimes(CMainWindowControls &controls)
{
    return {&controls.m_staticTotalTime, controls.PanelText(Owner::ControlBar, IDC_BAR_TOTAL_TIME)};
}
} // namespace

void CTransport::SetPlayLook(bool pause)
{
    const QString tooltip = CTextTable().GetText(pause ? QStringLiteral("PLAYERDLG_PAUSE")
                                                       : QStringLiteral("PLAYERDLG_PLAY"));
    for (CKipSkinButton *play :
         {m_controls.Button(IDC_PLAY), m_controls.PanelButton(Owner::ControlBar, IDC_BAR_PLAY)}) {
        if (!play)
            continue;
        if (pause)
            play->SetBitmaps(197, 199, 198, 197, 197);
        else
            play->SetBitmaps(200, 202, 201, 200, 200);
        play->SetTooltipText(tooltip);
        play->setText(QString());
    }
}

void CTransport::SetSeekRange(std::uint32_t durationMs)
{
    for (CKipImageSlider *seek : SeekSliders(m_controls))
        if (seek)
            seek->SetRange(0, static_cast<int>(durationMs));
    for (CKipStaticTrans *total : TotalTimes(m_controls))
        if (total)
            total->setText(FormatTime(durationMs));
}

void CTransport::ShowSeekPosition(std::uint32_t positionMs, bool evenWhileDragging)
{
    for (CKipImageSlider *seek : SeekSliders(m_controls)) {
        if (!seek || (seek->IsDragging() && !evenWhileDragging))
            continue;
        seek->SetPos(static_cast<int>(positionMs));
        seek->RedrawNow();
    }
}

void CTransport::UpdateTimeTexts(std::uint32_t positionMs, std::uint32_t durationMs)
{
    const QString elapsed = FormatTime(positionMs);
    for (CKipStaticTrans *positionTime : PositionTimes(m_controls)) {
        if (positionTime && positionTime->text() != elapsed) {
            positionTime->setText(elapsed);
            positionTime->repaint();
        }
    }
    const QString total = FormatTime(durationMs);
    for (CKipStaticTrans *totalTime : TotalTimes(m_controls))
        if (totalTime && totalTime->text() != total)
            totalTime->setText(total);
}

void CTransport::ResetTimeTexts()
{
    for (const auto &texts : {PositionTimes(m_controls), TotalTimes(m_controls)})
        for (CKipStaticTrans *text : texts)
            if (text)
                text->setText(kZeroTime);
}

void CTransport::SetFileName(const QString &name)
{
    m_controls.m_staticFileName.setText(name);
    if (CKipStaticTrans *copy = m_controls.PanelText(Owner::TopBar, IDC_TOP_FILE_NAME))
        copy->setText(name);
}

void CTransport::ResetDisplays()
{
    // 7. the file name and the two time texts.
    SetFileName(QString());
    m_controls.m_staticFileName.repaint();
    ResetTimeTexts();
    // 8. the position, speed and brightness sliders.
    ShowSeekPosition(0, true);
    m_controls.Slider(IDC_SPEED_SLIDER)->SetPos(5);
    m_controls.Slider(IDC_BRIGHTNESS_SLIDER)->SetPos(0);
    for (const int id : {IDC_SPEED_SLIDER, IDC_BRIGHTNESS_SLIDER})
        m_controls.Slider(id)->RedrawNow();
}
