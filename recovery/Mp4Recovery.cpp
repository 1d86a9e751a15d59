// MP4: find the mdat payload, split it into samples, and write them with fresh sample tables
// through libavformat's muxer.

#include "recovery/ContainerRecovery.h"
#include "recovery/LibavPointers.h"
#include "recovery/Mp4SampleScanner.h"

#include "platform/files/FileSplicer.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <optional>
#include <utility>

namespace recovery
{
namespace
{

QString AvError(int code)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

void NoFree(void *, std::uint8_t *) {}

bool SetExtradata(AVCodecParameters *par, const std::vector<std::uint8_t> &bytes)
{
    par->extradata =
        static_cast<std::uint8_t *>(av_mallocz(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata)
        return false;
    std::memcpy(par->extradata, bytes.data(), bytes.size());
    par->extradata_size = static_cast<int>(bytes.size());
    return true;
}

// Writes the recovered samples as a new MP4 through libavformat. A packet's data is where its
// sample lies in the mapped input, which mostly serves as an address: the muxer reads nothing of
// a video or sensor sample (were it to, the mapping holds the bytes), and the start of an audio
// sample, which it does read, comes from the scan's copy. So no sample passes through this
// process, and hardly a page of the mapping is ever brought in.
class Mp4CopyWriter
{
public:
    Mp4CopyWriter(Bytes file, const StreamLayout &layout, const ScanResult &scan,
                  platform::FileSplicer &out)
        : m_file(file), m_layout(layout), m_scan(scan), m_splicer(out)
    {
    }

    // Into `out`, open already.
    bool Write(const QString &path, const std::function<bool(double)> &progress, QString *error);

private:
    struct OutputFree {
        void operator()(AVFormatContext *c) const { avformat_free_context(c); }
    };
    struct IoFree {
        void operator()(AVIOContext *io) const
        {
            if (io)
                av_freep(&io->buffer);
            avio_context_free(&io);
        }
    };
    // The muxer's output: a sample's bytes (in the mapped input, or the scan's copy of an audio
    // sample) are copied from the input file by the system, the rest (headers, sample tables)
    // written.
    static int WritePacket(void *opaque, std::uint8_t *buf, int size);
    // Where bytes handed to WritePacket lie in the input, if they are a sample's.
    std::optional<std::int64_t> InputOffsetOf(const std::uint8_t *buf, int size) const;
    static std::int64_t SeekOutput(void *opaque, std::int64_t offset, int whence);
    // Samples that follow each other in the input are copied in one go.
    bool FlushPending();

    bool Fail(const QString &what, int code, QString *error)
    {
        *error = code ? QStringLiteral("%1: %2").arg(what, AvError(code)) : what;
        return false;
    }
    AVStream *NewStream() { return avformat_new_stream(m_out.get(), nullptr); }
    bool AddStreams(bool audio, bool sensors);

    Bytes m_file;
    const StreamLayout &m_layout;
    const ScanResult &m_scan;
    std::vector<const ScannedSample *> m_audioSamples; // in the order of their copies
    platform::FileSplicer &m_splicer;
    std::int64_t m_pendingFrom = 0;
    std::int64_t m_pendingSize = 0;
    std::unique_ptr<AVIOContext, IoFree> m_io;
    std::unique_ptr<AVFormatContext, OutputFree> m_out;
    std::vector<AVStream *> m_video; // owned by m_out
    AVStream *m_audio = nullptr;
    AVStream *m_sensor = nullptr;
};

bool Mp4CopyWriter::AddStreams(bool audio, bool sensors)
{
    for (const VideoSetup &v : m_layout.video) {
        AVStream *st = NewStream();
        if (!st || !SetExtradata(st->codecpar, v.avcC))
            return false;
        st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        st->codecpar->codec_id = AV_CODEC_ID_H264;
        st->codecpar->width = v.width;
        st->codecpar->height = v.height;
        st->codecpar->format = AV_PIX_FMT_YUV420P;
        st->time_base = {m_layout.fpsDen, m_layout.fpsNum};
        st->avg_frame_rate = {m_layout.fpsNum, m_layout.fpsDen};
        m_video.push_back(st);
    }
    if (audio) {
        m_audio = NewStream();
        if (!m_audio || !SetExtradata(m_audio->codecpar, m_layout.audio->config))
            return false;
        AVCodecParameters *par = m_audio->codecpar;
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = AV_CODEC_ID_AAC;
        par->sample_rate = m_layout.audio->sampleRate;
        av_channel_layout_default(&par->ch_layout, m_layout.audio->channels);
        par->frame_size = 1024;
        m_audio->time_base = {1, m_layout.audio->sampleRate};
    }
    if (sensors) {
        // A data track with the 'gpmd' sample entry, as the camera writes it.
        m_sensor = NewStream();
        if (!m_sensor)
            return false;
        m_sensor->codecpar->codec_type = AVMEDIA_TYPE_DATA;
        m_sensor->codecpar->codec_id = AV_CODEC_ID_BIN_DATA;
        m_sensor->time_base = {1, 1000};
    }
    return true;
}

std::optional<std::int64_t> Mp4CopyWriter::InputOffsetOf(const std::uint8_t *buf, int size) const
{
    const auto within = [&](const std::uint8_t *base, std::size_t length) {
        return std::less_equal<>()(base, buf) && std::less_equal<>()(buf + size, base + length);
    };
    if (within(m_file.data(), m_file.size()))
        return buf - m_file.data();
    if (!within(m_scan.audio.data(), m_scan.audio.size()))
        return std::nullopt;
    const std::size_t at = static_cast<std::size_t>(buf - m_scan.audio.data());
    const auto after =
        std::upper_bound(m_audioSamples.begin(), m_audioSamples.end(), at,
                         [](std::size_t a, const ScannedSample *s) { return a < s->copyAt; });
    if (after == m_audioSamples.begin())
        return std::nullopt;
    const ScannedSample &s = **std::prev(after);
    if (at + static_cast<std::size_t>(size) > s.copyAt + s.length)
        return std::nullopt;
    return static_cast<std::int64_t>(s.offset + (at - s.copyAt));
}

int Mp4CopyWriter::WritePacket(void *opaque, std::uint8_t *buf, int size)
{
    auto *self = static_cast<Mp4CopyWriter *>(opaque);
    const std::optional<std::int64_t> from = self->InputOffsetOf(buf, size);
    if (from && self->m_pendingSize > 0 && *from == self->m_pendingFrom + self->m_pendingSize) {
        self->m_pendingSize += size;
        return size;
    }
    if (!self->FlushPending())
        return AVERROR(EIO);
    if (from) {
        self->m_pendingFrom = *from;
        self->m_pendingSize = size;
        return size;
    }
    return self->m_splicer.Write(buf, size) ? size : AVERROR(EIO);
}

bool Mp4CopyWriter::FlushPending()
{
    const std::int64_t size = std::exchange(m_pendingSize, 0);
    return size == 0 || m_splicer.CopyFromSource(m_pendingFrom, size);
}

std::int64_t Mp4CopyWriter::SeekOutput(void *opaque, std::int64_t offset, int whence)
{
    auto *self = static_cast<Mp4CopyWriter *>(opaque);
    platform::FileSplicer &out = self->m_splicer;
    if (!self->FlushPending())
        return AVERROR(EIO);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return out.Size();
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += out.Position();
        break;
    case SEEK_END:
        offset += out.Size();
        break;
    default:
        return AVERROR(EINVAL);
    }
    return out.Seek(offset) ? offset : AVERROR(EIO);
}

bool Mp4CopyWriter::Write(const QString &path, const std::function<bool(double)> &progress,
                          QString *error)
{
    using Kind = ScannedSample::Kind;
    const std::vector<ScannedSample> &samples = m_scan.samples;
    bool audio = false, sensors = false;
    std::int64_t videoFrames = 0;
    for (const ScannedSample &s : samples) {
        if (s.kind == Kind::Audio)
            m_audioSamples.push_back(&s);
        audio |= s.kind == Kind::Audio;
        sensors |= s.kind == Kind::Sensor;
        if (s.kind == Kind::Video && s.track == 0)
            ++videoFrames;
    }
    AVFormatContext *raw = nullptr;
    if (const int rc = avformat_alloc_output_context2(&raw, nullptr, "mp4", nullptr); rc < 0)
        return Fail(QStringLiteral("no MP4 writer"), rc, error);
    m_out.reset(raw);
    m_out->flags |= AVFMT_FLAG_BITEXACT;
    if (!AddStreams(audio && m_layout.audio, sensors))
        return Fail(QStringLiteral("out of memory"), 0, error);
    constexpr int kIoBufferSize = 1 << 16;
    auto *buffer = static_cast<unsigned char *>(av_malloc(kIoBufferSize));
    if (!buffer)
        return Fail(QStringLiteral("out of memory"), 0, error);
    m_io.reset(
        avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, WritePacket, SeekOutput));
    if (!m_io) {
        av_free(buffer);
        return Fail(QStringLiteral("out of memory"), 0, error);
    }
    // Samples go to WritePacket as they are, not through the buffer.
    m_io->direct = 1;
    m_out->pb = m_io.get();
    if (const int rc = avformat_write_header(m_out.get(), nullptr); rc < 0)
        return Fail(QStringLiteral("writing the header"), rc, error);

