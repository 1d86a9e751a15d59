#include "tools/make-card/FramePainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

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

FramePainter::FramePainter(Channel channel, int width, int height, bool realistic,
                           std::uint32_t seed)
    : m_channel(channel), m_nWidth(width), m_nHeight(height), m_bRealistic(realistic), m_nSeed(seed)
{
    if (m_bRealistic)
        BuildScene();
}

namespace
{

// xorshift64*: the same numbers on every platform, unlike the standard distributions.
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ULL | 1) {}
    std::uint64_t Next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1DULL;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t m_state;
};

std::uint8_t Clamp8(int v, int lo = 16, int hi = 235)
{
    return static_cast<std::uint8_t>(std::clamp(v, lo, hi));
}

// Smooth random relief: a lattice of random values every `cell` pixels, bilinearly blended.
int Relief(const std::vector<int> &lattice, int columns, int cell, int x, int y)
{
    const int cx = x / cell, cy = y / cell;
    const int fx = x % cell, fy = y % cell;
    auto at = [&](int i, int j) { return lattice[static_cast<size_t>(j) * columns + i]; };
    const int top = at(cx, cy) * (cell - fx) + at(cx + 1, cy) * fx;
    const int bottom = at(cx, cy + 1) * (cell - fx) + at(cx + 1, cy + 1) * fx;
    return (top * (cell - fy) + bottom * fy) / (cell * cell);
}

// Where frame `index` looks into the scene: a steady drive forward with speed changes, and
// the camera swaying up and down. Even, so the chroma planes move with the luma.
std::pair<int, int> SceneOffset(int index)
{
    const double x = index * 7.0 + 60.0 * std::sin(index / 37.0);
    const double y = 24.0 + 20.0 * std::sin(index / 23.0);
    return {static_cast<int>(std::lround(x)) & ~1, static_cast<int>(std::lround(y)) & ~1};
}

} // namespace

void FramePainter::BuildScene()
{
    // Twice the picture's width, so 60 s of driving shows it about three times over.
    const int w = m_nWidth * 2, h = m_nHeight + 64;
    Random random(m_nSeed * 2 + (m_channel == Channel::Rear ? 1 : 0));
    m_sceneY = {w, h, std::vector<std::uint8_t>(static_cast<size_t>(w) * h)};
    m_sceneU = {w / 2, h / 2, std::vector<std::uint8_t>(static_cast<size_t>(w / 2) * (h / 2))};
    m_sceneV = m_sceneU;

    // 1. Ground: coarse and fine relief, plus grain fixed to the scene (asphalt, leaves).
    constexpr int kCoarse = 96, kFine = 12;
    auto lattice = [&](int cell, int range) {
        const int columns = w / cell + 2, rows = h / cell + 2;
        std::vector<int> values(static_cast<size_t>(columns) * rows);
        for (int &v : values)
            v = random.Below(2 * range + 1) - range;
        return std::pair(values, columns);
    };
    const auto [coarse, coarseColumns] = lattice(kCoarse, 60);
    const auto [fine, fineColumns] = lattice(kFine, 25);
    const auto [tint, tintColumns] = lattice(kCoarse, 30);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            m_sceneY.At(x, y) =
                Clamp8(120 + Relief(coarse, coarseColumns, kCoarse, x, y) +
                       Relief(fine, fineColumns, kFine, x, y) + random.Below(31) - 15);
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w / 2; ++x) {
            const int t = Relief(tint, tintColumns, kCoarse, x * 2, y * 2);
            m_sceneU.At(x, y) = Clamp8(128 + t, 16, 240);
            m_sceneV.At(x, y) = Clamp8(128 - t / 2, 16, 240);
        }

    // 2. Buildings, cars and signs: boxes of colour, many striped like windows or railings.
    const int boxes = w * h / 6000;
    for (int i = 0; i < boxes; ++i) {
        const int bw = 8 + random.Below(std::max(8, m_nWidth / 8));
        const int bh = 8 + random.Below(std::max(8, m_nHeight / 6));
        const int bx = random.Below(w - bw), by = random.Below(h - bh);
        const int luma = 30 + random.Below(190);
        const int u = 70 + random.Below(116), v = 70 + random.Below(116);
        const int period = random.Below(3) == 0 ? 0 : 3 + random.Below(10);
        for (int y = by; y < by + bh; ++y)
            for (int x = bx; x < bx + bw; ++x) {
                const bool stripe = period && ((x - bx) / period + (y - by) / period) % 2;
                m_sceneY.At(x, y) = Clamp8(luma + (stripe ? 45 : 0) + random.Below(9) - 4);
            }
        for (int y = by / 2; y < (by + bh) / 2; ++y)
            for (int x = bx / 2; x < (bx + bw) / 2; ++x) {
                m_sceneU.At(x, y) = Clamp8(u, 16, 240);
                m_sceneV.At(x, y) = Clamp8(v, 16, 240);
            }
    }
}

void FramePainter::PaintScene(AVFrame *frame, int index) const
{
    // The picture is a window on the scene, wrapping around its edges.
    const auto [ox, oy] = SceneOffset(index);
    auto copy = [&](const Plane &plane, std::uint8_t *dst, int linesize, int width, int height,
                    int x0, int y0) {
        const int start = x0 % plane.width;
        const int first = std::min(width, plane.width - start);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t *src =
                plane.pixels.data() + static_cast<size_t>((y + y0) % plane.height) * plane.width;
            std::memcpy(dst + y * linesize, src + start, first);
            std::memcpy(dst + y * linesize + first, src, width - first);
        }
    };
    copy(m_sceneY, frame->data[0], frame->linesize[0], m_nWidth, m_nHeight, ox, oy);
    copy(m_sceneU, frame->data[1], frame->linesize[1], m_nWidth / 2, m_nHeight / 2, ox / 2, oy / 2);
    copy(m_sceneV, frame->data[2], frame->linesize[2], m_nWidth / 2, m_nHeight / 2, ox / 2, oy / 2);

    // The image sensor's noise, new in every frame: what costs a real camera's encoder bits.
    Random random((static_cast<std::uint64_t>(m_nSeed) << 32) + index * 2 +
                  (m_channel == Channel::Rear ? 1 : 0));
    for (int y = 0; y < m_nHeight; ++y) {
        std::uint8_t *row = frame->data[0] + y * frame->linesize[0];
        for (int x = 0; x < m_nWidth; x += 8) {
            const std::uint64_t bits = random.Next();
            for (int k = 0; k < 8 && x + k < m_nWidth; ++k)
                row[x + k] = Clamp8(row[x + k] + static_cast<int>((bits >> (8 * k)) & 15) - 8);
        }
    }
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

    // 1. Background: the flat colour, or the realistic scene.
    if (m_bRealistic)
        PaintScene(frame, index);
    else
        FillRect(frame, 0, 0, m_nWidth, m_nHeight,
                 ToYuv(front ? kFrontBackground : kRearBackground));

    // 2. The rear camera's orientation mark, top-left.
    if (!front && !m_bRealistic)
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
