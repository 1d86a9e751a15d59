#pragma once

#include <QImage>
#include <QSize>

#include <gst/video/video.h>

#include <array>
#include <cstdint>
#include <memory>

struct SwsContext;

// Converts and scales a decoded frame (planar YUV as the decoder writes it) to an RGB32 image
// of a given size with the SIMD code of libswscale, in one pass, or after halving a frame
// many times the target's size by 2x2 means (see HalvingsFor). The conversion context is
// kept while the frame's format, size and colours and the target size stay the same, and is
// made again when one of them changes. One thread at a time.
class CFrameScaler
{
public:
    enum class Quality {
        Display, // every shown frame: fast filters
        Still,   // a saved picture: accurate rounding and full chroma interpolation
    };

    explicit CFrameScaler(Quality quality = Quality::Display);
    ~CFrameScaler();
    CFrameScaler(const CFrameScaler &) = delete;
    CFrameScaler &operator=(const CFrameScaler &) = delete;

    // The caps of every format Convert takes, in order of preference.
    static GstCaps *SinkCaps();

    // The frame at `target` size (its own size when target is empty); a null image when the
    // format is not one of SinkCaps' or the conversion cannot be set up.
    QImage Convert(const GstVideoFrame &frame, QSize target);

private:
    struct Key {
        int srcWidth = 0, srcHeight = 0, srcFormat = -1;
        int dstWidth = 0, dstHeight = 0;
        int matrix = 0, fullRange = 0;
        bool operator==(const Key &) const = default;
    };
    struct FreeContext {
        void operator()(SwsContext *context) const;
    };
    struct FreeBuffer {
        void operator()(uint8_t *data) const;
    };
    struct Planes {
        std::array<const uint8_t *, 4> data{};
        std::array<int, 4> strides{};
    };

    SwsContext *ContextFor(const Key &key);
    // How many times a frame is halved by 2x2 means before libswscale scales the rest of the
    // way. Its area filter reads every source sample once per tap, so scaling 1080p to a
    // window a fifth as wide costs about twice what scaling a quarter-size frame does; the
    // mean is the area filter's own weighting at 2:1, so the picture stays free of aliasing.
    int HalvingsFor(QSize source, QSize target, int format) const;
    // Halves the planes of a 4:2:0 frame `halvings` times into m_halved; planes and size
    // then describe the halved frame.
    bool Halve(Planes &planes, QSize &size, int halvings);

    Quality m_quality;
    Key m_key;
    std::unique_ptr<SwsContext, FreeContext> m_context;
    std::unique_ptr<uint8_t, FreeBuffer> m_halved;
    size_t m_halvedCapacity = 0;
};
