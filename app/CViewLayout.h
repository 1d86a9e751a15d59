#pragma once

#include "ui/MainWindowModes.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>

class CDShowPlayer;
class CMainWindowControls;
class QWidget;

// The view layout room: where every control of the main window sits. It owns the display mode
// (normal window or extended mode), the channel view, the map state and extended mode's pointer
// zone, and applies the three layout kinds, the channel views and the map states' geometry.
// Buttons 1018/1019 and the map window reach the map state only through this class.
class CViewLayout
{
public:
    static constexpr int kWindowWidth = 1022;
    static constexpr int kWindowHeight = 682;

    // `drawGSensorGraph` redraws the graph whenever a layout shows its area.
    CViewLayout(QWidget &window, CMainWindowControls &controls, CDShowPlayer &player,
                std::function<void()> drawGSensorGraph);

    DisplayMode GetDisplayMode() const { return m_nDisplayMode; }
    ChannelView GetChannelView() const { return m_nChannelView; }
    MapState GetMapState() const { return m_nMapState; }
    PointerZone GetPointerZone() const { return m_nPointerZone; }
    // The normal window's place, kept while extended mode covers the screen.
    QRect WindowRect() const { return m_rcWindow; }
    void SetMapState(MapState state) { m_nMapState = state; }
    void SetChannelView(ChannelView view) { m_nChannelView = view; }

    // 1022 x 682 at the window's present position (start-up).
    void FixWindowSize();
    // Layout kinds Normal, Extended and LargeMap; other numbers do nothing.
    void LayoutControls(LayoutKind kind);
    // Channel views: front, rear or both video windows, placed for the display mode. Rear and
    // both need two streams; otherwise their buttons are unchecked and nothing changes.
    void ShowFrontView();
    void ShowRearView();
    void ShowBothViews();
    // The view of m_nChannelView again (after a layout or an open); None shows nothing.
    void ReapplyChannelView();
    // Places the file list, the map window and both map buttons as map state `mapState` wants.
    void ApplyMapStateGeometry(MapState mapState);
    // Map state Hidden from any state, the display mode's layout again (stop and reset).
    void HideMap();
    // A recording without fixes has no map to show: map state Hidden, the normal layout.
    void OnLoadWithoutFixes();

    // Buttons 1019 (small map on and off) and 1018 (large map on and off). Leaving the large map
    // scrolls the list to `currentRow` when one is loaded.
    void OnShowMapButton();
    void OnLargeMapButton(int currentRow);

    void ToggleExtendedMode();
    // Back to the 1022 x 682 window at m_rcWindow, display mode Normal, the two bars hidden.
    void LeaveExtendedWindow();
    // The card was removed: display mode Normal and "Video window1" hidden in every mode.
    void LeaveExtendedModeAndHideFrontVideo();
    // The card was removed: display mode Normal and map state Hidden, nothing moved yet.
    void ResetModes();

    // Window events routed here.
    void OnResize(bool initialised);
    void OnPointerMove(const QPoint &clientPos);
    // The control bar's File list button (1081) was clicked: the file list panel opens above
    // the bar's right end, or closes.
    void OnFileListPanelButton();
    // The window was dragged to a new place.
    void OnWindowMoved();

private:
    void LayoutNormal();
    void LayoutExtended();
    void LayoutLargeMap();
    // The two bars along the window's edges, laid out; `show` shows those not yet visible and
    // leaves visible ones alone, otherwise both are hidden and placed.
    void PlaceBars(bool show);
    void PlaceFileListPanel();
    void SetViewChecks(int checkedId);
    void UncheckView(int mainId, int topId);
    void SetLargeMapTooltip(const char *key);
    void RepaintVideo();
    bool IsRecordingLoaded() const;
    int LoadedStreamCount() const;

    QWidget &m_window;
    CMainWindowControls &m_controls;
    CDShowPlayer &m_player;
    std::function<void()> m_drawGSensorGraph;

    DisplayMode m_nDisplayMode = DisplayMode::Normal;
    ChannelView m_nChannelView = ChannelView::None;
    MapState m_nMapState = MapState::Hidden;
    PointerZone m_nPointerZone = PointerZone::None;
    QRect m_rcWindow;
    QSize m_laidOutExtendedSize;
};
