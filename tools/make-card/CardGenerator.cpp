#include "tools/make-card/CardGenerator.h"

#include "tools/make-card/FramePainter.h"
#include "tools/make-card/LibavHandles.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <optional>

namespace cardgen
{
namespace
{

constexpr int kAudioRate = 48000;
constexpr double kToneHz = 1000.0;
constexpr double kToneLevel = 0.25;

// The sensor stream's time base: exact milliseconds in MP4; in AVI, whose muxer fills every
// empty tick of a stream with an empty chunk, 10 ms (about 9 MB of filler per hour instead
// of 87 MB).
AVRational SensorTimeBase(Container c)
{
    return c == Container::Mp4 ? AVRational{1, 1000} : AVRational{1, 100};
}

QString AvError(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

// libavformat writes through a QSaveFile, so a recording appears under its name only when
// complete, and odd (UTF-8, long) names are handled by Qt.
int WriteToFile(void *opaque, std::uint8_t *buf, int size)
{
    auto *file = static_cast<QSaveFile *>(opaque);
    return file->write(reinterpret_cast<const char *>(buf), size) == size ? size : AVERROR(EIO);
}

std::int64_t SeekFile(void *opaque, std::int64_t offset, int whence)
{
    auto *file = static_cast<QSaveFile *>(opaque);
    if (whence & AVSEEK_SIZE)
        return file->size();
    std::int64_t pos = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
        pos = offset;
        break;
    case SEEK_CUR:
        pos = file->pos() + offset;
        break;
    case SEEK_END:
        pos = file->size() + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    return file->seek(pos) ? pos : AVERROR(EIO);
}

class RecordingWriter
{
public:
    explicit RecordingWriter(const RecordingOptions &options) : m_opt(options) {}

    bool Write(QString *error);

private:
    struct Video {
        CodecContextPtr enc;
        AVStream *stream = nullptr; // owned by m_fmt
        FramePainter painter;
        FramePtr frame;
    };

    bool Fail(const QString &what, int code = 0)
    {
        m_error = code ? QStringLiteral("%1: %2").arg(what, AvError(code)) : what;
        return false;
    }
    bool Open();
    bool AddVideo(FramePainter::Channel channel);
    bool AddAudio();
    bool AddSensorStream();
    bool Encode(AVCodecContext *enc, AVStream *stream, AVFrame *frame);
    bool WriteVideoFrame(Video &video, int index, int count, const QString &clock);
    bool WriteAudioFrame(std::int64_t firstSample);
    bool WriteSensorRecord(size_t index);
    bool WriteEmptySensorChunk();
    bool WriteCut();

    const RecordingOptions &m_opt;
    QString m_error;
    QSaveFile m_file;
    IoContextPtr m_io;
    OutputContextPtr m_fmt;
    std::vector<Video> m_video;
    CodecContextPtr m_audioEnc;
    AVStream *m_audioStream = nullptr;
    FramePtr m_audioFrame;
    AVStream *m_sensorStream = nullptr;
    std::vector<SensorRecord> m_records;
    PacketPtr m_packet{av_packet_alloc()};
};

bool RecordingWriter::Open()
{
    if (m_opt.width < 16 || m_opt.width > 1920 || m_opt.height < 16 || m_opt.height > 1080 ||
        m_opt.width % 2 || m_opt.height % 2)
        return Fail(QStringLiteral("size %1x%2 not supported (even, 16x16 to 1920x1080)")
                        .arg(m_opt.width)
                        .arg(m_opt.height));
    if (m_opt.fps < 1 || m_opt.fps > 60)
        return Fail(QStringLiteral("frame rate %1 not supported (1 to 60)").arg(m_opt.fps));
    if (m_opt.keyFrameInterval < 1 || m_opt.keyFrameInterval > 300)
        return Fail(QStringLiteral("key frame interval %1 not supported (1 to 300)")
                        .arg(m_opt.keyFrameInterval));
    if (m_opt.durationMs < 1 || m_opt.durationMs > 24 * 3600 * 1000)
        return Fail(QStringLiteral("duration %1 ms not supported").arg(m_opt.durationMs));
    if (m_opt.path.isEmpty())
        return Fail(QStringLiteral("no output path"));
    if (!m_packet)
        return Fail(QStringLiteral("out of memory"));

    QDir().mkpath(QFileInfo(m_opt.path).absolutePath());
    m_file.setFileName(m_opt.path);
    if (!m_file.open(QIODevice::WriteOnly))
        return Fail(QStringLiteral("cannot write %1: %2").arg(m_opt.path, m_file.errorString()));

    constexpr int kIoBufferSize = 1 << 16;
    auto *buffer = static_cast<unsigned char *>(av_malloc(kIoBufferSize));
    if (!buffer)
        return Fail(QStringLiteral("out of memory"));
    m_io.reset(
        avio_alloc_context(buffer, kIoBufferSize, 1, &m_file, nullptr, WriteToFile, SeekFile));
    if (!m_io) {
        av_free(buffer);
        return Fail(QStringLiteral("out of memory"));
    }

    AVFormatContext *fmt = nullptr;
    const char *muxer = m_opt.container == Container::Mp4 ? "mp4" : "avi";
    const int rc = avformat_alloc_output_context2(&fmt, nullptr, muxer, nullptr);
    if (rc < 0)
        return Fail(QStringLiteral("no %1 muxer").arg(QLatin1String(muxer)), rc);
    m_fmt.reset(fmt);
    m_fmt->pb = m_io.get();
    // No library version strings in the file: the same options give the same bytes.
    m_fmt->flags |= AVFMT_FLAG_BITEXACT;
    // AAC starts with a priming frame at a negative time; shifting it in AVI loses frame 1.
    if (m_opt.container == Container::Avi)
        m_fmt->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
    return true;
}

bool RecordingWriter::AddVideo(FramePainter::Channel channel)
{
    const AVCodec *codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        return Fail(QStringLiteral("the libx264 encoder is not available"));
    CodecContextPtr enc(avcodec_alloc_context3(codec));
    if (!enc)
        return Fail(QStringLiteral("out of memory"));
    enc->width = m_opt.width;
    enc->height = m_opt.height;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = {1, m_opt.fps};
    enc->framerate = {m_opt.fps, 1};
    // The test recordings' key frame every 10 frames (a third of a second at 30 fps) lets
    // seeks land quickly; cameras write one every 15 to 30.
    enc->gop_size = m_opt.keyFrameInterval;
    enc->keyint_min = m_opt.keyFrameInterval;
    enc->max_b_frames = 0;
    // A fixed thread count keeps the output identical from run to run.
    enc->thread_count = m_opt.width * m_opt.height > 640 * 360 ? 2 : 1;
    enc->flags |= AV_CODEC_FLAG_BITEXACT;
    if (m_fmt->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // The fastest preset leaves out CABAC and the deblocking filter, which makes decoding far
    // cheaper than a camera's stream; "superfast" is the fastest that keeps both.
    av_opt_set(enc->priv_data, "preset", m_opt.realistic ? "superfast" : "ultrafast", 0);
    if (m_opt.realistic)
        av_opt_set(enc->priv_data, "profile", "high", 0);
    av_opt_set(enc->priv_data, "x264-params",
               m_opt.repeatParameterSets ? "scenecut=0:repeat-headers=1" : "scenecut=0", 0);
    const int bitRate = channel == FramePainter::Channel::Rear
                            ? m_opt.rearVideoBitRate.value_or(m_opt.videoBitRate)
                            : m_opt.videoBitRate;
    if (bitRate > 0) {
        enc->bit_rate = enc->rc_min_rate = enc->rc_max_rate = bitRate;
        enc->rc_buffer_size = bitRate;
        av_opt_set(enc->priv_data, "nal-hrd", "cbr", 0);
    }
    if (const int rc = avcodec_open2(enc.get(), codec, nullptr); rc < 0)
        return Fail(QStringLiteral("cannot open the H.264 encoder"), rc);

    AVStream *stream = avformat_new_stream(m_fmt.get(), nullptr);
    if (!stream)
        return Fail(QStringLiteral("out of memory"));
    stream->time_base = enc->time_base;
    stream->avg_frame_rate = enc->framerate;
    if (const int rc = avcodec_parameters_from_context(stream->codecpar, enc.get()); rc < 0)
        return Fail(QStringLiteral("video stream parameters"), rc);

    FramePtr frame(av_frame_alloc());
    if (!frame)
        return Fail(QStringLiteral("out of memory"));
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = m_opt.width;
    frame->height = m_opt.height;
    if (const int rc = av_frame_get_buffer(frame.get(), 0); rc < 0)
        return Fail(QStringLiteral("frame buffer"), rc);

    m_video.push_back(
        {std::move(enc), stream,
         FramePainter(channel, m_opt.width, m_opt.height, m_opt.realistic, m_opt.seed),
         std::move(frame)});
    return true;
}

bool RecordingWriter::AddAudio()
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec)
        return Fail(QStringLiteral("no AAC encoder"));
    m_audioEnc.reset(avcodec_alloc_context3(codec));
    if (!m_audioEnc)
        return Fail(QStringLiteral("out of memory"));
    m_audioEnc->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_audioEnc->sample_rate = kAudioRate;
    av_channel_layout_default(&m_audioEnc->ch_layout, 1);
    m_audioEnc->bit_rate = 64000;
    m_audioEnc->time_base = {1, kAudioRate};
    m_audioEnc->flags |= AV_CODEC_FLAG_BITEXACT;
    if (m_fmt->oformat->flags & AVFMT_GLOBALHEADER)
        m_audioEnc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (const int rc = avcodec_open2(m_audioEnc.get(), codec, nullptr); rc < 0)
        return Fail(QStringLiteral("cannot open the AAC encoder"), rc);

    m_audioStream = avformat_new_stream(m_fmt.get(), nullptr);
    if (!m_audioStream)
        return Fail(QStringLiteral("out of memory"));
    m_audioStream->time_base = m_audioEnc->time_base;
    if (const int rc = avcodec_parameters_from_context(m_audioStream->codecpar, m_audioEnc.get());
        rc < 0)
        return Fail(QStringLiteral("audio stream parameters"), rc);

    m_audioFrame.reset(av_frame_alloc());
    if (!m_audioFrame)
        return Fail(QStringLiteral("out of memory"));
    m_audioFrame->format = AV_SAMPLE_FMT_FLTP;
    m_audioFrame->sample_rate = kAudioRate;
    m_audioFrame->nb_samples = m_audioEnc->frame_size;
    av_channel_layout_copy(&m_audioFrame->ch_layout, &m_audioEnc->ch_layout);
    if (const int rc = av_frame_get_buffer(m_audioFrame.get(), 0); rc < 0)
        return Fail(QStringLiteral("audio buffer"), rc);
    return true;
}

bool RecordingWriter::AddSensorStream()
{
    m_sensorStream = avformat_new_stream(m_fmt.get(), nullptr);
    if (!m_sensorStream)
        return Fail(QStringLiteral("out of memory"));
    // MP4 tags this as a 'gpmd' data track; AVI as a 'dats' stream.
    m_sensorStream->codecpar->codec_type = AVMEDIA_TYPE_DATA;
    m_sensorStream->codecpar->codec_id = AV_CODEC_ID_BIN_DATA;
    m_sensorStream->time_base = SensorTimeBase(m_opt.container);
    return true;
}

bool RecordingWriter::Encode(AVCodecContext *enc, AVStream *stream, AVFrame *frame)
{
    int rc = avcodec_send_frame(enc, frame);
    if (rc < 0)
        return Fail(QStringLiteral("encoding"), rc);
    while ((rc = avcodec_receive_packet(enc, m_packet.get())) >= 0) {
        m_packet->stream_index = stream->index;
        av_packet_rescale_ts(m_packet.get(), enc->time_base, stream->time_base);
        rc = av_interleaved_write_frame(m_fmt.get(), m_packet.get());
        if (rc < 0)
            return Fail(QStringLiteral("writing"), rc);
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF)
        return Fail(QStringLiteral("encoding"), rc);
    return true;
}

bool RecordingWriter::WriteVideoFrame(Video &video, int index, int count, const QString &clock)
{
    // The encoder may still hold the previous picture.
    if (const int rc = av_frame_make_writable(video.frame.get()); rc < 0)
        return Fail(QStringLiteral("frame buffer"), rc);
    video.painter.Paint(video.frame.get(), index, count, clock);
    video.frame->pts = index;
    return Encode(video.enc.get(), video.stream, video.frame.get());
}

bool RecordingWriter::WriteAudioFrame(std::int64_t firstSample)
{
    if (const int rc = av_frame_make_writable(m_audioFrame.get()); rc < 0)
        return Fail(QStringLiteral("audio buffer"), rc);
    auto *samples = reinterpret_cast<float *>(m_audioFrame->data[0]);
    for (int i = 0; i < m_audioFrame->nb_samples; ++i) {
        // Phase from the sample index modulo one period: exact over long recordings.
        const auto n = (firstSample + i) % kAudioRate;
        samples[i] =
            static_cast<float>(kToneLevel * std::sin(2.0 * M_PI * kToneHz * n / kAudioRate));
    }
    m_audioFrame->pts = firstSample;
    return Encode(m_audioEnc.get(), m_audioStream, m_audioFrame.get());
}

bool RecordingWriter::WriteEmptySensorChunk()
{
    av_packet_unref(m_packet.get());
    m_packet->stream_index = m_sensorStream->index;
    m_packet->pts = m_packet->dts = 0;
    m_packet->duration = 1;
    m_packet->flags |= AV_PKT_FLAG_KEY;
    if (const int rc = av_interleaved_write_frame(m_fmt.get(), m_packet.get()); rc < 0)
        return Fail(QStringLiteral("writing sensor data"), rc);
    return true;
}

bool RecordingWriter::WriteSensorRecord(size_t index)
{
    const SensorRecord &rec = m_records[index];
    const AVRational ms{1, 1000};
    const AVRational tb = m_sensorStream->time_base;
    if (av_new_packet(m_packet.get(), static_cast<int>(rec.bytes.size())) < 0)
        return Fail(QStringLiteral("out of memory"));
    std::copy(rec.bytes.begin(), rec.bytes.end(), m_packet->data);
    m_packet->stream_index = m_sensorStream->index;
    m_packet->pts = m_packet->dts = av_rescale_q(rec.timeMs, ms, tb);
    // Every sample lasts until the next one (at least one tick): MP4 readers drop a last
    // sample of zero duration.
    const std::int64_t next = index + 1 < m_records.size()
                                  ? av_rescale_q(m_records[index + 1].timeMs, ms, tb)
                                  : av_rescale_q(m_opt.durationMs, ms, tb);
    m_packet->duration = std::max<std::int64_t>(1, next - m_packet->pts);
    m_packet->flags |= AV_PKT_FLAG_KEY;
    if (const int rc = av_interleaved_write_frame(m_fmt.get(), m_packet.get()); rc < 0)
        return Fail(QStringLiteral("writing sensor data"), rc);
    return true;
}

// The power goes: what the muxer still holds is written out, the index never is, and the
// file ends at the cut.
bool RecordingWriter::WriteCut()
{
    if (const int rc = av_interleaved_write_frame(m_fmt.get(), nullptr); rc < 0)
        return Fail(QStringLiteral("writing"), rc);
    avio_flush(m_io.get());
    const std::int64_t written = avio_tell(m_io.get());
    std::int64_t cut = written;
    if (m_opt.cutAtByte)
        cut = *m_opt.cutAtByte;
    else if (m_opt.cutAtPercent)
        cut = static_cast<std::int64_t>(written * *m_opt.cutAtPercent / 100.0);
    if (cut < 0 || cut > written)
        return Fail(
            QStringLiteral("cut at byte %1 is outside the %2 bytes written").arg(cut).arg(written));
    if (!m_file.resize(cut))
        return Fail(QStringLiteral("cannot cut %1: %2").arg(m_opt.path, m_file.errorString()));
    return true;
}

bool RecordingWriter::Write(QString *error)
{
    const bool ok = [&] {
        if (!Open() || !AddVideo(FramePainter::Channel::Front))
            return false;
        if (m_opt.rear && !AddVideo(FramePainter::Channel::Rear))
            return false;
        if (m_opt.audio && !AddAudio())
            return false;
        if (m_opt.sensors && !AddSensorStream())
            return false;
        if (const int rc = avformat_write_header(m_fmt.get(), nullptr); rc < 0)
            return Fail(QStringLiteral("writing the header"), rc);
        // The AVI muxer settles on its own time base for the data stream; the records'
        // offsets must be exact multiples of it.
        if (m_sensorStream) {
            m_records = MakeSensorRecords(m_opt);
            const AVRational tb = m_sensorStream->time_base;
            for (const SensorRecord &rec : m_records)
                if (av_rescale_q(av_rescale_q(rec.timeMs, {1, 1000}, tb), tb, {1, 1000}) !=
                    rec.timeMs)
                    return Fail(QStringLiteral("sensor offset %1 ms does not fit the time base")
                                    .arg(rec.timeMs));
            // An AVI stream has no timestamps: a chunk's time is its index. The muxer fills the
            // gaps between chunks with empty ones, but not the gap before the first, so a
            // stream whose first record comes later starts with an empty chunk at 0.
            if (m_opt.container == Container::Avi && !m_records.empty() &&
                m_records.front().timeMs > 0 && !WriteEmptySensorChunk())
                return false;
        }

        const int frames = FrameCount(m_opt);
        const std::int64_t audioSamples =
            static_cast<std::int64_t>(m_opt.durationMs) * kAudioRate / 1000;
        std::int64_t nextAudio = 0;
        size_t nextRecord = 0;
        const QDateTime wallStart(m_opt.start.date(), m_opt.start.time(), Qt::UTC);
        for (int i = 0; i < frames; ++i) {
            // Everything that starts before the next picture goes first.
            const double untilMs = (i + 1) * 1000.0 / m_opt.fps;
            while (m_audioEnc && nextAudio < audioSamples &&
                   nextAudio * 1000.0 / kAudioRate < untilMs) {
                if (!WriteAudioFrame(nextAudio))
                    return false;
                nextAudio += m_audioEnc->frame_size;
            }
            while (nextRecord < m_records.size() && m_records[nextRecord].timeMs < untilMs)
                if (!WriteSensorRecord(nextRecord++))
                    return false;
            const QString clock = wallStart.addMSecs(static_cast<qint64>(i) * 1000 / m_opt.fps)
                                      .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            for (Video &video : m_video)
                if (!WriteVideoFrame(video, i, frames, clock))
                    return false;
        }
        while (nextRecord < m_records.size())
            if (!WriteSensorRecord(nextRecord++))
                return false;
        for (Video &video : m_video)
            if (!Encode(video.enc.get(), video.stream, nullptr))
                return false;
        if (m_audioEnc && !Encode(m_audioEnc.get(), m_audioStream, nullptr))
            return false;
        if (m_opt.cutAtByte || m_opt.cutAtPercent) {
            if (!WriteCut())
                return false;
        } else if (const int rc = av_write_trailer(m_fmt.get()); rc < 0) {
            return Fail(QStringLiteral("writing the index"), rc);
        }
        avio_flush(m_io.get());
        if (m_io->error < 0)
            return Fail(QStringLiteral("writing %1").arg(m_opt.path), m_io->error);
        if (!m_file.commit())
            return Fail(
                QStringLiteral("cannot write %1: %2").arg(m_opt.path, m_file.errorString()));
        return true;
    }();
    if (!ok && error)
        *error = m_error;
    return ok; // on failure QSaveFile removes the temporary file
}

const char *CategoryToken(Category c)
{
    switch (c) {
    case Category::Event:
        return "EVT";
    case Category::Motion:
        return "MOT";
    case Category::Normal:
        break;
    }
    return "NOR";
}

} // namespace

int FrameCount(const RecordingOptions &options)
{
    return std::max(
        1, static_cast<int>(static_cast<std::int64_t>(options.durationMs) * options.fps / 1000));
}

QString RecordingFileName(const RecordingOptions &options)
{
    return QStringLiteral("%1_%2_C%3.%4")
        .arg(options.start.toString(QStringLiteral("yyyyMMdd_HHmmss")),
             QLatin1String(CategoryToken(options.category)), QString::number(options.rear ? 2 : 1),
             options.container == Container::Mp4 ? QStringLiteral("MP4") : QStringLiteral("AVI"));
}

RecordingOptions CameraRecording(RecordingOptions base)
{
    base.width = 1920;
    base.height = 1080;
    base.fps = 30;
    base.realistic = true;
    base.keyFrameInterval = 30;
    base.videoBitRate = 12'000'000;
    base.rearVideoBitRate = 8'000'000;
    return base;
}

bool WriteRecording(const RecordingOptions &options, QString *error)
{
    // The encoders print statistics at the default level; keep test logs readable unless
    // someone chose a level of their own.
    if (av_log_get_level() == AV_LOG_INFO)
        av_log_set_level(AV_LOG_WARNING);
    RecordingWriter writer(options);
    return writer.Write(error);
}

} // namespace cardgen
