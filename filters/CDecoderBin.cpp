#include "filters/CDecoderBin.h"

#include "filters/FiltersLogging.h"

#include <gst/base/gstbasetransform.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace
{

constexpr char kH264Caps[] = "video/x-h264";
constexpr unsigned kInputQueueBytes = 64u * 1024u * 1024u;
// Once both channels show frames: about five seconds of a camera's 12 Mbit/s stream.
constexpr unsigned kLimitedInputQueueBytes = 8u * 1024u * 1024u;

// GstVideoOrientationMethod values of videoflip's "video-direction".
constexpr int kOrientIdentity = 0;
constexpr int kOrient180 = 2;
constexpr int kOrientHorizontal = 4;
constexpr int kOrientVertical = 5;

GstElementHandle MakeElement(const char *factory, const char *name)
{
    return GstElementHandle::Adopt(gst_element_factory_make(factory, name));
}

// Prefers the FFmpeg decoder (software, threads, any profile the camera writes); otherwise
// the best-ranked installed H.264 decoder.
GstElementHandle MakeH264Decoder()
{
    if (auto dec = MakeElement("avdec_h264", "h264-decoder"))
        return dec;
    const auto factory = CGstElementFilter::FindDecoderFactory(
        QString::fromLatin1(kH264Caps), GST_ELEMENT_FACTORY_TYPE_MEDIA_VIDEO);
    if (!factory)
        return {};
    return GstElementHandle::Adopt(gst_element_factory_create(factory.get(), "h264-decoder"));
}
} // namespace

std::unique_ptr<CBaseFilter> CDecoderBin::Create()
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    auto decoder = MakeH264Decoder();
    if (!decoder)
        return nullptr;
    auto bin = GstElementHandle::Adopt(gst_bin_new("decoder"));
    // The splitter feeds every stream from one thread: each decoder takes its input through a
    // queue of its own, so one channel waiting for its first frame never starves the other,
    // and both channels decode in parallel.
    auto queue = MakeElement("queue", "input");
    if (!queue)
        return nullptr;
    // Bounded by bytes only: when one stream's data is missing for a while (a damaged file),
    // the other channel's queue must not fill up on time and stall the splitter before the
    // first stream has its first frame.
    g_object_set(queue.get(), "max-size-buffers", 0u, "max-size-time", guint64(0), "max-size-bytes",
                 guint(kInputQueueBytes), nullptr);
    auto parser = MakeElement("h264parse", "h264-parser");
    auto balance = MakeElement("videobalance", "brightness");
    auto flip = MakeElement("videoflip", "flip");

    // Chain in stream order; the optional stages simply drop out when not installed.
    std::vector<GstElement *> chain;
    for (GstElement *e : {queue.get(), parser.get(), decoder.get(), balance.get(), flip.get()}) {
        if (!e)
            continue;
        gst_bin_add(GST_BIN(bin.get()), e); // adds the bin's own reference
        if (!chain.empty() && !gst_element_link(chain.back(), e)) {
            qCWarning(lcFilters) << "decoder bin: cannot link" << GST_ELEMENT_NAME(e);
            return nullptr;
        }
        chain.push_back(e);
    }
    const auto sink = GstPadHandle::Adopt(gst_element_get_static_pad(chain.front(), "sink"));
    const auto src = GstPadHandle::Adopt(gst_element_get_static_pad(chain.back(), "src"));
    gst_element_add_pad(bin.get(), gst_ghost_pad_new("sink", sink.get()));
    gst_element_add_pad(bin.get(), gst_ghost_pad_new("src", src.get()));
    return std::unique_ptr<CBaseFilter>(new CDecoderBin(
        std::move(bin), std::move(queue), std::move(decoder), std::move(balance), std::move(flip)));
}

CDecoderBin::CDecoderBin(GstElementHandle bin, GstElementHandle queue, GstElementHandle decoder,
                         GstElementHandle balance, GstElementHandle flip)
    : CGstElementFilter(QStringLiteral("H.264 Video Decoder"), std::move(bin)),
      m_queue(std::move(queue)), m_decoder(std::move(decoder)), m_balance(std::move(balance)),
      m_flip(std::move(flip))
{
    ApplyFlip();
}

void CDecoderBin::ShareCores(int decoders)
{
    // The decoders already run in parallel, one per stream. Threads of one decoder beyond its
    // share of the cores would only take turns with the other's, paying for handing frames
    // between them, and a frame would reach the renderer only after it has left the cache.
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    if (cores <= 0 || decoders <= 0 ||
        !g_object_class_find_property(G_OBJECT_GET_CLASS(m_decoder.get()), "max-threads"))
        return;
    g_object_set(m_decoder.get(), "max-threads", std::max(1, cores / decoders), nullptr);
}

void CDecoderBin::LimitReadAhead(bool limit)
{
    // A lower bound than what is queued drops nothing: the queue takes no more until it has
    // drained below it.
    g_object_set(m_queue.get(), "max-size-bytes",
                 guint(limit ? kLimitedInputQueueBytes : kInputQueueBytes), nullptr);
}

HRESULT CDecoderBin::SetDecoderParam(int id, std::int32_t value)
{
    switch (id) {
    case kParamPictureProperties:
        m_bPictureProperties = value != 0;
        ApplyBrightness();
        return S_OK;
    case kParamBrightness:
        m_nBrightness = std::clamp<std::int32_t>(value, kBrightnessMin, kBrightnessMax);
        ApplyBrightness();
        return S_OK;
    case kParamFlip:
        m_bFlipEnabled = value != 0;
        ApplyFlip();
        return S_OK;
    case kParamFlipVertical:
        m_bFlipVertical = value != 0;
        ApplyFlip();
        return S_OK;
    case kParamFlipHorizontal:
        m_bFlipHorizontal = value != 0;
        ApplyFlip();
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

int CDecoderBin::EffectiveBrightness() const
{
    return m_bPictureProperties ? m_nBrightness : 0;
}

void CDecoderBin::ApplyBrightness()
{
    if (!m_balance)
        return;
    // videobalance adds brightness x 255 to the luma, so an offset of b levels is b / 255.
    g_object_set(m_balance.get(), "brightness", EffectiveBrightness() / 255.0, nullptr);
}

void CDecoderBin::ApplyFlip()
{
    if (!m_flip)
        return;
    const bool v = EffectiveFlipVertical();
    const bool h = EffectiveFlipHorizontal();
    const int direction = v && h ? kOrient180
                          : v    ? kOrientVertical
                          : h    ? kOrientHorizontal
                                 : kOrientIdentity;
    g_object_set(m_flip.get(), "video-direction", direction, nullptr);
    // Unflipped, the element would still copy every frame into a new buffer.
    gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(m_flip.get()),
                                       direction == kOrientIdentity);
}
