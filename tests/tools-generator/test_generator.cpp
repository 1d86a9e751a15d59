// The generator behind every test recording: what it promises in CardGenerator.h holds.

#include "library/CardInformation.h"
#include "sensors/CTextData.h"
#include "tools/make-card/CardGenerator.h"
#include "tools/make-card/LibavHandles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace
{

using namespace cardgen;

QString TempRoot()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath());
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::string Text(const SensorRecord &r)
{
    return std::string(r.bytes.begin(), r.bytes.end() - 1); // without the zero
}

bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

struct CommandRun {
    int status = -1;
    QString errors;
};

CommandRun MakeCard(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(QUORVIL_MAKE_CARD_BIN), args);
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromLocal8Bit(p.readAllStandardError())};
}

// Every file under `root` with its bytes.
QMap<QString, QByteArray> Snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, ReadAll(path));
    }
    return files;
}

double Degrees(double nmea)
{
    const double whole = std::trunc(nmea / 100);
    return whole + (nmea / 100 - whole) * 100 / 60;
}

TEST(Generator, FileNames)
{
    struct Case {
        Category category;
        bool rear;
        Container container;
        const char *name;
    };
    const Case cases[] = {
        {Category::Normal, true, Container::Avi, "20140721_093000_NOR_C2.AVI"},
        {Category::Event, false, Container::Mp4, "20140721_093000_EVT_C1.MP4"},
        {Category::Motion, true, Container::Mp4, "20140721_093000_MOT_C2.MP4"},
    };
    for (const Case &c : cases) {
        RecordingOptions o;
        o.category = c.category;
        o.rear = c.rear;
        o.container = c.container;
        const QString name = RecordingFileName(o);
        EXPECT_EQ(name.toStdString(), c.name);
        EXPECT_EQ(name.mid(21, 1), c.rear ? "2" : "1"); // the channel digit at position 21
    }
}

