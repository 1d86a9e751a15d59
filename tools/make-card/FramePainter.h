#pragma once

// Draws the generator's test pictures straight into YUV 4:2:0 planes.

#include "tools/make-card/CardGenerator.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <QString>

#include <cstdint>
#include <vector>

namespace cardgen
{

class FramePainter
{
public:
    enum class Channel { Front, Rear };

    // Realistic: a detailed scene instead of the flat background (see RecordingOptions); the
    // seed chooses the scene and its noise.
    FramePainter(Channel channel, int width, int height, bool realistic = false,
                 std::uint32_t seed = 1);

    // Paints frame `index` of `count` into a writable AV_PIX_FMT_YUV420P frame.
    void Paint(AVFrame *frame, int index, int count, const QString &clockText) const;

private:
    struct Yuv {
        std::uint8_t y, u, v;
    };
    static Yuv ToYuv(Rgb rgb);
    void FillRect(AVFrame *frame, int x, int y, int w, int h, Yuv c) const;
    void DrawText(AVFrame *frame, int x, int y, int scale, const QString &text) const;
    void BuildScene();
    void PaintScene(AVFrame *frame, int index) const;

    // One plane of the realistic scene, wider than the picture: the picture is a window on it
    // that wraps around at the edges.
    struct Plane {
        int width = 0, height = 0;
        std::vector<std::uint8_t> pixels;
        std::uint8_t &At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    };

    Channel m_channel;
    int m_nWidth;
    int m_nHeight;
    bool m_bRealistic;
    std::uint32_t m_nSeed;
    Plane m_sceneY, m_sceneU, m_sceneV; // empty unless realistic
};

} // namespace cardgen
