// Save's copy of three recordings of about 300 MB each to a folder on the same disk, verified
// (flushed, read back from the disk and compared), against `cp` of the same files followed by
// `sync`. Rounds alternate which goes first; with permission to drop the page cache every
// run starts cold, and warm rounds start with the sources read once. The ratio is the median
// of the rounds' ratios, shown with their spread. Also reports how often
// the progress window's texts changed while the copy ran.
#include "bench/common/BenchResult.h"
#include "platform/FileOperationsQt.h"
#include "platform/FileCopyProgressWindow.h"
#include "platform/FileCopyPromptsScripted.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
constexpr int kFiles = 3;
constexpr qint64 kFileSize = 300LL << 20;
constexpr int kRounds = bench::kMinRounds; // per cache state; QUORVIL_BENCH_ROUNDS overrides
constexpr double kTargetRatio = 1.5;

// Bytes that no file system or disk compresses away, made fast.
bool WriteNoise(const QString &path, qint64 size, quint64 seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::vector<quint64> block(1 << 17);
    quint64 x = seed * 0x9E3779B97F4A7C15ULL + 1;
    for (qint64 done = 0; done < size;) {
        for (quint64 &word : block) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            word = x;
        }
        const qint64 n = std::min<qint64>(size - done, qint64(block.size() * sizeof(quint64)));
        if (file.write(reinterpret_cast<const char *>(block.data()), n) != n)
            return false;
        done += n;
    }
    return true;
}

bool Run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

bool DropCaches()
{
    Run(QStringLiteral("sync"), {});
    QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
    return drop.open(QIODevice::WriteOnly) && drop.write("3\n") == 2;
}

void ReadAll(const QStringList &files)
{
    std::vector<char> buffer(1 << 20);
    for (const QString &path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            while (file.read(buffer.data(), qint64(buffer.size())) > 0) {
            }
    }
}

void EmptyFolder(const QString &folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    Run(QStringLiteral("sync"), {});
}

struct Measured {
    double seconds = 0;
    bool ok = false;
};

Measured OurCopy(FileOperationsQt &operations, const QStringList &sources, const QString &target)
{
    std::vector<FileCopyJob> jobs;
    for (const QString &source : sources)
        jobs.push_back({source, target + u'/' + QFileInfo(source).fileName()});
    QElapsedTimer timer;
    timer.start();
    const auto results = operations.CopyFiles(nullptr, QStringLiteral("File Copy"), jobs);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const bool ok = std::all_of(results.begin(), results.end(), [](const FileCopyResult &r) {
        return r.outcome == FileCopyOutcome::Copied;
    });
    return {seconds, ok};
}

Measured CpSync(const QStringList &sources, const QString &target)
{
    QElapsedTimer timer;
    timer.start();
    const bool ok = Run(QStringLiteral("cp"), sources + QStringList{target + u'/'}) &&
                    Run(QStringLiteral("sync"), {});
    return {timer.nsecsElapsed() / 1e9, ok};
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir(qEnvironmentVariable("QUORVIL_BENCH_TMP", QDir::tempPath()) +
                      QStringLiteral("/save-copy-XXXXXX"));
    const QString sourceFolder = dir.filePath(QStringLiteral("card"));
    const QString ourFolder = dir.filePath(QStringLiteral("saved"));
    const QString cpFolder = dir.filePath(QStringLiteral("cp"));
    QStringList sources;
    if (!dir.isValid() || !QDir().mkpath(sourceFolder)) {
        std::fprintf(stderr, "cannot create the bench folder\n");
        return 1;
    }
    for (int i = 0; i < kFiles; ++i) {
        sources << sourceFolder + QStringLiteral("/20140721_10%1000_EVT_F2.AVI").arg(i);
        if (!WriteNoise(sources.back(), kFileSize, quint64(i + 1))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(sources.back()));
            return 1;
        }
    }
    const bool cold = DropCaches();
    if (!cold)
        std::printf("cannot drop the page cache (needs root): cold rounds left out\n");

    // How often what the window shows changed while a copy ran.
    std::vector<double> updateGapsMs;
    FileOperationsQt operations(std::make_unique<FileCopyPromptsScripted>());
    operations.SetWindowShownHook([&](QWidget &window) {
        auto *watch = new QTimer(&window);
        auto *since = new QElapsedTimer;
        auto *last = new QString;
        since->start();
        QObject::connect(watch, &QTimer::timeout, &window, [&updateGapsMs, &window, since, last] {
            QString shown;
            for (const QLabel *label : window.findChildren<QLabel *>())
                shown += label->text();
            if (const QProgressBar *bar = window.findChild<QProgressBar *>())
                shown += QString::number(bar->value());
            if (shown != *last) {
                if (!last->isEmpty())
                    updateGapsMs.push_back(since->nsecsElapsed() / 1e6);
                *last = shown;
                since->restart();
            }
        });
        QObject::connect(watch, &QObject::destroyed, [since, last] {
            delete since;
            delete last;
        });
        watch->start(5);
    });

    const int rounds = qEnvironmentVariableIntValue("QUORVIL_BENCH_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("QUORVIL_BENCH_ROUNDS")
                           : kRounds;
    bench::Rounds measured[2]; // [0] cold, [1] warm, in ms
    for (int warm = cold ? 0 : 1; warm < 2; ++warm) {
        for (int round = 0; round < rounds; ++round) {
            Measured a, b;
            for (int turn = 0; turn < 2; ++turn) {
                const bool oursNow = (round + turn) % 2 == 0;
                EmptyFolder(oursNow ? ourFolder : cpFolder);
                if (warm)
                    ReadAll(sources);
                else
                    DropCaches();
                if (oursNow)
                    a = OurCopy(operations, sources, ourFolder);
                else
                    b = CpSync(sources, cpFolder);
            }
            if (!a.ok || !b.ok) {
                std::fprintf(stderr, "a copy failed (ours %d, cp %d)\n", a.ok, b.ok);
                return 1;
            }
            measured[warm].Add(a.seconds * 1000, b.seconds * 1000);
            std::printf("%s round %d: ours %.2f s, cp + sync %.2f s, ratio %.2f\n",
                        warm ? "warm" : "cold", round + 1, a.seconds, b.seconds,
                        a.seconds / b.seconds);
            EmptyFolder(ourFolder);
            EmptyFolder(cpFolder);
        }
    }

    std::printf("progress window: timer %lld ms; texts changed every %.0f ms (median), %.0f ms "
                "at the longest\n",
                static_cast<long long>(FileCopyProgressWindow::kUpdateInterval.count()),
                updateGapsMs.empty() ? 0.0 : bench::Median(updateGapsMs),
                updateGapsMs.empty() ? 0.0
                                     : *std::max_element(updateGapsMs.begin(), updateGapsMs.end()));
    // The line reports the worse of the cold and warm rounds.
    int worst = 1;
    for (int warm = cold ? 0 : 1; warm < 2; ++warm) {
        const bench::Rounds &r = measured[warm];
        std::printf("%s: ours %.2f s, cp + sync %.2f s, ", warm ? "warm" : "cold",
                    bench::Median(r.Ours()) / 1000, bench::Median(r.Baseline()) / 1000);
        r.PrintSpread(stdout);
        std::printf(", ratio %.2f\n", r.Ratio());
    }
    if (cold && measured[0].Ratio() > measured[1].Ratio())
        worst = 0;
    measured[worst].PrintResult("save-copy", "ms", kTargetRatio);
    return 0;
}
