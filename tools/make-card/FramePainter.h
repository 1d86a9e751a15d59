#pragma once

// Draws the generator's test pictures straight into YUV 4:2:0 planes.

#include "tools/make-card/CardGenerator.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <QString>

namespace cardgen
{

class FramePainter
{
public:
    enum class Channel { Front, Rear };

    FramePainter(Channel channel, int width, int height);

    // Paints frame `index` of `count` into a writable AV_PIX_FMT_YUV420P frame.
    void Paint(AVFrame *frame, int index, int count, const QString &clockText) const;

private:
    struct Yuv {
        std::uint8_t y, u, v;
    };
    static Yuv ToYuv(Rgb rgb);
    void FillRect(AVFrame *frame, int x, int y, int w, int h, Yuv c) const;
    void DrawText(AVFrame *frame, int x, int y, int scale, const QString &text) const;

    Channel m_channel;
    int m_nWidth;
    int m_nHeight;
};

} // namespace cardgen
