#pragma once

#include "sensors/CTextData.h"
#include "sensors/widgets/CGSensorGraph.h"
#include "sensors/widgets/CSpeedReadout.h"

#include <cstdint>
#include <memory>

class CDShowPlayer;
class CMainWindowControls;
class CMapView;
class CViewLayout;
class IDialogs;
class INetworkState;
class QPainter;
class QWidget;

// The sensor room: what the window shows of the sensor track. The map buttons show the map page
// (or explain that the recording has no fix), every position tick goes to the map and the speed
// readout, and the G-sensor graph is drawn once per load into a kept image. The window's paint
// handler asks it to paint the graph and the readout.
class CSensorViews
{
public:
    // `language` is the window's m_wLanguage, read when the page is navigated to.
    CSensorViews(QWidget &window, CMainWindowControls &controls, CViewLayout &layout,
                 CDShowPlayer &player, const CTextData &track, IDialogs &dialogs,
                 const std::uint16_t &language);
    ~CSensorViews();

    // Buttons 1019 (small map on and off) and 1018 (large map on and off); `currentRow` is the
    // loaded row, scrolled into view, or -1.
    void OnShowMapButton(int currentRow);
    void OnLargeMapButton(int currentRow);

    // The position tick: the map's fix to the page, then the speed readout.
    void OnPositionTick(std::uint32_t positionMs);

    // Redraws the graph from the track, scaled to the open recording's duration.
    void DrawGSensorGraph();
    // The track was emptied (stop, card removal): the bare graph and no speed.
    void OnTrackCleared();

    // The graph and the speed readout, in the normal display mode without the large map.
    void Paint(QPainter &painter) const;

    CMapView &Map();
    const CGSensorGraph &Graph() const { return m_graph; }
    const CSpeedReadout &SpeedReadout() const { return m_speedReadout; }

private:
    // False, after the message, when the track has no fix to show.
    bool HasFixesOrExplain();
    // The map just became small: the page when connected, else a zero-size map.
    void ShowSmallMapPage();
    bool IsShownInWindow() const;

    QWidget &m_window;
    CMainWindowControls &m_controls;
    CViewLayout &m_layout;
    CDShowPlayer &m_player;
    const CTextData &m_track;
    IDialogs &m_dialogs;
    const std::uint16_t &m_wLanguage;
    std::unique_ptr<INetworkState> m_network;
    CGSensorGraph m_graph;
    CSpeedReadout m_speedReadout;
};