TEST(Generator, SensorRecordsFollowTheDocumentedLayout)
{
    const QRegularExpression rmc(
        "^GPRMC,(\\d{6})\\.00,([AV]),(\\d{4}\\.\\d{4})?,([NS])?,(\\d{5}\\.\\d{4})?,([EW])?,"
        "(\\d+\\.\\d{3})?,(\\d+\\.\\d{2})?,(\\d{6}),,,([ADN])\\*([0-9A-F]{2})$");
    struct Case {
        City city;
        Category category;
        char ns, ew;
        double latMin, latMax, lonMin, lonMax;
    };
    const Case cases[] = {
        {City::Seoul, Category::Normal, 'N', 'E', 37.50, 37.58, 126.93, 126.98},
        {City::Sydney, Category::Event, 'S', 'E', -33.89, -33.86, 151.16, 151.22},
        {City::BuenosAires, Category::Motion, 'S', 'W', -34.61, -34.56, -58.43, -58.37},
        {City::NewYork, Category::Event, 'N', 'W', 40.75, 40.80, -73.99, -73.95},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.city));
        RecordingOptions o;
        o.city = c.city;
        o.category = c.category;
        o.durationMs = 120000;
        o.seed = 5;
        const std::vector<SensorRecord> records = MakeSensorRecords(o);
        std::size_t samples = 0, fixes = 0, voids = 0;
        std::uint32_t previous = 0;
        double prevLat = 0, prevLon = 0;
        std::uint32_t prevTime = 0;
        bool havePrev = false;
        int minRawY = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const SensorRecord &r = records[i];
            if (i > 0) {
                EXPECT_GT(r.timeMs, previous) << "strictly ascending";
            }
            previous = r.timeMs;
            EXPECT_LT(r.timeMs, static_cast<std::uint32_t>(o.durationMs));
            EXPECT_EQ(r.timeMs % 10, 0u) << "fits the AVI time base";
            if (r.bytes[0] == 'M') {
                ASSERT_EQ(r.bytes.size(), 13u);
                EXPECT_EQ(r.timeMs % 100, 50u);
                ++samples;
                const auto y = static_cast<std::int32_t>(r.bytes[5] | r.bytes[6] << 8 |
                                                         r.bytes[7] << 16 | r.bytes[8] << 24);
                minRawY = std::min(minRawY, y);
                continue;
            }
            ++fixes;
            ASSERT_EQ(r.bytes.back(), 0);
            EXPECT_EQ(r.timeMs % 1000, 0u);
            const std::string s = Text(r);
            const auto m = rmc.match(QString::fromStdString(s));
            ASSERT_TRUE(m.hasMatch()) << s;
            unsigned sum = 0;
            for (char ch : s.substr(0, s.find('*')))
                sum ^= static_cast<unsigned char>(ch);
            EXPECT_EQ(m.captured(11).toUInt(nullptr, 16), sum) << s;
            if (m.captured(2) == "V") {
                ++voids;
                continue;
            }
            EXPECT_EQ(m.captured(4), QString(c.ns)) << s;
            EXPECT_EQ(m.captured(6), QString(c.ew)) << s;
            CGPSData fix;
            ASSERT_TRUE(fix.ParseRMC(s, r.timeMs));
            const double lat = Degrees(fix.m_dLatitude), lon = Degrees(fix.m_dLongitude);
            EXPECT_GE(lat, c.latMin) << s;
            EXPECT_LE(lat, c.latMax) << s;
            EXPECT_GE(lon, c.lonMin) << s;
            EXPECT_LE(lon, c.lonMax) << s;
            EXPECT_GE(fix.m_dSpeed, 0.0);
            EXPECT_LE(fix.m_dSpeed, 75.0) << "a city speed";
            if (havePrev) {
                // Never a jump further than a car at 90 km/h could go between two fixes.
                const double dy = (lat - prevLat) * 111320.0;
                const double dx = (lon - prevLon) * 111320.0 * std::cos(lat * M_PI / 180);
                EXPECT_LT(std::hypot(dx, dy), 25.0 * (r.timeMs - prevTime) / 1000.0) << s;
            }
            prevLat = lat;
            prevLon = lon;
            prevTime = r.timeMs;
            havePrev = true;
        }
        EXPECT_EQ(samples, 1200u);
        EXPECT_EQ(fixes, 120u);
        EXPECT_GE(voids, 1u);
        EXPECT_LE(voids, 15u);
        if (c.category == Category::Event) {
            EXPECT_LE(minRawY, -240) << "the braking spike reaches full scale";
        } else {
            EXPECT_GT(minRawY, -200) << "no spike outside Event recordings";
        }
    }
}

TEST(Generator, FirstSentenceCarriesTheNameTimeMinusNineHours)
{
    RecordingOptions o;
    o.start = QDateTime(QDate(2014, 7, 22), QTime(3, 15, 7));
    const std::vector<SensorRecord> records = MakeSensorRecords(o);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(Text(records[0]).substr(0, 22), "GPRMC,181507.00,A,3734") << Text(records[0]);
    EXPECT_NE(Text(records[0]).find(",210714,"), std::string::npos) << "the UTC date";

    CTextData track = CTextData::Empty();
    track.AddRecord(records[0].bytes, records[0].timeMs);
    ASSERT_EQ(track.m_arrGPS.size(), 1u);
    EXPECT_EQ(track.m_arrGPS[0].m_nHour, 27); // 18 + 9: the name's 03 on the next day
}

TEST(Generator, OptionsSwitchRecordKindsOff)
{
    RecordingOptions o;
    o.gps = false;
    for (const SensorRecord &r : MakeSensorRecords(o))
        EXPECT_EQ(r.bytes[0], 'M');
    o.gps = true;
    o.gsensor = false;
    for (const SensorRecord &r : MakeSensorRecords(o))
        EXPECT_EQ(r.bytes[0], 'G');
    o.sensors = false;
    EXPECT_TRUE(MakeSensorRecords(o).empty());
}

