// A recording cut by a power loss is recovered into a copy that plays (ffprobe, GStreamer), whose
// decoded frames are those of the intact recording up to the cut, with its sound and sensor
// records; what cannot be recovered ends with a clear message and no file.

#include "recovery/LibavPointers.h"
#include "recovery/RecordingRecovery.h"
#include "tools/export/SensorExport.h"
#include "tools/make-card/CardGenerator.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <map>
#include <memory>

namespace
{

using cardgen::Container;

QString TempRoot()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath());
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

enum class Kind { Video0, Video1, Audio, Sensor };

// Where each packet of the intact recording lies, to know what a cut leaves whole.
struct PacketSpan {
    Kind kind;
    std::int64_t pos = 0;
    std::int64_t end = 0; // first byte after it
    bool empty = false;
};

std::vector<PacketSpan> PacketSpans(const QString &path)
{
    std::vector<PacketSpan> spans;
    AVFormatContext *raw = nullptr;
    if (avformat_open_input(&raw, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return spans;
    const recovery::InputPtr ctx(raw);
    std::vector<Kind> kinds;
    int video = 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const auto type = ctx->streams[i]->codecpar->codec_type;
        kinds.push_back(type == AVMEDIA_TYPE_VIDEO   ? (video++ ? Kind::Video1 : Kind::Video0)
                        : type == AVMEDIA_TYPE_AUDIO ? Kind::Audio
                                                     : Kind::Sensor);
    }
    const recovery::AvPtr<AVPacket> pkt(av_packet_alloc());
    while (av_read_frame(ctx.get(), pkt.get()) >= 0) {
        spans.push_back({kinds[static_cast<std::size_t>(pkt->stream_index)], pkt->pos,
                         pkt->pos + pkt->size, pkt->size == 0});
        av_packet_unref(pkt.get());
    }
    return spans;
}

// The decoded frames of one stream as FFmpeg's framemd5 lists them.
QStringList FrameChecksums(const QString &path, const QString &map)
{
    QProcess ff;
    ff.start("ffmpeg", {"-v", "error", "-i", path, "-map", map, "-f", "framemd5", "-"});
    if (!ff.waitForFinished(120000) || ff.exitCode() != 0)
        return {QStringLiteral("ffmpeg failed: ") + QString::fromUtf8(ff.readAllStandardError())};
    QStringList sums;
    for (const QByteArray &line : ff.readAllStandardOutput().split('\n'))
        if (!line.startsWith('#') && !line.trimmed().isEmpty())
            sums.append(QString::fromLatin1(line.split(',').last().trimmed()));
    return sums;
}

// ffprobe's stream types, or an error text.
QStringList ProbeStreams(const QString &path)
{
    QProcess probe;
    probe.start("ffprobe",
                {"-v", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0", path});
    if (!probe.waitForFinished(60000) || probe.exitCode() != 0 ||
        !probe.readAllStandardError().isEmpty())
        return {QStringLiteral("ffprobe failed")};
    return QString::fromLatin1(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// Plays the file to its end through GStreamer's decoders, as the player does, counting the
// decoded pictures of each video stream; empty on an error.
std::vector<int> GStreamerVideoFrames(const QString &path)
{
    struct Counts {
        std::map<GstPad *, int> frames;
    } counts;
    GstElement *pipeline = gst_pipeline_new(nullptr);
    GstElement *decode = gst_element_factory_make("uridecodebin", nullptr);
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    g_object_set(decode, "uri", uri.constData(), nullptr);
    gst_bin_add(GST_BIN(pipeline), decode);
    auto onPad = +[](GstElement *, GstPad *pad, gpointer data) {
        auto *c = static_cast<Counts *>(data);
        GstCaps *caps = gst_pad_get_current_caps(pad);
        const bool video =
            caps &&
            g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "video/");
        if (caps)
            gst_caps_unref(caps);
        GstElement *sink = gst_element_factory_make("fakesink", nullptr);
        g_object_set(sink, "sync", FALSE, nullptr);
        GstElement *parent = GST_ELEMENT(gst_element_get_parent(gst_pad_get_parent_element(pad)));
        gst_bin_add(GST_BIN(parent), sink);
        gst_element_sync_state_with_parent(sink);
        GstPad *sinkPad = gst_element_get_static_pad(sink, "sink");
        gst_pad_link(pad, sinkPad);
        gst_object_unref(sinkPad);
        if (video) {
            c->frames[pad] = 0;
            gst_pad_add_probe(
                pad, GST_PAD_PROBE_TYPE_BUFFER,
                +[](GstPad *p, GstPadProbeInfo *, gpointer d) {
                    ++static_cast<Counts *>(d)->frames[p];
                    return GST_PAD_PROBE_OK;
                },
                c, nullptr);
        }
    };
    g_signal_connect(decode, "pad-added", G_CALLBACK(onPad), &counts);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *msg = gst_bus_timed_pop_filtered(
        bus, 60 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
    if (msg)
        gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    std::vector<int> frames;
    if (ok)
        for (const auto &[pad, n] : counts.frames)
            frames.push_back(n);
    std::sort(frames.begin(), frames.end());
    return frames;
}

struct Layout {
    Container container;
    bool rear;
    const char *label;
};
constexpr Layout kLayouts[] = {
    {Container::Mp4, false, "MP4 C1"},
    {Container::Mp4, true, "MP4 C2"},
    {Container::Avi, false, "AVI C1"},
    {Container::Avi, true, "AVI C2"},
};

cardgen::RecordingOptions Options(const Layout &layout)
{
    cardgen::RecordingOptions o;
    o.container = layout.container;
    o.rear = layout.rear;
    o.width = 160;
    o.height = 96;
    o.durationMs = 3000;
    o.category = cardgen::Category::Event;
    o.start = QDateTime(QDate(2014, 7, 22), QTime(8, 12, 30));
    return o;
}

QString NameFor(cardgen::RecordingOptions o, int minute)
{
    o.start = o.start.addSecs(60 * minute);
    return cardgen::RecordingFileName(o);
}

class RecoverTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        av_log_set_level(AV_LOG_FATAL);
        gst_init(nullptr, nullptr);
    }
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // The card folder holds the intact recording (a reference the recovery finds by itself)
    // and the cut one; copies go to their own folder.
    QString Card() const { return m_dir.filePath("card"); }
    QString Out() const { return m_dir.filePath("out"); }

    QString WriteIntact(const cardgen::RecordingOptions &base)
    {
        cardgen::RecordingOptions o = base;
        o.path = QDir(Card()).filePath(NameFor(base, 0));
        QString error;
        EXPECT_TRUE(cardgen::WriteRecording(o, &error)) << error.toStdString();
        return o.path;
    }
    QString WriteCut(const cardgen::RecordingOptions &base, std::int64_t atByte)
    {
        cardgen::RecordingOptions o = base;
        o.path = QDir(Card()).filePath(NameFor(base, 1));
        o.cutAtByte = atByte;
        QFile::remove(o.path);
        QString error;
        EXPECT_TRUE(cardgen::WriteRecording(o, &error)) << error.toStdString();
        return o.path;
    }
    std::int64_t WrittenWithoutIndex(const cardgen::RecordingOptions &base)
    {
        cardgen::RecordingOptions o = base;
        o.path = m_dir.filePath("whole-no-index");
        o.cutAtPercent = 100;
        QString error;
        EXPECT_TRUE(cardgen::WriteRecording(o, &error)) << error.toStdString();
        return QFileInfo(o.path).size();
    }
    recovery::RecoveryReport Recover(const QString &cut, const QString &out = {})
    {
        recovery::RecoveryOptions options;
        options.input = cut;
        options.output = out.isEmpty() ? QDir(Out()).filePath(QFileInfo(cut).fileName()) : out;
        options.overwrite = true;
        return recovery::Recover(options);
    }

    QTemporaryDir m_dir{TempRoot() + "/recover-XXXXXX"};
};

// What a cut at `cut` leaves whole of the intact recording.
struct Expected {
    int video[2] = {0, 0};
    int audio = 0;
    int records = 0;
};
Expected WholeBefore(const std::vector<PacketSpan> &spans, std::int64_t cut)
{
    Expected e;
    for (const PacketSpan &s : spans) {
        if (s.end > cut)
            continue;
        switch (s.kind) {
        case Kind::Video0:
            ++e.video[0];
            break;
        case Kind::Video1:
            ++e.video[1];
            break;
        case Kind::Audio:
            ++e.audio;
            break;
        case Kind::Sensor:
            e.records += !s.empty;
            break;
        }
    }
    return e;
}

void ExpectPrefix(const QStringList &copy, const QStringList &intact, int count,
                  const std::string &what)
{
    ASSERT_GE(intact.size(), count) << what;
    EXPECT_EQ(copy.size(), count) << what;
    for (int i = 0; i < std::min<int>(count, copy.size()); ++i)
        if (copy[i] != intact[i]) {
            ADD_FAILURE() << what << ": frame " << i << " differs";
            break;
        }
}

// The exporter reads the copy's first `records` records exactly as the intact recording's.
void ExpectSensorsUpTo(const QString &copy, const sensorexport::Recording &intact, int records)
{
    sensorexport::Recording copied = sensorexport::Read(copy);
    ASSERT_TRUE(copied.error.isEmpty()) << copied.error.toStdString();
    EXPECT_EQ(copied.records, static_cast<std::size_t>(records));
    sensorexport::Recording truncated = intact;
    truncated.fixes.resize(std::min(truncated.fixes.size(), copied.fixes.size()));
    truncated.samples.resize(std::min(truncated.samples.size(), copied.samples.size()));
    copied.path = truncated.path;
    EXPECT_EQ(sensorexport::ToGpx({copied}), sensorexport::ToGpx({truncated}));
    EXPECT_EQ(sensorexport::ToCsv({copied}), sensorexport::ToCsv({truncated}));
}

TEST_F(RecoverTest, CopiesPlayFrameForFrameUpToTheCut)
{
    for (const Layout &layout : kLayouts) {
        SCOPED_TRACE(layout.label);
        const cardgen::RecordingOptions base = Options(layout);
        const QString intact = WriteIntact(base);
        const std::vector<PacketSpan> spans = PacketSpans(intact);
        ASSERT_FALSE(spans.empty());
        const std::int64_t written = WrittenWithoutIndex(base);

        // The cut points: in the first frame, one byte before and at the end of samples, the
        // middle, and near the end.
        auto firstOf = [&](Kind k, int nth) {
            for (const PacketSpan &s : spans)
                if (s.kind == k && !s.empty && nth-- == 0)
                    return s;
            return PacketSpan{};
        };
        const PacketSpan midVideo = firstOf(Kind::Video0, 40);
        const PacketSpan midAudio = firstOf(Kind::Audio, 70);
        const PacketSpan midRecord = firstOf(Kind::Sensor, 20);
        const PacketSpan lastRearOrFront = firstOf(layout.rear ? Kind::Video1 : Kind::Video0, 80);
        const struct {
            const char *where;
            std::int64_t at;
        } cuts[] = {
            {"inside the first frame",
             (firstOf(Kind::Video0, 0).pos + firstOf(Kind::Video0, 0).end) / 2},
            {"after the first frames", firstOf(Kind::Video0, 1).end},
            {"mid-file", written / 2},
            {"one byte before a video frame's end", midVideo.end - 1},
            {"one byte before an audio frame's end", midAudio.end - 1},
            {"one byte before a sensor record's end", midRecord.end - 1},
            {"inside a late frame", (lastRearOrFront.pos + lastRearOrFront.end) / 2},
            {"90 % of the file", written * 9 / 10},
            {"near the end", written - 7},
            {"after the last sample", written},
        };
        const QStringList intactVideo[2] = {FrameChecksums(intact, "0:v:0"),
                                            layout.rear ? FrameChecksums(intact, "0:v:1")
                                                        : QStringList()};
        const QStringList intactAudio = FrameChecksums(intact, "0:a");
        const sensorexport::Recording intactSensors = sensorexport::Read(intact);
        for (const auto &cut : cuts) {
            SCOPED_TRACE(cut.where);
            const QString cutPath = WriteCut(base, cut.at);
            const QByteArray cutBytes = ReadAll(cutPath);
            const recovery::RecoveryReport report = Recover(cutPath);
            EXPECT_EQ(ReadAll(cutPath), cutBytes) << "the cut file is only read";
            const Expected want = WholeBefore(spans, cut.at);
            const QString copy = QDir(Out()).filePath(QFileInfo(cutPath).fileName());
            if (want.video[0] == 0) {
                std::printf("cut table: %-7s %-40s at %7lld of %7lld: nothing (%s)\n", layout.label,
                            cut.where, static_cast<long long>(cut.at),
                            static_cast<long long>(written), qPrintable(report.error));
                EXPECT_FALSE(report.ok);
                EXPECT_TRUE(report.error.startsWith("nothing to recover"))
                    << report.error.toStdString();
                EXPECT_FALSE(QFile::exists(copy));
                EXPECT_TRUE(
                    QDir(Out()).entryList(QDir::Files | QDir::Hidden).filter(".part").isEmpty())
                    << "no temporary file left";
                continue;
            }
            ASSERT_TRUE(report.ok) << report.error.toStdString();
            std::printf("cut table: %-7s %-40s at %7lld of %7lld: video %d/%d, audio %d, "
                        "records %lld, %.2f s\n",
                        layout.label, cut.where, static_cast<long long>(cut.at),
                        static_cast<long long>(written), static_cast<int>(report.streams[0].frames),
                        layout.rear ? static_cast<int>(report.streams[1].frames) : 0,
                        report.streams.size() > 2
                            ? static_cast<int>(report.streams[layout.rear ? 2 : 1].frames)
                            : 0,
                        static_cast<long long>(report.sensorRecords), report.seconds);

            // ffprobe reads it, with every stream.
            const QStringList types = ProbeStreams(copy);
            EXPECT_EQ(types.count("video"), layout.rear ? 2 : 1) << types.join(' ').toStdString();
            EXPECT_EQ(types.count("audio"), 1) << types.join(' ').toStdString();

            // Frame for frame the intact recording's pictures and sound, up to the cut.
            ExpectPrefix(FrameChecksums(copy, "0:v:0"), intactVideo[0], want.video[0], "front");
            if (layout.rear)
                ExpectPrefix(FrameChecksums(copy, "0:v:1"), intactVideo[1], want.video[1], "rear");
            const QStringList audio = FrameChecksums(copy, "0:a");
            EXPECT_GE(audio.size(), want.audio - 1); // the priming frame is not output
            ExpectPrefix(audio, intactAudio, static_cast<int>(audio.size()), "audio");

            // GStreamer plays every picture.
            std::vector<int> wantGst = {want.video[0]};
            if (layout.rear)
                wantGst.push_back(want.video[1]);
            std::sort(wantGst.begin(), wantGst.end());
            EXPECT_EQ(GStreamerVideoFrames(copy), wantGst);

            // The sensor records up to the cut, with their times: the same GPX and CSV.
            EXPECT_EQ(report.sensorRecords, want.records);
            ExpectSensorsUpTo(copy, intactSensors, want.records);
        }
    }
}

// The generator leaves a cut recording as the camera does: the bytes written up to the power
// loss, with the sizes and counts still as they were at the start and no index.
TEST_F(RecoverTest, GeneratorCutsAsACameraWould)
{
    auto le32 = [](const QByteArray &b, qsizetype at) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at])) |
               static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 8 |
               static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 2])) << 16 |
               static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
    };
    for (const Layout &layout : kLayouts) {
        SCOPED_TRACE(layout.label);
        const cardgen::RecordingOptions base = Options(layout);
        const QByteArray intact = ReadAll(WriteIntact(base));
        const QByteArray cut = ReadAll(WriteCut(base, intact.size() / 2));
        ASSERT_EQ(cut.size(), intact.size() / 2);
        if (layout.container == Container::Mp4) {
            const qsizetype mdat = cut.indexOf("mdat");
            ASSERT_GT(mdat, 4);
            EXPECT_EQ(cut.mid(mdat - 4, 4), QByteArray(4, '\0')) << "mdat size still 0";
            EXPECT_FALSE(cut.contains("moov"));
            // Everything else as the intact recording has it.
            EXPECT_EQ(cut.mid(mdat), intact.mid(mdat, cut.size() - mdat));
        } else {
            // A writer's placeholder (0xFFFFFFFF from libavformat), not the file's size.
            EXPECT_EQ(le32(cut, 4), 0xFFFFFFFFu) << "RIFF size";
            const qsizetype avih = cut.indexOf("avih");
            EXPECT_EQ(le32(cut, avih + 8 + 16), 0u) << "total frames";
            const qsizetype strh = cut.indexOf("strh");
            EXPECT_EQ(le32(cut, strh + 8 + 32), 0u) << "stream length";
            EXPECT_FALSE(cut.contains("idx1"));
            const qsizetype movi = cut.indexOf("movi");
            EXPECT_EQ(cut.mid(movi), intact.mid(movi, cut.size() - movi));
        }
    }
    // The demo card has one, as a card taken out of a car would.
    const cardgen::CardOptions demo = cardgen::DemoCard("/card");
    EXPECT_EQ(std::count_if(demo.recordings.begin(), demo.recordings.end(),
                            [](const cardgen::RecordingOptions &o) { return o.cutAtPercent; }),
              1);
}

