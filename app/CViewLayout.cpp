#include "app/CViewLayout.h"

#include "app/CMainWindowControls.h"
#include "playback/CDShowPlayer.h"
#include "ui/CTextTable.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

using namespace ControlIds;
using namespace MainWindowTables;

namespace
{

// The 16:9 fit of one picture into the whole client area in extended mode.
QRect FitSixteenByNine(int w, int h)
{
    if (h >= w / 16 * 9)
        return {0, (h - w / 16 * 9) / 2, w, w / 16 * 9};
    return {(w - h / 9 * 16) / 2, 0, h / 9 * 16, h};
}

constexpr QRect kSingleViewRect{3, 78, 688, 387};

} // namespace

CViewLayout::CViewLayout(QWidget &window, CMainWindowControls &controls, CDShowPlayer &player,
                         std::function<void()> drawGSensorGraph)
    : m_window(window), m_controls(controls), m_player(player),
      m_drawGSensorGraph(std::move(drawGSensorGraph))
{
}

bool CViewLayout::IsRecordingLoaded() const
{
    return m_player.Graph() != nullptr && m_player.GetState() != PlayState::Closed;
}

int CViewLayout::LoadedStreamCount() const
{
    return m_player.VideoStreams();
}

void CViewLayout::RepaintVideo()
{
    m_player.Repaint();
}

void CViewLayout::FixWindowSize()
{
    m_window.setFixedSize(kWindowWidth, kWindowHeight);
    m_rcWindow = QRect(m_window.geometry().topLeft(), QSize(kWindowWidth, kWindowHeight));
}

// ---------------------------------------------------------------------------------------
// Layout kinds

void CViewLayout::LayoutControls(LayoutKind kind)
{
    switch (kind) {
    case LayoutKind::Normal:
        LayoutNormal();
        break;
    case LayoutKind::Extended:
        LayoutExtended();
        break;
    case LayoutKind::LargeMap:
        LayoutLargeMap();
        break;
    default:
        break;
    }
}

void CViewLayout::LayoutNormal()
{
    // 1.
    m_nDisplayMode = DisplayMode::Normal;
    FixWindowSize();
    m_window.move(m_rcWindow.topLeft());
    // 2., 3.
    ReapplyChannelView();
    if (IsRecordingLoaded())
        RepaintVideo();
    // 4.
    m_controls.ShowFileList(true);
    // 5.
    m_controls.SetButtonSkin(IDC_LARGE_MAP, kLargeMapNormalSkin);
    for (const PlacedControl &placed : NormalLayout())
        m_controls.PlaceAndShow(placed.id, placed.rect);
    m_controls.PlaceAndShow(IDC_LARGE_MAP, NormalLargeMapButtonRect(m_nMapState));
    m_controls.PlaceAndShow(IDC_SHOW_MAP, NormalShowMapButtonRect(m_nMapState));
    for (const SliderRow &row : Sliders())
        m_controls.SetSliderSkin(row.id, row.skin);
    // 6.
    m_controls.ShowFileList(true);
    // 7.
    m_controls.m_wndMap.setGeometry(m_nMapState == MapState::Small ? kSmallMapAtLayout : kNoRect);
    // 8.
    if (m_nMapState != MapState::Large)
        m_drawGSensorGraph();
    m_window.update();
}

void CViewLayout::LayoutExtended()
{
    // 1.
    m_nDisplayMode = DisplayMode::Extended;
    const int w = m_window.width();
    const int h = m_window.height();
    m_laidOutExtendedSize = m_window.size();
    // 2.
    ReapplyChannelView();
    if (IsRecordingLoaded())
        RepaintVideo();
    // 3.
    m_controls.ShowFileList(false);
    m_controls.HideControls(NormalHiddenInExtended());
    // 4.
    for (const PlacedControl &placed : ExtendedLayout(w, h))
        m_controls.PlaceAndShow(placed.id, placed.rect);
    m_controls.SetSliderSkin(IDC_POSITION_SLIDER, FindSlider(IDC_POSITION_SLIDER)->skin);
    m_controls.SetSliderSkin(IDC_VOLUME_SLIDER, kExtendedVolumeSkin);
    // 5.
    m_controls.m_wndMap.setGeometry(kNoRect);
}

void CViewLayout::LayoutLargeMap()
{
    // 1.
    m_controls.m_wndVideo1.hide();
    m_controls.m_wndVideo2.hide();
    m_controls.ShowFileList(false);
    // 2., 4.
    for (const PlacedControl &placed : LargeMapLayout())
        m_controls.PlaceAndShow(placed.id, placed.rect);
    m_controls.SetButtonSkin(IDC_LARGE_MAP, kLargeMapReduceSkin);
    m_controls.Button(IDC_LARGE_MAP)->SetTooltipText(QString());
    // 3., 5.
    m_controls.HideControls(LargeMapHidden());
    // 6.
    m_controls.m_wndMap.setGeometry(kLargeMapWindow);
    m_window.update();
}

