// The sensor track's records: the G-sensor and RMC rules, one table row per edge case.

#include "sensors/CTextData.h"
#include "tests/sensors-records/ScopedTimeZone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace
{

std::vector<std::uint8_t> Bytes(const std::string &s, bool terminate = true)
{
    std::vector<std::uint8_t> v(s.begin(), s.end());
    if (terminate)
        v.push_back(0);
    return v;
}

std::vector<std::uint8_t> GRecord(std::int32_t x, std::int32_t y, std::int32_t z)
{
    std::vector<std::uint8_t> v{'M'};
    for (std::int32_t a : {x, y, z})
        for (int i = 0; i < 4; ++i)
            v.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(a) >> (8 * i)));
    return v;
}

TEST(GSensorRecord, HalvesAndClamps)
{
    struct Case {
        const char *name;
        std::int32_t x, y, z;
        std::int32_t ex, ey, ez;
    };
    const Case cases[] = {
        {"documented example", 300, -7, -241, 120, -3, -120},
        {"inside the range", 100, -100, 0, 50, -50, 0},
        {"exact limits", 240, -240, 239, 120, -120, 119},
        {"truncation toward zero", 3, -3, 1, 1, -1, 0},
        {"extremes", INT32_MAX, INT32_MIN, -1, 120, -120, 0},
    };
    for (const Case &c : cases) {
        CTextData track = CTextData::Empty();
        track.AddRecord(GRecord(c.x, c.y, c.z), 1234);
        ASSERT_EQ(track.m_arrGSensor.size(), 1u) << c.name;
        const CGSensorData &s = track.m_arrGSensor[0];
        EXPECT_EQ(s.m_nX, c.ex) << c.name;
        EXPECT_EQ(s.m_nY, c.ey) << c.name;
        EXPECT_EQ(s.m_nZ, c.ez) << c.name;
        EXPECT_EQ(s.m_nTime, 1234u) << c.name;
        EXPECT_TRUE(track.m_arrGPS.empty()) << c.name;
    }
}

TEST(GSensorRecord, ShortRecordReadsMissingBytesAsZero)
{
    // 'M' and one and a half axes: what a zero-filled reader buffer would hold.
    const std::vector<std::uint8_t> rec{'M', 200, 0, 0, 0, 10, 0};
    CTextData track = CTextData::Empty();
    track.AddRecord(rec, 5);
    ASSERT_EQ(track.m_arrGSensor.size(), 1u);
    EXPECT_EQ(track.m_arrGSensor[0].m_nX, 100);
    EXPECT_EQ(track.m_arrGSensor[0].m_nY, 5);
    EXPECT_EQ(track.m_arrGSensor[0].m_nZ, 0);
}

TEST(GSensorData, ConstructorClamps)
{
    const CGSensorData s(-500, 500, 7, 9);
    EXPECT_EQ(s.m_nX, -120);
    EXPECT_EQ(s.m_nY, 120);
    EXPECT_EQ(s.m_nZ, 7);
    EXPECT_EQ(s.m_nTime, 9u);
}

constexpr char kExample[] = "GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";

TEST(ParseRMC, DocumentedExample)
{
    CGPSData fix;
    EXPECT_TRUE(fix.ParseRMC(kExample, 777));
    EXPECT_EQ(fix.m_nHour, 21);
    EXPECT_EQ(fix.m_nMinute, 35);
    EXPECT_EQ(fix.m_nSecond, 19);
    EXPECT_EQ(fix.m_bValid, 1);
    EXPECT_DOUBLE_EQ(fix.m_dLatitude, 4807.038);
    EXPECT_DOUBLE_EQ(fix.m_dLongitude, 1131.0);
    EXPECT_EQ(fix.m_dSpeed, static_cast<double>(41.4848f));
    EXPECT_EQ(fix.m_dCourse, static_cast<double>(84.4f));
    EXPECT_EQ(fix.m_nDay, 23);
    EXPECT_EQ(fix.m_nMonth, 3);
    EXPECT_EQ(fix.m_nYear, 94);
    EXPECT_EQ(fix.m_nTime, 777u);

    // On the map: degrees + minutes / 60.
    auto degrees = [](double v) {
        const double whole = std::trunc(v / 100);
        return whole + (v / 100 - whole) * 100 / 60;
    };
    EXPECT_NEAR(degrees(fix.m_dLatitude), 48.1173, 1e-9);
    EXPECT_NEAR(degrees(fix.m_dLongitude), 11.516667, 1e-6);
}

