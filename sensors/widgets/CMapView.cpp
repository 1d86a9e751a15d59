#include "sensors/widgets/CMapView.h"

#include "sensors/CSensorLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QUrlQuery>

#include <cmath>

CMapView::CMapView(QWidget *parent) : CExplorerMapViewWnd(parent) {}

double CMapView::NmeaToDegrees(double value)
{
    const double d = value * 0.01;
    const double whole = std::trunc(d);
    return whole + (d - whole) * 100.0 / 60.0;
}

QString CMapView::DrawCurrentCall(const CGPSData &fix)
{
    return QString::asprintf("javascript:DrawCurrent('%lf', '%lf','%d')",
                             NmeaToDegrees(fix.m_dLongitude), NmeaToDegrees(fix.m_dLatitude),
                             kZoom);
}

QString CMapView::DrawCurrent(std::uint32_t position, const std::vector<CGPSData> &fixes)
{
    const std::optional<std::size_t> index = CSensorLoader::FindMapFix(fixes, position);
    if (!index || !fixes[*index].m_bValid)
        return QString();
    const CGPSData &fix = fixes[*index];
    const QString call = DrawCurrentCall(fix);
    m_dLatitude = NmeaToDegrees(fix.m_dLatitude);
    m_dLongitude = NmeaToDegrees(fix.m_dLongitude);
    ExecScript(call, [self = QPointer<CMapView>(this), latitude = m_dLatitude,
                      longitude = m_dLongitude](const QString &result) {
        if (self && result == QLatin1String("drawn"))
            emit self->positionDrawn(latitude, longitude);
    });
    return call;
}

QUrl CMapView::PageUrl(const QString &folder, std::uint16_t language, const QString &tileUrl)
{
    const char *code = "en";
    switch (language) {
    case 1041:
        code = "ja";
        break;
    case 1049:
        code = "ru";
        break;
    case 1042:
        code = "ko";
        break;
    default:
        break;
    }
    QUrl url = QUrl::fromLocalFile(QDir(folder).filePath(QString::fromLatin1(kPageName)));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("language"), QString::fromLatin1(code));
    if (!tileUrl.isEmpty())
        query.addQueryItem(QStringLiteral("tiles"),
                           QString::fromUtf8(QUrl::toPercentEncoding(tileUrl)));
    url.setQuery(query);
    return url;
}

void CMapView::NavigateToPage(std::uint16_t language)
{
    const QString folder =
        m_strPageFolder.isEmpty() ? QCoreApplication::applicationDirPath() : m_strPageFolder;
    Navigate(PageUrl(folder, language, qEnvironmentVariable("QUORVIL_TILE_URL")));
}
