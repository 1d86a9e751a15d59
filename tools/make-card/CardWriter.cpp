// The card around the recordings: Recordings/ and the firmware file in Configs/.

#include "tools/make-card/CardGenerator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace cardgen
{
namespace
{

void AppendLe(QByteArray &out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The camera closes a recording when it ends, so the file system's modification time is the
// end of the recording (local time); a cut one ends where the power went.
QDateTime RecordingEnd(const RecordingOptions &rec)
{
    const double part = rec.cutAtPercent ? *rec.cutAtPercent / 100.0 : 1.0;
    return rec.start.addMSecs(static_cast<qint64>(rec.durationMs * part));
}

bool SetCameraTime(const RecordingOptions &rec, QString *error)
{
    QFile file(rec.path);
    if (file.open(QIODevice::ReadOnly) &&
        file.setFileTime(RecordingEnd(rec), QFileDevice::FileModificationTime))
        return true;
    if (error)
        *error = QStringLiteral("cannot set the time of %1: %2").arg(rec.path, file.errorString());
    return false;
}

} // namespace

QByteArray FirmwareFileBytes(std::int32_t major, std::int32_t minor)
{
    const QByteArray settings = QByteArrayLiteral("model=QV900\nchannels=2\ngsensor=10hz\n");
    QByteArray out("KM7S");
    AppendLe(out, 1, 2); // format revision
    AppendLe(out, static_cast<std::uint32_t>(settings.size()), 2);
    AppendLe(out, static_cast<std::uint32_t>(major), 4);
    AppendLe(out, static_cast<std::uint32_t>(minor), 4);
    out.append(settings);
    return out;
}

CardOptions DemoCard(const QString &root, QDate lastDay)
{
    struct Row {
        int day; // 0: lastDay, -1: the day before
        QTime time;
        Category category;
        int seconds;
        bool rear;
        Container container;
        City city;
        std::optional<double> cutAtPercent = std::nullopt;
    };
    using C = Category;
    const Row rows[] = {
        {-1, QTime(9, 30, 0), C::Normal, 20, true, Container::Avi, City::Seoul},
        {-1, QTime(9, 30, 30), C::Normal, 20, true, Container::Avi, City::Seoul},
        {-1, QTime(9, 31, 0), C::Event, 15, true, Container::Avi, City::Seoul},
        {-1, QTime(9, 31, 20), C::Normal, 20, true, Container::Mp4, City::Seoul},
        {-1, QTime(13, 5, 0), C::Motion, 15, false, Container::Avi, City::Seoul},
        {-1, QTime(17, 45, 0), C::Normal, 20, false, Container::Mp4, City::Seoul},
        {0, QTime(8, 12, 0), C::Normal, 20, true, Container::Mp4, City::Sydney},
        {0, QTime(8, 12, 30), C::Event, 15, true, Container::Mp4, City::Sydney},
        {0, QTime(12, 40, 0), C::Motion, 15, true, Container::Avi, City::Sydney},
        {0, QTime(18, 40, 0), C::Normal, 20, false, Container::Avi, City::BuenosAires},
        {0, QTime(22, 15, 0), C::Motion, 15, true, Container::Mp4, City::NewYork},
        // The car was switched off while this one was being written.
        {0, QTime(22, 15, 20), C::Event, 15, true, Container::Mp4, City::NewYork, 60.0},
    };
    CardOptions card;
    card.root = root;
    std::uint32_t seed = 1;
    for (const Row &r : rows) {
        RecordingOptions o;
        o.start = QDateTime(lastDay.addDays(r.day), r.time);
        o.category = r.category;
        o.durationMs = r.seconds * 1000;
        o.width = 640;
        o.height = 360;
        o.rear = r.rear;
        o.container = r.container;
        o.city = r.city;
        o.seed = seed++;
        o.cutAtPercent = r.cutAtPercent;
        card.recordings.push_back(o);
    }
    return card;
}

QStringList CardFiles(const CardOptions &options)
{
    const QDir root(options.root);
    QStringList files;
    for (const RecordingOptions &rec : options.recordings)
        files << root.filePath(QStringLiteral("Recordings/") + RecordingFileName(rec));
    if (options.firmware)
        files << root.filePath(QStringLiteral("Configs/km7_sysenv.cfg"));
    return files;
}

QStringList ExistingFiles(const QStringList &paths)
{
    QStringList found;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.exists() || info.isSymLink())
            found << path;
    }
    return found;
}

bool WriteCard(const CardOptions &options, QString *error, QStringList *written)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    // Checked before anything is written, so a refused card is left exactly as it was.
    if (const QStringList existing = ExistingFiles(CardFiles(options));
        !options.replaceExisting && !existing.isEmpty())
        return fail(QStringLiteral("%1 already exists%2; not writing over it")
                        .arg(existing.first(),
                             existing.size() > 1
                                 ? QStringLiteral(" (and %1 more)").arg(existing.size() - 1)
                                 : QString()));
    const QDir root(options.root);
    if (!QDir().mkpath(root.filePath(QStringLiteral("Recordings"))))
        return fail(QStringLiteral("cannot create %1").arg(root.filePath("Recordings")));

    const QStringList files = CardFiles(options);
    for (std::size_t i = 0; i < options.recordings.size(); ++i) {
        RecordingOptions rec = options.recordings[i];
        rec.path = files[static_cast<qsizetype>(i)];
        if (!WriteRecording(rec, error) || !SetCameraTime(rec, error))
            return false;
        if (written)
            written->append(rec.path);
    }

    if (options.firmware) {
        if (!QDir().mkpath(root.filePath(QStringLiteral("Configs"))))
            return fail(QStringLiteral("cannot create %1").arg(root.filePath("Configs")));
        const QString path = files.last();
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(FirmwareFileBytes(options.firmwareMajor, options.firmwareMinor)) < 0 ||
            !file.commit())
            return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        if (written)
            written->append(path);
    }
    return true;
}

} // namespace cardgen