TEST_F(RecoverTest, TellsCompleteCutAndForeignFilesApart)
{
    cardgen::RecordingOptions mp4 = Options(kLayouts[1]);
    cardgen::RecordingOptions avi = Options(kLayouts[3]);
    const QString intactMp4 = WriteIntact(mp4);
    const QString intactAvi = WriteIntact(avi);
    const QString cutMp4 = WriteCut(mp4, 20000);
    const QString cutAvi = WriteCut(avi, 30000);
    const QString text = m_dir.filePath("notes.MP4");
    const QString empty = m_dir.filePath("empty.AVI");
    const QString riffWav = m_dir.filePath("sound.AVI");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a recording at all, just some text that is long enough\n");
        QFile e(empty);
        ASSERT_TRUE(e.open(QIODevice::WriteOnly));
        QFile w(riffWav);
        ASSERT_TRUE(w.open(QIODevice::WriteOnly));
        w.write(QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) + QByteArray(64, '\0'));
    }
    using S = recovery::FileState;
    const struct {
        QString path;
        S state;
        const char *error; // what recovering it says
    } cases[] = {
        {intactMp4, S::Complete, "plays as it is"},
        {intactAvi, S::Complete, "plays as it is"},
        {cutMp4, S::Cut, nullptr},
        {cutAvi, S::Cut, nullptr},
        {text, S::NotRecording, "is not a recording"},
        {empty, S::NotRecording, "is not a recording"},
        {riffWav, S::NotRecording, "is not a recording"},
        {m_dir.filePath("missing.MP4"), S::NotRecording, "is not a file"},
        {m_dir.path(), S::NotRecording, "is not a file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(recovery::ProbeFile(c.path), c.state);
        const QString out = QDir(Out()).filePath("copy-" + QFileInfo(c.path).fileName());
        const recovery::RecoveryReport report = Recover(c.path, out);
        EXPECT_EQ(report.ok, c.error == nullptr) << report.error.toStdString();
        if (c.error) {
            EXPECT_TRUE(report.error.contains(c.error)) << report.error.toStdString();
            EXPECT_FALSE(QFile::exists(out));
        }
    }
}