    AvPtr<AVBufferRef> whole(av_buffer_create(const_cast<std::uint8_t *>(m_file.data()),
                                              m_file.size(), NoFree, nullptr,
                                              AV_BUFFER_FLAG_READONLY));
    AvPtr<AVBufferRef> audioCopies(av_buffer_create(const_cast<std::uint8_t *>(m_scan.audio.data()),
                                                    m_scan.audio.size(), NoFree, nullptr,
                                                    AV_BUFFER_FLAG_READONLY));
    AvPtr<AVPacket> pkt(av_packet_alloc());
    if (!whole || !audioCopies || !pkt)
        return Fail(QStringLiteral("out of memory"), 0, error);
    const std::int64_t videoEndMs =
        av_rescale(videoFrames, 1000LL * m_layout.fpsDen, m_layout.fpsNum);
    std::int64_t lastSensorMs = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const ScannedSample &s = samples[i];
        if (progress && i % 4096 == 0 &&
            !progress(0.5 + 0.5 * static_cast<double>(i) / static_cast<double>(samples.size())))
            return Fail(QStringLiteral("cancelled"), 0, error);
        av_packet_unref(pkt.get());
        AVStream *st = nullptr;
        switch (s.kind) {
        case Kind::Video:
            st = m_video[static_cast<std::size_t>(s.track)];
            pkt->pts = s.index;
            pkt->duration = 1;
            break;
        case Kind::Audio:
            st = m_audio;
            pkt->pts = m_layout.audio->firstPts + s.index * 1024;
            pkt->duration = 1024;
            break;
        case Kind::Sensor: {
            st = m_sensor;
            lastSensorMs = std::max<std::int64_t>(lastSensorMs, s.timeMs);
            pkt->pts = lastSensorMs;
            // Until the next record, at least one tick: a last sample of no duration is lost.
            std::int64_t next = videoEndMs;
            for (std::size_t j = i + 1; j < samples.size(); ++j)
                if (samples[j].kind == Kind::Sensor) {
                    next = samples[j].timeMs;
                    break;
                }
            pkt->duration = std::max<std::int64_t>(1, next - lastSensorMs);
            break;
        }
        }
        if (!st)
            continue;
        pkt->dts = pkt->pts;
        pkt->stream_index = st->index;
        pkt->flags = s.key ? AV_PKT_FLAG_KEY : 0;
        const bool copied = s.kind == Kind::Audio;
        pkt->buf = av_buffer_ref(copied ? audioCopies.get() : whole.get());
        if (!pkt->buf)
            return Fail(QStringLiteral("out of memory"), 0, error);
        pkt->data = copied ? const_cast<std::uint8_t *>(m_scan.audio.data() + s.copyAt)
                           : const_cast<std::uint8_t *>(m_file.data() + s.offset);
        pkt->size = static_cast<int>(s.length);
        const AVRational from = s.kind == Kind::Video ? AVRational{m_layout.fpsDen, m_layout.fpsNum}
                                : s.kind == Kind::Audio ? AVRational{1, m_layout.audio->sampleRate}
                                                        : AVRational{1, 1000};
        av_packet_rescale_ts(pkt.get(), from, st->time_base);
        if (const int rc = av_interleaved_write_frame(m_out.get(), pkt.get()); rc < 0)
            return Fail(QStringLiteral("writing the copy"), rc, error);
    }
    if (const int rc = av_write_trailer(m_out.get()); rc < 0)
        return Fail(QStringLiteral("writing the index"), rc, error);
    avio_flush(m_io.get());
    if (m_io->error < 0 || !FlushPending())
        return Fail(QStringLiteral("writing %1").arg(path), m_io->error, error);
    return m_splicer.Close(error);
}

} // namespace

