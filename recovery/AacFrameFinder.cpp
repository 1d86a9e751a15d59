#include "recovery/AacFrameFinder.h"

#include <cstring>

namespace recovery
{

std::optional<AacFrameFinder> AacFrameFinder::Create(std::span<const std::uint8_t> config)
{
    const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_AAC);
    if (!codec || config.empty())
        return std::nullopt;
    AacFrameFinder finder;
    finder.m_decoder.reset(avcodec_alloc_context3(codec));
    finder.m_packet.reset(av_packet_alloc());
    finder.m_frame.reset(av_frame_alloc());
    if (!finder.m_decoder || !finder.m_packet || !finder.m_frame)
        return std::nullopt;
    auto *extradata =
        static_cast<std::uint8_t *>(av_mallocz(config.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!extradata)
        return std::nullopt;
    std::memcpy(extradata, config.data(), config.size());
    finder.m_decoder->extradata = extradata;
    finder.m_decoder->extradata_size = static_cast<int>(config.size());
    // Probing bytes that are no sound makes the decoder complain; here that is expected, so
    // its complaints go to the debug level.
    finder.m_decoder->err_recognition = 0;
    finder.m_decoder->log_level_offset = AV_LOG_DEBUG - AV_LOG_ERROR;
    if (avcodec_open2(finder.m_decoder.get(), codec, nullptr) < 0)
        return std::nullopt;
    return finder;
}

AacFrameFinder::Decoded AacFrameFinder::Decode(std::span<const std::uint8_t> bytes,
                                               std::size_t *firstLength)
{
    avcodec_flush_buffers(m_decoder.get());
    av_packet_unref(m_packet.get());
    if (bytes.empty() || av_new_packet(m_packet.get(), static_cast<int>(bytes.size())) < 0)
        return Decoded::Failed;
    std::memcpy(m_packet->data, bytes.data(), bytes.size());
    if (avcodec_send_packet(m_decoder.get(), m_packet.get()) < 0 ||
        avcodec_receive_frame(m_decoder.get(), m_frame.get()) < 0)
        return Decoded::Failed;
    // An audio decoder keeps what it did not consume of a packet for the next frame, and each
    // frame records the size of the packet as it stood when decoding began: the difference
    // between the two frames is the first frame's length.
    const std::int64_t before = m_frame->pkt_size;
    if (!firstLength)
        return Decoded::Exact;
    const int next = avcodec_receive_frame(m_decoder.get(), m_frame.get());
    if (next == AVERROR(EAGAIN))
        return Decoded::Exact;
    if (next < 0)
        return Decoded::FirstOnly;
    const std::int64_t after = m_frame->pkt_size;
    if (before <= 0 || after <= 0 || after >= before)
        return Decoded::FirstOnly;
    *firstLength = static_cast<std::size_t>(before - after);
    return Decoded::Two;
}

} // namespace recovery
