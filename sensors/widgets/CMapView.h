#pragma once

#include "sensors/CGPSData.h"
#include "sensors/widgets/CExplorerMapViewWnd.h"

#include <QString>
#include <QUrl>

#include <cstdint>
#include <vector>

// The main window's map: the page MapView.htm beside the executable, told the vehicle's
// position on every position tick.
class CMapView : public CExplorerMapViewWnd
{
    Q_OBJECT
public:
    static constexpr int kZoom = 9;
    static constexpr const char *kPageName = "MapView.htm";

    explicit CMapView(QWidget *parent = nullptr);

    // Sends the map fix for `position` (ms) to the page: the first fix at or after it. Nothing
    // is sent for an empty array, a position past the last fix or an invalid fix. Returns the
    // call text, empty when nothing was sent.
    QString DrawCurrent(std::uint32_t position, const std::vector<CGPSData> &fixes);

    // The page call for `fix`: javascript:DrawCurrent('<lon>', '<lat>','9'), six decimals.
    static QString DrawCurrentCall(const CGPSData &fix);
    // NMEA ddmm.mmmm (negative south or west) to decimal degrees.
    static double NmeaToDegrees(double value);

    // The page in `folder` with the language code of `language` (1041 ja, 1049 ru, 1042 ko,
    // else en). `tileUrl`, when not empty, replaces the page's tile server ({z}/{x}/{y}).
    static QUrl PageUrl(const QString &folder, std::uint16_t language,
                        const QString &tileUrl = QString());
    // Navigates to the page beside the executable (or in SetPageFolder's folder); the tile
    // server comes from QUORVIL_TILE_URL when it is set.
    void NavigateToPage(std::uint16_t language);
    void SetPageFolder(const QString &folder) { m_strPageFolder = folder; }

signals:
    // The page drew the vehicle at a position DrawCurrent sent.
    void positionDrawn(double latitude, double longitude);

public:
    // The last position sent to the page, decimal degrees (0 before the first).
    double m_dLatitude = 0.0;
    double m_dLongitude = 0.0;

private:
    QString m_strPageFolder;
};