// ---------------------------------------------------------------------------------------
// Map states

void CViewLayout::ApplyMapStateGeometry(MapState mapState)
{
    const MapStateGeometry *geometry = FindMapState(mapState);
    if (!geometry)
        return;
    CConfigListCtrl &list = m_controls.m_listFiles;
    if (geometry->fileList) {
        list.setGeometry(*geometry->fileList);
        list.ApplyLayout();
        m_controls.ShowFileList(true);
        list.setFocus();
    } else {
        m_controls.ShowFileList(false);
    }
    m_controls.m_wndMap.setGeometry(geometry->mapWindow);
    m_controls.PlaceAndShow(IDC_LARGE_MAP, geometry->largeMapButton);
    CKipSkinButton *showMap = m_controls.Button(IDC_SHOW_MAP);
    if (geometry->showMapButton) {
        m_controls.SetButtonSkin(IDC_SHOW_MAP, geometry->showMapSkin);
        showMap->setToolTip(CTextTable().GetText(QString::fromLatin1(geometry->showMapTooltipKey)));
        m_controls.PlaceAndShow(IDC_SHOW_MAP, *geometry->showMapButton);
    } else {
        showMap->hide();
    }
    m_window.update();
}

void CViewLayout::SetLargeMapTooltip(const char *key)
{
    m_controls.Button(IDC_LARGE_MAP)
        ->SetTooltipText(CTextTable().GetText(QString::fromLatin1(key)));
}

void CViewLayout::HideMap()
{
    const MapState previous = m_nMapState;
    m_nMapState = MapState::Hidden;
    if (previous == MapState::Small) {
        ApplyMapStateGeometry(MapState::Hidden);
    } else if (previous == MapState::Large) {
        LayoutControls(static_cast<LayoutKind>(m_nDisplayMode));
        // Layout kind Normal leaves the list as it was before the large map (short, when the
        // small map was shown) and the Show map button in its "Hide Map" look: the hidden map's.
        ApplyMapStateGeometry(MapState::Hidden);
        // The large map's layout cleared 1018's tooltip; its look is "Show large map" again.
        SetLargeMapTooltip("PLAYERDLG_SHOW_LARGEMAP");
    }
}

void CViewLayout::OnLoadWithoutFixes()
{
    const bool wasLarge = m_nMapState == MapState::Large;
    if (wasLarge)
        LayoutControls(LayoutKind::Normal);
    if (m_nMapState == MapState::Hidden)
        return;
    m_nMapState = MapState::Hidden;
    ApplyMapStateGeometry(MapState::Hidden);
    if (wasLarge)
        SetLargeMapTooltip("PLAYERDLG_SHOW_LARGEMAP");
    ReapplyChannelView();
    RepaintVideo();
}

void CViewLayout::OnShowMapButton()
{
    m_nMapState = m_nMapState == MapState::Small ? MapState::Hidden : MapState::Small;
    ApplyMapStateGeometry(m_nMapState);
    SetLargeMapTooltip("PLAYERDLG_SHOW_LARGEMAP");
}

void CViewLayout::OnLargeMapButton(int currentRow)
{
    if (m_nMapState == MapState::Large) {
        m_nMapState = MapState::Small;
        LayoutControls(LayoutKind::Normal);
        ApplyMapStateGeometry(MapState::Small);
        SetLargeMapTooltip("PLAYERDLG_SHOW_LARGEMAP");
        if (currentRow >= 0)
            m_controls.m_listFiles.EnsureVisible(currentRow);
        return;
    }
    m_nMapState = MapState::Large;
    LayoutControls(LayoutKind::LargeMap);
    SetLargeMapTooltip("PLAYERDLG_REDUCE_MAP");
}

// ---------------------------------------------------------------------------------------
// Extended mode and its pointer zones

void CViewLayout::ToggleExtendedMode()
{
    if (m_nDisplayMode == DisplayMode::Normal) {
        m_rcWindow = m_window.geometry();
        m_window.hide();
        m_nDisplayMode = DisplayMode::Extended;
        for (QWidget *panel : std::initializer_list<QWidget *>{
                 m_controls.ControlPanel(), m_controls.ControlTop(), m_controls.ControlFileList()})
            if (panel)
                panel->hide();
        // Without a window manager a maximise request does nothing: take the screen itself.
        m_window.setMinimumSize(0, 0);
        m_window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        const QScreen *target =
            m_window.screen() ? m_window.screen() : QGuiApplication::primaryScreen();
        if (target)
            m_window.setGeometry(target->geometry());
        m_window.showMaximized();
    } else {
        LeaveExtendedWindow();
    }
    m_nPointerZone = PointerZone::None;
    LayoutControls(static_cast<LayoutKind>(m_nDisplayMode));
    m_window.update();
}

