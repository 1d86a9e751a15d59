#pragma once

// Owning handles for the libav objects the generator creates.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

#include <memory>

namespace cardgen
{

struct CodecContextDeleter {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
// An output context whose AVIOContext is owned elsewhere (ctx->pb is not closed here).
struct OutputContextDeleter {
    void operator()(AVFormatContext *c) const { avformat_free_context(c); }
};
// A custom AVIOContext and its buffer.
struct IoContextDeleter {
    void operator()(AVIOContext *io) const
    {
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextDeleter>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextDeleter>;

} // namespace cardgen