TEST(ParseRMC, FieldRules)
{
    struct Case {
        const char *name;
        const char *sentence;
        bool complete;
        int valid;
        double lat, lon, speedKmh, course;
        int hour, day, month, year;
    };
    const Case cases[] = {
        {"south and west negate", "GPRMC,010203,A,3352.1234,S,15112.5000,W,10,90,010120", true, 1,
         -3352.1234, -15112.5, 10 * 1.852, 90, 10, 1, 1, 20},
        {"empty hemispheres negate too", "GPRMC,010203,A,3352.1234,,15112.5000,,0,0,010120", true,
         1, -3352.1234, -15112.5, 0, 0, 10, 1, 1, 20},
        {"lower-case hemispheres are not N/E", "GPRMC,010203,A,1.5,n,2.5,e,0,0,010120", true, 1,
         -1.5, -2.5, 0, 0, 10, 1, 1, 20},
        {"status V", "GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394", true, 0, 4807.038,
         1131.0, 22.4 * 1.852, 84.4, 21, 23, 3, 94},
        {"empty status is not valid", "GPRMC,123519,,4807.038,N,01131.000,E,,,230394", true, 0,
         4807.038, 1131.0, 0, 0, 21, 23, 3, 94},
        {"empty speed and course", "GPRMC,123519,A,4807.038,N,01131.000,E,,,230394", true, 1,
         4807.038, 1131.0, 0, 0, 21, 23, 3, 94},
        {"fractional seconds dropped", "GPRMC,235959.999,A,0,N,0,E,0,0,311299", true, 1, 0, 0, 0, 0,
         32, 31, 12, 99},
        {"ends before the date", "GPRMC,123519,A,4807.038,N,01131.000,E,022.4", false, 1, 4807.038,
         1131.0, 22.4 * 1.852, 0, 21, 0, 0, 0},
        {"ends after the status", "GPRMC,123519,A", false, 1, 0, 0, 0, 0, 21, 0, 0, 0},
        {"leading commas skipped", ",,GPRMC,123519,A,1,N,2,E,3,4,230394", true, 1, 1, 2, 3 * 1.852,
         4, 21, 23, 3, 94},
        {"checksum glued to the date", "GPRMC,123519,A,1,N,2,E,3,4,230394*7F", true, 1, 1, 2,
         3 * 1.852, 4, 21, 23, 3, 94},
        {"number prefixes as atof reads them", "GPRMC,123519,A, 12.5x,N,+7e1,E,1.5kn,,230394", true,
         1, 12.5, 70, static_cast<float>(1.5 * 1.852), 0, 21, 23, 3, 94},
        {"any leading white space, as atoi and atof skip it",
         "GPRMC,1\v0203,A,\f12.5,N,\n7,E,\t1.5,\r9,\t10102", true, 1, 12.5, 7,
         static_cast<float>(1.5 * 1.852), 9, 10, 1, 1, 2},
    };
    for (const Case &c : cases) {
        CGPSData fix;
        EXPECT_EQ(fix.ParseRMC(c.sentence, 42), c.complete) << c.name;
        EXPECT_EQ(fix.m_bValid, c.valid) << c.name;
        EXPECT_DOUBLE_EQ(fix.m_dLatitude, c.lat) << c.name;
        EXPECT_DOUBLE_EQ(fix.m_dLongitude, c.lon) << c.name;
        EXPECT_EQ(fix.m_dSpeed, static_cast<double>(static_cast<float>(c.speedKmh))) << c.name;
        EXPECT_EQ(fix.m_dCourse, static_cast<double>(static_cast<float>(c.course))) << c.name;
        EXPECT_EQ(fix.m_nHour, c.hour) << c.name;
        EXPECT_EQ(fix.m_nDay, c.day) << c.name;
        EXPECT_EQ(fix.m_nMonth, c.month) << c.name;
        EXPECT_EQ(fix.m_nYear, c.year) << c.name;
        if (!c.complete) {
            EXPECT_EQ(fix.m_tFixTime, 0) << c.name;
        }
    }
}