class GeneratorFiles : public ::testing::Test
{
protected:
    QTemporaryDir m_dir{TempRoot() + "/generator-XXXXXX"};
};

TEST_F(GeneratorFiles, SameOptionsSameBytes)
{
    for (const Container c : {Container::Avi, Container::Mp4}) {
        RecordingOptions o;
        o.container = c;
        o.durationMs = 3000;
        o.path = m_dir.filePath("a.bin");
        ASSERT_TRUE(WriteRecording(o));
        o.path = m_dir.filePath("b.bin");
        ASSERT_TRUE(WriteRecording(o));
        o.seed = 2;
        o.path = m_dir.filePath("c.bin");
        ASSERT_TRUE(WriteRecording(o));
        const QByteArray a = ReadAll(m_dir.filePath("a.bin"));
        EXPECT_GT(a.size(), 1024);
        EXPECT_EQ(a, ReadAll(m_dir.filePath("b.bin")));
        EXPECT_NE(a, ReadAll(m_dir.filePath("c.bin")));
    }
    // Nothing but the three files: the temporary names are gone.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 3);
}

TEST_F(GeneratorFiles, RefusesBadOptionsWithoutLeavingAFile)
{
    RecordingOptions o;
    o.path = m_dir.filePath("bad.AVI");
    QString error;
    o.width = 321;
    EXPECT_FALSE(WriteRecording(o, &error));
    EXPECT_FALSE(error.isEmpty());
    o.width = 320;
    o.fps = 0;
    EXPECT_FALSE(WriteRecording(o, &error));
    o.fps = 30;
    o.path = "/proc/no-such-dir/x.AVI";
    EXPECT_FALSE(WriteRecording(o, &error));
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::Files).isEmpty());
}

using cardgen::CodecContextPtr;
using cardgen::FramePtr;
using cardgen::PacketPtr;

