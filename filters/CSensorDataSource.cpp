#include "filters/CSensorDataSource.h"

#include "filters/FiltersLogging.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>

namespace
{

// Consecutive failed reads after which a damaged or vanished file counts as ended.
constexpr int kMaxReadErrors = 8;

// Our recordings are AVI or MP4; probing nothing else keeps a stray text or image file from
// being taken for some exotic format.
constexpr char kContainers[] = "avi,mov,mp4,m4a,3gp,3g2,mj2";

// The sensor stream: the data track we write (BIN_DATA), else the first stream that is data
// or of unknown type (an AVI 'dats' stream without a format chunk reads back as unknown).
int FindSensorStream(const AVFormatContext *ctx)
{
    int candidate = -1;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVCodecParameters *par = ctx->streams[i]->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_DATA && par->codec_type != AVMEDIA_TYPE_UNKNOWN)
            continue;
        if (par->codec_id == AV_CODEC_ID_BIN_DATA)
            return static_cast<int>(i);
        if (par->codec_tag == MKTAG('t', 'm', 'c', 'd') || par->codec_id == AV_CODEC_ID_FFMETADATA)
            continue; // MP4 timecode and chapter tracks carry no records
        if (candidate < 0)
            candidate = static_cast<int>(i);
    }
    return candidate;
}

QString AvError(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

} // namespace

void CSensorDataSource::InputDeleter::operator()(AVFormatContext *ctx) const
{
    avformat_close_input(&ctx);
}

void CSensorDataSource::PacketDeleter::operator()(AVPacket *pkt) const
{
    av_packet_free(&pkt);
}

CSensorDataSource::CSensorDataSource() : m_packet(av_packet_alloc()) {}

CSensorDataSource::~CSensorDataSource() = default;

int CSensorDataSource::Interrupted(void *self)
{
    return static_cast<CSensorDataSource *>(self)->m_stop.stop_requested() ? 1 : 0;
}

std::unique_ptr<CBaseFilter> CSensorDataSource::Create()
{
    return std::make_unique<CSensorDataSource>();
}

HRESULT CSensorDataSource::Load(const QString &path)
{
    if (m_input)
        return VFW_E_WRONG_STATE;
    if (!m_packet)
        return E_OUTOFMEMORY;

    // Only regular files: opening a named pipe or a device would block before any timeout or
    // stop request could end it.
    if (!QFileInfo(path).isFile()) {
        qCDebug(lcFilters) << "not a regular file:" << path;
        return VFW_E_INVALID_FILE_FORMAT;
    }

    AVFormatContext *raw = avformat_alloc_context();
    if (!raw)
        return E_OUTOFMEMORY;
    raw->format_whitelist = av_strdup(kContainers);
    raw->interrupt_callback = {&CSensorDataSource::Interrupted, this};
    AVDictionary *opts = nullptr;
    // MP4 edit lists would move the data track's times; our offsets are as stored.
    av_dict_set(&opts, "ignore_editlist", "1", 0);
    // The path is a file name, never a URL: "file:" keeps a name such as "clip:1.AVI" from
    // being read as a protocol, and the whitelist keeps a crafted file from opening others.
    av_dict_set(&opts, "protocol_whitelist", "file", 0);
    const QByteArray file = "file:" + QFile::encodeName(path);
    // On failure avformat_open_input frees the context itself.
    const int rc = avformat_open_input(&raw, file.constData(), nullptr, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        qCDebug(lcFilters) << "cannot open" << path << AvError(rc);
        return VFW_E_INVALID_FILE_FORMAT;
    }
    std::unique_ptr<AVFormatContext, InputDeleter> input(raw);

    const int stream = FindSensorStream(input.get());
    if (stream < 0) {
        qCDebug(lcFilters) << "no sensor stream in" << path;
        return VFW_E_INVALID_FILE_FORMAT;
    }
    for (unsigned i = 0; i < input->nb_streams; ++i)
        input->streams[i]->discard =
            static_cast<int>(i) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    m_input = std::move(input);
    m_nStream = stream;
    m_bEnded = false;
    return S_OK;
}

HRESULT CSensorDataSource::ReadRecord(std::uint8_t *buffer, std::uint32_t *size,
                                      std::uint32_t *time)
{
    if (!buffer || !size || !time)
        return E_POINTER;
    if (!m_input)
        return VFW_E_WRONG_STATE;
    if (m_bEnded)
        return kEndOfData;

    const AVStream *st = m_input->streams[m_nStream];
    int errors = 0;
    for (;;) {
        if (m_stop.stop_requested())
            return E_ABORT;
        av_packet_unref(m_packet.get());
        const int rc = av_read_frame(m_input.get(), m_packet.get());
        if (rc == AVERROR_EOF) {
            m_bEnded = true;
            return kEndOfData;
        }
        if (rc == AVERROR_EXIT)
            return E_ABORT; // stopped by the owner
        if (rc < 0) {
            // A damaged chunk: the demuxer usually resynchronises on the next call.
            if (++errors < kMaxReadErrors)
                continue;
            qCDebug(lcFilters) << "giving up after read errors:" << AvError(rc);
            m_bEnded = true;
            return kCannotReadFurther;
        }
        errors = 0;
        // Other streams' packets (a demuxer may still return some) and the empty chunks the
        // AVI muxer writes for ticks without a record are no records.
        if (m_packet->stream_index != m_nStream || m_packet->size <= 0)
            continue;
        break;
    }

    const auto length = static_cast<std::uint32_t>(m_packet->size);
    if (length > *size) {
        qCDebug(lcFilters) << "dropping a record of" << length << "bytes; buffer holds" << *size;
        *size = length;
        av_packet_unref(m_packet.get());
        return kBufferTooSmall;
    }
    std::memcpy(buffer, m_packet->data, length);
    *size = length;

    std::int64_t ts = m_packet->pts != AV_NOPTS_VALUE ? m_packet->pts : m_packet->dts;
    if (ts == AV_NOPTS_VALUE)
        ts = 0;
    const std::int64_t ms = av_rescale_q(ts, st->time_base, AVRational{1, 1000});
    *time = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(ms, 0, std::numeric_limits<std::uint32_t>::max()));
    av_packet_unref(m_packet.get());
    return S_OK;
}
