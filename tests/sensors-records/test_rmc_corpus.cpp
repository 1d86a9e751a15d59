// The RMC parser against real-world sentences of public NMEA corpora: for every GPRMC row the
// parser gives the source's status, latitude, longitude, speed and course; the dispatch
// appends exactly the GPRMC rows with status A and ignores every other talker.

#include "sensors/CTextData.h"
#include "tests/sensors-records/ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QStringList>

#include <cmath>
#include <ctime>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace
{

struct Row {
    int line = 0;
    QString source, sentence, talker, valid, lat, lon, speed, course, date, time, tags;
    int fields = 0; // comma-separated fields of the body, the identifier counted
};

QString Unescape(const QString &cell)
{
    QString out;
    for (int i = 0; i < cell.size(); ++i) {
        if (cell[i] == '\\' && i + 1 < cell.size()) {
            const QChar n = cell[++i];
            out += n == 't' ? QChar('\t') : n == 'r' ? QChar('\r') : n == 'n' ? QChar('\n') : n;
        } else {
            out += cell[i];
        }
    }
    return out;
}

std::vector<Row> LoadRows()
{
    QFile f(QStringLiteral(QUORVIL_NMEA_CORPUS "/rmc_cases.tsv"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << "cannot read the corpus";
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    std::vector<Row> rows;
    const QStringList header = lines.value(0).split('\t');
    auto col = [&](const char *name) { return header.indexOf(QLatin1String(name)); };
    const int cSource = col("source"), cSentence = col("sentence"), cTalker = col("talker"),
              cValid = col("expected_valid"), cLat = col("expected_lat_deg"),
              cLon = col("expected_lon_deg"), cSpeed = col("expected_speed_knots"),
              cCourse = col("expected_course"), cDate = col("expected_date"),
              cTime = col("expected_time"), cFields = col("n_fields"), cTags = col("tags");
    EXPECT_GE(std::min({cSource, cSentence, cTalker, cValid, cLat, cLon, cSpeed, cCourse, cDate,
                        cTime, cFields, cTags}),
              0)
        << "unexpected header";
    for (int i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QStringList c = lines[i].split('\t');
        Row r;
        r.line = i + 1;
        r.source = c.value(cSource);
        r.sentence = Unescape(c.value(cSentence));
        r.talker = c.value(cTalker);
        r.valid = c.value(cValid);
        r.lat = c.value(cLat);
        r.lon = c.value(cLon);
        r.speed = c.value(cSpeed);
        r.course = c.value(cCourse);
        r.date = c.value(cDate);
        r.time = c.value(cTime);
        r.fields = c.value(cFields).toInt();
        r.tags = c.value(cTags);
        rows.push_back(r);
    }
    return rows;
}

// What a camera stores: the sentence without leading blanks and '$' signs, checksum kept.
std::vector<std::uint8_t> StoredRecord(const QString &sentence)
{
    QString s = sentence;
    while (!s.isEmpty() && (s[0] == ' ' || s[0] == '$'))
        s.remove(0, 1);
    const QByteArray b = s.toLatin1();
    std::vector<std::uint8_t> v(b.begin(), b.end());
    v.push_back(0);
    return v;
}

double Degrees(double nmea)
{
    const double whole = std::trunc(nmea / 100);
    return whole + (nmea / 100 - whole) * 100 / 60;
}

double OrZero(const QString &cell)
{
    return cell.isEmpty() ? 0.0 : cell.toDouble();
}

TEST(RmcCorpus, EveryGprmcRowDecodesAsTheSourceSays)
{
    const std::vector<Row> rows = LoadRows();
    ASSERT_FALSE(rows.empty());
    int checked = 0;
    for (const Row &r : rows) {
        const std::vector<std::uint8_t> rec = StoredRecord(r.sentence);
        const std::string_view text(reinterpret_cast<const char *>(rec.data()));
        if (!text.starts_with("GPRMC"))
            continue;
        ++checked;
        SCOPED_TRACE(
            QStringLiteral("line %1: %2 (%3)").arg(r.line).arg(r.sentence, r.source).toStdString());
        CGPSData fix;
        fix.ParseRMC(text, 0);
        EXPECT_EQ(fix.m_bValid, r.valid == QLatin1String("A") ? 1 : 0);
        const double tol = r.tags.contains(QLatin1String("tolerance-1e-4")) ? 1e-4 : 1e-8;
        EXPECT_NEAR(Degrees(fix.m_dLatitude), OrZero(r.lat), tol);
        EXPECT_NEAR(Degrees(fix.m_dLongitude), OrZero(r.lon), tol);
        EXPECT_EQ(fix.m_dSpeed, static_cast<double>(static_cast<float>(OrZero(r.speed) * 1.852)));
        EXPECT_EQ(fix.m_dCourse, static_cast<double>(static_cast<float>(OrZero(r.course))));
    }
    EXPECT_GT(checked, 100);
}

// Seconds since 1970 of a UTC calendar time (days from the civil date, no time zone involved).
std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<std::int64_t>(timegm(&tm));
}

TEST(RmcCorpus, EveryGprmcRowGivesItsDateAndTheTimePlusNineHours)
{
    // In the camera's own zone (UTC+9, fixed) the +9 hour wall clock read by mktime is the
    // true instant of the fix; in UTC it is nine hours later.
    const std::vector<Row> rows = LoadRows();
    int checked = 0;
    for (const char *zone : {"KST-9", "UTC0"}) {
        ScopedTimeZone tz(zone);
        const std::int64_t shift = std::string_view(zone) == "UTC0" ? 9 * 3600 : 0;
        for (const Row &r : rows) {
            const std::vector<std::uint8_t> rec = StoredRecord(r.sentence);
            const std::string_view text(reinterpret_cast<const char *>(rec.data()));
            if (!text.starts_with("GPRMC"))
                continue;
            SCOPED_TRACE(QStringLiteral("line %1 in %2: %3")
                             .arg(r.line)
                             .arg(QLatin1String(zone), r.sentence)
                             .toStdString());
            // expected_time is hh:mm:ss[.fff], expected_date yyyy-mm-dd; an empty cell is an
            // empty field, which reads as 0.
            const int hh = r.time.mid(0, 2).toInt(), mi = r.time.mid(3, 2).toInt(),
                      ss = r.time.mid(6, 2).toInt();
            const int yy = r.date.mid(2, 2).toInt(), mo = r.date.mid(5, 2).toInt(),
                      dd = r.date.mid(8, 2).toInt();
            CGPSData fix;
            EXPECT_EQ(fix.ParseRMC(text, 0), r.fields >= 10);
            EXPECT_EQ(fix.m_nHour, hh + 9) << "not wrapped";
            EXPECT_EQ(fix.m_nMinute, mi);
            EXPECT_EQ(fix.m_nSecond, ss) << "fraction dropped";
            EXPECT_EQ(fix.m_nDay, dd);
            EXPECT_EQ(fix.m_nMonth, mo);
            // Two digits only: the one source that puts 94 in 2094 agrees on the digits.
            EXPECT_EQ(fix.m_nYear, yy);
            if (r.date.isEmpty() || r.time.isEmpty())
                continue; // the fix time of a sentence without a date or time means nothing
            const int year = yy >= 70 ? 1900 + yy : 2000 + yy;
            EXPECT_EQ(fix.m_tFixTime, UtcSeconds(year, mo, dd, hh, mi, ss) + shift);
            ++checked;
        }
    }
    EXPECT_GT(checked, 200);
}

TEST(RmcCorpus, DispatchAppendsOnlyValidGprmc)
{
    const std::vector<Row> rows = LoadRows();
    int others = 0;
    for (const Row &r : rows) {
        SCOPED_TRACE(QStringLiteral("line %1: %2").arg(r.line).arg(r.sentence).toStdString());
        CTextData track = CTextData::Empty();
        const std::vector<std::uint8_t> rec = StoredRecord(r.sentence);
        const bool gprmc =
            std::string_view(reinterpret_cast<const char *>(rec.data())).starts_with("GPRMC");
        track.AddRecord(rec, 100);
        EXPECT_EQ(track.m_arrGPS.size(), gprmc && r.valid == QLatin1String("A") ? 1u : 0u);
        EXPECT_TRUE(track.m_arrGSensor.empty());
        others += gprmc ? 0 : 1;

        // As found in the log, with its '$': never a record.
        const QByteArray raw = r.sentence.toLatin1();
        CTextData asFound = CTextData::Empty();
        asFound.AddRecord(std::span(reinterpret_cast<const std::uint8_t *>(raw.constData()),
                                    static_cast<std::size_t>(raw.size())),
                          100);
        if (!raw.startsWith("GPRMC")) {
            EXPECT_TRUE(asFound.m_arrGPS.empty());
        }
    }
    EXPECT_GT(others, 0) << "the corpus holds other talkers";
}

// What the dispatch and the parser make of each broken line, by the rules alone: a record
// that does not start with "GPRMC" is ignored, the checksum is never checked, a status other
// than A drops the fix, and a sentence that ends early keeps the fields read so far.
struct BrokenExpectation {
    int fixes = 0;         // appended from the line without its leading '$'
    int asFoundFixes = 0;  // appended from the line exactly as found
    bool complete = false; // ParseRMC's result, for an appended fix
    double lat = 0, lon = 0, speedKnots = 0;
};

const std::map<std::string, BrokenExpectation> &BrokenExpectations()
{
    static const std::map<std::string, BrokenExpectation> table = {
        // Cut after the hemisphere: the longitude "4" is negated by "02.3*05" in the E/W slot.
        {"ntpsec/gpsd test/daemon/gp-320fw-2019-04-07-coldboot.log:27",
         {1, 0, false, 4808.9992, -4, 0}},
        // NULs end the text inside the latitude: no hemisphere field, so nothing negates it.
        {"ntpsec/gpsd test/daemon/gp-320fw-2019-04-07-coldboot.log:36", {1, 0, false, 4808, 0, 0}},
        {"ntpsec/gpsd test/daemon/gp-320fw-2019-04-07-coldboot.log:40", {}}, // a GSA first
        {"ntpsec/gpsd test/daemon/gp-320fw-2019-04-07-coldboot.log:51", {}}, // void
        {"ntpsec/gpsd test/daemon/gp-320fw-2019-04-07-coldboot.log:83", {}}, // a GSV first
        {"ntpsec/gpsd test/daemon/gp-320fw-2019-04-07-coldboot.log:91", {}}, // empty status
        {"ntpsec/gpsd test/daemon/gp-320fw-2019-04-07-coldboot.log:95", {}}, // void
        {"ntpsec/gpsd test/daemon/ublox-8.log:1019", {}},                    // GNRMC
        // Year "-1" is still a complete, valid fix.
        {"ntpsec/gpsd test/daemon/april6_2019.log:15", {1, 0, true, 4829.0005, 22.0015, 0.15}},
        {"ntpsec/gpsd test/daemon/tomtom-mkII.log:70", {}}, // "r$GPRMC"
        {"kosma/minmea tests.c:57", {}},                    // void
        {"kosma/minmea tests.c:293", {}},                   // status "bar"
        {"kosma/minmea tests.c:294", {}},                   // status "bar"
        // Cut in the speed: "0.D" reads as 0; the western longitude is already negated.
        {"Knio/pynmea2 test/test_pynmea.py:132", {1, 0, false, 4805.30256324, -11629.09084774, 0}},
        {"adrianmo/go-nmea rmc_test.go:65", {}},       // GNRMC
        {"adrianmo/go-nmea rmc_test.go:118", {}},      // status "D"
        {"adrianmo/go-nmea sentence_test.go:126", {}}, // "abc$GPRMC"
        // Without '$' it is exactly what a camera stores.
        {"adrianmo/go-nmea sentence_test.go:131", {1, 1, true, 3925.9479, -11945.9211, 44.7}},
        // A wrong checksum is not checked.
        {"adrianmo/go-nmea sentence_test.go:136", {1, 0, true, 3925.9479, -11945.9211, 44.7}},
        {"AeroRust/nmea tests/functional_tests.rs:11", {}},               // ",GRMC"
        {"semuconsulting/pynmeagps tests/pygpsdata-nmeabadck.log:1", {}}, // GNRMC
        {"semuconsulting/pynmeagps tests/pygpsdata-nmeafoo2.log:1", {}},  // GNRMC
        {"semuconsulting/pynmeagps tests/test_static.py:76", {}},         // GNRMC
        {"ktuukkan/marine-api src/test/java/net/sf/marineapi/nmea/sentence/"
         "SentenceValidatorTest.java:141",
         {}}, // void
        {"ktuukkan/marine-api src/test/java/net/sf/marineapi/nmea/sentence/"
         "SentenceValidatorTest.java:144",
         {}},
        {"ktuukkan/marine-api src/test/java/net/sf/marineapi/nmea/sentence/"
         "SentenceValidatorTest.java:147",
         {}},
        {"ktuukkan/marine-api src/test/java/net/sf/marineapi/nmea/sentence/"
         "SentenceValidatorTest.java:150",
         {}},
        {"ktuukkan/marine-api src/test/java/net/sf/marineapi/nmea/sentence/"
         "SentenceValidatorTest.java:175",
         {}},
    };
    return table;
}

std::span<const std::uint8_t> AsRecord(const QByteArray &b)
{
    return std::span(reinterpret_cast<const std::uint8_t *>(b.constData()),
                     static_cast<std::size_t>(b.size()));
}

TEST(RmcCorpus, EveryBrokenLineGivesWhatTheRulesSay)
{
    QFile f(QStringLiteral(QUORVIL_NMEA_CORPUS "/rmc_bad.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    std::size_t n = 0;
    for (const QByteArray &line : lines) {
        if (line.startsWith('#') || line.startsWith("source\t") || line.isEmpty())
            continue;
        const QList<QByteArray> cells = line.split('\t');
        ASSERT_GE(cells.size(), 2);
        const std::string source = cells[0].toStdString();
        SCOPED_TRACE(source);
        const auto expected = BrokenExpectations().find(source);
        ASSERT_NE(expected, BrokenExpectations().end()) << "a line without an expectation";
        const BrokenExpectation &e = expected->second;
        // \xNN escapes back to bytes (NULs included), then \\ \t \r \n.
        QByteArray asFound;
        const QByteArray &c = cells[1];
        for (int i = 0; i < c.size(); ++i) {
            if (c[i] == '\\' && i + 1 < c.size()) {
                const char esc = c[++i];
                if (esc == 'x' && i + 2 < c.size()) {
                    asFound.append(static_cast<char>(c.mid(i + 1, 2).toInt(nullptr, 16)));
                    i += 2;
                } else {
                    asFound.append(esc == 't' ? '\t' : esc == 'r' ? '\r' : esc == 'n' ? '\n' : esc);
                }
            } else {
                asFound.append(c[i]);
            }
        }
        QByteArray stored = asFound;
        while (stored.startsWith('$') || stored.startsWith(' '))
            stored.remove(0, 1);

        CTextData raw = CTextData::Empty();
        raw.AddRecord(AsRecord(asFound), 0);
        EXPECT_EQ(raw.m_arrGPS.size(), static_cast<std::size_t>(e.asFoundFixes));
        CTextData track = CTextData::Empty();
        track.AddRecord(AsRecord(stored), 0);
        ASSERT_EQ(track.m_arrGPS.size(), static_cast<std::size_t>(e.fixes));
        EXPECT_TRUE(track.m_arrGSensor.empty());
        if (e.fixes) {
            const CGPSData &fix = track.m_arrGPS[0];
            EXPECT_EQ(fix.m_bValid, 1);
            EXPECT_DOUBLE_EQ(fix.m_dLatitude, e.lat);
            EXPECT_DOUBLE_EQ(fix.m_dLongitude, e.lon);
            EXPECT_EQ(fix.m_dSpeed, static_cast<double>(static_cast<float>(e.speedKnots * 1.852)));
            CGPSData again;
            EXPECT_EQ(again.ParseRMC(std::string_view(stored.constData(),
                                                      static_cast<std::size_t>(stored.size())),
                                     0),
                      e.complete);
            if (!e.complete) {
                EXPECT_EQ(fix.m_tFixTime, 0);
            }
        }
        ++n;
    }
    EXPECT_EQ(n, BrokenExpectations().size()) << "every expectation matches a line";
}

} // namespace
