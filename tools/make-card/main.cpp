// quorvil-make-card: writes a sample memory card (or one recording) for tests and the demo.

#include "tools/make-card/CardGenerator.h"
#include "tools/make-card/DamagedCorpus.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

namespace
{

using namespace cardgen;

std::optional<Category> ParseCategory(const QString &s)
{
    const QString u = s.trimmed().toUpper();
    if (u == "NOR")
        return Category::Normal;
    if (u == "EVT")
        return Category::Event;
    if (u == "MOT")
        return Category::Motion;
    return std::nullopt;
}

std::optional<City> ParseCity(const QString &s)
{
    const QString l = s.trimmed().toLower();
    if (l == "seoul")
        return City::Seoul;
    if (l == "sydney")
        return City::Sydney;
    if (l == "buenos-aires")
        return City::BuenosAires;
    if (l == "new-york")
        return City::NewYork;
    return std::nullopt;
}

int Fail(const QString &why)
{
    std::fprintf(stderr, "quorvil-make-card: %s\n", qPrintable(why));
    return 2;
}

// "MAJOR.MINOR" the way the card information window shows the version ("%d.%03d"): the minor
// in exactly three digits, so 1.023 is major 1, minor 23. Nothing else, and nothing the file's
// signed 32-bit fields cannot hold.
std::optional<std::pair<std::int32_t, std::int32_t>> ParseFirmware(const QString &s)
{
    const auto m = QRegularExpression("^(-?\\d+)\\.(\\d{3})$").match(s);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const int major = m.captured(1).toInt(&ok);
    if (!ok || (major == 0 && s.startsWith('-'))) // "-0.005" would show as 0.005
        return std::nullopt;
    return std::pair(major, m.captured(2).toInt());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("quorvil-make-card");
    av_log_set_level(AV_LOG_ERROR); // the encoders' statistics are noise here

    QCommandLineParser p;
    p.setApplicationDescription(
        "Writes a sample dash camera memory card into DIR: Recordings/ with recordings named\n"
        "YYYYMMDD_HHMMSS_CAT_Cn.AVI|MP4 (front and rear H.264 video, AAC tone, sensor stream\n"
        "with GPS and G-sensor records) and Configs/km7_sysenv.cfg. With no options it writes\n"
        "the standard demo card (12 recordings from yesterday and the day before, or from\n"
        "--last-day, the last one cut by a power loss). Any other option switches to a card of\n"
        "--count recordings of the given kind, one after another from --start. Each\n"
        "recording's modification time is the end of the recording, as a camera leaves it.\n"
        "Refuses, writing nothing, when a file it would write is already there (a real card's\n"
        "firmware file or recordings, say) unless --force is given.\n"
        "The layout is described in docs/recording-format.md.");
    p.addHelpOption();
    p.addPositionalArgument("DIR", "the card's root folder (created if missing)");
    const QCommandLineOption count("count", "number of recordings (default 4)", "N", "4");
    const QCommandLineOption category("category",
                                      "categories NOR, EVT, MOT, comma-separated, used in turn "
                                      "(default NOR)",
                                      "LIST", "NOR");
    const QCommandLineOption start("start", "wall-clock time of the first recording",
                                   "YYYY-MM-DDTHH:MM:SS", "2014-07-21T09:30:00");
    const QCommandLineOption duration("duration",
                                      "length of each recording in seconds "
                                      "(default 10; fractions allowed)",
                                      "SEC", "10");
    const QCommandLineOption size("size", "picture size, 16x16 to 1920x1080 (default 320x180)",
                                  "WxH", "320x180");
    const QCommandLineOption fps("fps", "frames per second, 1 to 60 (default 30)", "N", "30");
    const QCommandLineOption channels("channels",
                                      "video streams: 1 front, 2 front and rear "
                                      "(default 2)",
                                      "N", "2");
    const QCommandLineOption format("format", "avi, mp4 or mixed (alternating; default avi)", "FMT",
                                    "avi");
    const QCommandLineOption noAudio("no-audio", "no audio stream");
    const QCommandLineOption noSensors("no-sensors", "no sensor data stream at all");
    const QCommandLineOption noGps("no-gps", "sensor stream without GPS sentences");
    const QCommandLineOption noGsensor("no-gsensor", "sensor stream without G-sensor samples");
    const QCommandLineOption city("city",
                                  "seoul, sydney, buenos-aires or new-york (default "
                                  "seoul)",
                                  "NAME", "seoul");
    const QCommandLineOption seed("seed",
                                  "seed of the first recording; the next ones count up "
                                  "(default 1)",
                                  "N", "1");
    const QCommandLineOption firmware("firmware",
                                      "firmware version written to the card, as the viewer "
                                      "shows it: the minor in three digits (default 1.023)",
                                      "MAJOR.MINOR", "1.023");
    const QCommandLineOption noFirmware("no-firmware", "no Configs/km7_sysenv.cfg");
    const QCommandLineOption file("file",
                                  "write a single recording to PATH instead of a card "
                                  "(DIR is then not given)",
                                  "PATH");
    const QCommandLineOption force("force", "write over files that are already there");
    const QCommandLineOption lastDay("last-day", "the demo card's last day (default yesterday)",
                                     "YYYY-MM-DD");
    const QCommandLineOption cutAt("cut-at",
                                   "the last recording (or --file) ends at PERCENT of its "
                                   "length without an index, as a power loss leaves it",
                                   "PERCENT");
    const QCommandLineOption realistic(
        "realistic",
        "recordings as costly to decode as a dash camera's: a detailed scene that scrolls and "
        "sways, with noise, H.264 High profile with CABAC and deblocking, a key frame every 30 "
        "frames, front 12 Mbit/s and rear 8 Mbit/s, 1920x1080 at 30 fps unless --size or --fps "
        "say otherwise; slow to write (about 80 s of CPU per minute of recording)");
    const QCommandLineOption damaged(
        "damaged-corpus",
        "write the damaged-recordings corpus into DIR instead of a card: short AVI and MP4 "
        "recordings cut, bit-flipped, zeroed and mislabelled (seeded by --seed), listed in "
        "DIR/corpus.txt");
    for (const auto *o :
         {&damaged,    &count,   &category,  &start, &duration,  &size,   &fps,  &channels,
          &format,     &noAudio, &noSensors, &noGps, &noGsensor, &city,   &seed, &firmware,
          &noFirmware, &file,    &force,     &cutAt, &realistic, &lastDay})
        p.addOption(*o);
    p.process(app);

    const QStringList args = p.positionalArguments();
    const bool single = p.isSet(file);
    if (single ? !args.isEmpty() : args.size() != 1)
        return Fail(single ? "--file takes no DIR" : "give one DIR (see --help)");

    if (p.isSet(damaged)) {
        if (single)
            return Fail("--damaged-corpus takes a DIR, not --file");
        bool ok = true;
        const std::uint32_t corpusSeed = p.value(seed).toUInt(&ok);
        if (!ok)
            return Fail("--seed must be a non-negative number");
        QString error;
        std::vector<DamagedFile> written;
        if (!WriteDamagedCorpus(args.first(), corpusSeed, p.isSet(force), &written, &error))
            return Fail(error);
        for (const DamagedFile &f : written)
            std::printf("%s\t%s\t%s\n", qPrintable(f.name), qPrintable(f.label),
                        qPrintable(f.damage));
        return 0;
    }

    bool anyOption = false;
    for (const QString &name : p.optionNames())
        anyOption |= name != "help" && name != "force" && name != "last-day";
    const bool replace = p.isSet(force);

    CardOptions card;
    if (!anyOption) {
        const QDate day = p.isSet(lastDay) ? QDate::fromString(p.value(lastDay), Qt::ISODate)
                                           : QDate::currentDate().addDays(-1);
        if (!day.isValid())
            return Fail("--last-day must look like 2014-07-22");
        card = DemoCard(args.first(), day);
    } else if (p.isSet(lastDay)) {
        return Fail("--last-day is for the demo card only");
    } else {
        RecordingOptions base;
        bool ok = true;
        const int n = p.value(count).toInt(&ok);
        if (!ok || n < 0 || n > 1000)
            return Fail("--count must be 0 to 1000");
        base.start = QDateTime::fromString(p.value(start), Qt::ISODate);
        if (!base.start.isValid())
            return Fail("--start must look like 2014-07-21T09:30:00");
        const double seconds = p.value(duration).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 24 * 3600)
            return Fail("--duration must be a positive number of seconds");
        base.durationMs = static_cast<int>(seconds * 1000 + 0.5);
        const auto m = QRegularExpression("^(\\d+)x(\\d+)$").match(p.value(size));
        if (!m.hasMatch())
            return Fail("--size must look like 320x180");
        base.width = m.captured(1).toInt();
        base.height = m.captured(2).toInt();
        base.fps = p.value(fps).toInt(&ok);
        if (!ok)
            return Fail("--fps must be a number");
        if (p.isSet(realistic)) {
            const RecordingOptions camera = CameraRecording(base);
            const int width = base.width, height = base.height, rate = base.fps;
            base = camera;
            if (p.isSet(size)) {
                base.width = width;
                base.height = height;
            }
            if (p.isSet(fps))
                base.fps = rate;
        }
        const QString ch = p.value(channels);
        if (ch != "1" && ch != "2")
            return Fail("--channels must be 1 or 2");
        base.rear = ch == "2";
        const QString fmt = p.value(format).toLower();
        if (fmt != "avi" && fmt != "mp4" && fmt != "mixed")
            return Fail("--format must be avi, mp4 or mixed");
        base.audio = !p.isSet(noAudio);
        base.sensors = !p.isSet(noSensors);
        base.gps = !p.isSet(noGps);
        base.gsensor = !p.isSet(noGsensor);
        const auto c = ParseCity(p.value(city));
        if (!c)
            return Fail("--city must be seoul, sydney, buenos-aires or new-york");
        base.city = *c;
        base.seed = p.value(seed).toUInt(&ok);
        if (!ok)
            return Fail("--seed must be a non-negative number");
        std::vector<Category> cats;
        for (const QString &tok : p.value(category).split(',', Qt::SkipEmptyParts)) {
            const auto cat = ParseCategory(tok);
            if (!cat)
                return Fail("--category takes NOR, EVT and MOT");
            cats.push_back(*cat);
        }
        if (cats.empty())
            cats.push_back(Category::Normal);
        std::optional<double> cut;
        if (p.isSet(cutAt)) {
            cut = p.value(cutAt).toDouble(&ok);
            if (!ok || *cut < 0 || *cut > 100)
                return Fail("--cut-at must be a percentage, 0 to 100");
        }

        if (single) {
            base.path = p.value(file);
            base.category = cats.front();
            base.container = fmt == "mp4" ? Container::Mp4 : Container::Avi;
            base.cutAtPercent = cut;
            if (!replace && !ExistingFiles({base.path}).isEmpty())
                return Fail(QStringLiteral("%1 already exists; not writing over it (--force "
                                           "does)")
                                .arg(base.path));
            QString error;
            if (!WriteRecording(base, &error))
                return Fail(error);
            std::printf("%s\n", qPrintable(base.path));
            return 0;
        }

        card.root = args.first();
        const qint64 stepSecs = (base.durationMs + 999) / 1000;
        for (int i = 0; i < n; ++i) {
            RecordingOptions o = base;
            o.category = cats[static_cast<size_t>(i) % cats.size()];
            o.start = base.start.addSecs(stepSecs * i);
            o.container =
                fmt == "mp4" || (fmt == "mixed" && i % 2) ? Container::Mp4 : Container::Avi;
            o.seed = base.seed + static_cast<std::uint32_t>(i);
            card.recordings.push_back(o);
        }
        if (!card.recordings.empty())
            card.recordings.back().cutAtPercent = cut;
        card.firmware = !p.isSet(noFirmware);
        const auto fw = ParseFirmware(p.value(firmware));
        if (!fw)
            return Fail("--firmware must look like 1.023 (major, a point, the minor in three "
                        "digits; major up to 2147483647)");
        card.firmwareMajor = fw->first;
        card.firmwareMinor = fw->second;
    }
    card.replaceExisting = replace;

    QElapsedTimer timer;
    timer.start();
    QString error;
    QStringList written;
    if (const QStringList existing = ExistingFiles(CardFiles(card));
        !replace && !existing.isEmpty())
        return Fail(QStringLiteral("%1 already holds %2 of the files to write (%3 ...); nothing "
                                   "written (--force writes over them)")
                        .arg(card.root, QString::number(existing.size()), existing.first()));
    if (!WriteCard(card, &error, &written))
        return Fail(error);
    for (const QString &path : written)
        std::printf("%s\n", qPrintable(path));
    std::fprintf(stderr, "quorvil-make-card: %lld files in %.2f s\n",
                 static_cast<long long>(written.size()), timer.elapsed() / 1000.0);
    return 0;
}
