// The exporter writes what the viewer reads: the valid fixes with the sentence's own UTC time,
// and every G-sensor sample; outputs appear complete or not at all.

#include "tools/export/SensorExport.h"
#include "tools/make-card/CardGenerator.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <limits>
#include <utility>

namespace
{

QString TempRoot()
{
    return qEnvironmentVariable("QUORVIL_TEST_TMP", QDir::tempPath());
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ExportTime, FromTheSentenceItself)
{
    struct Case {
        const char *sentence;
        const char *utc; // nullptr: none
    };
    const Case cases[] = {
        {"GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
         "1994-03-23T12:35:19Z"},
        {"GPRMC,235959.50,A,1,N,2,E,0,0,311269", "2069-12-31T23:59:59.5Z"},
        {"GPRMC,000000.000,A,1,N,2,E,0,0,010170", "1970-01-01T00:00:00Z"},
        {"GPRMC,203000,A,1,N,2,E,0,0,150714", "2014-07-15T20:30:00Z"}, // no +9 hours here
        {"GPRMC,123519,A,1,N,2,E,0,0,", nullptr},
        {"GPRMC,,A,1,N,2,E,0,0,230394", nullptr},
        {"GPRMC,256000,A,1,N,2,E,0,0,230394", nullptr},
        {"GPRMC,123519,A,1,N,2,E,0,0,321394", nullptr},
        {"GPRMC,123519,A,1,N", nullptr},
        // xsd:dateTime has no leap second and no 31 February.
        {"GPRMC,235960,A,1,N,2,E,0,0,301216", nullptr},
        {"GPRMC,123519,A,1,N,2,E,0,0,310214", nullptr},
        {"GPRMC,123519,A,1,N,2,E,0,0,290201", nullptr},
        {"GPRMC,123519,A,1,N,2,E,0,0,290200", "2000-02-29T12:35:19Z"},
    };
    for (const Case &c : cases) {
        const auto utc = sensorexport::RmcUtcTime(c.sentence);
        if (c.utc) {
            ASSERT_TRUE(utc.has_value()) << c.sentence;
            EXPECT_EQ(utc->toStdString(), c.utc) << c.sentence;
        } else {
            EXPECT_FALSE(utc.has_value()) << c.sentence;
        }
    }
    EXPECT_NEAR(sensorexport::Degrees(-3352.5), -33.875, 1e-12);
}

TEST(ExportGpx, OnlyPlacesOnEarthInGpxRanges)
{
    struct Case {
        const char *name;
        double lat, lon; // NMEA form, as the fix holds them
        bool placed;
        double latDeg, lonDeg;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"Seoul", 3734.5, 12658.6, true, 37.575, 126.97666666666667},
        {"south-west", -3436.222, -5822.896, true, -34.603700, -58.381600},
        {"north pole placeholder", 8960.0, 0, true, 90.0, 0},
        {"antimeridian east is written west", 0, 18000.0, true, 0, -180.0},
        {"antimeridian west", 0, -18000.0, true, 0, -180.0},
        {"cold-start placeholder", 36000.0, 72000.0, false, 0, 0},
        {"latitude past the pole", 9030.0, 0, false, 0, 0},
        {"longitude past 180", 0, 18030.0, false, 0, 0},
        {"not a number", nan, 0, false, 0, 0},
        {"infinite", 0, std::numeric_limits<double>::infinity(), false, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CGPSData fix;
        fix.m_bValid = 1;
        fix.m_dLatitude = c.lat;
        fix.m_dLongitude = c.lon;
        const auto pos = sensorexport::GpxPosition(fix);
        ASSERT_EQ(pos.has_value(), c.placed);
        if (pos) {
            EXPECT_NEAR(pos->first, c.latDeg, 1e-9);
            EXPECT_NEAR(pos->second, c.lonDeg, 1e-9);
        }
        // A track holding it stays valid GPX: the point is there or left out.
        sensorexport::Recording rec;
        rec.path = QStringLiteral("x.AVI");
        rec.fixes.push_back({fix, std::nullopt});
        const QByteArray gpx = sensorexport::ToGpx({rec});
        EXPECT_EQ(gpx.contains("<trkpt"), c.placed);
        EXPECT_FALSE(gpx.contains("nan") || gpx.contains("inf"));
    }
}

TEST(ExportGpx, OddFileNamesStayWellFormedXml)
{
    // Linux file names may hold control characters and bytes that are no UTF-8.
    const QString names[] = {
        QStringLiteral("a<b>&\"c'.AVI"),
        QString::fromUtf8("주행 \x01\x1f\x7f.AVI"),
        QFile::decodeName(QByteArray("bad\xff\xfe name.MP4")),
        QString(300, QChar(0xAC00)),
    };
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        sensorexport::Recording rec;
        rec.path = QStringLiteral("/card/Recordings/") + name;
        CGPSData fix;
        fix.m_bValid = 1;
        fix.m_dLatitude = 3734.5;
        fix.m_dLongitude = 12658.6;
        rec.fixes.push_back({fix, QStringLiteral("2014-07-21T00:30:00Z")});
        QXmlStreamReader xml(sensorexport::ToGpx({rec}));
        QString shown;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"name")
                shown = xml.readElementText();
        ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        EXPECT_FALSE(shown.isEmpty());
        if (!name.contains(QChar(0x01)) && !name.contains(QChar::ReplacementCharacter) &&
            !name.contains(QChar(0xFFFF))) {
            EXPECT_EQ(shown, name);
        }
    }
}

