#include "sensors/widgets/CGSensorGraph.h"

#include "ui/SkinBitmap.h"

#include <QPainter>
#include <QPen>
#include <QPolygon>

#include <algorithm>

namespace
{

const QColor kTransparentKey(0, 255, 0);
// Far enough outside the bitmap to be clipped, near enough for the rasteriser.
constexpr double kFarColumn = 1'000'000.0;

} // namespace

std::uint32_t CGSensorGraph::WholeSecondDuration(std::uint32_t durationMs)
{
    return durationMs / 1000 * 1000;
}

int CGSensorGraph::XOf(std::uint32_t offsetMs, std::uint32_t wholeSecondMs)
{
    const double x = offsetMs * (kWidthForDuration / wholeSecondMs);
    return static_cast<int>(std::min(x, kFarColumn));
}

int CGSensorGraph::YOf(int centre, std::int32_t value)
{
    return static_cast<int>(centre - value * kVerticalScale);
}

void CGSensorGraph::Draw(const std::vector<CGSensorData> &samples, std::uint32_t durationMs)
{
    m_nDurationMs = WholeSecondDuration(durationMs);
    m_bmpGSensorGraph = LoadSkinImage(kBackgroundBitmap).convertToFormat(QImage::Format_RGB32);
    if (!samples.empty() && m_nDurationMs != 0)
        DrawCurves(samples);
    // Keyed once per drawing, not on every paint.
    m_keyed = ApplyColorKey(m_bmpGSensorGraph, kTransparentKey);
}

void CGSensorGraph::DrawCurves(const std::vector<CGSensorData> &samples)
{
    constexpr std::array axes{&CGSensorData::m_nX, &CGSensorData::m_nY, &CGSensorData::m_nZ};
    QPainter painter(&m_bmpGSensorGraph);
    painter.setPen(QPen(QColor(kPenColour), 1));
    for (std::size_t lane = 0; lane < axes.size(); ++lane) {
        const auto pointOf = [&](const CGSensorData &sample) {
            return QPoint(XOf(sample.m_nTime, m_nDurationMs),
                          YOf(kLaneCentres[lane], sample.*axes[lane]));
        };
        // The curve starts at sample 0 whatever its offset; later samples past the cut are
        // left out without ending the curve.
        QPolygon curve;
        curve << pointOf(samples.front());
        for (const CGSensorData &sample : samples)
            if (sample.m_nTime <= kCutMs)
                curve << pointOf(sample);
        painter.drawPolyline(curve);
    }
}

std::optional<int> CGSensorGraph::PositionX() const
{
    if (!m_nPositionMs || m_nDurationMs == 0)
        return std::nullopt;
    const int x = XOf(*m_nPositionMs, m_nDurationMs);
    if (x >= m_bmpGSensorGraph.width())
        return std::nullopt;
    return x;
}

QRect CGSensorGraph::SetPosition(std::optional<std::uint32_t> positionMs)
{
    const std::optional<int> before = PositionX();
    m_nPositionMs = positionMs;
    const std::optional<int> after = PositionX();
    if (before == after)
        return {};
    QRect dirty;
    for (const std::optional<int> &x : {before, after})
        if (x)
            dirty |= QRect(kAt.x() + *x, kAt.y(), 1, m_bmpGSensorGraph.height());
    return dirty;
}

void CGSensorGraph::Paint(QPainter &painter) const
{
    if (m_bmpGSensorGraph.isNull())
        return;
    painter.drawImage(kAt, m_keyed);
    if (const std::optional<int> x = PositionX()) {
        QColor line(kPositionColour);
        line.setAlpha(150);
        painter.fillRect(QRect(kAt.x() + *x, kAt.y(), 1, m_bmpGSensorGraph.height()), line);
    }
}

QRect CGSensorGraph::Rect() const
{
    return QRect(kAt, m_bmpGSensorGraph.isNull() ? QSize(370, 114) : m_bmpGSensorGraph.size());
}
