#pragma once

// Owning handles for the libav objects recovery creates.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>

namespace recovery
{

struct AvDeleter {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
    void operator()(AVFrame *f) const { av_frame_free(&f); }
    void operator()(AVPacket *p) const { av_packet_free(&p); }
    void operator()(AVBufferRef *b) const { av_buffer_unref(&b); }
};
// An input context opened with avformat_open_input.
struct InputCloser {
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};

template <typename T> using AvPtr = std::unique_ptr<T, AvDeleter>;
using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;

} // namespace recovery