void CViewLayout::LeaveExtendedWindow()
{
    m_controls.m_wndVideo1.hide();
    m_nDisplayMode = DisplayMode::Normal;
    m_window.showNormal();
    m_window.setFixedSize(kWindowWidth, kWindowHeight);
    m_window.move(m_rcWindow.topLeft());
    // The file list panel keeps its visibility.
    for (QWidget *panel :
         std::initializer_list<QWidget *>{m_controls.ControlPanel(), m_controls.ControlTop()})
        if (panel && panel->isVisible())
            panel->hide();
}

void CViewLayout::LeaveExtendedModeAndHideFrontVideo()
{
    if (m_nDisplayMode == DisplayMode::Extended)
        LeaveExtendedWindow();
    m_controls.m_wndVideo1.hide();
}

void CViewLayout::ResetModes()
{
    m_nDisplayMode = DisplayMode::Normal;
    m_nMapState = MapState::Hidden;
}

void CViewLayout::OnWindowMoved()
{
    m_rcWindow = m_window.geometry();
}

// The bars are overlays of the window: placed in client pixels along its edges, they follow
// the window wherever it goes and however large it gets.
void CViewLayout::PlaceBars(bool show)
{
    const int w = m_window.width();
    const int h = m_window.height();
    if (CControlPanelDlg *bar = m_controls.ControlPanel(); bar && !(show && bar->isVisible())) {
        if (!show)
            bar->hide();
        bar->setGeometry(0, h - kControlBarHeight, w, kControlBarHeight);
        if (show) {
            bar->raise();
            bar->show();
        }
        bar->LayoutPanel();
    }
    if (CControlTopDlg *top = m_controls.ControlTop(); top && !(show && top->isVisible())) {
        if (!show)
            top->hide();
        top->setGeometry(0, 0, w, kTopBarHeight);
        if (show) {
            top->raise();
            top->show();
        }
        top->LayoutPanel();
    }
}

void CViewLayout::OnResize(bool initialised)
{
    // The file list panel keeps its visibility when extended mode ends; wherever the window's
    // size goes, it stays whole at its corner.
    if (QWidget *panel = m_controls.ControlFileList(); panel && panel->isVisible())
        PlaceFileListPanel();
    if (m_nDisplayMode != DisplayMode::Extended)
        return;
    // The windowing system may settle the maximised size after the switch.
    if (initialised && m_window.size() != m_laidOutExtendedSize)
        LayoutControls(LayoutKind::Extended);
    PlaceBars(false);
    // The zones start afresh: the next pointer movement shows the bars at the new size.
    m_nPointerZone = PointerZone::None;
}

void CViewLayout::OnPointerMove(const QPoint &p)
{
    if (m_nDisplayMode != DisplayMode::Extended)
        return;
    const QRect c = m_window.rect();
    const bool inTop = p.y() >= c.top() && p.y() < kTopBarHeight;
    const bool inBottom = p.y() >= c.height() - kControlBarHeight && p.y() < c.height();
    const PointerZone zone = (inTop || inBottom) ? PointerZone::Edge : PointerZone::Middle;
    if (zone == m_nPointerZone)
        return;
    m_nPointerZone = zone;
    m_controls.ShowFileList(false);
    m_controls.HideControls(PointerZoneHidden());
    m_controls.Button(IDC_EXTEND)->setVisible(zone == PointerZone::Edge);
    if (IsRecordingLoaded())
        RepaintVideo();
    if (zone == PointerZone::Edge) {
        PlaceBars(true);
        return;
    }
    for (QWidget *panel :
         std::initializer_list<QWidget *>{m_controls.ControlPanel(), m_controls.ControlTop()})
        if (panel && panel->isVisible())
            panel->hide();
    if (QWidget *list = m_controls.ControlFileList(); list && list->isVisible()) {
        list->hide();
        if (CKipSkinButton *button = m_controls.PanelButton(Owner::ControlBar, IDC_BAR_FILE_LIST))
            button->SetCheck(0);
    }
}

void CViewLayout::OnFileListPanelButton()
{
    CControlFileListDlg *panel = m_controls.ControlFileList();
    CControlPanelDlg *bar = m_controls.ControlPanel();
    CKipSkinButton *button = m_controls.PanelButton(Owner::ControlBar, IDC_BAR_FILE_LIST);
    if (!panel || !bar || !button)
        return;
    if (!button->GetCheck()) {
        panel->hide();
        return;
    }
    if (panel->isVisible())
        return;
    PlaceFileListPanel();
    panel->raise();
    panel->show();
}

