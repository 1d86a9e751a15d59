#pragma once

#include "sensors/CGPSData.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>
#include <vector>

class QPainter;

// The three-digit speed readout beside the map buttons, fed by the position tick from the
// GPS fix before the playback position.
class CSpeedReadout
{
public:
    static constexpr int kFirstDigitBitmap = 321; // digits 0..9 are bitmaps 321..330
    static constexpr QSize kSize{30, 15};

    // Where the readout sits: above the small map's buttons, else beside the hidden map's.
    static QPoint Position(int mapState);
    // Shown only in the normal display mode (1) and not under the large map (16).
    static bool IsShown(int displayMode, int mapState);

    // `n` as three digits over the 30 x 15 readout (thousands dropped); null for n < 0.
    static QImage DrawSpeedDigits(int n);

    // The speed for `position` (ms): 0 without fixes or for an invalid fix, else the speed
    // fix's km/h, truncated. It is redrawn when it differs from the fix before it, when it is
    // 0, or when the readout shows another number (after a seek or another recording).
    // True when it was redrawn.
    bool Update(std::uint32_t position, const std::vector<CGPSData> &fixes);
    // Nothing shown (playback stopped).
    void Clear();

    std::optional<int> Shown() const { return m_nShown; }
    // Copies the shown digits to Position(mapState), pure green transparent.
    void Paint(QPainter &painter, int mapState) const;
    static QRect Rect(int mapState) { return QRect(Position(mapState), kSize); }

private:
    void Show(int n);

    std::optional<int> m_nShown;
    QImage m_image; // the shown digits, pure green already transparent
};
