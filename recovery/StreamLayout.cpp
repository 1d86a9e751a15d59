#include "recovery/StreamLayout.h"

#include "recovery/LibavPointers.h"
#include "recovery/RecordingRecovery.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace recovery
{
namespace
{

// Opening a candidate costs a read of its index; a card holds hundreds of recordings.
constexpr int kMaxReferenceCandidates = 12;

std::optional<VideoSetup> VideoFrom(const AVCodecParameters &par)
{
    if (par.codec_id != AV_CODEC_ID_H264 || !par.extradata)
        return std::nullopt;
    VideoSetup v;
    v.avcC.assign(par.extradata, par.extradata + par.extradata_size);
    const auto sets = ParseAvcC(v.avcC);
    if (!sets || sets->sps.empty() || sets->pps.empty())
        return std::nullopt;
    v.sps = ParseSps(sets->sps.front());
    if (!v.sps)
        return std::nullopt;
    v.width = par.width > 0 ? par.width : v.sps->width;
    v.height = par.height > 0 ? par.height : v.sps->height;
    return v;
}

} // namespace

AudioSetup DefaultAudio()
{
    AudioSetup a;
    // Object type 2 (LC), frequency index 3 (48000), one channel.
    a.config = {0x11, 0x88};
    return a;
}

std::optional<StreamLayout> ReadReference(const QString &path, QString *why)
{
    auto fail = [&](const QString &reason) -> std::optional<StreamLayout> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    if (ProbeFile(path) != FileState::Complete)
        return fail(QStringLiteral("%1 is not a complete recording").arg(path));
    AVFormatContext *raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return fail(QStringLiteral("cannot open %1").arg(path));
    InputPtr ctx(raw);
    StreamLayout layout;
    int audioIndex = -1;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream *st = ctx->streams[i];
        const AVCodecParameters &par = *st->codecpar;
        switch (par.codec_type) {
        case AVMEDIA_TYPE_VIDEO: {
            auto v = VideoFrom(par);
            if (!v)
                return fail(QStringLiteral("%1: video stream %2 is not H.264 with parameter sets")
                                .arg(path)
                                .arg(i));
            if (layout.video.empty()) {
                const AVRational rate =
                    st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
                if (rate.num > 0 && rate.den > 0) {
                    layout.fpsNum = rate.num;
                    layout.fpsDen = rate.den;
                } else if (v->sps->frameRate) {
                    layout.fpsNum = v->sps->frameRate->first;
                    layout.fpsDen = v->sps->frameRate->second;
                }
            }
            layout.frameRateKnown = true;
            layout.video.push_back(std::move(*v));
            break;
        }
        case AVMEDIA_TYPE_AUDIO:
            if (par.codec_id != AV_CODEC_ID_AAC || !par.extradata || layout.audio)
                return fail(QStringLiteral("%1: the sound is not AAC").arg(path));
            layout.audio = AudioSetup{};
            layout.audio->config.assign(par.extradata, par.extradata + par.extradata_size);
            layout.audio->sampleRate = par.sample_rate;
            layout.audio->channels = par.ch_layout.nb_channels;
            audioIndex = static_cast<int>(i);
            break;
        case AVMEDIA_TYPE_DATA:
        case AVMEDIA_TYPE_UNKNOWN:
            layout.sensors = true;
            break;
        default:
            break;
        }
    }
    if (layout.video.empty())
        return fail(QStringLiteral("%1 has no video").arg(path));
    // Where the sound starts: the first audio packet's time.
    if (audioIndex >= 0) {
        AvPtr<AVPacket> pkt(av_packet_alloc());
        for (int n = 0; pkt && n < 64 && av_read_frame(ctx.get(), pkt.get()) >= 0; ++n) {
            const bool audio = pkt->stream_index == audioIndex;
            if (audio && pkt->pts != AV_NOPTS_VALUE)
                layout.audio->firstPts = av_rescale_q(pkt->pts, ctx->streams[audioIndex]->time_base,
                                                      {1, layout.audio->sampleRate});
            av_packet_unref(pkt.get());
            if (audio)
                break;
        }
    }
    return layout;
}

std::optional<int> VideoStreamsByName(const QString &path)
{
    static const QRegularExpression name(
        QStringLiteral("^\\d{8}_\\d{6}_[A-Za-z]{3}_[Cc]([12])\\."));
    const auto m = name.match(QFileInfo(path).fileName());
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt();
}

QString FindReference(const QString &cut)
{
    const QFileInfo info(cut);
    const auto streams = VideoStreamsByName(cut);
    QStringList names =
        info.dir().entryList({QStringLiteral("*.") + info.suffix()}, QDir::Files | QDir::Readable,
                             QDir::Name | QDir::IgnoreCase);
    names.removeAll(info.fileName());
    // Nearest in name order first (the names are times), earlier before later.
    QStringList before, after;
    for (const QString &n : names)
        (QString::compare(n, info.fileName(), Qt::CaseInsensitive) < 0 ? before : after).append(n);
    std::reverse(before.begin(), before.end());
    QStringList order;
    for (qsizetype i = 0; i < std::max(before.size(), after.size()); ++i) {
        if (i < before.size())
            order.append(before[i]);
        if (i < after.size())
            order.append(after[i]);
    }
    int tried = 0;
    for (const QString &n : order) {
        const QString path = info.dir().filePath(n);
        if (VideoStreamsByName(path) != streams)
            continue;
        if (++tried > kMaxReferenceCandidates)
            break;
        if (ReadReference(path, nullptr))
            return path;
    }
    return {};
}

} // namespace recovery
