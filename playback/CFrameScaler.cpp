#include "playback/CFrameScaler.h"

#include "playback/PlaneHalving.h"
#include "playback/PlaybackLogging.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>

namespace
{

// The decoder's formats the sink takes as they are, and what libswscale calls them. A
// format not listed here is converted by the graph's colour converter to the first one.
struct FormatEntry {
    GstVideoFormat gst;
    AVPixelFormat av;
    bool swapChroma; // planes 1 and 2 hold V and U
};
constexpr FormatEntry kFormats[] = {
    {GST_VIDEO_FORMAT_I420, AV_PIX_FMT_YUV420P, false},
    {GST_VIDEO_FORMAT_YV12, AV_PIX_FMT_YUV420P, true},
    {GST_VIDEO_FORMAT_NV12, AV_PIX_FMT_NV12, false},
    {GST_VIDEO_FORMAT_NV21, AV_PIX_FMT_NV21, false},
    {GST_VIDEO_FORMAT_Y42B, AV_PIX_FMT_YUV422P, false},
    {GST_VIDEO_FORMAT_Y444, AV_PIX_FMT_YUV444P, false},
    {GST_VIDEO_FORMAT_BGRx, AV_PIX_FMT_BGR0, false},
    {GST_VIDEO_FORMAT_BGRA, AV_PIX_FMT_BGRA, false},
};

const FormatEntry *EntryFor(GstVideoFormat format)
{
    const auto *it = std::find_if(std::begin(kFormats), std::end(kFormats),
                                  [format](const FormatEntry &e) { return e.gst == format; });
    return it == std::end(kFormats) ? nullptr : it;
}

// The YUV matrix of the stream's colorimetry, as the converter it replaces used it.
struct MatrixEntry {
    GstVideoColorMatrix gst;
    int sws;
};
constexpr MatrixEntry kMatrices[] = {
    {GST_VIDEO_COLOR_MATRIX_BT709, SWS_CS_ITU709},
    {GST_VIDEO_COLOR_MATRIX_BT601, SWS_CS_ITU601},
    {GST_VIDEO_COLOR_MATRIX_FCC, SWS_CS_FCC},
    {GST_VIDEO_COLOR_MATRIX_SMPTE240M, SWS_CS_SMPTE240M},
    {GST_VIDEO_COLOR_MATRIX_BT2020, SWS_CS_BT2020},
};

int MatrixFor(GstVideoColorMatrix matrix)
{
    for (const MatrixEntry &e : kMatrices)
        if (e.gst == matrix)
            return e.sws;
    return SWS_CS_DEFAULT;
}

// Rows aligned for the SIMD stores of libswscale.
constexpr int kRowAlignment = 64;

int AlignedStride(int bytes)
{
    return (bytes + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
}

void FreeImageBuffer(void *data)
{
    av_free(data);
}

QImage NewImage(QSize size)
{
    const qsizetype stride = AlignedStride(size.width() * 4);
    void *data = av_malloc(static_cast<size_t>(stride) * size.height());
    if (!data)
        return {};
    return QImage(static_cast<uchar *>(data), size.width(), size.height(), stride,
                  QImage::Format_RGB32, &FreeImageBuffer, data);
}
} // namespace

CFrameScaler::CFrameScaler(Quality quality) : m_quality(quality) {}

CFrameScaler::~CFrameScaler() = default;

void CFrameScaler::FreeContext::operator()(SwsContext *context) const
{
    sws_freeContext(context);
}

void CFrameScaler::FreeBuffer::operator()(uint8_t *data) const
{
    av_free(data);
}

int CFrameScaler::HalvingsFor(QSize source, QSize target, int format) const
{
    if (m_quality != Quality::Display || format != AV_PIX_FMT_YUV420P)
        return 0;
    int halvings = 0;
    for (;;) {
        const int factor = 2 << halvings; // the reduction after one more halving
        // Every plane, the chroma ones at half size included, halves without a remainder,
        // and the result is still no smaller than the target.
        if (source.width() % (2 * factor) != 0 || source.height() % (2 * factor) != 0 ||
            source.width() / factor < target.width() || source.height() / factor < target.height())
            return halvings;
        ++halvings;
    }
}

bool CFrameScaler::Halve(Planes &planes, QSize &size, int halvings)
{
    // One plane of a 4:2:0 frame at one halving: the size it is read at (U and V are half the
    // luma size) and the row length it is written with.
    struct Plane {
        int width, height, stride;
    };
    auto planeOf = [](QSize level, int plane) {
        const int divisor = plane == 0 ? 1 : 2;
        const int width = level.width() / divisor, height = level.height() / divisor;
        return Plane{width, height, AlignedStride(width / 2)};
    };
    auto halved = [](QSize level) { return QSize(level.width() / 2, level.height() / 2); };
    size_t needed = 0;
    QSize level = size;
    for (int i = 0; i < halvings; ++i, level = halved(level))
        for (int plane = 0; plane < 3; ++plane) {
            const Plane p = planeOf(level, plane);
            needed += size_t(p.stride) * (p.height / 2);
        }
    if (needed > m_halvedCapacity) {
        m_halved.reset(static_cast<uint8_t *>(av_malloc(needed)));
        m_halvedCapacity = m_halved ? needed : 0;
        if (!m_halved)
            return false;
    }
    uint8_t *at = m_halved.get();
    for (int i = 0; i < halvings; ++i) {
        for (int plane = 0; plane < 3; ++plane) {
            const Plane p = planeOf(size, plane);
            HalvePlane(planes.data[plane], planes.strides[plane], p.width, p.height, at, p.stride);
            planes.data[plane] = at;
            planes.strides[plane] = p.stride;
            at += size_t(p.stride) * (p.height / 2);
        }
        size = halved(size);
    }
    return true;
}

GstCaps *CFrameScaler::SinkCaps()
{
    GstCaps *caps = gst_caps_new_empty();
    for (const FormatEntry &e : kFormats)
        gst_caps_append_structure(caps,
                                  gst_structure_new("video/x-raw", "format", G_TYPE_STRING,
                                                    gst_video_format_to_string(e.gst), nullptr));
    return caps;
}

SwsContext *CFrameScaler::ContextFor(const Key &key)
{
    if (m_context && m_key == key)
        return m_context.get();
    m_context.reset();
    const int flags = m_quality == Quality::Still
                          ? SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_FULL_CHR_H_INP
                          : SWS_AREA;
    std::unique_ptr<SwsContext, FreeContext> context(sws_getContext(
        key.srcWidth, key.srcHeight, static_cast<AVPixelFormat>(key.srcFormat), key.dstWidth,
        key.dstHeight, AV_PIX_FMT_RGB32, flags, nullptr, nullptr, nullptr));
    if (!context) {
        qCWarning(lcPlayback) << "no conversion from" << key.srcWidth << "x" << key.srcHeight
                              << "format" << key.srcFormat << "to" << key.dstWidth << "x"
                              << key.dstHeight;
        return nullptr;
    }
    // The stream's matrix and range to full-range RGB, as the shown colours always were.
    const int *coefficients = sws_getCoefficients(key.matrix);
    sws_setColorspaceDetails(context.get(), coefficients, key.fullRange,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    m_context = std::move(context);
    m_key = key;
    return m_context.get();
}

QImage CFrameScaler::Convert(const GstVideoFrame &frame, QSize target)
{
    const GstVideoInfo &info = frame.info;
    const FormatEntry *entry = EntryFor(GST_VIDEO_INFO_FORMAT(&info));
    if (!entry)
        return {};
    const QSize source(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
    if (source.isEmpty())
        return {};
    if (target.isEmpty())
        target = source;
    Planes planes;
    const unsigned count = std::min<unsigned>(GST_VIDEO_FRAME_N_PLANES(&frame), 4);
    for (unsigned i = 0; i < count; ++i) {
        planes.data[i] = static_cast<const uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, i));
        planes.strides[i] = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, i);
    }
    if (entry->swapChroma) {
        std::swap(planes.data[1], planes.data[2]);
        std::swap(planes.strides[1], planes.strides[2]);
    }
    QSize scaled = source;
    if (const int halvings = HalvingsFor(source, target, entry->av);
        halvings > 0 && !Halve(planes, scaled, halvings))
        return {};

    Key key;
    key.srcWidth = scaled.width();
    key.srcHeight = scaled.height();
    key.srcFormat = entry->av;
    key.dstWidth = target.width();
    key.dstHeight = target.height();
    key.matrix = MatrixFor(info.colorimetry.matrix);
    key.fullRange = info.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255 ? 1 : 0;
    SwsContext *context = ContextFor(key);
    if (!context)
        return {};

    QImage image = NewImage(target);
    if (image.isNull())
        return {};
    uint8_t *dst[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int dstStride[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    if (sws_scale(context, planes.data.data(), planes.strides.data(), 0, scaled.height(), dst,
                  dstStride) != target.height())
        return {};
    return image;
}
