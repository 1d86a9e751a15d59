// From pressing Show Map in the viewer (a generated recording opened and paused) to the
// vehicle's marker drawn on the page, against a bare QWebEngineView loading the same page and
// running one DrawCurrent. Every run is a process of
// its own, since the first show pays for starting the web engine and that is what the user
// waits for. Also reports the memory of the viewer with its web engine processes before and
// after the first show (proportional set size, shared pages split between the processes, and
// the plain sum of resident sizes).

#include "app/COrvelPlayerDlg.h"
#include "bench/common/BenchResult.h"
#include "platform/DialogsScripted.h"
#include "platform/EmbeddedBrowser.h"
#include "sensors/widgets/CMapView.h"
#include "tools/make-card/CardGenerator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace
{

constexpr int kRounds = bench::kMinRounds;
constexpr int kTimeoutMs = 60000;
// Tiles are refused at once: the measure is the engine and the page, not a tile server.
constexpr const char *kTileUrl = "http://127.0.0.1:9/{z}/{x}/{y}.png";
constexpr QRect kSmallMap{695, 466, 324, 197};

struct Memory {
    qint64 pssKb = 0;
    qint64 rssKb = 0;
    int processes = 0;
};

qint64 ReadKb(const QString &path, const QByteArray &field)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// This process and every process it started, directly or not.
Memory ProcessTreeMemory()
{
    std::vector<std::pair<pid_t, pid_t>> parents; // pid, parent pid
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const pid_t pid = entry.toInt(&ok);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!ok || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        parents.emplace_back(pid, fields.value(1).toInt());
    }
    std::vector<pid_t> tree{getpid()};
    for (std::size_t i = 0; i < tree.size(); ++i)
        for (const auto &[pid, parent] : parents)
            if (parent == tree[i])
                tree.push_back(pid);
    Memory memory;
    for (const pid_t pid : tree) {
        memory.pssKb += ReadKb(QStringLiteral("/proc/%1/smaps_rollup").arg(pid), "Pss:");
        memory.rssKb += ReadKb(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS:");
        ++memory.processes;
    }
    return memory;
}

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool WaitFor(const bool &done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < kTimeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done;
}

// The viewer itself, with a generated recording opened from a folder library and paused:
// pressing Show Map places the map, navigates to the page, and the next position tick sends
// the position (kept until the page has loaded). The end is the page's answer that it drew it.
int RunViewer(const QString &library)
{
    COrvelPlayerDlg dlg(std::make_unique<DialogsScripted>());
    dlg.SetStartupLibraryFolder(library);
    if (!dlg.OnInitDialog())
        return 1;
    bool ready = false;
    const auto until = [&](const std::function<bool()> &condition) {
        ready = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] { ready = ready || condition(); });
        poll.start(5);
        return WaitFor(ready);
    };
    if (!until([&] { return dlg.FileList()->GetItemCount() == 1; }))
        return 1;
    dlg.FileList()->SelectItem(0);
    dlg.Transport().OnListDoubleClick(0);
    if (!until([&] { return !dlg.SensorTrack().m_arrGPS.empty(); }))
        return 1;
    dlg.OnCommand(ControlIds::IDC_PLAY); // paused: the tick goes on, the picture stands still
    if (!until([&] { return dlg.Player().GetState() == PlayState::Paused; }))
        return 1;
    Wait(300);
    const Memory before = ProcessTreeMemory();

    bool drawn = false;
    QObject::connect(&dlg.SensorViews().Map(), &CMapView::positionDrawn, [&] { drawn = true; });
    QElapsedTimer timer;
    timer.start();
    dlg.OnCommand(ControlIds::IDC_SHOW_MAP);
    if (!WaitFor(drawn))
        return 1;
    const double ms = timer.nsecsElapsed() / 1e6;
    const Memory after = ProcessTreeMemory();
    std::printf("ms %.1f before %lld %lld %d after %lld %lld %d\n", ms, before.pssKb, before.rssKb,
                before.processes, after.pssKb, after.rssKb, after.processes);
    return 0;
}

// The least a web view needs for the same: load the page, then call DrawCurrent once.
int RunBare()
{
    QWidget window;
    window.resize(1022, 682);
    window.show();
    Wait(200);

    bool drawn = false;
    QElapsedTimer timer;
    timer.start();
    QWebEngineView view(&window);
    view.page()->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls,
                                          true);
    view.setGeometry(kSmallMap);
    view.show();
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool ok) {
        if (ok)
            view.page()->runJavaScript(
                QStringLiteral("DrawCurrent('126.977000', '37.566000', '9')"),
                [&](const QVariant &result) { drawn = result.toString() == "drawn"; });
    });
    view.load(CMapView::PageUrl(QCoreApplication::applicationDirPath(), 1033,
                                QString::fromLatin1(kTileUrl)));
    if (!WaitFor(drawn))
        return 1;
    std::printf("ms %.1f\n", timer.nsecsElapsed() / 1e6);
    return 0;
}

