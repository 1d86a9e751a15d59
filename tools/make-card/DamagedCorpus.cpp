// The damaged-recordings corpus: a few intact recordings written by the generator, then each
// damage of the table below applied to a copy of one of them.

#include "tools/make-card/DamagedCorpus.h"

#include "tools/make-card/CardGenerator.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>

#include <array>
#include <functional>
#include <optional>
#include <utility>

namespace cardgen
{
namespace
{

// The intact recordings the damages start from.
enum class Base { AviDual, Mp4Dual, AviSingle, Mp4Single };

RecordingOptions BaseOptions(Base base)
{
    RecordingOptions options;
    options.durationMs = 1500;
    options.width = 160;
    options.height = 90;
    options.fps = 10;
    options.keyFrameInterval = 5;
    const bool dual = base == Base::AviDual || base == Base::Mp4Dual;
    options.rear = dual;
    options.audio = dual; // the two-stream ones carry sound too: four streams to confuse
    options.container =
        base == Base::AviDual || base == Base::AviSingle ? Container::Avi : Container::Mp4;
    options.seed = 7;
    return options;
}

std::uint32_t Le32(const QByteArray &bytes, qsizetype at)
{
    if (at < 0 || at + 4 > bytes.size())
        return 0;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData() + at);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

std::uint32_t Be32(const QByteArray &bytes, qsizetype at)
{
    if (at < 0 || at + 4 > bytes.size())
        return 0;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData() + at);
    return (std::uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// Where an AVI keeps what the damages aim at.
struct AviLayout {
    qsizetype moviList = -1; // the "LIST" of the movi list
    qsizetype moviData = -1; // first byte after "movi"
    qsizetype moviEnd = -1;  // first byte after the list
    qsizetype idx1 = -1;     // the index chunk, -1 when there is none
    QByteArray videoTag;     // "00dc"
    QByteArray dataTag;      // the sensor stream's chunk id, "03wb" for example
};

std::optional<AviLayout> ReadAviLayout(const QByteArray &bytes)
{
    AviLayout layout;
    const qsizetype movi = bytes.indexOf("movi");
    if (movi < 8 || bytes.mid(movi - 8, 4) != "LIST")
        return std::nullopt;
    layout.moviList = movi - 8;
    layout.moviData = movi + 4;
    layout.moviEnd = layout.moviList + 8 + Le32(bytes, layout.moviList + 4);
    layout.moviEnd += layout.moviEnd & 1;
    if (bytes.mid(layout.moviEnd, 4) == "idx1")
        layout.idx1 = layout.moviEnd;
    layout.videoTag = "00dc";
    // The k-th stream header of type "dats" is stream k.
    int stream = 0;
    for (qsizetype at = bytes.indexOf("strh"); at >= 0 && at < layout.moviList;
         at = bytes.indexOf("strh", at + 4), ++stream) {
        if (bytes.mid(at + 8, 4) == "dats")
            layout.dataTag =
                QByteArray::number(stream / 10) + QByteArray::number(stream % 10) + "wb";
    }
    if (layout.dataTag.isEmpty())
        return std::nullopt;
    return layout;
}

struct Mp4Box {
    QByteArray type;
    qsizetype offset = 0;
    qsizetype size = 0;
};

// The top-level boxes of an MP4.
std::vector<Mp4Box> ReadMp4Boxes(const QByteArray &bytes)
{
    std::vector<Mp4Box> boxes;
    for (qsizetype at = 0; at + 8 <= bytes.size();) {
        qsizetype size = Be32(bytes, at);
        if (size == 1 && at + 16 <= bytes.size())
            size = static_cast<qsizetype>((std::uint64_t(Be32(bytes, at + 8)) << 32) |
                                          Be32(bytes, at + 12));
        else if (size == 0)
            size = bytes.size() - at;
        if (size < 8)
            break;
        boxes.push_back({bytes.mid(at + 4, 4), at, size});
        at += size;
    }
    return boxes;
}

std::optional<Mp4Box> FindBox(const QByteArray &bytes, const char *type)
{
    for (const Mp4Box &box : ReadMp4Boxes(bytes))
        if (box.type == type)
            return box;
    return std::nullopt;
}

// Replaces every `a` by `b` and every `b` by `a` in [from, to).
void SwapTokens(QByteArray &bytes, qsizetype from, qsizetype to, const QByteArray &a,
                const QByteArray &b)
{
    for (qsizetype at = from; at + a.size() <= to; ++at) {
        const QByteArray here = bytes.mid(at, a.size());
        if (here == a || here == b) {
            bytes.replace(at, a.size(), here == a ? b : a);
            at += a.size() - 1;
        }
    }
}

// What a damage does to a file's bytes; false when the file lacks what it aims at.
using Damage = std::function<bool(QByteArray &bytes, QRandomGenerator &random)>;

Damage CutAt(std::function<qsizetype(const QByteArray &)> where)
{
    return [where](QByteArray &bytes, QRandomGenerator &) {
        const qsizetype at = where(bytes);
        if (at < 0 || at >= bytes.size())
            return false;
        bytes.truncate(at);
        return true;
    };
}

Damage FlipBytes(int perKiB)
{
    return [perKiB](QByteArray &bytes, QRandomGenerator &random) {
        const qsizetype flips = std::max<qsizetype>(1, bytes.size() / 1024 * perKiB);
        for (qsizetype i = 0; i < flips; ++i) {
            const qsizetype at = random.bounded(bytes.size());
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << random.bounded(8)));
        }
        return true;
    };
}

Damage ZeroBlocks(int count, int size)
{
    return [count, size](QByteArray &bytes, QRandomGenerator &random) {
        if (bytes.size() <= size)
            return false;
        for (int i = 0; i < count; ++i) {
            const qsizetype at = random.bounded(bytes.size() - size);
            std::fill_n(bytes.begin() + at, size, '\0');
        }
        return true;
    };
}

// Every GPS sentence overwritten: some with a sentence-like text of nonsense, some with random
// bytes (zeros among them); in an AVI every second sensor record's whole payload is noise too.
bool GarbleSensorRecords(QByteArray &bytes, QRandomGenerator &random)
{
    int garbled = 0;
    for (qsizetype at = bytes.indexOf("GPRMC,"); at >= 0; at = bytes.indexOf("GPRMC,", at + 1)) {
        const qsizetype end = bytes.indexOf('\0', at);
        if (end < 0)
            break;
        const qsizetype length = end - at;
        if (garbled % 2 == 0) {
            const QByteArray nonsense =
                QByteArrayLiteral("GPRMC,99x999.9,A,99999999.9999,Q,-0,Z,1e308,nan,999999,,,A*ZZ")
                    .leftJustified(length, ',', true);
            bytes.replace(at, length, nonsense);
        } else {
            for (qsizetype i = at; i < end + 1; ++i)
                bytes[i] = static_cast<char>(random.bounded(256));
        }
        ++garbled;
    }
    if (const std::optional<AviLayout> avi = ReadAviLayout(bytes)) {
        int record = 0;
        for (qsizetype at = avi->moviData; at + 8 <= avi->moviEnd;) {
            const std::uint32_t size = Le32(bytes, at + 4);
            if (at + 8 + qsizetype(size) > bytes.size())
                break;
            if (bytes.mid(at, 4) == avi->dataTag && size > 0 && record++ % 2 == 0) {
                for (qsizetype i = at + 8; i < at + 8 + qsizetype(size); ++i)
                    bytes[i] = static_cast<char>(random.bounded(256));
                ++garbled;
            }
            at += 8 + size + (size & 1);
        }
    }
    return garbled > 0;
}

struct CorpusRow {
    CorpusRow(const char *label, Base base, const char *damage, Damage apply,
              const char *nameSuffix = nullptr, bool notMedia = false,
              std::optional<double> cut = std::nullopt)
        : label(label), base(base), damage(damage), apply(std::move(apply)), nameSuffix(nameSuffix),
          notMedia(notMedia), cut(cut)
    {
    }
    const char *label;
    Base base;
    const char *damage;
    Damage apply;              // none: the recording as written
    const char *nameSuffix;    // inserted before the extension
    bool notMedia;             // the bytes are no recording at all
    std::optional<double> cut; // the generator's own power-loss cut, in percent
};

std::vector<CorpusRow> CorpusRows()
{
    const auto movi = [](const QByteArray &b) { return ReadAviLayout(b); };
    const auto box = [](const QByteArray &b, const char *type) { return FindBox(b, type); };
    return {
        {"avi-intact", Base::AviDual, "intact two-stream AVI (control)", nullptr},
        {"mp4-intact", Base::Mp4Dual, "intact two-stream MP4 (control)", nullptr},
        {"avi-zero-length", Base::AviDual, "zero-length file", CutAt([](auto &) { return 0; })},
        {"mp4-zero-length", Base::Mp4Dual, "zero-length file", CutAt([](auto &) { return 0; })},
        {"avi-cut-in-header", Base::AviDual, "cut inside the stream headers (hdrl)",
         CutAt([](auto &) { return 200; })},
        {"avi-cut-before-chunks", Base::AviDual, "cut right after the header, before any chunk",
         CutAt([movi](auto &b) { return movi(b) ? movi(b)->moviData : -1; })},
        {"avi-cut-mid-frame", Base::AviDual, "cut in the middle of a frame, header counts whole",
         CutAt([movi](auto &b) {
             const auto l = movi(b);
             return l ? l->moviData + (l->moviEnd - l->moviData) / 2 + 3 : -1;
         })},
        {"avi-cut-in-index", Base::AviDual, "cut in the middle of idx1", CutAt([movi](auto &b) {
             const auto l = movi(b);
             return l && l->idx1 > 0 ? l->idx1 + (b.size() - l->idx1) / 2 + 5 : -1;
         })},
        {"avi-missing-index", Base::AviDual, "idx1 renamed to JUNK: no index",
         [movi](QByteArray &b, QRandomGenerator &) {
             const auto l = movi(b);
             if (!l || l->idx1 < 0)
                 return false;
             b.replace(l->idx1, 4, "JUNK");
             return true;
         }},
        {"avi-byte-flips", Base::AviDual, "one random bit flipped per KiB (seeded)", FlipBytes(1)},
        {"avi-zeroed-blocks", Base::AviDual, "four 4 KiB blocks zeroed (seeded)",
         ZeroBlocks(4, 4096)},
        {"avi-garbage-sensor", Base::AviDual, "sensor records overwritten with garbage",
         GarbleSensorRecords},
        {"avi-swapped-streams", Base::AviDual,
         "front video chunks and sensor chunks swap their stream ids",
         [movi](QByteArray &b, QRandomGenerator &) {
             const auto l = movi(b);
             if (!l)
                 return false;
             SwapTokens(b, l->moviData, b.size(), l->videoTag, l->dataTag);
             return true;
         }},
        {"avi1-cut-mid-frame", Base::AviSingle, "one-stream AVI cut in the middle of a frame",
         CutAt([movi](auto &b) {
             const auto l = movi(b);
             return l ? l->moviData + (l->moviEnd - l->moviData) / 3 + 1 : -1;
         })},
        {"avi1-power-loss", Base::AviSingle, "one-stream AVI cut by a power loss at 50 %", nullptr,
         nullptr, false, 50.0},
        {"mp4-cut-in-header", Base::Mp4Dual, "cut inside ftyp", CutAt([](auto &) { return 13; })},
        {"mp4-cut-in-moov", Base::Mp4Dual, "cut in the middle of moov", CutAt([box](auto &b) {
             const auto m = box(b, "moov");
             return m ? m->offset + m->size / 2 : -1;
         })},
        {"mp4-cut-mid-frame", Base::Mp4Dual, "cut in the middle of mdat (moov lost with it)",
         CutAt([box](auto &b) {
             const auto m = box(b, "mdat");
             return m ? m->offset + m->size / 2 + 3 : -1;
         })},
        {"mp4-missing-index", Base::Mp4Dual, "moov renamed to free: no sample tables",
         [box](QByteArray &b, QRandomGenerator &) {
             const auto m = box(b, "moov");
             if (!m)
                 return false;
             b.replace(m->offset + 4, 4, "free");
             return true;
         }},
        {"mp4-byte-flips", Base::Mp4Dual, "one random bit flipped per KiB (seeded)", FlipBytes(1)},
        {"mp4-zeroed-blocks", Base::Mp4Dual, "four 4 KiB blocks zeroed (seeded)",
         ZeroBlocks(4, 4096)},
        {"mp4-zeroed-moov", Base::Mp4Dual, "the sample tables in moov zeroed",
         [box](QByteArray &b, QRandomGenerator &) {
             const auto m = box(b, "moov");
             if (!m || m->size < 64)
                 return false;
             std::fill_n(b.begin() + m->offset + 32, m->size - 64, '\0');
             return true;
         }},
        {"mp4-garbage-sensor", Base::Mp4Dual, "GPS sentences overwritten with garbage",
         GarbleSensorRecords},
        {"mp4-swapped-streams", Base::Mp4Dual,
         "sample entries avc1 and gpmd swapped: video declared as data and data as video",
         [box](QByteArray &b, QRandomGenerator &) {
             const auto m = box(b, "moov");
             if (!m)
                 return false;
             SwapTokens(b, m->offset, m->offset + m->size, "avc1", "gpmd");
             return true;
         }},
        {"mp4-1-byte-flips", Base::Mp4Single, "one-stream MP4, four bits flipped per KiB (seeded)",
         FlipBytes(4)},
        {"mp4-power-loss-first-frame", Base::Mp4Dual,
         "cut by a power loss inside the first frame (nothing to recover)", nullptr, nullptr, false,
         0.5},
        {"avi-not-media", Base::AviDual, "64 KiB of random bytes named as a recording", nullptr,
         nullptr, true},
        {"mp4-not-media", Base::Mp4Dual, "a text file named as a recording", nullptr, nullptr,
         true},
        {"avi-name-spaces-utf8", Base::AviDual, "intact, a name with spaces and UTF-8", nullptr,
         " (주행 기록) copie à été"},
        {"mp4-name-spaces-utf8-flips", Base::Mp4Dual,
         "a name with spaces and UTF-8, one bit flipped per KiB (seeded)", FlipBytes(1),
         " Fahrt über Brücke 走行"},
    };
}

// "20140721_0930SS_NOR_Cn" + suffix + extension, a different second per row.
QString CorpusName(const CorpusRow &row, int index)
{
    RecordingOptions options = BaseOptions(row.base);
    options.start = options.start.addSecs(index * 2);
    const QString name = RecordingFileName(options);
    return name.left(name.size() - 4) + QString::fromUtf8(row.nameSuffix ? row.nameSuffix : "") +
           name.right(4);
}

bool WriteBytes(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

} // namespace

std::vector<DamagedFile> DamagedCorpusFiles()
{
    std::vector<DamagedFile> files;
    const std::vector<CorpusRow> rows = CorpusRows();
    for (int i = 0; i < int(rows.size()); ++i)
        files.push_back({CorpusName(rows[i], i), QString::fromLatin1(rows[i].label),
                         QString::fromUtf8(rows[i].damage)});
    return files;
}

bool WriteDamagedCorpus(const QString &folder, std::uint32_t seed, bool replace,
                        std::vector<DamagedFile> *written, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const std::vector<DamagedFile> files = DamagedCorpusFiles();
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("cannot make %1").arg(folder));
    QStringList paths{QDir(folder).filePath(QStringLiteral("corpus.txt"))};
    for (const DamagedFile &file : files)
        paths << QDir(folder).filePath(file.name);
    if (const QStringList existing = ExistingFiles(paths); !replace && !existing.isEmpty())
        return fail(QStringLiteral("%1 already exists; not writing over it").arg(existing.first()));