TEST(ParseRMC, FixTimeIsTheWallClockPlusNineReadLocally)
{
    struct Case {
        const char *name;
        const char *sentence;
        int year, month, day, hour, minute, second; // expected local broken-down time
    };
    const Case cases[] = {
        {"documented example", kExample, 1994, 3, 23, 21, 35, 19},
        {"hour 29 carries into the next day", "GPRMC,203000,A,0,N,0,E,0,0,150714", 2014, 7, 16, 5,
         30, 0},
        {"year 69 is 2069", "GPRMC,000000,A,0,N,0,E,0,0,010169", 2069, 1, 1, 9, 0, 0},
        {"year 70 is 1970", "GPRMC,000000,A,0,N,0,E,0,0,010170", 1970, 1, 1, 9, 0, 0},
        {"end of month carries", "GPRMC,233000,A,0,N,0,E,0,0,310714", 2014, 8, 1, 8, 30, 0},
    };
    for (const char *tz : {"UTC0", "Europe/Berlin", "Asia/Seoul"}) {
        ScopedTimeZone zone(tz);
        for (const Case &c : cases) {
            CGPSData fix;
            ASSERT_TRUE(fix.ParseRMC(c.sentence, 0)) << c.name;
            const std::time_t t = static_cast<std::time_t>(fix.m_tFixTime);
            std::tm tm{};
            ASSERT_NE(localtime_r(&t, &tm), nullptr);
            EXPECT_EQ(tm.tm_year + 1900, c.year) << c.name << " in " << tz;
            EXPECT_EQ(tm.tm_mon + 1, c.month) << c.name << " in " << tz;
            EXPECT_EQ(tm.tm_mday, c.day) << c.name << " in " << tz;
            EXPECT_EQ(tm.tm_hour, c.hour) << c.name << " in " << tz;
            EXPECT_EQ(tm.tm_min, c.minute) << c.name << " in " << tz;
            EXPECT_EQ(tm.tm_sec, c.second) << c.name << " in " << tz;
        }
    }
    // In the camera's own zone (UTC+9) the fix time is the true instant of the fix.
    ScopedTimeZone seoul("Asia/Seoul");
    CGPSData fix;
    fix.ParseRMC(kExample, 0);
    std::tm utc{};
    utc.tm_year = 94;
    utc.tm_mon = 2;
    utc.tm_mday = 23;
    utc.tm_hour = 12;
    utc.tm_min = 35;
    utc.tm_sec = 19;
    EXPECT_EQ(fix.m_tFixTime, static_cast<std::int64_t>(timegm(&utc)));
}