// Right-aligned above the control bar's place, its bottom edge on the bar's top edge.
void CViewLayout::PlaceFileListPanel()
{
    if (CControlFileListDlg *panel = m_controls.ControlFileList())
        panel->setGeometry(m_window.width() - kFileListPanelSize.width(),
                           m_window.height() - kFileListPanelAboveBarBottom,
                           kFileListPanelSize.width(), kFileListPanelSize.height());
}

// ---------------------------------------------------------------------------------------
// Channel views: which video windows show, and where.

void CViewLayout::ReapplyChannelView()
{
    switch (m_nChannelView) {
    case ChannelView::Front:
        ShowFrontView();
        break;
    case ChannelView::Rear:
        ShowRearView();
        break;
    case ChannelView::Both:
        ShowBothViews();
        break;
    default:
        break;
    }
}

void CViewLayout::SetViewChecks(int checkedId)
{
    const std::pair<int, int> views[] = {
        {IDC_FRONT, IDC_TOP_FRONT}, {IDC_REAR, IDC_TOP_REAR}, {IDC_ALL_VIEWS, IDC_TOP_ALL}};
    for (const auto &[mainId, topId] : views) {
        if (CKipSkinButton *button = m_controls.Button(mainId)) {
            button->SetCheck(mainId == checkedId ? 1 : 0);
            button->repaint();
        }
        if (CKipSkinButton *copy = m_controls.PanelButton(Owner::TopBar, topId))
            copy->SetCheck(mainId == checkedId ? 1 : 0);
    }
}

void CViewLayout::UncheckView(int mainId, int topId)
{
    m_controls.Button(mainId)->SetCheck(0);
    if (CKipSkinButton *copy = m_controls.PanelButton(Owner::TopBar, topId))
        copy->SetCheck(0);
}

void CViewLayout::ShowFrontView()
{
    QWidget &video1 = m_controls.m_wndVideo1;
    QWidget &video2 = m_controls.m_wndVideo2;
    m_nChannelView = ChannelView::Front;
    const bool largeMap = m_nMapState == MapState::Large;
    if (m_nDisplayMode == DisplayMode::Normal) {
        video1.hide();
        video1.setGeometry(kSingleViewRect);
        RepaintVideo();
        video2.hide();
        video1.setVisible(!largeMap);
    } else {
        video1.setGeometry(FitSixteenByNine(m_window.width(), m_window.height()));
        video1.show();
        video2.hide();
        RepaintVideo();
    }
    SetViewChecks(IDC_FRONT);
    m_window.update();
}

void CViewLayout::ShowRearView()
{
    if (LoadedStreamCount() < 2) {
        UncheckView(IDC_REAR, IDC_TOP_REAR);
        return;
    }
    QWidget &video1 = m_controls.m_wndVideo1;
    QWidget &video2 = m_controls.m_wndVideo2;
    m_nChannelView = ChannelView::Rear;
    if (m_nDisplayMode == DisplayMode::Normal) {
        video1.hide();
        video2.setGeometry(kSingleViewRect);
        video2.setVisible(m_nMapState != MapState::Large);
    } else {
        video2.setGeometry(FitSixteenByNine(m_window.width(), m_window.height()));
        video1.hide();
        video2.show();
    }
    RepaintVideo();
    SetViewChecks(IDC_REAR);
    m_window.update();
}

void CViewLayout::ShowBothViews()
{
    if (LoadedStreamCount() < 2) {
        UncheckView(IDC_ALL_VIEWS, IDC_TOP_ALL);
        return;
    }
    QWidget &video1 = m_controls.m_wndVideo1;
    QWidget &video2 = m_controls.m_wndVideo2;
    m_nChannelView = ChannelView::Both;
    const bool shown = m_nMapState != MapState::Large;
    // The windows pass through a zero size first so the renderers repaint freshly sized.
    if (m_nDisplayMode == DisplayMode::Normal) {
        video1.setGeometry(3, 175, 0, 0);
        video2.setGeometry(347, 175, 0, 0);
        video1.setVisible(shown);
        video2.setVisible(shown);
        RepaintVideo();
        SetViewChecks(IDC_ALL_VIEWS);
        video1.setGeometry(3, 175, 344, 194);
        video2.setGeometry(347, 175, 344, 194);
        video1.setVisible(shown);
        video2.setVisible(shown);
    } else {
        const int w = m_window.width();
        const int h = m_window.height();
        const int u = h < w / 16 * 9 ? h / 9 : w / 16;
        const int d = u * 9 / 2;
        const int y = (h - d) / 2;
        video1.setGeometry(0, y, 0, 0);
        video1.show();
        video2.setGeometry(w / 2, y, 0, 0);
        video2.show();
        RepaintVideo();
        SetViewChecks(IDC_ALL_VIEWS);
        video1.setGeometry(0, y, w / 2, d);
        video2.setGeometry(w / 2, y, w / 2, d);
        video1.show();
        video2.show();
    }
    RepaintVideo();
    m_window.update();
}
