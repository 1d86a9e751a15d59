#include "playback/CFrameScaler.h"
#include "playback/PlaneHalving.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

namespace
{

struct Yuv {
    std::uint8_t y, u, v;
};

// A mapped frame of the given format whose samples come from `at` (chroma taken at the
// top-left luma position of each 2x2 block).
class TestFrame
{
public:
    TestFrame(GstVideoFormat format, int width, int height,
              const std::function<Yuv(int x, int y)> &at)
    {
        gst_video_info_set_format(&m_info, format, width, height);
        // One matrix for every size: the default picks BT.709 for HD and BT.601 below.
        gst_video_colorimetry_from_string(&m_info.colorimetry, GST_VIDEO_COLORIMETRY_BT601);
        m_buffer = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&m_info), nullptr);
        m_mapped = gst_video_frame_map(&m_frame, &m_info, m_buffer, GST_MAP_READWRITE);
        if (!m_mapped)
            return;
        // Where U and V of a chroma sample go: planar (I420, YV12 swapped) or interleaved
        // in one plane (NV12).
        const bool interleaved = format == GST_VIDEO_FORMAT_NV12;
        const int uPlane = format == GST_VIDEO_FORMAT_YV12 ? 2 : 1;
        const int vPlane = interleaved ? 1 : 3 - uPlane;
        const int step = interleaved ? 2 : 1;
        auto plane = [this](int i) {
            return static_cast<std::uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&m_frame, i));
        };
        std::uint8_t *luma = plane(0);
        std::uint8_t *u = plane(uPlane);
        std::uint8_t *v = plane(vPlane) + (interleaved ? 1 : 0);
        const int lumaStride = GST_VIDEO_FRAME_PLANE_STRIDE(&m_frame, 0);
        const int chromaStride = GST_VIDEO_FRAME_PLANE_STRIDE(&m_frame, uPlane);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Yuv s = at(x, y);
                luma[y * lumaStride + x] = s.y;
                if (x % 2 == 0 && y % 2 == 0) {
                    u[y / 2 * chromaStride + x / 2 * step] = s.u;
                    v[y / 2 * chromaStride + x / 2 * step] = s.v;
                }
            }
    }
    ~TestFrame()
    {
        if (m_mapped)
            gst_video_frame_unmap(&m_frame);
        gst_buffer_unref(m_buffer);
    }
    TestFrame(const TestFrame &) = delete;
    TestFrame &operator=(const TestFrame &) = delete;

    bool Mapped() const { return m_mapped; }
    const GstVideoFrame &Frame() const { return m_frame; }

private:
    GstVideoInfo m_info{};
    GstBuffer *m_buffer = nullptr;
    GstVideoFrame m_frame{};
    bool m_mapped = false;
};

QImage Convert(GstVideoFormat format, QSize source, QSize target,
               const std::function<Yuv(int x, int y)> &at)
{
    TestFrame frame(format, source.width(), source.height(), at);
    if (!frame.Mapped())
        return {};
    CFrameScaler scaler;
    return scaler.Convert(frame.Frame(), target);
}

// The colour a flat frame of `sample` shows as, converted at its own size.
QColor Reference(Yuv sample)
{
    const QImage image = Convert(GST_VIDEO_FORMAT_I420, QSize(16, 16), QSize(16, 16),
                                 [sample](int, int) { return sample; });
    return image.isNull() ? QColor() : image.pixelColor(8, 8);
}

bool Near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