struct InputCloser {
    void operator()(AVFormatContext *c) const { avformat_close_input(&c); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;

// The file opened and its streams probed; null when it cannot be opened.
InputPtr OpenInput(const QString &path)
{
    AVFormatContext *raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return nullptr;
    InputPtr fmt(raw);
    avformat_find_stream_info(fmt.get(), nullptr);
    return fmt;
}

// The first picture of stream `index`, decoded; null when there is none.
FramePtr DecodeFirstFrame(AVFormatContext *fmt, int index)
{
    const AVCodecParameters *par = fmt->streams[index]->codecpar;
    const AVCodec *codec = avcodec_find_decoder(par->codec_id);
    const CodecContextPtr dec(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(dec.get(), par);
    avcodec_open2(dec.get(), codec, nullptr);
    av_seek_frame(fmt, -1, 0, AVSEEK_FLAG_BACKWARD);
    const PacketPtr pkt(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    bool got = false;
    while (!got && av_read_frame(fmt, pkt.get()) >= 0) {
        if (pkt->stream_index == index && avcodec_send_packet(dec.get(), pkt.get()) >= 0)
            got = avcodec_receive_frame(dec.get(), frame.get()) >= 0;
        av_packet_unref(pkt.get());
    }
    if (!got) {
        avcodec_send_packet(dec.get(), nullptr);
        got = avcodec_receive_frame(dec.get(), frame.get()) >= 0;
    }
    return got ? std::move(frame) : nullptr;
}

// Decodes the first frame of every video stream to RGB at a few probe points.
struct Probe {
    double fx, fy;
};
std::vector<std::vector<Rgb>> DecodeProbes(const QString &path, const std::vector<Probe> &probes,
                                           int *streams)
{
    std::vector<std::vector<Rgb>> out;
    const InputPtr fmt = OpenInput(path);
    if (!fmt)
        return out;
    *streams = 0;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        const AVCodecParameters *par = fmt->streams[i]->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        ++*streams;
        const FramePtr frame = DecodeFirstFrame(fmt.get(), static_cast<int>(i));
        const bool got = frame != nullptr;
        std::vector<Rgb> values;
        for (const Probe &p : probes) {
            if (!got) {
                values.push_back({-1, -1, -1});
                continue;
            }
            const int x = static_cast<int>(p.fx * frame->width);
            const int y = static_cast<int>(p.fy * frame->height);
            const double Y = frame->data[0][y * frame->linesize[0] + x] - 16;
            const double U = frame->data[1][(y / 2) * frame->linesize[1] + x / 2] - 128;
            const double V = frame->data[2][(y / 2) * frame->linesize[2] + x / 2] - 128;
            auto c = [](double v) { return static_cast<int>(std::clamp(v, 0.0, 255.0)); };
            values.push_back({c(1.164 * Y + 1.596 * V), c(1.164 * Y - 0.392 * U - 0.813 * V),
                              c(1.164 * Y + 2.017 * U)});
        }
        out.push_back(values);
    }
    return out;
}

bool Near(Rgb a, Rgb b)
{
    return std::abs(a.r - b.r) < 40 && std::abs(a.g - b.g) < 40 && std::abs(a.b - b.b) < 40;
}

TEST_F(GeneratorFiles, PicturesShowTheDocumentedColours)
{
    for (const Container c : {Container::Avi, Container::Mp4}) {
        RecordingOptions o;
        o.container = c;
        o.durationMs = 1000;
        o.path = m_dir.filePath(c == Container::Avi ? "p.AVI" : "p.MP4");
        ASSERT_TRUE(WriteRecording(o));
        int streams = 0;
        const auto probes = DecodeProbes(
            o.path, {{0.75, 0.15}, {0.10, 0.10}, {0.90, 0.10}, {0.10, 0.65}, {0.03, 0.5}},
            &streams);
        ASSERT_EQ(streams, 2);
        ASSERT_EQ(probes.size(), 2u);
        const auto &front = probes[0], &rear = probes[1];
        EXPECT_TRUE(Near(front[0], kFrontBackground));
        EXPECT_TRUE(Near(front[1], kFrontBackground)) << "no box on the front";
        EXPECT_TRUE(Near(rear[1], kRearMarker)) << "yellow top-left";
        EXPECT_TRUE(Near(rear[2], kRearBackground));
        EXPECT_TRUE(Near(rear[3], kRearBackground));
        // Frame 0 has the moving marker at the left edge, in the middle band.
        EXPECT_TRUE(Near(front[4], kMovingMarker));
        EXPECT_TRUE(Near(rear[4], kMovingMarker));
    }
    EXPECT_EQ(MarkerX(320, 180, 0, 30), 0);
    EXPECT_EQ(MarkerX(320, 180, 29, 30), 320 - MarkerSize(180));
}

TEST_F(GeneratorFiles, CardLayoutAndFirmwareFile)
{
    CardOptions card;
    card.root = m_dir.filePath("card");
    for (int i = 0; i < 3; ++i) {
        RecordingOptions o;
        o.durationMs = 1000;
        o.start = QDateTime(QDate(2014, 7, 21), QTime(9, 30, i));
        o.category = static_cast<Category>(i);
        o.container = i == 1 ? Container::Mp4 : Container::Avi;
        o.rear = i != 2;
        card.recordings.push_back(o);
    }
    card.firmwareMajor = 2;
    card.firmwareMinor = 7;
    QStringList written;
    QString error;
    ASSERT_TRUE(WriteCard(card, &error, &written)) << error.toStdString();
    EXPECT_EQ(written.size(), 4);
    const QStringList names = QDir(card.root + "/Recordings").entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(names, QStringList({"20140721_093000_NOR_C2.AVI", "20140721_093001_EVT_C2.MP4",
                                  "20140721_093002_MOT_C1.AVI"}));
    const QByteArray fw = ReadAll(card.root + "/Configs/km7_sysenv.cfg");
    ASSERT_GE(fw.size(), 16);
    EXPECT_EQ(fw.left(4), "KM7S");
    auto le32 = [&](int at) {
        return static_cast<std::int32_t>(static_cast<std::uint8_t>(fw[at]) |
                                         static_cast<std::uint8_t>(fw[at + 1]) << 8 |
                                         static_cast<std::uint8_t>(fw[at + 2]) << 16 |
                                         static_cast<std::uint8_t>(fw[at + 3]) << 24);
    };
    EXPECT_EQ(le32(8), 2);
    EXPECT_EQ(le32(12), 7);
    const int settings = static_cast<std::uint8_t>(fw[6]) | static_cast<std::uint8_t>(fw[7]) << 8;
    EXPECT_EQ(fw.size(), 16 + settings);
    EXPECT_EQ(FirmwareFileBytes(2, 7), fw);
}

// The file list's Date column and any backup tool see the file system's time: a camera leaves
// the end of each recording there, a cut one where the power went.
TEST_F(GeneratorFiles, EachRecordingIsDatedAtItsEnd)
{
    CardOptions card;
    card.root = m_dir.filePath("card");
    const struct {
        QDateTime start;
        int durationMs;
        std::optional<double> cutAtPercent;
        QDateTime end;
    } cases[] = {
        {QDateTime(QDate(2014, 7, 21), QTime(9, 30, 0)), 2000, std::nullopt,
         QDateTime(QDate(2014, 7, 21), QTime(9, 30, 2))},
        {QDateTime(QDate(2014, 7, 21), QTime(23, 59, 59)), 1500, std::nullopt,
         QDateTime(QDate(2014, 7, 22), QTime(0, 0, 0, 500))},
        {QDateTime(QDate(2014, 7, 22), QTime(8, 0, 0)), 2000, 50.0,
         QDateTime(QDate(2014, 7, 22), QTime(8, 0, 1))},
    };
    for (const auto &c : cases) {
        RecordingOptions o;
        o.start = c.start;
        o.durationMs = c.durationMs;
        o.cutAtPercent = c.cutAtPercent;
        o.width = 64;
        o.height = 36;
        card.recordings.push_back(o);
    }
    QString error;
    ASSERT_TRUE(WriteCard(card, &error)) << error.toStdString();
    const QStringList files = CardFiles(card);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const QFileInfo info(files[static_cast<qsizetype>(i)]);
        SCOPED_TRACE(info.fileName().toStdString());
        EXPECT_EQ(info.lastModified(), cases[i].end)
            << info.lastModified().toString(Qt::ISODateWithMs).toStdString();
    }
}

TEST(Generator, DemoCardEndsOnTheGivenDay)
{
    const struct {
        QDate lastDay;
        QSet<QString> days;
    } cases[] = {
        {QDate(2026, 12, 9), {"20261208", "20261209"}},
        {QDate(2027, 1, 1), {"20261231", "20270101"}},
        {QDate(2028, 3, 1), {"20280229", "20280301"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lastDay.toString(Qt::ISODate).toStdString());
        const CardOptions demo = DemoCard("/card", c.lastDay);
        ASSERT_EQ(demo.recordings.size(), 12u);
        QSet<QString> days, kinds;
        QSet<bool> rear;
        QSet<City> cities;
        for (const RecordingOptions &o : demo.recordings) {
            const QString n = RecordingFileName(o);
            days.insert(n.left(8));
            kinds.insert(n.mid(16, 3) + n.right(4));
            rear.insert(o.rear);
            cities.insert(o.city);
            EXPECT_TRUE(o.sensors && o.gps && o.gsensor) << n.toStdString();
        }
        EXPECT_EQ(days, c.days);
        EXPECT_TRUE(kinds.contains("NOR.AVI") && kinds.contains("NOR.MP4") &&
                    kinds.contains("EVT.AVI") && kinds.contains("EVT.MP4") &&
                    kinds.contains("MOT.AVI") && kinds.contains("MOT.MP4"));
        EXPECT_EQ(rear, QSet<bool>({false, true})) << "one- and two-channel";
        EXPECT_GE(cities.size(), 3);
        EXPECT_TRUE(demo.recordings.back().cutAtPercent) << "the last one cut";
        EXPECT_TRUE(demo.firmware);
    }
}

TEST_F(GeneratorFiles, LastDayIsForTheDemoCardOnly)
{
    const QString card = m_dir.filePath("card");
    for (const QStringList &args :
         {QStringList{card, "--last-day", "yesterday"},
          QStringList{card, "--last-day", "2014-07-22", "--count", "1"}}) {
        const CommandRun run = MakeCard(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.errors.contains("--last-day")) << run.errors.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(card));
}

// Pointed at a mounted card by mistake, the command must not replace the camera's own files.
TEST_F(GeneratorFiles, CommandNeverWritesOverACardUnlessForced)
{
    const QString card = m_dir.filePath("card");
    const QString firmware = card + "/Configs/km7_sysenv.cfg";
    // The demo card's first recording and one of a small card's.
    const QString recording = card + "/Recordings/20140721_093000_NOR_C2.AVI";
    ASSERT_TRUE(WriteBytes(firmware, "the camera's own settings"));
    ASSERT_TRUE(WriteBytes(recording, "a real drive"));
    const QStringList small = {"--count", "1", "--duration", "1", "--size", "64x36"};

    struct Case {
        const char *name;
        QStringList args;
    };
    const Case refused[] = {
        {"demo card", {card}},
        {"a card of options", {card, "--seed", "3"}},
        {"a recording of the same name", QStringList{card, "--no-firmware"} + small},
        {"only the firmware file in the way",
         QStringList{card, "--start", "2015-01-01T00:00:00"} + small},
        {"a single recording", {"--file", recording, "--duration", "1", "--size", "64x36"}},
        {"a dangling link", {"--file", card + "/Recordings/link.AVI", "--duration", "1"}},
    };
    ASSERT_TRUE(QFile::link(card + "/Recordings/gone.AVI", card + "/Recordings/link.AVI"));
    const QMap<QString, QByteArray> withLink = Snapshot(card);
    for (const Case &c : refused) {
        SCOPED_TRACE(c.name);
        const CommandRun run = MakeCard(c.args);
        EXPECT_NE(run.status, 0);
        EXPECT_TRUE(run.errors.contains("--force")) << run.errors.toStdString();
        EXPECT_EQ(Snapshot(card), withLink) << "nothing touched";
    }

    // Told to, it writes over them.
    const CommandRun forced = MakeCard(QStringList{card, "--force", "--firmware", "2.005"} + small);
    EXPECT_EQ(forced.status, 0) << forced.errors.toStdString();
    EXPECT_EQ(ReadAll(firmware), FirmwareFileBytes(2, 5));
    EXPECT_GT(ReadAll(recording).size(), 1024);

    // A fresh folder needs no --force.
    const CommandRun fresh = MakeCard(QStringList{m_dir.filePath("fresh")} + small);
    EXPECT_EQ(fresh.status, 0) << fresh.errors.toStdString();
    EXPECT_TRUE(QFile::exists(m_dir.filePath("fresh/Configs/km7_sysenv.cfg")));
}

// --firmware takes the version in the form the card information window shows it.
TEST_F(GeneratorFiles, CommandFirmwareVersionReadsBackAsGiven)
{
    const char *accepted[] = {"1.023", "1.500", "0.000", "2147483647.999", "-1.005", "12.100"};
    const char *refused[] = {"1.23", "1.5",   "1.1000", "2147483648.000", "99999999999.001",
                             "1",    "1.02a", "-0.005", "1.-05",          ""};
    int n = 0;
    for (const char *version : accepted) {
        SCOPED_TRACE(version);
        const QString root = m_dir.filePath(QString::number(n++));
        const CommandRun run = MakeCard({root, "--count", "0", "--firmware", version});
        ASSERT_EQ(run.status, 0) << run.errors.toStdString();
        EXPECT_EQ(CardInformation::ReadFirmwareVersion(root), QString::fromLatin1(version));
    }
    for (const char *version : refused) {
        SCOPED_TRACE(version);
        const QString root = m_dir.filePath(QString::number(n++));
        const CommandRun run = MakeCard({root, "--count", "0", "--firmware", version});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.errors.contains("--firmware")) << run.errors.toStdString();
        EXPECT_FALSE(QFile::exists(root + "/Configs/km7_sysenv.cfg"));
    }
}

// What the stream of one video track says about itself, and what its packets show.
struct VideoStreamFacts {
    int profile = -1;
    int width = 0, height = 0;
    std::optional<bool> cabac; // from the PPS in the MP4 sample description
    std::vector<int> keyFrames;
    double bitsPerSecond = 0;
    double detailedBlocks = 0; // share of 8x8 luma blocks in frame 0's top third not flat
};

// Reads an unsigned Exp-Golomb number (no emulation bytes occur this early in a PPS).
struct BitReader {
    const std::uint8_t *data;
    size_t size, bit = 0;
    int Bit() { return bit < size * 8 ? (data[bit / 8] >> (7 - bit++ % 8)) & 1 : 0; }
    unsigned Ue()
    {
        int zeros = 0;
        while (Bit() == 0 && zeros < 32)
            ++zeros;
        unsigned value = 1;
        for (int i = 0; i < zeros; ++i)
            value = value << 1 | Bit();
        return value - 1;
    }
};

// entropy_coding_mode_flag of the first PPS in an avcC record.
std::optional<bool> CabacFromAvcC(const std::uint8_t *p, int size)
{
    if (size < 7 || p[0] != 1)
        return std::nullopt;
    int at = 6;
    for (int sps = p[5] & 0x1F; sps > 0; --sps) {
        if (at + 2 > size)
            return std::nullopt;
        at += 2 + (p[at] << 8 | p[at + 1]);
    }
    if (at + 4 > size || p[at] == 0)
        return std::nullopt;
    const int length = p[at + 1] << 8 | p[at + 2];
    if (at + 3 + length > size || length < 2)
        return std::nullopt;
    BitReader bits{p + at + 4, static_cast<size_t>(length - 1)}; // after the NAL header
    bits.Ue();                                                   // pic_parameter_set_id
    bits.Ue();                                                   // seq_parameter_set_id
    return bits.Bit() == 1;
}

std::vector<VideoStreamFacts> ReadVideoStreams(const QString &path, double seconds)
{
    std::vector<VideoStreamFacts> out;
    const InputPtr fmt = OpenInput(path);
    if (!fmt)
        return out;
    std::vector<int> index(fmt->nb_streams, -1);
    std::vector<std::int64_t> bytes;
    std::vector<int> packets;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        const AVCodecParameters *par = fmt->streams[i]->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        index[i] = static_cast<int>(out.size());
        VideoStreamFacts facts;
        facts.profile = par->profile;
        facts.width = par->width;
        facts.height = par->height;
        if (par->extradata_size > 0)
            facts.cabac = CabacFromAvcC(par->extradata, par->extradata_size);
        out.push_back(facts);
        bytes.push_back(0);
        packets.push_back(0);
    }
    const PacketPtr pkt(av_packet_alloc());
    while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
        if (const int v = index[pkt->stream_index]; v >= 0) {
            if (pkt->flags & AV_PKT_FLAG_KEY)
                out[v].keyFrames.push_back(packets[v]);
            ++packets[v];
            bytes[v] += pkt->size;
        }
        av_packet_unref(pkt.get());
    }
    for (size_t v = 0; v < out.size(); ++v)
        out[v].bitsPerSecond = bytes[v] * 8 / seconds;