// RFC 4180 records: quoted fields may hold commas, doubled quotes and line breaks.
std::vector<QStringList> ParseCsv(const QString &text)
{
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += c, ++i;
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row << std::exchange(field, {});
        } else if (c == '\n') {
            row << std::exchange(field, {});
            rows.push_back(std::exchange(row, {}));
        } else {
            field += c;
        }
    }
    return rows;
}

TEST(ExportCsv, AnyFileNameStaysOneField)
{
    const QString names[] = {
        QStringLiteral("20140721_093000_NOR_C2.AVI"),  QStringLiteral("%1%2%3%4%5%6%7%8.AVI"),
        QStringLiteral("%8 then %1, %L2 and %%3.MP4"), QStringLiteral("a,b \"quoted\".AVI"),
        QStringLiteral("two\nlines\r\n.AVI"),          QString::fromUtf8("주행 %1.MP4"),
    };
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        sensorexport::Recording rec;
        rec.path = QStringLiteral("/card/Recordings/") + name;
        sensorexport::Sample s;
        s.sample.m_nTime = 150;
        s.sample.m_nX = -7;
        s.sample.m_nY = 120;
        s.sample.m_nZ = 0;
        s.raw[0] = -14;
        s.raw[1] = 300;
        s.raw[2] = std::numeric_limits<std::int32_t>::min();
        rec.samples = {s, s};
        const std::vector<QStringList> rows =
            ParseCsv(QString::fromUtf8(sensorexport::ToCsv({rec})));
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0].join(','), "file,offset_ms,x,y,z,raw_x,raw_y,raw_z");
        for (std::size_t i = 1; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i],
                      QStringList({name, "150", "-7", "120", "0", "-14", "300", "-2147483648"}));
        }
    }
}

class Export : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_seoul.durationMs = 20000;
        m_seoul.fps = 5;
        m_seoul.path = m_dir.filePath("20140721_093000_NOR_C2.AVI");
        m_sydney = m_seoul;
        m_sydney.city = cardgen::City::Sydney;
        m_sydney.container = cardgen::Container::Mp4;
        m_sydney.category = cardgen::Category::Event;
        m_sydney.start = QDateTime(QDate(2014, 7, 22), QTime(3, 0, 0));
        m_sydney.path = m_dir.filePath("20140722_030000_EVT, \"odd\".MP4");
        ASSERT_TRUE(cardgen::WriteRecording(m_seoul));
        ASSERT_TRUE(cardgen::WriteRecording(m_sydney));
    }
    QTemporaryDir m_dir{TempRoot() + "/export-XXXXXX"};
    cardgen::RecordingOptions m_seoul, m_sydney;
};