// A track reads fix after fix with one clock that remembers the last minute; each fix time
// must still be what mktime gives for that fix alone, through the hours that a change of
// daylight saving skips or repeats, across midnight, and for seconds past 59.
TEST(ParseRMC, TrackClockAgreesWithEachFixReadAlone)
{
    struct Run {
        const char *tz;
        const char *date;           // ddmmyy
        int startHour, startMinute; // UTC; the wall clock read is 9 hours later
        int seconds;                // consecutive fixes, one a second
    };
    const Run runs[] = {
        {"Europe/Berlin", "290314", 16, 58, 150}, // 01:59:59 -> 03:00:00 local
        {"Europe/Berlin", "251014", 17, 58, 150}, // 02:59:59 -> 02:00:00 again
        {"America/New_York", "080314", 16, 58, 150},
        {"Australia/Lord_Howe", "041014", 16, 58, 150}, // a half-hour change at 02:00
        {"Asia/Seoul", "311214", 14, 58, 150},          // +9 h wraps into the next year
        {"UTC0", "010114", 23, 59, 5},
    };
    for (const Run &r : runs) {
        ScopedTimeZone zone(r.tz);
        CTextData track = CTextData::Empty();
        for (int i = 0; i < r.seconds; ++i) {
            const int t = r.startHour * 3600 + r.startMinute * 60 + i;
            char sentence[80];
            std::snprintf(sentence, sizeof sentence, "GPRMC,%02d%02d%02d,A,0,N,0,E,0,0,%s",
                          t / 3600 % 24, t / 60 % 60, t % 60, r.date);
            track.AddRecord(Bytes(sentence), static_cast<std::uint32_t>(i));
            CGPSData alone;
            ASSERT_TRUE(alone.ParseRMC(sentence, 0));
            ASSERT_EQ(track.m_arrGPS.size(), static_cast<std::size_t>(i + 1));
            EXPECT_EQ(track.m_arrGPS.back().m_tFixTime, alone.m_tFixTime)
                << sentence << " in " << r.tz;
        }
    }
    // Seconds past 59 carry over as mktime carries them.
    ScopedTimeZone berlin("Europe/Berlin");
    CTextData track = CTextData::Empty();
    for (const char *s : {"GPRMC,165958,A,0,N,0,E,0,0,290314", "GPRMC,165975,A,0,N,0,E,0,0,290314",
                          "GPRMC,165900,A,0,N,0,E,0,0,290314"}) {
        track.AddRecord(Bytes(s), 0);
        CGPSData alone;
        alone.ParseRMC(s, 0);
        EXPECT_EQ(track.m_arrGPS.back().m_tFixTime, alone.m_tFixTime) << s;
    }
}

TEST(ParseRMC, TextEndsAtItsFirstZeroByte)
{
    std::string s = "GPRMC,123519,A";
    s.push_back('\0');
    s += ",4807.038,N,01131.000,E,022.4,084.4,230394";
    CGPSData fix;
    EXPECT_FALSE(fix.ParseRMC(s, 0));
    EXPECT_EQ(fix.m_dLatitude, 0.0);
}

TEST(ParseRMC, SentenceOf1024CharactersOrMoreIsNotParsed)
{
    std::string s = kExample;
    std::string atLimit = s + std::string(CGPSData::kMaxSentence - 1 - s.size(), ' ');
    std::string over = s + std::string(CGPSData::kMaxSentence - s.size(), ' ');
    ASSERT_EQ(atLimit.size(), CGPSData::kMaxSentence - 1);
    CGPSData a, b;
    EXPECT_TRUE(a.ParseRMC(atLimit, 0));
    EXPECT_EQ(a.m_bValid, 1);
    EXPECT_FALSE(b.ParseRMC(over, 0));
    EXPECT_EQ(b.m_bValid, 0);
    EXPECT_EQ(b.m_dLatitude, 0.0);

    CTextData track = CTextData::Empty();
    track.AddRecord(Bytes(over), 0);
    EXPECT_TRUE(track.m_arrGPS.empty());
}

TEST(ParseRMC, IndependentOfTheNumericLocale)
{
    // A process locale with a decimal comma must not change what the sentence says.
    const char *old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE locale on this machine";
    CGPSData fix;
    fix.ParseRMC(kExample, 0);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_DOUBLE_EQ(fix.m_dLatitude, 4807.038);
}

