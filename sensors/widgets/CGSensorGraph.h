#pragma once

#include "sensors/CGSensorData.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

// The G-sensor graph below the video: the three axes of the whole recording as curves over
// bitmap 292 (370 x 114), drawn once per load into a kept image that every repaint copies.
class CGSensorGraph
{
public:
    static constexpr int kBackgroundBitmap = 292;
    static constexpr QPoint kAt{41, 531};
    // Lane centre lines X, Y, Z; a larger value goes up.
    static constexpr std::array<int, 3> kLaneCentres{19, 57, 95};
    static constexpr double kVerticalScale = 19.0 / 128.0; // pixels per unit
    static constexpr double kWidthForDuration = 372.0;     // pixels for the whole duration
    static constexpr std::uint32_t kCutMs = 300000;        // later samples are left out
    static constexpr QRgb kPenColour = qRgb(239, 183, 26);
    static constexpr QRgb kPositionColour = qRgb(255, 255, 255);

    // The recording's duration cut down to whole seconds, as the curves are scaled.
    static std::uint32_t WholeSecondDuration(std::uint32_t durationMs);
    // Pixel column of offset `offsetMs` for a whole-second duration (not 0), truncated.
    static int XOf(std::uint32_t offsetMs, std::uint32_t wholeSecondMs);
    // Pixel row of `value` in the lane centred at `centre`, truncated.
    static int YOf(int centre, std::int32_t value);

    // Redraws the kept image: the background, then the curves of `samples` scaled to
    // `durationMs` (the open recording's; 0 when none is open, which draws no curve).
    void Draw(const std::vector<CGSensorData> &samples, std::uint32_t durationMs);
    // Only the background (playback stopped, card removed).
    void DrawEmpty() { Draw({}, 0); }

    // The playback position shown as a thin line over the curves (none: no line). Returns
    // the area to repaint, empty when the line did not move.
    QRect SetPosition(std::optional<std::uint32_t> positionMs);

    // Copies the kept image to kAt with pure green transparent, then the position line.
    void Paint(QPainter &painter) const;
    QRect Rect() const;
    const QImage &Image() const { return m_bmpGSensorGraph; }

private:
    void DrawCurves(const std::vector<CGSensorData> &samples);
    std::optional<int> PositionX() const;

    QImage m_bmpGSensorGraph;
    QImage m_keyed;                  // m_bmpGSensorGraph with pure green transparent, as painted
    std::uint32_t m_nDurationMs = 0; // whole seconds, as drawn
    std::optional<std::uint32_t> m_nPositionMs;
};