Mp4Boxes ReadMp4Boxes(Bytes file)
{
    Mp4Boxes boxes;
    std::size_t at = 0;
    while (file.size() - at >= 8) {
        std::uint64_t size = Be32(&file[at]);
        std::size_t header = 8;
        if (size == 1) {
            if (file.size() - at < 16)
                break;
            size = Be64(&file[at + 8]);
            header = 16;
        }
        const bool toEnd = size == 0; // "extends to the end of the file"
        if (!toEnd && size < header)
            break;
        const bool whole = !toEnd && size <= file.size() - at;
        const std::uint8_t *type = &file[at + 4];
        if (at == 0)
            boxes.ftyp = FourCc(type, "ftyp");
        if (FourCc(type, "moov"))
            boxes.moov = boxes.moov || whole;
        if (FourCc(type, "mdat") && !boxes.payloadStart) {
            boxes.payloadStart = at + header;
            boxes.payloadEnd = whole ? at + size : file.size();
            boxes.mdatWhole = whole;
        }
        if (!whole)
            break;
        at += size;
    }
    return boxes;
}

FileState Mp4State(Bytes file)
{
    const Mp4Boxes boxes = ReadMp4Boxes(file);
    if (!boxes.ftyp)
        return FileState::NotRecording;
    if (boxes.moov)
        return FileState::Complete;
    return FileState::Cut;
}

