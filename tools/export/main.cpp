// quorvil-export FILE... [--gpx OUT] [--csv OUT]: the valid GPS fixes of recordings as a GPX 1.1
// track and their G-sensor samples as CSV, exactly as the viewer reads them.

#include "tools/export/SensorExport.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cstdio>

namespace
{

// Whether two names reach one file: resolved through links where the file exists, else as
// absolute clean paths.
bool SameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("quorvil-export");
    // Unreadable files are reported below, in plain words.
    av_log_set_level(AV_LOG_FATAL);
    QLoggingCategory::setFilterRules(QStringLiteral("quorvil.*.debug=false"));

    QCommandLineParser p;
    p.setApplicationDescription(
        "Reads the sensor stream of dash camera recordings (AVI or MP4) the way the viewer\n"
        "does and writes the valid GPS fixes as a GPX 1.1 track (one track per recording,\n"
        "decimal degrees, UTC times from the sentences) and the G-sensor samples as CSV\n"
        "(file, offset in ms, the axes as the viewer shows them, the raw axes). Outputs are\n"
        "written to a temporary name and renamed when complete; '-' writes to standard output.\n"
        "Without --gpx or --csv a summary per file is printed.\n"
        "A file that cannot be read to its end is reported; what was read before the damage\n"
        "is still written.\n"
        "Exit status: 0 all read, 1 some file unreadable or damaged, 2 bad usage or an output\n"
        "failed.");
    p.addHelpOption();
    p.addPositionalArgument("FILE", "recordings to read", "FILE...");
    const QCommandLineOption gpx("gpx", "write the GPS track to OUT", "OUT");
    const QCommandLineOption csv("csv", "write the G-sensor samples to OUT", "OUT");
    p.addOption(gpx);
    p.addOption(csv);
    p.process(app);

    const QStringList files = p.positionalArguments();
    if (files.isEmpty()) {
        std::fprintf(stderr, "quorvil-export: give at least one FILE (see --help)\n");
        return 2;
    }
    if (p.isSet(gpx) && p.isSet(csv) && SameFile(p.value(gpx), p.value(csv))) {
        std::fprintf(stderr, "quorvil-export: --gpx and --csv name the same file\n");
        return 2;
    }
    // An output written over one of the recordings would replace it.
    for (const QCommandLineOption *out : {&gpx, &csv}) {
        if (!p.isSet(*out) || p.value(*out) == QLatin1String("-"))
            continue;
        for (const QString &file : files) {
            if (SameFile(p.value(*out), file)) {
                std::fprintf(stderr, "quorvil-export: %s is one of the recordings read\n",
                             qPrintable(p.value(*out)));
                return 2;
            }
        }
    }

    int status = 0;
    std::vector<sensorexport::Recording> recordings;
    for (const QString &file : files) {
        sensorexport::Recording r = sensorexport::Read(file);
        if (!r.error.isEmpty()) {
            std::fprintf(stderr, "quorvil-export: %s: %s\n", qPrintable(file), qPrintable(r.error));
            status = 1;
            continue;
        }
        if (!r.damage.isEmpty()) {
            std::fprintf(stderr, "quorvil-export: %s: %s\n", qPrintable(file),
                         qPrintable(r.damage));
            status = 1;
        }
        if (r.offGlobe)
            std::fprintf(stderr,
                         "quorvil-export: %s: %zu fixes with no position on Earth skipped\n",
                         qPrintable(file), r.offGlobe);
        if (r.dropped)
            std::fprintf(stderr, "quorvil-export: %s: %zu records longer than 2048 bytes skipped\n",
                         qPrintable(file), r.dropped);
        if (!p.isSet(gpx) && !p.isSet(csv))
            std::printf("%s: %zu records, %zu valid fixes, %zu G-sensor samples\n",
                        qPrintable(file), r.records, r.fixes.size(), r.samples.size());
        recordings.push_back(std::move(r));
    }

    QString error;
    if (p.isSet(gpx) &&
        !sensorexport::WriteFileAtomically(p.value(gpx), sensorexport::ToGpx(recordings), &error)) {
        std::fprintf(stderr, "quorvil-export: %s\n", qPrintable(error));
        return 2;
    }
    if (p.isSet(csv) &&
        !sensorexport::WriteFileAtomically(p.value(csv), sensorexport::ToCsv(recordings), &error)) {
        std::fprintf(stderr, "quorvil-export: %s\n", qPrintable(error));
        return 2;
    }
    return status;
}