TEST_F(Export, GpxHoldsEveryValidFixWithUtcTimes)
{
    const std::vector<sensorexport::Recording> recs = {sensorexport::Read(m_seoul.path),
                                                       sensorexport::Read(m_sydney.path)};
    ASSERT_TRUE(recs[0].error.isEmpty());
    ASSERT_TRUE(recs[1].error.isEmpty());

    QXmlStreamReader xml(sensorexport::ToGpx(recs));
    int tracks = 0;
    std::vector<int> points(2, 0);
    QStringList firstTimes;
    double firstLat[2] = {0, 0}, firstLon[2] = {0, 0};
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("gpx")) {
            EXPECT_EQ(xml.attributes().value("version"), QLatin1String("1.1"));
            EXPECT_EQ(xml.namespaceUri(), QLatin1String("http://www.topografix.com/GPX/1/1"));
        } else if (xml.name() == QLatin1String("trk")) {
            ++tracks;
        } else if (xml.name() == QLatin1String("trkpt")) {
            const int t = tracks - 1;
            if (points[t]++ == 0) {
                firstLat[t] = xml.attributes().value("lat").toDouble();
                firstLon[t] = xml.attributes().value("lon").toDouble();
                ASSERT_TRUE(xml.readNextStartElement());
                EXPECT_EQ(xml.name(), QLatin1String("time"));
                firstTimes << xml.readElementText();
            }
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(tracks, 2);
    EXPECT_EQ(points[0], static_cast<int>(recs[0].fixes.size()));
    EXPECT_EQ(points[1], static_cast<int>(recs[1].fixes.size()));
    // The name's wall clock is UTC+9: 09:30 local is 00:30 UTC, 03:00 is 18:00 the day before.
    EXPECT_EQ(firstTimes, QStringList({"2014-07-21T00:30:00Z", "2014-07-21T18:00:00Z"}));
    EXPECT_GT(firstLat[0], 37.5);
    EXPECT_GT(firstLon[0], 126.9);
    EXPECT_LT(firstLat[1], -33.8); // south, negative
    EXPECT_GT(firstLon[1], 151.1);

    // Exactly the fixes the viewer keeps: status A only.
    std::size_t valid = 0;
    for (const auto &r : cardgen::MakeSensorRecords(m_seoul))
        valid += r.bytes[0] == 'G' &&
                 std::string(r.bytes.begin(), r.bytes.end()).find(",A,") != std::string::npos;
    EXPECT_EQ(recs[0].fixes.size(), valid);
    EXPECT_LT(valid, 20u);
}

TEST_F(Export, CsvHoldsEverySampleAsTheViewerShowsIt)
{
    const sensorexport::Recording rec = sensorexport::Read(m_sydney.path);
    const QStringList lines =
        QString::fromUtf8(sensorexport::ToCsv({rec})).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 200);
    EXPECT_EQ(lines[0], "file,offset_ms,x,y,z,raw_x,raw_y,raw_z");
    // The name has a comma and quotes: quoted, quotes doubled.
    EXPECT_TRUE(lines[1].startsWith("\"20140722_030000_EVT, \"\"odd\"\".MP4\",50,"))
        << lines[1].toStdString();
    bool clamped = false;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(',').mid(2); // after the quoted name's comma
        ASSERT_EQ(f.size(), 7);
        EXPECT_EQ(f[0].toInt(), (i - 1) * 100 + 50);
        for (int axis = 0; axis < 3; ++axis) {
            const int shown = f[1 + axis].toInt(), raw = f[4 + axis].toInt();
            EXPECT_EQ(shown, std::clamp(raw / 2, -120, 120));
            clamped |= raw / 2 < -120;
        }
    }
    EXPECT_TRUE(clamped) << "the event's braking spike";
}