RecoveryReport RecoverMp4(Bytes file, const RecoveryOptions &options, const QString &outputPath)
{
    RecoveryReport report;
    const Mp4Boxes boxes = ReadMp4Boxes(file);
    if (!boxes.payloadStart) {
        report.error = QStringLiteral("%1 holds no media data").arg(options.input);
        return report;
    }

    // The set-up: from a reference if there is one, else from the stream itself.
    StreamLayout layout;
    bool fromReference = false;
    const QString reference = !options.reference.isEmpty() ? options.reference
                              : options.findReference      ? FindReference(options.input)
                                                           : QString();
    if (!reference.isEmpty()) {
        QString why;
        auto read = ReadReference(reference, &why);
        if (!read) {
            report.error = QStringLiteral("the reference cannot be used: %1").arg(why);
            return report;
        }
        layout = std::move(*read);
        const auto byName = VideoStreamsByName(options.input);
        if (byName && *byName != static_cast<int>(layout.video.size())) {
            report.error = QStringLiteral("the reference %1 has %2 video streams, the recording %3")
                               .arg(reference)
                               .arg(layout.video.size())
                               .arg(*byName);
            return report;
        }
        fromReference = true;
        report.reference = reference;
    }
    std::vector<int> videoCounts;
    if (fromReference)
        videoCounts = {static_cast<int>(layout.video.size())};
    else if (const auto byName = VideoStreamsByName(options.input))
        videoCounts = {*byName};
    else
        videoCounts = {1, 2};

    FileWindow window;
    if (!window.Open(options.input, &report.error))
        return report;
    // The copy keeps the samples in the recording's order, most often from where the recording
    // has them: they are copied there while the scan finds out which they are.
    platform::FileSplicer out;
    if (!out.Open(options.input, outputPath, &report.error))
        return report;
    out.CopyAheadInBackground(static_cast<std::int64_t>(*boxes.payloadStart),
                              static_cast<std::int64_t>(boxes.payloadEnd - *boxes.payloadStart));
    ScanResult best;
    StreamLayout bestLayout;
    for (int count : videoCounts) {
        StreamLayout trial = layout;
        if (!fromReference) {
            trial.video.assign(static_cast<std::size_t>(count), VideoSetup{});
            trial.audio = DefaultAudio();
        }
        Mp4SampleScanner scanner(window, trial);
        auto scanProgress = [&](double f) { return !options.progress || options.progress(f / 2); };
        ScanResult scan = scanner.Scan(*boxes.payloadStart, boxes.payloadEnd, scanProgress);
        if (scan.cancelled) {
            report.error = QStringLiteral("cancelled");
            return report;
        }
        if (scan.unreadable) {
            report.error = QStringLiteral("cannot read %1: %2").arg(options.input, scan.stopReason);
            return report;
        }
        if (best.samples.empty() || scan.end > best.end) {
            best = std::move(scan);
            bestLayout = std::move(trial);
        }
    }

    std::vector<std::int64_t> videoFrames(bestLayout.video.size(), 0);
    std::int64_t audioFrames = 0;
    std::uint32_t lastRecordMs = 0;
    for (const ScannedSample &s : best.samples) {
        if (s.kind == ScannedSample::Kind::Video) {
            ++videoFrames[static_cast<std::size_t>(s.track)];
        } else if (s.kind == ScannedSample::Kind::Audio) {
            ++audioFrames;
        } else {
            ++report.sensorRecords;
            lastRecordMs = s.timeMs;
        }
    }
    if (videoFrames.empty() || videoFrames.front() == 0) {
        report.error = QStringLiteral("nothing to recover: %1")
                           .arg(best.stopReason.isEmpty() ? QStringLiteral("no whole video frame")
                                                          : best.stopReason);
        return report;
    }

    out.TrimCopyAhead(static_cast<std::int64_t>(best.end));
    Mp4CopyWriter writer(file, bestLayout, best, out);
    if (!writer.Write(outputPath, options.progress, &report.error))
        return report;

    const double frameSeconds = static_cast<double>(bestLayout.fpsDen) / bestLayout.fpsNum;
    for (std::int64_t frames : videoFrames)
        report.streams.push_back({StreamKind::Video, frames, frames * frameSeconds});
    if (audioFrames > 0 && bestLayout.audio)
        report.streams.push_back(
            {StreamKind::Audio, audioFrames, audioFrames * 1024.0 / bestLayout.audio->sampleRate});
    if (report.sensorRecords > 0)
        report.streams.push_back({StreamKind::Sensor, report.sensorRecords, lastRecordMs / 1000.0});
    report.seconds = videoFrames.front() * frameSeconds;
    report.bytesUsed = static_cast<std::int64_t>(best.end);
    report.stopReason = best.stopReason;
    report.ok = true;
    return report;
}

} // namespace recovery
