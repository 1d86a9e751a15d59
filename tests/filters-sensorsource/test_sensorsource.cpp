// The sensor data source reads back exactly what the generator wrote, in AVI and MP4, and
// refuses or ends cleanly on everything else.

#include "filters/CFilterRegistry.h"
#include "filters/CSensorDataSource.h"
#include "sensors/CTextData.h"
#include "tools/make-card/CardGenerator.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <array>
#include <cstring>
#include <random>
#include <vector>

namespace
{

using cardgen::Container;
using cardgen::RecordingOptions;
using cardgen::SensorRecord;

QString TempRoot()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath());
}

struct Read {
    std::vector<SensorRecord> records;
    HRESULT end = S_OK;
};

// Reads to the end with a buffer of `capacity` bytes, passing over records too long for it.
Read ReadAll(CSensorDataSource &src, std::size_t capacity = 2048)
{
    Read out;
    std::vector<std::uint8_t> buf(capacity);
    for (int guard = 0; guard < 1'000'000; ++guard) {
        auto size = static_cast<std::uint32_t>(buf.size());
        std::uint32_t time = 0;
        const HRESULT hr = src.ReadRecord(buf.data(), &size, &time);
        if (hr == CSensorDataSource::kBufferTooSmall)
            continue;
        if (hr != S_OK) {
            out.end = hr;
            return out;
        }
        out.records.push_back({time, std::vector<std::uint8_t>(buf.begin(), buf.begin() + size)});
    }
    ADD_FAILURE() << "the source never ended";
    return out;
}