// A camera that repeats SPS and PPS before each key frame needs no reference; one that does
// not, with no intact recording beside it, gets a message that says so. A constant bit rate
// pads pictures with filler data.
TEST_F(RecoverTest, ParameterSetsFromTheStreamOrAReference)
{
    const struct {
        const char *name;
        bool inBand;
        int bitRate;
    } cases[] = {
        {"in-band", true, 0},
        {"in-band, constant bit rate", true, 2'000'000},
        {"reference only", false, 0},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = m_dir.filePath(QStringLiteral("alone%1/").arg(++n));
        cardgen::RecordingOptions o = Options(kLayouts[1]);
        o.repeatParameterSets = c.inBand;
        o.videoBitRate = c.bitRate;
        o.path = folder + "intact.MP4";
        QString error;
        ASSERT_TRUE(cardgen::WriteRecording(o, &error)) << error.toStdString();
        cardgen::RecordingOptions cut = o;
        cut.path = folder + "20140722_081230_EVT_C2.MP4";
        cut.cutAtPercent = 60;
        ASSERT_TRUE(cardgen::WriteRecording(cut, &error)) << error.toStdString();
        if (!c.inBand)
            QFile::remove(o.path); // nothing beside it to learn from

        const QString copy = QDir(Out()).filePath(QStringLiteral("copy%1.MP4").arg(n));
        const recovery::RecoveryReport report = Recover(cut.path, copy);
        if (!c.inBand) {
            EXPECT_FALSE(report.ok);
            EXPECT_TRUE(report.error.contains("parameter sets")) << report.error.toStdString();
            EXPECT_FALSE(QFile::exists(copy));
            continue;
        }
        ASSERT_TRUE(report.ok) << report.error.toStdString();
        EXPECT_TRUE(report.reference.isEmpty()) << "the stream carried its own set-up";
        const std::vector<PacketSpan> spans = PacketSpans(o.path);
        const Expected want = WholeBefore(spans, QFileInfo(cut.path).size());
        EXPECT_EQ(report.streams[0].frames, want.video[0]) << report.stopReason.toStdString();
        ExpectPrefix(FrameChecksums(copy, "0:v:0"), FrameChecksums(o.path, "0:v:0"), want.video[0],
                     "front");
        ExpectPrefix(FrameChecksums(copy, "0:v:1"), FrameChecksums(o.path, "0:v:1"), want.video[1],
                     "rear");
        EXPECT_EQ(report.sensorRecords, want.records);
        ExpectSensorsUpTo(copy, sensorexport::Read(o.path), want.records);
        EXPECT_EQ(GStreamerVideoFrames(copy), (std::vector<int>{want.video[1], want.video[0]}));
    }
}

