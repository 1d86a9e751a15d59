#include "app/CSensorViews.h"

#include "app/CMainWindowControls.h"
#include "app/CViewLayout.h"
#include "platform/Dialogs.h"
#include "platform/NetworkState.h"
#include "playback/CDShowPlayer.h"
#include "sensors/widgets/CMapView.h"
#include "ui/CTextTable.h"

#include <QPainter>
#include <QWidget>

namespace
{

// Where the small map goes when there is no connection to load the page with.
constexpr QRect kOfflineSmallMap{676, 71, 0, 0};

} // namespace

CSensorViews::CSensorViews(QWidget &window, CMainWindowControls &controls, CViewLayout &layout,
                           CDShowPlayer &player, const CTextData &track, IDialogs &dialogs,
                           const std::uint16_t &language)
    : m_window(window), m_controls(controls), m_layout(layout), m_player(player), m_track(track),
      m_dialogs(dialogs), m_wLanguage(language), m_network(CreateNetworkState())
{
}

CSensorViews::~CSensorViews() = default;

CMapView &CSensorViews::Map()
{
    return m_controls.m_wndMap;
}

bool CSensorViews::HasFixesOrExplain()
{
    if (!m_track.m_arrGPS.empty())
        return true;
    m_dialogs.MessageBox(&m_window,
                         CTextTable().GetText(QStringLiteral("PLAYERDLG_GPS_FILENOTFOUND")),
                         MessageBoxButtons::Ok);
    return false;
}

void CSensorViews::ShowSmallMapPage()
{
    if (m_network->IsInternetConnected())
        Map().NavigateToPage(m_wLanguage);
    else
        Map().setGeometry(kOfflineSmallMap);
}

void CSensorViews::OnShowMapButton(int currentRow)
{
    if (!HasFixesOrExplain())
        return;
    m_layout.OnShowMapButton();
    if (m_layout.GetMapState() == MapState::Small)
        ShowSmallMapPage();
    if (currentRow >= 0)
        m_controls.m_listFiles.EnsureVisible(currentRow);
    m_window.update();
}

void CSensorViews::OnLargeMapButton(int currentRow)
{
    if (!HasFixesOrExplain())
        return;
    const bool toLarge = m_layout.GetMapState() != MapState::Large;
    m_layout.OnLargeMapButton(currentRow);
    if (!toLarge)
        ShowSmallMapPage();
    else if (m_network->IsInternetConnected())
        Map().NavigateToPage(m_wLanguage); // offline, the large map stays without a page
    m_window.update();
}

bool CSensorViews::IsShownInWindow() const
{
    return CSpeedReadout::IsShown(static_cast<int>(m_layout.GetDisplayMode()),
                                  static_cast<int>(m_layout.GetMapState()));
}

void CSensorViews::OnPositionTick(std::uint32_t positionMs)
{
    Map().DrawCurrent(positionMs, m_track.m_arrGPS);
    if (!IsShownInWindow())
        return;
    const int mapState = static_cast<int>(m_layout.GetMapState());
    if (m_speedReadout.Update(positionMs, m_track.m_arrGPS))
        m_window.update(CSpeedReadout::Rect(mapState));
    const QRect moved = m_graph.SetPosition(positionMs);
    if (!moved.isEmpty())
        m_window.update(moved);
}

void CSensorViews::DrawGSensorGraph()
{
    m_graph.Draw(m_track.m_arrGSensor, m_player.GetDurationMs());
    m_window.update(m_graph.Rect());
}

void CSensorViews::OnTrackCleared()
{
    m_graph.SetPosition(std::nullopt);
    DrawGSensorGraph();
    m_speedReadout.Clear();
    m_window.update(CSpeedReadout::Rect(static_cast<int>(MapState::Small)));
    m_window.update(CSpeedReadout::Rect(static_cast<int>(MapState::Hidden)));
}

void CSensorViews::Paint(QPainter &painter) const
{
    if (!IsShownInWindow())
        return;
    m_graph.Paint(painter);
    m_speedReadout.Paint(painter, static_cast<int>(m_layout.GetMapState()));
}
