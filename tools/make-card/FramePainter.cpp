#include "tools/make-card/FramePainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace cardgen
{
namespace
{

// A 5x7 pixel font for the burnt-in clock and channel label; rows top to bottom, bit 4 is the
// leftmost column.
struct Glyph {
    char ch;
    std::uint8_t rows[7];
};
constexpr Glyph kFont[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
};

const Glyph *FindGlyph(QChar c)
{
    for (const Glyph &g : kFont)
        if (g.ch == c.toLatin1())
            return &g;
    return nullptr; // blank
}

constexpr int kGlyphW = 5;
constexpr int kGlyphH = 7;
constexpr int kAdvance = 6;

} // namespace

int MarkerSize(int height)
{
    return std::max(2, (height / 6) & ~1);
}

int MarkerX(int width, int height, int frame, int frameCount)
{
    const int travel = std::max(0, width - MarkerSize(height));
    if (frameCount <= 1)
        return 0;
    return static_cast<int>(std::lround(static_cast<double>(travel) * frame / (frameCount - 1)));
}

FramePainter::FramePainter(Channel channel, int width, int height)
    : m_channel(channel), m_nWidth(width), m_nHeight(height)
{
}

FramePainter::Yuv FramePainter::ToYuv(Rgb c)
{
    // BT.601, limited range: what the H.264 stream declares by default.
    const double y = 16 + (65.481 * c.r + 128.553 * c.g + 24.966 * c.b) / 255.0;
    const double u = 128 + (-37.797 * c.r - 74.203 * c.g + 112.0 * c.b) / 255.0;
    const double v = 128 + (112.0 * c.r - 93.786 * c.g - 18.214 * c.b) / 255.0;
    auto clamp8 = [](double d) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(d), 0L, 255L));
    };
    return {clamp8(y), clamp8(u), clamp8(v)};
}

void FramePainter::FillRect(AVFrame *frame, int x, int y, int w, int h, Yuv c) const
{
    const int x0 = std::clamp(x, 0, m_nWidth), x1 = std::clamp(x + w, 0, m_nWidth);
    const int y0 = std::clamp(y, 0, m_nHeight), y1 = std::clamp(y + h, 0, m_nHeight);
    if (x0 >= x1 || y0 >= y1)
        return;
    for (int row = y0; row < y1; ++row)
        std::memset(frame->data[0] + row * frame->linesize[0] + x0, c.y, x1 - x0);
    // Chroma covers 2x2 luma pixels; rectangles are kept on even coordinates by the callers.
    for (int row = y0 / 2; row < (y1 + 1) / 2; ++row) {
        std::memset(frame->data[1] + row * frame->linesize[1] + x0 / 2, c.u, (x1 + 1) / 2 - x0 / 2);
        std::memset(frame->data[2] + row * frame->linesize[2] + x0 / 2, c.v, (x1 + 1) / 2 - x0 / 2);
    }
}

void FramePainter::DrawText(AVFrame *frame, int x, int y, int scale, const QString &text) const
{
    const Yuv white = ToYuv(kMovingMarker);
    for (int i = 0; i < text.size(); ++i) {
        const Glyph *g = FindGlyph(text[i]);
        if (!g)
            continue;
        const int gx = x + i * kAdvance * scale;
        for (int row = 0; row < kGlyphH; ++row)
            for (int col = 0; col < kGlyphW; ++col)
                if (g->rows[row] & (0x10 >> col))
                    FillRect(frame, gx + col * scale, y + row * scale, scale, scale, white);
    }
}

void FramePainter::Paint(AVFrame *frame, int index, int count, const QString &clockText) const
{
    const bool front = m_channel == Channel::Front;

    // 1. Background.
    FillRect(frame, 0, 0, m_nWidth, m_nHeight, ToYuv(front ? kFrontBackground : kRearBackground));

    // 2. The rear camera's orientation mark, top-left.
    if (!front)
        FillRect(frame, 0, 0, (m_nWidth / 4) & ~1, (m_nHeight / 4) & ~1, ToYuv(kRearMarker));

    // 3. The moving marker across the middle: its x tells the frame.
    const int side = MarkerSize(m_nHeight);
    FillRect(frame, MarkerX(m_nWidth, m_nHeight, index, count), (m_nHeight / 2 - side / 2) & ~1,
             side, side, ToYuv(kMovingMarker));

    // 4. Burnt-in clock and channel label, white on black, in the bottom band.
    const int scale = std::max(1, m_nHeight / 120);
    const QString text = clockText + (front ? QStringLiteral("  FRONT") : QStringLiteral("  REAR"));
    const int textW = static_cast<int>(text.size()) * kAdvance * scale + 2 * scale;
    const int textH = (kGlyphH + 2) * scale;
    const int bx = (m_nWidth / 40) & ~1;
    const int by = (m_nHeight - textH - m_nHeight / 30) & ~1;
    FillRect(frame, bx, by, (textW + 1) & ~1, (textH + 1) & ~1, ToYuv({0, 0, 0}));
    DrawText(frame, bx + scale, by + scale, scale, text);
}

} // namespace cardgen