    // Frame 0 of the front stream, decoded: how much of it is detail rather than flat colour.
    const int front = static_cast<int>(std::find(index.begin(), index.end(), 0) - index.begin());
    if (front < static_cast<int>(index.size())) {
        const FramePtr frame = DecodeFirstFrame(fmt.get(), front);
        const bool got = frame != nullptr;
        int blocks = 0, detailed = 0;
        for (int by = 0; got && by + 8 <= frame->height / 3; by += 8)
            for (int bx = 0; bx + 8 <= frame->width; bx += 8, ++blocks) {
                int lo = 255, hi = 0;
                for (int y = by; y < by + 8; ++y)
                    for (int x = bx; x < bx + 8; ++x) {
                        const int luma = frame->data[0][y * frame->linesize[0] + x];
                        lo = std::min(lo, luma);
                        hi = std::max(hi, luma);
                    }
                detailed += hi - lo > 8;
            }
        out[0].detailedBlocks = blocks ? static_cast<double>(detailed) / blocks : 0;
    }
    return out;
}

TEST_F(GeneratorFiles, RealisticRecordingsLookLikeACamerasStream)
{
    for (const QString format : {"avi", "mp4"}) {
        const QString path = m_dir.filePath("camera." + format);
        const CommandRun run = MakeCard(
            {"--file", path, "--format", format, "--realistic", "--duration", "2", "--no-sensors"});
        ASSERT_EQ(run.status, 0) << run.errors.toStdString();
        const std::vector<VideoStreamFacts> streams = ReadVideoStreams(path, 2.0);
        ASSERT_EQ(streams.size(), 2u) << format.toStdString();
        const double rates[] = {12e6, 8e6};
        for (size_t i = 0; i < 2; ++i) {
            SCOPED_TRACE(format.toStdString() + (i ? " rear" : " front"));
            const VideoStreamFacts &s = streams[i];
            EXPECT_EQ(s.profile, FF_PROFILE_H264_HIGH);
            EXPECT_EQ(s.width, 1920);
            EXPECT_EQ(s.height, 1080);
            EXPECT_EQ(s.keyFrames, (std::vector<int>{0, 30})) << "a key frame every 30 frames";
            EXPECT_GT(s.bitsPerSecond, rates[i] * 0.8);
            EXPECT_LT(s.bitsPerSecond, rates[i] * 1.3);
            if (format == "mp4") {
                ASSERT_TRUE(s.cabac.has_value());
                EXPECT_TRUE(*s.cabac);
            }
        }
        EXPECT_GT(streams[0].detailedBlocks, 0.9) << "a detailed scene, not flat colour";
    }
    // The test recordings stay cheap: no CABAC, flat colour.
    RecordingOptions plain;
    plain.container = Container::Mp4;
    plain.durationMs = 1000;
    plain.path = m_dir.filePath("plain.MP4");
    ASSERT_TRUE(WriteRecording(plain));
    const std::vector<VideoStreamFacts> streams = ReadVideoStreams(plain.path, 1.0);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].cabac, std::optional<bool>(false));
    EXPECT_EQ(streams[0].keyFrames, (std::vector<int>{0, 10, 20}));
    EXPECT_LT(streams[0].detailedBlocks, 0.2);
}

TEST(Generator, DemoCardIsTwoDaysOfMixedRecordings)
{
    const CardOptions demo = DemoCard("/card");
    QSet<QString> names, days, kinds;
    for (const RecordingOptions &o : demo.recordings) {
        const QString n = RecordingFileName(o);
        names.insert(n);
        days.insert(n.left(8));
        kinds.insert(n.mid(16, 3) + n.right(4));
    }
    EXPECT_EQ(names.size(), static_cast<int>(demo.recordings.size())) << "no name twice";
    EXPECT_EQ(days, QSet<QString>({"20140721", "20140722"}));
    EXPECT_TRUE(kinds.contains("NOR.AVI") && kinds.contains("EVT.MP4") &&
                kinds.contains("MOT.AVI"));
}

} // namespace