    // The intact recordings, each written once beside the corpus and read back.
    QTemporaryDir scratch(QDir(folder).filePath(QStringLiteral(".corpus-base-XXXXXX")));
    if (!scratch.isValid())
        return fail(QStringLiteral("cannot make a scratch folder in %1").arg(folder));
    const auto intact = [&](Base base, std::optional<double> cut, QByteArray *bytes) -> bool {
        RecordingOptions options = BaseOptions(base);
        options.cutAtPercent = cut;
        options.path = scratch.filePath(QStringLiteral("%1-%2").arg(int(base)).arg(
                                            cut ? QString::number(*cut) : QStringLiteral("w")) +
                                        RecordingFileName(options).right(4));
        if (!QFile::exists(options.path) && !WriteRecording(options, error))
            return false;
        QFile file(options.path);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read back %1").arg(options.path));
        *bytes = file.readAll();
        return true;
    };

    const std::vector<CorpusRow> rows = CorpusRows();
    QByteArray manifest;
    for (int i = 0; i < int(rows.size()); ++i) {
        const CorpusRow &row = rows[i];
        QRandomGenerator random(seed * 7919u + static_cast<std::uint32_t>(i));
        QByteArray bytes;
        if (row.notMedia) {
            if (BaseOptions(row.base).container == Container::Avi) {
                bytes.resize(64 * 1024);
                for (char &c : bytes)
                    c = static_cast<char>(random.bounded(256));
            } else {
                bytes = QByteArrayLiteral("These are not the recordings you are looking for.\n")
                            .repeated(40);
            }
        } else {
            if (!intact(row.base, row.cut, &bytes))
                return false;
            if (row.apply && !row.apply(bytes, random))
                return fail(QStringLiteral("the damage %1 found nothing to damage")
                                .arg(QString::fromLatin1(row.label)));
        }
        const DamagedFile &file = files[i];
        if (!WriteBytes(QDir(folder).filePath(file.name), bytes, error))
            return false;
        manifest +=
            file.name.toUtf8() + '\t' + file.label.toUtf8() + '\t' + file.damage.toUtf8() + '\n';
        if (written)
            written->push_back(file);
    }
    return WriteBytes(QDir(folder).filePath(QStringLiteral("corpus.txt")), manifest, error);
}

} // namespace cardgen