struct RunResult {
    double ms = 0;
    Memory before;
    Memory after;
};

std::optional<RunResult> RunChild(const QString &mode, const QString &library)
{
    QProcess child;
    // The web engine's start-up chatter is shown only when a run failed.
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run"), mode, library});
    if (!child.waitForFinished(kTimeoutMs * 2) || child.exitCode() != 0) {
        std::fprintf(stderr, "%s", child.readAllStandardError().constData());
        return std::nullopt;
    }
    QString line = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split('\n').last();
    QTextStream in(&line);
    QString word;
    RunResult result;
    in >> word >> result.ms;
    if (mode == QLatin1String("viewer"))
        in >> word >> result.before.pssKb >> result.before.rssKb >> result.before.processes >>
            word >> result.after.pssKb >> result.after.rssKb >> result.after.processes;
    return word == QLatin1String("ms") || mode == QLatin1String("viewer") ? std::optional(result)
                                                                          : std::nullopt;
}

// A folder library of one eight-second recording with fixes, and settings and drives of the
// benchmark's own, so the viewer never meets the machine's.
std::unique_ptr<QTemporaryDir> PrepareLibrary()
{
    auto dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/quorvil-bench-XXXXXX");
    QDir(dir->path()).mkpath("user");
    QDir(dir->path()).mkpath("machine");
    QDir(dir->path()).mkpath("library");
    QFile(dir->path() + "/mountinfo").open(QIODevice::WriteOnly);
    qputenv("QUORVIL_CONFIG_HOME", QFile::encodeName(dir->path() + "/user"));
    qputenv("QUORVIL_SYSTEM_CONFIG", QFile::encodeName(dir->path() + "/machine"));
    qputenv("QUORVIL_MOUNTINFO", QFile::encodeName(dir->path() + "/mountinfo"));
    cardgen::RecordingOptions options;
    options.durationMs = 8000;
    options.width = 320;
    options.height = 180;
    options.fps = 10;
    options.rear = false;
    options.audio = false;
    options.path = dir->path() + "/library/" + cardgen::RecordingFileName(options);
    QString error;
    if (!cardgen::WriteRecording(options, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return nullptr;
    }
    return dir;
}

int RunRounds()
{
    const std::unique_ptr<QTemporaryDir> dir = PrepareLibrary();
    if (!dir)
        return 1;
    const QString library = dir->path() + "/library";
    bench::Rounds rounds;
    std::vector<double> pssBefore, pssAfter, rssBefore, rssAfter;
    int processesAfter = 0;
    for (int round = 0; round < kRounds; ++round) {
        // Alternately the viewer and the bare view first.
        std::optional<RunResult> b, v;
        if (round % 2) {
            v = RunChild(QStringLiteral("viewer"), library);
            b = RunChild(QStringLiteral("bare"), library);
        } else {
            b = RunChild(QStringLiteral("bare"), library);
            v = RunChild(QStringLiteral("viewer"), library);
        }
        if (!b || !v) {
            std::fprintf(stderr, "a run did not draw the marker\n");
            return 1;
        }
        rounds.Add(v->ms, b->ms);
        pssBefore.push_back(v->before.pssKb / 1024.0);
        rssBefore.push_back(v->before.rssKb / 1024.0);
        pssAfter.push_back(v->after.pssKb / 1024.0);
        rssAfter.push_back(v->after.rssKb / 1024.0);
        processesAfter = v->after.processes;
    }
    std::printf("memory of the viewer's map, median of %d runs: before the first show %.0f MB "
                "(resident %.0f MB); after it %.0f MB (resident %.0f MB) in %d processes\n",
                kRounds, bench::Median(pssBefore), bench::Median(rssBefore),
                bench::Median(pssAfter), bench::Median(rssAfter), processesAfter);
    std::printf("show map to marker drawn: medians of %d rounds (worst %.1f ms)\n", kRounds,
                *std::max_element(rounds.Ours().begin(), rounds.Ours().end()));
    rounds.PrintResult("map-first-show", "ms", 1.2);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QUORVIL_TILE_URL", kTileUrl);
    qputenv("QUORVIL_ONLINE", "1");
    PrepareEmbeddedBrowser();
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments[1] == QLatin1String("--run"))
        return arguments[2] == QLatin1String("viewer") ? RunViewer(arguments[3]) : RunBare();
    return RunRounds();
}