TEST_F(Export, CommandWritesAtomicallyAndReportsBadFiles)
{
    const QString gpx = m_dir.filePath("out.gpx"), csv = m_dir.filePath("out.csv");
    const QString text = m_dir.filePath("notes.txt");
    QFile(text).open(QIODevice::WriteOnly);
    QProcess p;
    p.start(QStringLiteral(QUORVIL_EXPORT_BIN),
            {m_seoul.path, text, m_sydney.path, "--gpx", gpx, "--csv", csv});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1) << "one file was unreadable";
    EXPECT_TRUE(p.readAllStandardError().contains("notes.txt: not a recording"));
    EXPECT_TRUE(ReadAll(gpx).endsWith("</gpx>\n"));
    EXPECT_EQ(ReadAll(csv).count('\n'), 1 + 200 + 200);

    // An output that cannot be written leaves nothing behind and fails.
    const QString bad = m_dir.filePath("missing-dir/out.gpx");
    p.start(QStringLiteral(QUORVIL_EXPORT_BIN), {m_seoul.path, "--gpx", bad});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_FALSE(QFile::exists(bad));
    EXPECT_EQ(QDir(m_dir.path()).entryList({"out.*"}, QDir::Files | QDir::Hidden).size(), 2);

    // An output that names one of the recordings (by any spelling or link) would replace it:
    // refused, and the recording stays as it was.
    const QByteArray before = ReadAll(m_seoul.path);
    const QString link = m_dir.filePath("link.gpx");
    ASSERT_TRUE(QFile::link(m_seoul.path, link));
    const QString dotted =
        m_dir.path() + QStringLiteral("/./") + QFileInfo(m_seoul.path).fileName();
    for (const QStringList &args :
         {QStringList{m_seoul.path, "--gpx", m_seoul.path},
          QStringList{m_seoul.path, "--csv", dotted},
          QStringList{m_seoul.path, m_sydney.path, "--gpx", link},
          QStringList{m_seoul.path, "--gpx", gpx, "--csv", m_dir.path() + "/./out.gpx"}}) {
        p.start(QStringLiteral(QUORVIL_EXPORT_BIN), args);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
    }
    EXPECT_EQ(ReadAll(m_seoul.path), before);

    // A summary without outputs.
    p.start(QStringLiteral(QUORVIL_EXPORT_BIN), {m_seoul.path});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput())
                    .contains(QRegularExpression("220 records, \\d+ valid fixes, 200 G-sensor")));
}

// A recording cut short (a card pulled while the camera wrote) is read up to the cut, and
// reported: the command ends with status 1 and keeps what it read.
TEST_F(Export, CutRecordingIsReportedAndKeepsItsRecords)
{
    const QByteArray whole = ReadAll(m_seoul.path);
    const QString cut = m_dir.filePath("20140721_093000_NOR_C2 cut.AVI");
    {
        QFile f(cut);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(whole.left(whole.size() * 6 / 10));
    }
    const sensorexport::Recording partial = sensorexport::Read(cut);
    EXPECT_TRUE(partial.error.isEmpty());
    EXPECT_FALSE(partial.damage.isEmpty());
    EXPECT_GT(partial.samples.size(), 50u);
    EXPECT_LT(partial.samples.size(), 200u);
    for (const QString &intact : {m_seoul.path, m_sydney.path})
        EXPECT_TRUE(sensorexport::Read(intact).damage.isEmpty()) << intact.toStdString();

    const QString csv = m_dir.filePath("cut.csv");
    QProcess p;
    p.start(QStringLiteral(QUORVIL_EXPORT_BIN), {cut, m_sydney.path, "--csv", csv});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(p.readAllStandardError().contains("cut.AVI: the file is cut short"));
    EXPECT_EQ(ReadAll(csv).count('\n'), static_cast<qsizetype>(1 + partial.samples.size() + 200));
}

} // namespace