class SensorSource : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Write(RecordingOptions o, const QString &name)
    {
        o.path = m_dir.filePath(name);
        QString error;
        EXPECT_TRUE(cardgen::WriteRecording(o, &error)) << error.toStdString();
        return o.path;
    }
    QString WriteBytes(const QString &name, const QByteArray &bytes)
    {
        QFile f(m_dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QTemporaryDir m_dir{TempRoot() + "/sensorsource-XXXXXX"};
};

struct Layout {
    const char *name;
    Container container;
    bool rear, audio;
    cardgen::Category category;
    cardgen::City city;
    int durationMs;
};

TEST_F(SensorSource, EveryRecordComesBackWithItsBytesAndTime)
{
    const Layout layouts[] = {
        {"AVI, two channels, sound", Container::Avi, true, true, cardgen::Category::Normal,
         cardgen::City::Seoul, 10000},
        {"MP4, two channels, sound", Container::Mp4, true, true, cardgen::Category::Event,
         cardgen::City::Sydney, 10000},
        {"AVI, front only, silent", Container::Avi, false, false, cardgen::Category::Event,
         cardgen::City::BuenosAires, 7300},
        {"MP4, front only, silent", Container::Mp4, false, false, cardgen::Category::Motion,
         cardgen::City::NewYork, 4250},
    };
    for (const Layout &l : layouts) {
        SCOPED_TRACE(l.name);
        RecordingOptions o;
        o.container = l.container;
        o.rear = l.rear;
        o.audio = l.audio;
        o.category = l.category;
        o.city = l.city;
        o.durationMs = l.durationMs;
        o.fps = 10;
        const QString path = Write(o, QString::fromLatin1(l.name) +
                                          (l.container == Container::Mp4 ? ".MP4" : ".AVI"));
        const std::vector<SensorRecord> expected = cardgen::MakeSensorRecords(o);
        ASSERT_GT(expected.size(), 40u);

        CSensorDataSource src;
        ASSERT_EQ(src.Load(path), S_OK);
        const Read got = ReadAll(src);
        EXPECT_EQ(got.end, ISensorDataReader::kEndOfData);
        ASSERT_EQ(got.records.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(got.records[i].timeMs, expected[i].timeMs) << "record " << i;
            EXPECT_EQ(got.records[i].bytes, expected[i].bytes) << "record " << i;
        }
        // The end stays the end.
        std::array<std::uint8_t, 64> buf{};
        std::uint32_t size = buf.size(), time = 0;
        EXPECT_EQ(src.ReadRecord(buf.data(), &size, &time), ISensorDataReader::kEndOfData);
    }
}

TEST_F(SensorSource, MadeThroughTheRegistryByClassId)
{
    std::unique_ptr<CBaseFilter> filter;
    ASSERT_EQ(CFilterRegistry::Instance().CreateInstance(
                  QString::fromLatin1(CLSID_SensorDataSource).toLower(), filter),
              S_OK);
    auto *file = dynamic_cast<IFileSourceFilter *>(filter.get());
    auto *reader = dynamic_cast<ISensorDataReader *>(filter.get());
    ASSERT_NE(file, nullptr);
    ASSERT_NE(reader, nullptr);

    RecordingOptions o;
    o.durationMs = 2000;
    ASSERT_EQ(file->Load(Write(o, "registry.AVI")), S_OK);
    std::array<std::uint8_t, 2048> buf{};
    std::uint32_t size = buf.size(), time = 99;
    ASSERT_EQ(reader->ReadRecord(buf.data(), &size, &time), S_OK);
    EXPECT_EQ(time, 0u);
    EXPECT_EQ(std::memcmp(buf.data(), "GPRMC,", 6), 0);
}

TEST_F(SensorSource, LongerRecordThanTheBufferIsDroppedWithoutWritingPastIt)
{
    RecordingOptions o;
    o.durationMs = 3000;
    o.container = Container::Mp4;
    const QString path = Write(o, "small buffer.MP4");
    const std::vector<SensorRecord> expected = cardgen::MakeSensorRecords(o);
    ASSERT_EQ(expected[0].bytes[0], 'G'); // an RMC sentence of about 70 bytes first
    ASSERT_EQ(expected[1].bytes[0], 'M'); // then a 13-byte G-sensor sample

    CSensorDataSource src;
    ASSERT_EQ(src.Load(path), S_OK);
    constexpr std::uint32_t kCapacity = 20;
    std::array<std::uint8_t, kCapacity + 16> buf;
    buf.fill(0xAB);
    std::uint32_t size = kCapacity, time = 0;
    EXPECT_EQ(src.ReadRecord(buf.data(), &size, &time), CSensorDataSource::kBufferTooSmall);
    EXPECT_EQ(size, expected[0].bytes.size());
    for (std::uint8_t b : buf)
        EXPECT_EQ(b, 0xAB) << "nothing written at all";

    size = kCapacity;
    ASSERT_EQ(src.ReadRecord(buf.data(), &size, &time), S_OK);
    EXPECT_EQ(size, 13u);
    EXPECT_EQ(time, expected[1].timeMs);
    EXPECT_TRUE(std::equal(expected[1].bytes.begin(), expected[1].bytes.end(), buf.begin()));
    for (std::size_t i = 13; i < buf.size(); ++i)
        EXPECT_EQ(buf[i], 0xAB) << "byte " << i;

    // With the whole stream read through the small buffer every sample still arrives.
    const Read rest = ReadAll(src, kCapacity);
    std::size_t samples = 0;
    for (const SensorRecord &r : rest.records)
        samples += r.bytes[0] == 'M';
    EXPECT_EQ(samples + 1, static_cast<std::size_t>(std::count_if(
                               expected.begin(), expected.end(),
                               [](const SensorRecord &r) { return r.bytes[0] == 'M'; })));
}

TEST_F(SensorSource, RefusesFilesWithoutASensorStream)
{
    RecordingOptions noSensors;
    noSensors.durationMs = 2000;
    noSensors.sensors = false;
    RecordingOptions mp4NoSensors = noSensors;
    mp4NoSensors.container = Container::Mp4;

    RecordingOptions full;
    full.durationMs = 3000;
    full.container = Container::Mp4;
    const QByteArray mp4 = [&] {
        QFile f(Write(full, "full.MP4"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();

    struct Case {
        const char *name;
        QString path;
    };
    const Case cases[] = {
        {"AVI without a sensor stream", Write(noSensors, "plain.AVI")},
        {"MP4 without a sensor stream", Write(mp4NoSensors, "plain.MP4")},
        {"empty file", WriteBytes("empty.AVI", {})},
        {"text file", WriteBytes("readme.AVI", "This is not a recording.\n")},
        {"PNG signature",
         WriteBytes("picture.MP4", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(4000, 'x'))},
        {"MP4 cut before its index", WriteBytes("cut.MP4", mp4.left(mp4.size() / 2))},
        {"missing file", m_dir.filePath("gone.AVI")},
        {"a folder", m_dir.path()},
    };
    for (const Case &c : cases) {
        CSensorDataSource src;
        EXPECT_EQ(src.Load(c.path), VFW_E_INVALID_FILE_FORMAT) << c.name;
        std::array<std::uint8_t, 16> buf{};
        std::uint32_t size = buf.size(), time = 0;
        EXPECT_EQ(src.ReadRecord(buf.data(), &size, &time), VFW_E_WRONG_STATE) << c.name;
    }
}

TEST_F(SensorSource, TruncatedAviGivesAPrefixThenEnds)
{
    RecordingOptions o;
    o.durationMs = 6000;
    const QString path = Write(o, "whole.AVI");
    const std::vector<SensorRecord> expected = cardgen::MakeSensorRecords(o);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray all = f.readAll();
    for (const double keep : {0.6, 0.3, 0.05}) {
        SCOPED_TRACE(keep);
        const QString cut = WriteBytes(QStringLiteral("cut-%1.AVI").arg(keep),
                                       all.left(static_cast<int>(all.size() * keep)));
        CSensorDataSource src;
        const HRESULT load = src.Load(cut);
        if (load != S_OK) {
            EXPECT_EQ(load, VFW_E_INVALID_FILE_FORMAT);
            continue;
        }
        const Read got = ReadAll(src);
        EXPECT_TRUE(got.end == ISensorDataReader::kEndOfData ||
                    got.end == ISensorDataReader::kCannotReadFurther);
        ASSERT_LE(got.records.size(), expected.size());
        for (std::size_t i = 0; i < got.records.size(); ++i) {
            EXPECT_EQ(got.records[i].timeMs, expected[i].timeMs);
            EXPECT_EQ(got.records[i].bytes, expected[i].bytes);
        }
    }
}

TEST_F(SensorSource, EmptySensorStreamEndsAtOnce)
{
    RecordingOptions o;
    o.durationMs = 2000;
    o.gps = false;
    o.gsensor = false;
    // AVI keeps the empty stream; the MP4 muxer leaves out a track without samples, so that
    // file has no sensor stream at all. Either way no record arrives.
    o.container = Container::Avi;
    CSensorDataSource avi;
    ASSERT_EQ(avi.Load(Write(o, "none.AVI")), S_OK);
    const Read got = ReadAll(avi);
    EXPECT_TRUE(got.records.empty());
    EXPECT_EQ(got.end, ISensorDataReader::kEndOfData);

    o.container = Container::Mp4;
    CSensorDataSource mp4;
    EXPECT_EQ(mp4.Load(Write(o, "none.MP4")), VFW_E_INVALID_FILE_FORMAT);
}

TEST_F(SensorSource, OddNamesAndMisuse)
{
    RecordingOptions o;
    o.durationMs = 1500;
    const QString path = Write(o, QString::fromUtf8("주행 기록 – ünïcode %s %n.AVI"));
    CSensorDataSource src;
    std::array<std::uint8_t, 64> buf{};
    std::uint32_t size = buf.size(), time = 0;
    EXPECT_EQ(src.ReadRecord(buf.data(), &size, &time), VFW_E_WRONG_STATE);
    ASSERT_EQ(src.Load(path), S_OK);
    EXPECT_EQ(src.Load(path), VFW_E_WRONG_STATE);
    EXPECT_EQ(src.ReadRecord(nullptr, &size, &time), E_POINTER);
    EXPECT_EQ(src.ReadRecord(buf.data(), nullptr, &time), E_POINTER);
    EXPECT_EQ(src.ReadRecord(buf.data(), &size, nullptr), E_POINTER);
    EXPECT_GE(src.StreamIndex(), 0);
    EXPECT_EQ(ReadAll(src).records.size(), cardgen::MakeSensorRecords(o).size());
}

TEST_F(SensorSource, NamesThatLookLikeUrlsAreFiles)
{
    // libavformat takes "word:" at the start of a name for a protocol; a relative name such
    // as "clip:1.AVI" must still be read as the file it is.
    RecordingOptions o;
    o.durationMs = 1500;
    const std::size_t expected = cardgen::MakeSensorRecords(o).size();
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    for (const char *name : {"clip:1.AVI", "http:x.AVI", "concat:a.AVI", "-x .AVI"}) {
        Write(o, QString::fromLatin1(name));
        CSensorDataSource src;
        EXPECT_EQ(src.Load(QString::fromLatin1(name)), S_OK) << name;
        EXPECT_EQ(ReadAll(src).records.size(), expected) << name;
    }
    // A long name (255 bytes of UTF-8, the file system's limit).
    const QString longName = QString(84, QChar(0xAC00)) + QStringLiteral(".AVI");
    ASSERT_EQ(longName.toUtf8().size(), 256);
    const QString longPath = Write(o, longName.mid(1));
    CSensorDataSource src;
    EXPECT_EQ(src.Load(longPath), S_OK);
    EXPECT_EQ(ReadAll(src).records.size(), expected);
    QDir::setCurrent(previous);
}

TEST_F(SensorSource, RefusesWhatIsNoRegularFileWithoutBlocking)
{
    // Opening a named pipe would wait for a writer forever; a folder reads as nothing.
    const QString fifo = m_dir.filePath("pipe.AVI");
    ASSERT_EQ(QProcess::execute(QStringLiteral("mkfifo"), {fifo}), 0);
    for (const QString &path : {fifo, m_dir.path(), QStringLiteral("/dev/zero")}) {
        CSensorDataSource src;
        EXPECT_EQ(src.Load(path), VFW_E_INVALID_FILE_FORMAT) << path.toStdString();
    }
}

TEST_F(SensorSource, StopRequestAbortsReading)
{
    RecordingOptions o;
    o.durationMs = 2000;
    const QString path = Write(o, "stop.AVI");
    std::stop_source stop;
    CSensorDataSource src;
    src.SetStopToken(stop.get_token());
    ASSERT_EQ(src.Load(path), S_OK);
    std::array<std::uint8_t, 2048> buf{};
    std::uint32_t size = buf.size(), time = 0;
    ASSERT_EQ(src.ReadRecord(buf.data(), &size, &time), S_OK);
    stop.request_stop();
    size = buf.size();
    EXPECT_EQ(src.ReadRecord(buf.data(), &size, &time), E_ABORT);

    CSensorDataSource late;
    late.SetStopToken(stop.get_token());
    EXPECT_EQ(late.Load(path), VFW_E_INVALID_FILE_FORMAT);
}

// Garbled and truncated recordings, generated from a good one by a seeded mutator: whatever the
// damage, Load refuses or succeeds, reading ends, and no read writes past the caller's buffer.
// QUORVIL_FUZZ_ROUNDS raises the number of variants for a longer run by hand.
TEST_F(SensorSource, GarbledFilesNeverCrashHangOrOverrun)
{
    const int rounds = qEnvironmentVariableIntValue("QUORVIL_FUZZ_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("QUORVIL_FUZZ_ROUNDS")
                           : 40;
    for (const Container container : {Container::Avi, Container::Mp4}) {
        RecordingOptions o;
        o.durationMs = 4000;
        o.fps = 5;
        o.width = 64;
        o.height = 36;
        o.container = container;
        const bool mp4 = container == Container::Mp4;
        QFile f(Write(o, mp4 ? "seed.MP4" : "seed.AVI"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray good = f.readAll();
        ASSERT_GT(good.size(), 4096);

        std::mt19937 rng(mp4 ? 2 : 1);
        auto below = [&](qsizetype n) {
            return static_cast<qsizetype>(rng() % std::max<qsizetype>(n, 1));
        };
        for (int round = 0; round < rounds; ++round) {
            QByteArray bad = good;
            switch (round % 5) {
            case 0: // cut anywhere
                bad.truncate(below(bad.size()));
                break;
            case 1: // a few flipped bytes in the headers
                for (int i = 0; i < 1 + round % 7; ++i)
                    bad[below(std::min<qsizetype>(bad.size(), 1024))] ^=
                        static_cast<char>(1 + rng() % 255);
                break;
            case 2: // flipped bytes anywhere
                for (int i = 0; i < 1 + round % 20; ++i)
                    bad[below(bad.size())] ^= static_cast<char>(1 + rng() % 255);
                break;
            case 3: { // a run of random bytes, or of 0xFF (huge sizes in chunk headers)
                const qsizetype at = below(bad.size()),
                                n = std::min<qsizetype>(1 + below(64), bad.size() - at);
                for (qsizetype i = 0; i < n; ++i)
                    bad[at + i] = round % 2 ? static_cast<char>(rng()) : '\xff';
                break;
            }
            case 4: // a slice of the file repeated, then cut
                bad.insert(below(bad.size()), bad.mid(below(bad.size()), 1 + below(4096)));
                bad.truncate(bad.size() - below(bad.size() / 4));
                break;
            }
            SCOPED_TRACE(::testing::Message() << (mp4 ? "MP4" : "AVI") << " round " << round);
            const QString path =
                WriteBytes(QStringLiteral("bad-%1.%2").arg(round).arg(mp4 ? "MP4" : "AVI"), bad);
            CSensorDataSource src;
            const HRESULT load = src.Load(path);
            ASSERT_TRUE(load == S_OK || load == VFW_E_INVALID_FILE_FORMAT) << std::hex << load;
            if (load != S_OK)
                continue;
            constexpr std::uint32_t kCapacity = 2048;
            std::vector<std::uint8_t> buf(kCapacity + 64, 0xAB);
            std::size_t records = 0;
            HRESULT hr = S_OK;
            // Every record is a packet of the file, so there cannot be more than its bytes.
            for (std::size_t reads = 0; reads <= static_cast<std::size_t>(bad.size()); ++reads) {
                std::fill(buf.begin(), buf.begin() + kCapacity, std::uint8_t{0});
                std::uint32_t size = kCapacity, time = 0;
                hr = src.ReadRecord(buf.data(), &size, &time);
                if (hr == S_OK) {
                    ASSERT_LE(size, kCapacity);
                    ++records;
                    CTextData track = CTextData::Empty(); // the parser on damaged records too
                    track.AddRecord(std::span(buf.data(), kCapacity), time);
                } else if (hr != CSensorDataSource::kBufferTooSmall) {
                    break;
                }
            }
            EXPECT_TRUE(hr == ISensorDataReader::kEndOfData ||
                        hr == ISensorDataReader::kCannotReadFurther)
                << std::hex << hr << " after " << std::dec << records << " records";
            for (std::size_t i = kCapacity; i < buf.size(); ++i)
                ASSERT_EQ(buf[i], 0xAB) << "written past the buffer at " << i;
            QFile::remove(path);
        }
    }
}

} // namespace