TEST(AddRecord, Dispatch)
{
    struct Case {
        const char *name;
        std::vector<std::uint8_t> record;
        std::size_t samples, fixes;
    };
    const Case cases[] = {
        {"valid RMC", Bytes(kExample), 0, 1},
        {"void RMC dropped", Bytes("GPRMC,123519,V,4807.038,N,01131.000,E,022.4,084.4,230394"), 0,
         0},
        {"dollar sign first", Bytes(std::string("$") + kExample), 0, 0},
        {"GGA ignored", Bytes("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47"),
         0, 0},
        {"other talker ignored", Bytes("GNRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394"),
         0, 0},
        {"lower case ignored", Bytes("gprmc,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394"), 0,
         0},
        {"cut-off valid RMC still appended", Bytes("GPRMC,123519,A,4807.038,N"), 0, 1},
        {"unknown type", Bytes("X123"), 0, 0},
        {"empty record", {}, 0, 0},
        {"too short for GPRMC", Bytes("GPRM", false), 0, 0},
        {"G-sensor", GRecord(1, 2, 3), 1, 0},
    };
    for (const Case &c : cases) {
        CTextData track = CTextData::Empty();
        EXPECT_EQ(track.AddRecord(c.record, 10), 0) << c.name;
        EXPECT_EQ(track.m_arrGSensor.size(), c.samples) << c.name;
        EXPECT_EQ(track.m_arrGPS.size(), c.fixes) << c.name;
    }
}

TEST(AddRecord, CutOffFixKeepsWhatWasParsed)
{
    CTextData track = CTextData::Empty();
    track.AddRecord(Bytes("GPRMC,123519,A,4807.038,N"), 10);
    ASSERT_EQ(track.m_arrGPS.size(), 1u);
    const CGPSData &fix = track.m_arrGPS[0];
    EXPECT_DOUBLE_EQ(fix.m_dLatitude, 4807.038);
    EXPECT_EQ(fix.m_dLongitude, 0.0);
    EXPECT_EQ(fix.m_tFixTime, 0);
    EXPECT_EQ(fix.m_nTime, 10u);
}

TEST(TextData, FreshTrackHoldsZeroEntriesUntilEmptied)
{
    CTextData track;
    ASSERT_EQ(track.m_arrGPS.size(), 1024u);
    ASSERT_EQ(track.m_arrGSensor.size(), 1024u);
    for (const CGPSData &f : track.m_arrGPS) {
        EXPECT_EQ(f.m_bValid, 0);
        EXPECT_EQ(f.m_nTime, 0u);
        EXPECT_EQ(f.m_tFixTime, 0);
    }
    for (const CGSensorData &s : track.m_arrGSensor)
        EXPECT_EQ(s.m_nX | s.m_nY | s.m_nZ | static_cast<std::int32_t>(s.m_nTime), 0);

    track.RemoveAll();
    track.AddRecord(Bytes(kExample), 1);
    track.AddRecord(GRecord(2, 4, 6), 2);
    ASSERT_EQ(track.m_arrGPS.size(), 1u);
    ASSERT_EQ(track.m_arrGSensor.size(), 1u);
    EXPECT_EQ(track.m_arrGPS[0].m_nTime, 1u);
    EXPECT_EQ(track.m_arrGSensor[0].m_nTime, 2u);
}

TEST(TextData, DeliveryOrderIsKept)
{
    CTextData track = CTextData::Empty();
    for (std::uint32_t t : {500u, 100u, 300u})
        track.AddRecord(GRecord(static_cast<std::int32_t>(t), 0, 0), t);
    ASSERT_EQ(track.m_arrGSensor.size(), 3u);
    EXPECT_EQ(track.m_arrGSensor[0].m_nTime, 500u);
    EXPECT_EQ(track.m_arrGSensor[1].m_nTime, 100u);
    EXPECT_EQ(track.m_arrGSensor[2].m_nTime, 300u);
}

} // namespace
