#pragma once

// Where a raw AAC frame (no ADTS header, as MP4 stores them) ends. AAC frames carry no length;
// the decoder is the only thing that knows, so it is asked.

#include "recovery/LibavPointers.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace recovery
{

// The longest AAC frame: 6144 bits per channel.
inline constexpr std::size_t kMaxAacFrameBytesPerChannel = 768;

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
    // The most bytes FrameLength looks at: two of the longest frames.
    std::size_t Reach() const
    {
        const int channels = std::max(1, m_decoder->ch_layout.nb_channels);
        return 2 * kMaxAacFrameBytesPerChannel * static_cast<std::size_t>(channels);
    }

private:
    AacFrameFinder() = default;
    enum class Decoded {
        Failed,    // the first frame does not decode
        Exact,     // one frame, and nothing after it
        Two,       // a frame, and another after it: *firstLength is the first one's length
        FirstOnly, // a frame, followed by bytes that do not decode
    };
    Decoded Decode(std::span<const std::uint8_t> bytes, std::size_t *firstLength);

    AvPtr<AVCodecContext> m_decoder;
    AvPtr<AVPacket> m_packet;
    AvPtr<AVFrame> m_frame;
};

template <typename StartTest>
std::optional<std::size_t> AacFrameFinder::FrameLength(std::span<const std::uint8_t> bytes,
                                                       StartTest &&isSampleStart)
{
    const std::size_t maxFrame = Reach() / 2;
    std::size_t length = 0;
    // Most often another kind of sample follows: the first place one may start, up to which the
    // bytes decode as exactly one frame (or two, whose first then has a known length).
    const std::size_t reach = std::min(bytes.size(), Reach());
    for (std::size_t end = 1; end <= reach; ++end) {
        if (end < bytes.size() && !isSampleStart(end))
            continue;
        switch (Decode(bytes.first(end), &length)) {
        case Decoded::Exact:
            return end;
        case Decoded::Two:
            return length;
        case Decoded::Failed:
        case Decoded::FirstOnly:
            break;
        }
    }
    // Followed by more sound: decoding the whole reach decodes the next frame too, and where
    // that one began is where the decoder finished the first (one decode instead of a search).
    if (reach > 0 && Decode(bytes.first(reach), &length) == Decoded::Two)
        return length;
    // Followed by nothing whole: the shortest stretch that decodes is the frame (a frame
    // decodes from its own bytes and fails when any of them is missing).
    std::size_t lo = 1, hi = std::min(bytes.size(), maxFrame);
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