::testing::AssertionResult NearColour(QColor shown, QColor expected, int tolerance)
{
    if (Near(shown, expected, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "shown " << shown.name().toStdString() << ", expected "
                                         << expected.name().toStdString();
}

constexpr Yuv kRed{81, 90, 240};
constexpr Yuv kBlue{41, 240, 110};

class FrameScalerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { gst_init(nullptr, nullptr); }
};

// The 2x2 mean of every block, the SIMD body and the scalar tail alike, for widths around
// the SIMD step, odd sizes (the last column and row dropped) and rows wider than the plane.
TEST_F(FrameScalerTest, HalvingTakesTheRoundedMeanOfEachBlock)
{
    const struct {
        int width, height, strideExtra;
    } cases[] = {{1, 1, 0},  {2, 2, 0},   {31, 3, 0}, {32, 2, 7},
                 {33, 5, 1}, {64, 4, 64}, {65, 7, 3}, {1921, 3, 15}};
    std::mt19937 random(7);
    for (const auto &c : cases) {
        const int stride = c.width + c.strideExtra;
        std::vector<std::uint8_t> source(size_t(stride) * c.height);
        for (auto &sample : source)
            sample = static_cast<std::uint8_t>(random());
        // The extremes, where a sum in 8 bits would overflow.
        source[0] = 255;
        const int outWidth = c.width / 2, outHeight = c.height / 2;
        const int outStride = outWidth + 5;
        std::vector<std::uint8_t> halved(size_t(outStride) * std::max(outHeight, 1), 0xa5);
        HalvePlane(source.data(), stride, c.width, c.height, halved.data(), outStride);
        for (int y = 0; y < outHeight; ++y) {
            for (int x = 0; x < outWidth; ++x) {
                const std::uint8_t *top = &source[size_t(2 * y) * stride + 2 * x];
                const int mean = (top[0] + top[1] + top[stride] + top[stride + 1] + 2) / 4;
                ASSERT_EQ(halved[size_t(y) * outStride + x], mean)
                    << c.width << "x" << c.height << " at " << x << "," << y;
            }
            for (int x = outWidth; x < outStride; ++x)
                ASSERT_EQ(halved[size_t(y) * outStride + x], 0xa5) << "wrote past the row";
        }
    }
}

// A flat colour shows as the same colour whatever the reduction: halved twice, once, or
// scaled directly (sizes that do not halve evenly, other formats), chroma planes swapped or not.
TEST_F(FrameScalerTest, FlatColourShowsTheSameAtEveryReduction)
{
    const struct {
        GstVideoFormat format;
        QSize source, target;
    } cases[] = {
        {GST_VIDEO_FORMAT_I420, {1920, 1080}, {344, 194}},  // halved twice
        {GST_VIDEO_FORMAT_YV12, {1920, 1080}, {344, 194}},  // halved twice, chroma swapped
        {GST_VIDEO_FORMAT_I420, {1920, 1080}, {960, 540}},  // halved once, then 1:1
        {GST_VIDEO_FORMAT_I420, {1920, 1080}, {1000, 600}}, // scaled directly
        {GST_VIDEO_FORMAT_I420, {1918, 1078}, {344, 194}},  // does not halve evenly
        {GST_VIDEO_FORMAT_NV12, {1920, 1080}, {344, 194}},  // not planar 4:2:0
        {GST_VIDEO_FORMAT_I420, {64, 36}, {16, 9}},
    };
    for (const Yuv colour : {kRed, kBlue}) {
        const QColor expected = Reference(colour);
        ASSERT_TRUE(expected.isValid());
        for (const auto &c : cases) {
            const QImage shown =
                Convert(c.format, c.source, c.target, [colour](int, int) { return colour; });
            ASSERT_EQ(shown.size(), c.target);
            for (const QPoint probe : {QPoint(0, 0), QPoint(c.target.width() / 2, 5),
                                       QPoint(c.target.width() - 1, c.target.height() - 1)})
                EXPECT_TRUE(NearColour(shown.pixelColor(probe), expected, 2))
                    << gst_video_format_to_string(c.format) << " " << c.source.width() << "x"
                    << c.source.height() << " to " << c.target.width() << "x" << c.target.height();
        }
    }
}

// Detail finer than the window's pixels averages out instead of aliasing into stripes or a
// flat black or white, and an edge stays where it is, in luma and chroma.
TEST_F(FrameScalerTest, ReductionFiltersDetailAndKeepsEdges)
{
    const QSize source(1920, 1080), target(344, 194);
    const QImage checker = Convert(GST_VIDEO_FORMAT_I420, source, target, [](int x, int y) {
        return (x + y) % 2 ? Yuv{235, 128, 128} : Yuv{16, 128, 128};
    });
    ASSERT_EQ(checker.size(), target);
    const QColor grey = Reference({126, 128, 128});
    for (int y = 0; y < target.height(); y += 7)
        for (int x = 0; x < target.width(); x += 5)
            ASSERT_TRUE(NearColour(checker.pixelColor(x, y), grey, 4)) << x << "," << y;

    // Red and blue quadrants; the edges fall in the middle of the window both ways.
    const QImage quadrants = Convert(GST_VIDEO_FORMAT_I420, source, target, [](int x, int y) {
        return (x < 960) == (y < 540) ? kRed : kBlue;
    });
    ASSERT_EQ(quadrants.size(), target);
    const QColor red = Reference(kRed), blue = Reference(kBlue);
    for (int y = 0; y < target.height(); ++y) {
        if (y >= 93 && y < 101)
            continue;
        for (int x = 0; x < target.width(); ++x) {
            if (x >= 168 && x < 176)
                continue;
            const bool isRed = (x < 172) == (y < 97);
            ASSERT_TRUE(NearColour(quadrants.pixelColor(x, y), isRed ? red : blue, 3))
                << x << "," << y;
        }
    }
}

} // namespace
