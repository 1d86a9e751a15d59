// quorvil-recover: writes a playable copy of a recording that a power loss cut short. The
// recording itself is only read.

#include "recovery/RecordingRecovery.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace
{

int Fail(const QString &why, int code = 1)
{
    std::fprintf(stderr, "quorvil-recover: %s\n", qPrintable(why));
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("quorvil-recover");
    av_log_set_level(AV_LOG_ERROR);

    QCommandLineParser p;
    p.setApplicationDescription(
        "Writes a playable copy of a dash camera recording (MP4 or AVI) whose index was never\n"
        "written because the power went. IN is only read. The copy goes to OUT, by default a\n"
        "file of the same name in the current folder (never beside IN unless -o says so).\n"
        "Codec set-up missing from the cut file is taken from an intact recording of the same\n"
        "camera: the one given with --reference, else one found beside IN.");
    p.addHelpOption();
    p.addPositionalArgument("IN", "the cut recording");
    const QCommandLineOption output({"o", "output"}, "where to write the copy", "OUT");
    const QCommandLineOption reference(
        "reference", "an intact recording of the same camera and streams", "FILE");
    const QCommandLineOption noSearch("no-search", "do not look for a reference beside IN");
    const QCommandLineOption overwrite("overwrite", "replace OUT if it exists");
    for (const auto *o : {&output, &reference, &noSearch, &overwrite})
        p.addOption(*o);
    p.process(app);
    if (p.positionalArguments().size() != 1)
        return Fail("give one IN (see --help)", 2);

    recovery::RecoveryOptions options;
    options.input = p.positionalArguments().first();
    const QFileInfo in(options.input);
    if (p.isSet(output)) {
        options.output = p.value(output);
    } else {
        options.output = QDir::current().filePath(in.fileName());
        if (QFileInfo(options.output).absoluteDir() == in.absoluteDir())
            return Fail("the current folder is the recording's own; give the copy's place "
                        "with -o",
                        2);
    }
    options.reference = p.value(reference);
    options.findReference = !p.isSet(noSearch);
    options.overwrite = p.isSet(overwrite);

    const recovery::RecoveryReport report = recovery::Recover(options);
    if (!report.ok)
        return Fail(QStringLiteral("%1: %2").arg(in.fileName(), report.error));

    std::printf("%s: recovered %.2f s\n", qPrintable(in.fileName()), report.seconds);
    int video = 0;
    for (const recovery::RecoveredStream &s : report.streams) {
        if (s.kind == recovery::StreamKind::Video)
            std::printf("  video %d: %lld frames, %.2f s\n", ++video,
                        static_cast<long long>(s.frames), s.seconds);
        else if (s.kind == recovery::StreamKind::Audio)
            std::printf("  audio: %lld frames, %.2f s\n", static_cast<long long>(s.frames),
                        s.seconds);
        else
            std::printf("  sensor: %lld records\n", static_cast<long long>(s.frames));
    }
    std::printf("  used %lld of %lld bytes%s%s\n", static_cast<long long>(report.bytesUsed),
                static_cast<long long>(report.bytesTotal), report.stopReason.isEmpty() ? "" : ": ",
                qPrintable(report.stopReason));
    if (!report.reference.isEmpty())
        std::printf("  set-up from %s\n", qPrintable(report.reference));
    std::printf("written: %s\n", qPrintable(QFileInfo(options.output).absoluteFilePath()));
    return 0;
}
