#include "tools/export/SensorExport.h"

#include "filters/CSensorDataSource.h"
#include "sensors/CSensorLoader.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <QSaveFile>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace sensorexport
{
namespace
{

std::int32_t Int32At(const std::uint8_t *p)
{
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

// The fields as the viewer's parser splits them: leading commas skipped, empty fields kept.
std::vector<std::string_view> Fields(std::string_view s)
{
    std::vector<std::string_view> out;
    const std::size_t first = s.find_first_not_of(',');
    if (first == std::string_view::npos)
        return out;
    s.remove_prefix(first);
    for (;;) {
        const std::size_t comma = s.find(',');
        out.push_back(s.substr(0, comma));
        if (comma == std::string_view::npos)
            return out;
        s.remove_prefix(comma + 1);
    }
}

std::optional<int> Digits(std::string_view s, std::size_t pos, std::size_t n)
{
    if (s.size() < pos + n)
        return std::nullopt;
    int v = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// Escaped for XML text and attributes; characters XML 1.0 cannot carry at all (control
// characters a Linux file name may hold, lone surrogates from undecodable bytes) become U+FFFD.
QString XmlEscaped(const QString &s)
{
    QString clean = s;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const char16_t c = clean[i].unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < clean.size() &&
                          QChar::isLowSurrogate(clean[i + 1].unicode());
        if (pair) {
            ++i;
            continue;
        }
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || QChar::isSurrogate(c) ||
            c == 0xFFFE || c == 0xFFFF)
            clean[i] = QChar::ReplacementCharacter;
    }
    return clean.toHtmlEscaped();
}

QString CsvField(const QString &s)
{
    if (!s.contains(',') && !s.contains('"') && !s.contains('\n') && !s.contains('\r'))
        return s;
    QString q = s;
    q.replace('"', QStringLiteral("\"\""));
    return '"' + q + '"';
}

// Whether the file ends before the top-level chunks (AVI: RIFF, AVIX) or boxes (MP4) it
// declares: a recording cut short, by a card pulled while the camera wrote or a partial copy.
// The demuxer reads such a file up to the cut and then reports a plain end.
bool EndsShortOfItsLayout(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    auto read = [&](qint64 at, int n) { return file.seek(at) ? file.read(n) : QByteArray(); };
    auto le32 = [](const QByteArray &b, int at) {
        return qFromLittleEndian<quint32>(b.constData() + at);
    };
    auto be32 = [](const QByteArray &b, int at) {
        return qFromBigEndian<quint32>(b.constData() + at);
    };
    const bool riff = read(0, 4) == "RIFF";
    qint64 at = 0;
    while (size - at >= 8) {
        const QByteArray head = read(at, 16);
        if (head.size() < 8)
            return false;
        qint64 length = 0;
        if (riff) {
            if (head.left(4) != "RIFF")
                return false; // trailing bytes of no chunk: not ours to judge
            length = 8 + qint64(le32(head, 4));
            length += length & 1;
        } else {
            length = be32(head, 0);
            if (length == 1 && head.size() == 16)
                length = qint64(qFromBigEndian<quint64>(head.constData() + 8));
            else if (length == 0)
                return false; // the last box runs to the end of the file
            if (length < 8)
                return false; // no box layout
        }
        at += length;
    }
    return at > size;
}

} // namespace

double Degrees(double nmea)
{
    const double whole = std::trunc(nmea / 100);
    return whole + (nmea / 100 - whole) * 100 / 60;
}

std::optional<std::pair<double, double>> GpxPosition(const CGPSData &fix)
{
    const double lat = Degrees(fix.m_dLatitude);
    double lon = Degrees(fix.m_dLongitude);
    if (!std::isfinite(lat) || !std::isfinite(lon) || lat < -90 || lat > 90 || lon < -180 ||
        lon > 180)
        return std::nullopt;
    if (lon == 180)
        lon = -180; // the same meridian; GPX longitudes stop short of +180
    return std::pair(lat, lon);
}

std::optional<QString> RmcUtcTime(std::string_view sentence)
{
    if (const std::size_t nul = sentence.find('\0'); nul != std::string_view::npos)
        sentence = sentence.substr(0, nul);
    const std::vector<std::string_view> f = Fields(sentence);
    if (f.size() < 10)
        return std::nullopt;
    const std::string_view time = f[1];
    std::string_view date = f[9];
    const auto hh = Digits(time, 0, 2), mi = Digits(time, 2, 2), ss = Digits(time, 4, 2);
    const auto dd = Digits(date, 0, 2), mo = Digits(date, 2, 2), yy = Digits(date, 4, 2);
    // xsd:dateTime takes neither a leap second nor a day the month does not have.
    if (!hh || !mi || !ss || !dd || !mo || !yy || *hh > 23 || *mi > 59 || *ss > 59)
        return std::nullopt;
    const int year = *yy >= 70 ? 1900 + *yy : 2000 + *yy;
    if (!QDate::isValid(year, *mo, *dd))
        return std::nullopt;
    QString fraction;
    if (time.size() > 7 && time[6] == '.') {
        for (std::size_t i = 7; i < time.size() && i < 10 && time[i] >= '0' && time[i] <= '9'; ++i)
            fraction += QChar(time[i]);
        while (fraction.endsWith('0'))
            fraction.chop(1);
    }
    QString out = QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d", year, *mo, *dd, *hh, *mi, *ss);
    if (!fraction.isEmpty())
        out += '.' + fraction;
    return out + 'Z';
}

Recording Read(const QString &path)
{
    Recording rec;
    rec.path = path;
    CSensorDataSource source;
    if (Failed(source.Load(path))) {
        rec.error = QFileInfo::exists(path) ? QStringLiteral("not a recording with a sensor stream")
                                            : QStringLiteral("no such file");
        return rec;
    }
    std::array<std::uint8_t, CSensorLoader::kRecordBufferSize> buffer;
    for (std::uint64_t reads = 0;; ++reads) {
        if (reads == CSensorLoader::kDefaultReadLimit) {
            rec.damage =
                QStringLiteral("the sensor stream never ended; stopped after %1 reads").arg(reads);
            break;
        }
        buffer.fill(0);
        auto size = static_cast<std::uint32_t>(buffer.size());
        std::uint32_t time = 0;
        const HRESULT hr = source.ReadRecord(buffer.data(), &size, &time);
        if (hr == CSensorDataSource::kBufferTooSmall) {
            ++rec.dropped;
            continue;
        }
        if (hr == ISensorDataReader::kEndOfData)
            break;
        if (hr != S_OK) {
            // Whatever stops the source before the stream's end means records are missing.
            rec.damage = hr == ISensorDataReader::kCannotReadFurther
                             ? QStringLiteral("damaged or truncated; read stopped after %1 records")
                                   .arg(rec.records)
                             : QStringLiteral("read failed after %1 records (error 0x%2)")
                                   .arg(rec.records)
                                   .arg(static_cast<std::uint32_t>(hr), 8, 16, QChar('0'));
            break;
        }
        ++rec.records;
        // The viewer's own dispatch decides what counts.
        CTextData one = CTextData::Empty();
        one.AddRecord(buffer, time);
        if (!one.m_arrGSensor.empty()) {
            Sample s{one.m_arrGSensor.front(), {}};
            for (int axis = 0; axis < 3; ++axis)
                s.raw[axis] = Int32At(buffer.data() + 1 + 4 * axis);
            rec.samples.push_back(s);
        }
        if (!one.m_arrGPS.empty() && !GpxPosition(one.m_arrGPS.front()))
            ++rec.offGlobe;
        else if (!one.m_arrGPS.empty())
            rec.fixes.push_back(
                {one.m_arrGPS.front(),
                 RmcUtcTime(std::string_view(reinterpret_cast<const char *>(buffer.data()),
                                             buffer.size()))});
    }
    if (rec.damage.isEmpty() && EndsShortOfItsLayout(path))
        rec.damage = QStringLiteral("the file is cut short; records after the cut are missing");
    return rec;
}

QByteArray ToGpx(const std::vector<Recording> &recordings)
{
    QString out;
    out += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<gpx version=\"1.1\" creator=\"quorvil-export\"\n"
                          "     xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
                          "     xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
                          "     xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
                          "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n");
    for (const Recording &r : recordings) {
        if (r.fixes.empty())
            continue;
        out += QStringLiteral("  <trk>\n    <name>%1</name>\n    <trkseg>\n")
                   .arg(XmlEscaped(QFileInfo(r.path).fileName()));
        for (const Fix &f : r.fixes) {
            const auto pos = GpxPosition(f.fix);
            if (!pos)
                continue;
            out += QString::asprintf("      <trkpt lat=\"%.7f\" lon=\"%.7f\">", pos->first,
                                     pos->second);
            if (f.utc)
                out += QStringLiteral("<time>%1</time>").arg(*f.utc);
            out += QStringLiteral("</trkpt>\n");
        }
        out += QStringLiteral("    </trkseg>\n  </trk>\n");
    }
    out += QStringLiteral("</gpx>\n");
    return out.toUtf8();
}

QByteArray ToCsv(const std::vector<Recording> &recordings)
{
    QString out = QStringLiteral("file,offset_ms,x,y,z,raw_x,raw_y,raw_z\n");
    for (const Recording &r : recordings) {
        // Joined, never substituted: a name is data, whatever "%1" it may hold.
        const QString name = CsvField(QFileInfo(r.path).fileName());
        for (const Sample &s : r.samples) {
            const long long numbers[] = {s.sample.m_nTime, s.sample.m_nX, s.sample.m_nY,
                                         s.sample.m_nZ,    s.raw[0],      s.raw[1],
                                         s.raw[2]};
            out += name;
            for (const long long n : numbers)
                out += ',' + QString::number(n);
            out += '\n';
        }
    }
    return out.toUtf8();
}

bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    if (path == QLatin1String("-")) {
        const bool ok = std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()),
                                    stdout) == static_cast<std::size_t>(bytes.size()) &&
                        std::fflush(stdout) == 0;
        if (!ok && error)
            *error = QStringLiteral("cannot write to standard output");
        return ok;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace sensorexport
