// Writes the seed corpora of the fuzz targets, one folder per target under the given folder:
//   fuzz_seeds <corpus folder> [<nmea test data folder>]
// Seeds are small and generated afresh, so none is kept in the repository.
#include "tools/make-card/CardGenerator.h"

#include "platform/SettingsStore.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace
{

class SeedWriter
{
public:
    explicit SeedWriter(QString root) : m_root(std::move(root)) {}

    bool Write(const QString &target, const QByteArray &bytes)
    {
        const QString folder = m_root + u'/' + target;
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/seed-%1").arg(m_nNext++, 4, 10, QChar(u'0')));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    const QString &Root() const { return m_root; }

private:
    QString m_root;
    int m_nNext = 0;
};

// The sentences of the shared NMEA test files: the second column of each tab-separated line
// (rmc_cases.tsv: the sentence, rmc_bad.txt: the line as found), without the leading '$'.
QList<QByteArray> NmeaLines(const QString &folder)
{
    QList<QByteArray> lines;
    for (const QString &name : {QStringLiteral("rmc_cases.tsv"), QStringLiteral("rmc_bad.txt")}) {
        QFile file(folder + u'/' + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (!file.atEnd()) {
            const QList<QByteArray> columns = file.readLine().split('\t');
            if (columns.size() < 2 || !columns[1].startsWith('$'))
                continue;
            lines.append(columns[1].mid(1));
        }
    }
    return lines;
}

QList<cardgen::RecordingOptions> Recordings(const QString &folder)
{
    QList<cardgen::RecordingOptions> recordings;
    for (const cardgen::Container container : {cardgen::Container::Avi, cardgen::Container::Mp4}) {
        cardgen::RecordingOptions options;
        options.container = container;
        options.durationMs = 1500;
        options.width = 32;
        options.height = 16;
        options.fps = 5;
        options.audio = false;
        options.rear = container == cardgen::Container::Avi;
        options.path = folder + u'/' + cardgen::RecordingFileName(options);
        recordings.append(options);
    }
    return recordings;
}

QByteArray SettingsFile(const QString &folder)
{
    CSettingsStore store(folder + QStringLiteral("/user"), folder + QStringLiteral("/machine"));
    const SettingsHive hive = SettingsHive::CurrentUser;
    store.SetNumber(hive, QStringLiteral("Software\\Quorvil"), QStringLiteral("Volume"), 80);
    store.SetString(hive, QStringLiteral("Software\\Quorvil"), QStringLiteral("Language"),
                    QStringLiteral("ko"));
    store.SetNumber(hive, QStringLiteral("Software\\GNU\\ffdshow"), QStringLiteral("trayIcon"), 0);
    QFile file(store.FilePath(hive));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus folder> [<nmea folder>]\n");
        return 2;
    }
    SeedWriter seeds(QString::fromLocal8Bit(argv[1]));
    const QString scratch = seeds.Root() + QStringLiteral("/.scratch");
    QDir(scratch).removeRecursively();
    QDir().mkpath(scratch);

    for (const cardgen::RecordingOptions &options : Recordings(scratch)) {
        QString error;
        if (!cardgen::WriteRecording(options, &error)) {
            std::fprintf(stderr, "fuzz_seeds: %s\n", qPrintable(error));
            return 1;
        }
        QFile file(options.path);
        if (file.open(QIODevice::ReadOnly))
            seeds.Write(QStringLiteral("fuzz_sensor_source"), file.readAll());
        for (const cardgen::SensorRecord &record : cardgen::MakeSensorRecords(options)) {
            const QByteArray bytes(reinterpret_cast<const char *>(record.bytes.data()),
                                   static_cast<qsizetype>(record.bytes.size()));
            seeds.Write(QStringLiteral("fuzz_add_record"), bytes);
            if (bytes.startsWith("GPRMC"))
                seeds.Write(QStringLiteral("fuzz_parse_rmc"), bytes);
        }
        seeds.Write(QStringLiteral("fuzz_catalogue_names"),
                    cardgen::RecordingFileName(options).toUtf8() + '\0' + "NOR");
    }
    if (argc > 2) {
        for (const QByteArray &line : NmeaLines(QString::fromLocal8Bit(argv[2])))
            seeds.Write(QStringLiteral("fuzz_parse_rmc"), line);
    }
    seeds.Write(QStringLiteral("fuzz_firmware"), cardgen::FirmwareFileBytes(1, 27));
    seeds.Write(QStringLiteral("fuzz_catalogue_names"),
                QByteArray("20140721_093000_EVT_C1.MP4") + '\0' + "140721");
    {
        QFile mounts(QStringLiteral("/proc/self/mountinfo"));
        if (mounts.open(QIODevice::ReadOnly))
            seeds.Write(QStringLiteral("fuzz_mountinfo"), mounts.readAll());
        seeds.Write(QStringLiteral("fuzz_mountinfo"),
                    "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw\n"
                    "40 22 8:17 / /media/me/NO\\040NAME rw shared:5 - exfat /dev/sdb1 rw\n");
    }
    seeds.Write(QStringLiteral("fuzz_script_call"), "javascript:DrawCurrent('1.5', '2.5','9')");
    seeds.Write(QStringLiteral("fuzz_script_call"), "javascript:DrawPath(\"37.5\";\"127.0\")");
    seeds.Write(QStringLiteral("fuzz_settings"), SettingsFile(scratch));

    QDir(scratch).removeRecursively();
    return 0;
}
