// bench-recover: a 60-second dual-1080p MP4 at a dash camera's bit rate (12 Mbit/s a camera),
// cut at 90 % by a power loss, recovered into a playable copy, against `cp` of the same file
// to the same folder. Rounds alternate the two; the result is the median of the rounds'
// ratios, with their spread.

#include "bench/common/BenchResult.h"
#include "recovery/RecordingRecovery.h"
#include "tools/make-card/CardGenerator.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

constexpr int kRounds = bench::kMinRounds;
constexpr double kTarget = 2.0;

cardgen::RecordingOptions Camera(const QString &path, int seconds)
{
    cardgen::RecordingOptions o;
    o.path = path;
    o.container = cardgen::Container::Mp4;
    o.width = 1920;
    o.height = 1080;
    o.fps = 30;
    o.durationMs = seconds * 1000;
    o.videoBitRate = 12'000'000;
    return o;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_FATAL);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench-recover: no temporary folder\n");
        return 1;
    }
    const QString card = dir.filePath("Recordings");
    QDir().mkpath(card);
    // The card holds an intact recording of the same camera (the reference) and the cut one.
    cardgen::RecordingOptions reference =
        Camera(QDir(card).filePath("20140722_081200_NOR_C2.MP4"), 2);
    cardgen::RecordingOptions cut = Camera(QDir(card).filePath("20140722_081300_NOR_C2.MP4"), 60);
    cut.cutAtPercent = 90;
    QElapsedTimer made;
    made.start();
    QString error;
    if (!cardgen::WriteRecording(reference, &error) || !cardgen::WriteRecording(cut, &error)) {
        std::fprintf(stderr, "bench-recover: %s\n", qPrintable(error));
        return 1;
    }
    const qint64 size = QFileInfo(cut.path).size();
    std::printf("cut recording: %.1f MB, written in %.1f s\n", size / 1e6, made.elapsed() / 1e3);

    const QString out = dir.filePath("out");
    QDir().mkpath(out);
    const QString copied = QDir(out).filePath("copied.MP4");
    const QString recovered = QDir(out).filePath("recovered.MP4");
    auto runCp = [&] {
        QFile::remove(copied);
        QElapsedTimer t;
        t.start();
        QProcess::execute("cp", {cut.path, copied});
        return t.nsecsElapsed() / 1e6;
    };
    recovery::RecoveryReport report;
    auto runRecover = [&] {
        QFile::remove(recovered);
        recovery::RecoveryOptions options;
        options.input = cut.path;
        options.output = recovered;
        QElapsedTimer t;
        t.start();
        report = recovery::Recover(options);
        return t.nsecsElapsed() / 1e6;
    };
    runCp(); // both read the file from the page cache from here on
    runRecover();
    if (!report.ok) {
        std::fprintf(stderr, "bench-recover: %s\n", qPrintable(report.error));
        return 1;
    }
    bench::Rounds rounds;
    for (int i = 0; i < kRounds; ++i) {
        const bool recoverFirst = i % 2;
        double r = 0, c = 0;
        if (recoverFirst) {
            r = runRecover();
            c = runCp();
        } else {
            c = runCp();
            r = runRecover();
        }
        rounds.Add(r, c);
        std::printf("round %d: recover %.1f ms, cp %.1f ms, ratio %.2f\n", i + 1, r, c,
                    rounds.LastRatio());
    }
    std::printf("recovered %.2f s: video %lld + %lld frames, %lld sensor records, %.1f MB of "
                "%.1f MB used\n",
                report.seconds, static_cast<long long>(report.streams[0].frames),
                static_cast<long long>(report.streams[1].frames),
                static_cast<long long>(report.sensorRecords), report.bytesUsed / 1e6,
                report.bytesTotal / 1e6);
    rounds.PrintResult("recover", "ms", kTarget);
    return 0;
}
