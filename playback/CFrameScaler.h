#pragma once

#include <QImage>
#include <QSize>

#include <gst/video/video.h>

#include <memory>

struct SwsContext;

// Converts and scales a decoded frame (planar YUV as the decoder writes it) to an RGB32 image
// of a given size in one pass, with the SIMD code of libswscale. The conversion context is
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

    SwsContext *ContextFor(const Key &key);

    Quality m_quality;
    Key m_key;
    std::unique_ptr<SwsContext, FreeContext> m_context;
};
