#pragma once

// Where a raw AAC frame (no ADTS header, as MP4 stores them) ends. AAC frames carry no length;
// the decoder is the only thing that knows, so it is asked.

#include "recovery/LibavPointers.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace recovery
{

class AacFrameFinder
{
public:
    // `config`: the AudioSpecificConfig of the stream.
    static std::optional<AacFrameFinder> Create(std::span<const std::uint8_t> config);

    // The length of the whole AAC frame at the start of `bytes`, or none when these bytes do
    // not start one (or it runs past their end). `isSampleStart(offset)` says whether a sample
    // of another kind may start at that offset into `bytes`; it narrows the search when the
    // frame is followed by something that is not AAC.
    template <typename StartTest>
    std::optional<std::size_t> FrameLength(std::span<const std::uint8_t> bytes,
                                           StartTest &&isSampleStart);

private:
    AacFrameFinder() = default;
    enum class Decoded { Failed, One, Two };
    // Decodes `bytes` as one packet: the first frame's outcome, and when a second frame follows
    // and decodes too, the length of the first in *firstLength.
    Decoded Decode(std::span<const std::uint8_t> bytes, std::size_t *firstLength);

    AvPtr<AVCodecContext> m_decoder;
    AvPtr<AVPacket> m_packet;
    AvPtr<AVFrame> m_frame;
};

// The longest AAC frame: 6144 bits per channel.
inline constexpr std::size_t kMaxAacFrameBytesPerChannel = 768;

template <typename StartTest>
std::optional<std::size_t> AacFrameFinder::FrameLength(std::span<const std::uint8_t> bytes,
                                                       StartTest &&isSampleStart)
{
    const int channels = std::max(1, m_decoder->ch_layout.nb_channels);
    const std::size_t maxFrame = kMaxAacFrameBytesPerChannel * static_cast<std::size_t>(channels);
    std::size_t length = 0;
    const Decoded first = Decode(bytes.first(std::min(bytes.size(), 2 * maxFrame)), &length);
    if (first == Decoded::Failed)
        return std::nullopt;
    if (first == Decoded::Two)
        return length;
    // The frame is followed by something else: its end is the first offset where another
    // sample may start and up to which the frame decodes whole.
    const std::size_t limit = std::min(bytes.size(), maxFrame);
    for (std::size_t end = 1; end < limit; ++end)
        if (isSampleStart(end) && Decode(bytes.first(end), nullptr) != Decoded::Failed)
            return end;
    // Followed by nothing whole: the shortest stretch that decodes is the frame (a frame
    // decodes from its own bytes and fails when any of them is missing).
    std::size_t lo = 1, hi = limit;
    if (Decode(bytes.first(hi), nullptr) == Decoded::Failed)
        return std::nullopt;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (Decode(bytes.first(mid), nullptr) == Decoded::Failed)
            lo = mid + 1;
        else
            hi = mid;
    }
    return hi;
}

} // namespace recovery
