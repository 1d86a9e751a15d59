// The RMC parser against real-world sentences of public NMEA corpora: for every GPRMC row the
// parser gives the source's status, latitude, longitude, speed and course; the dispatch
// appends exactly the GPRMC rows with status A and ignores every other talker.

#include "sensors/CTextData.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QStringList>

#include <cmath>
#include <optional>
#include <vector>

namespace
{

struct Row {
    int line = 0;
    QString source, sentence, talker, valid, lat, lon, speed, course, tags;
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
              cCourse = col("expected_course"), cTags = col("tags");
    EXPECT_GE(std::min({cSource, cSentence, cTalker, cValid, cLat, cLon, cSpeed, cCourse, cTags}),
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

TEST(RmcCorpus, BrokenLinesNeverCrashTheParser)
{
    QFile f(QStringLiteral(QUORVIL_NMEA_CORPUS "/rmc_bad.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    int n = 0;
    for (const QByteArray &line : lines) {
        if (line.startsWith('#') || line.startsWith("source\t") || line.isEmpty())
            continue;
        const QList<QByteArray> cells = line.split('\t');
        if (cells.size() < 2)
            continue;
        // \xNN escapes back to bytes (NULs included), then \\ \t \r \n.
        QByteArray raw;
        const QByteArray &c = cells[1];
        for (int i = 0; i < c.size(); ++i) {
            if (c[i] == '\\' && i + 1 < c.size()) {
                const char e = c[++i];
                if (e == 'x' && i + 2 < c.size()) {
                    raw.append(static_cast<char>(c.mid(i + 1, 2).toInt(nullptr, 16)));
                    i += 2;
                } else {
                    raw.append(e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e);
                }
            } else {
                raw.append(c[i]);
            }
        }
        while (raw.startsWith('$') || raw.startsWith(' '))
            raw.remove(0, 1);
        CTextData track = CTextData::Empty();
        track.AddRecord(std::span(reinterpret_cast<const std::uint8_t *>(raw.constData()),
                                  static_cast<std::size_t>(raw.size())),
                        0);
        EXPECT_LE(track.m_arrGPS.size(), 1u);
        if (!track.m_arrGPS.empty()) {
            EXPECT_EQ(track.m_arrGPS[0].m_bValid, 1);
        }
        ++n;
    }
    EXPECT_GT(n, 20);
}

} // namespace