// The command: prints what it recovered, writes nothing beside the recording unless told,
// never writes over a file unless told, and fails with a message and a non-zero status.
TEST_F(RecoverTest, Command)
{
    const cardgen::RecordingOptions o = Options(kLayouts[1]);
    WriteIntact(o);
    const QString cut = WriteCut(o, 40000);
    QDir().mkpath(Out());
    auto run = [](const QStringList &args, const QString &cwd) {
        QProcess p;
        p.setWorkingDirectory(cwd);
        p.start(QUORVIL_RECOVER_BIN, args);
        p.waitForFinished(120000);
        return std::tuple(p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                          QString::fromUtf8(p.readAllStandardError()));
    };
    const QString copy = QDir(Out()).filePath(QFileInfo(cut).fileName());

    auto [code, out, err] = run({cut}, Out());
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_TRUE(out.contains(QRegularExpression("video 1: \\d+ frames"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression("video 2: \\d+ frames"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression("audio: \\d+ frames"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression("sensor: \\d+ records"))) << out.toStdString();
    EXPECT_TRUE(out.contains("set-up from")) << out.toStdString();

    const QByteArray first = ReadAll(copy);
    std::tie(code, out, err) = run({cut}, Out());
    EXPECT_NE(code, 0);
    EXPECT_TRUE(err.contains("exists")) << err.toStdString();
    EXPECT_EQ(ReadAll(copy), first);
    std::tie(code, out, err) = run({cut, "--overwrite"}, Out());
    EXPECT_EQ(code, 0) << err.toStdString();

    const QStringList before = QDir(Card()).entryList(QDir::Files | QDir::Hidden);
    std::tie(code, out, err) = run({cut}, Card());
    EXPECT_NE(code, 0);
    EXPECT_TRUE(err.contains("-o")) << err.toStdString();
    EXPECT_EQ(QDir(Card()).entryList(QDir::Files | QDir::Hidden), before) << "nothing on the card";

    const QString other = QDir(Out()).filePath("explicit.MP4");
    std::tie(code, out, err) =
        run({cut, "-o", other, "--no-search", "--reference", QDir(Card()).filePath(NameFor(o, 0))},
            m_dir.path());
    EXPECT_EQ(code, 0) << err.toStdString();
    EXPECT_EQ(ReadAll(other), first) << "the same copy from the same reference";

    const QString text = m_dir.filePath("text.MP4");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("hello");
    }
    std::tie(code, out, err) = run({text, "-o", QDir(Out()).filePath("t.MP4")}, m_dir.path());
    EXPECT_NE(code, 0);
    EXPECT_TRUE(err.contains("is not a recording")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(QDir(Out()).filePath("t.MP4")));
}

} // namespace
