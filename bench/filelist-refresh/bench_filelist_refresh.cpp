// Refresh of a 10 000-recording folder into both file lists, against enumerating and
// stat-ing the same folder with bare readdir/stat, in alternating rounds. Also reports the
// repaint of a full page.
#include "bench/common/BenchResult.h"
#include "library/CCatalogue.h"
#include "library/widgets/CCatalogueController.h"
#include "library/widgets/CConfigListCtrl.h"
#include "library/widgets/CSelectMonthDlg.h"
#include "platform/DialogsScripted.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
constexpr int kRecordings = 10000;
constexpr int kRuns = bench::kMinRounds;
constexpr int kPaints = 50;
constexpr double kTargetRatio = 3.0;

class BenchHost : public CCatalogueController::IHost
{
public:
    QString GetLibraryRoot() const override { return root; }
    void SetLibraryRoot(const QString &value) override { root = value; }
    bool GetFolderMode() const override { return false; }
    void SetFolderMode(bool) override {}
    std::int64_t GetFilterDate() const override { return 0; }
    void SetFilterDate(std::int64_t) override {}
    int GetCurrentItem() const override { return 3; }
    bool GetButtonCheck(int id) const override
    {
        return std::find(checked.begin(), checked.end(), id) != checked.end();
    }
    void SetButtonCheck(int id, bool on) override
    {
        checked.erase(std::remove(checked.begin(), checked.end(), id), checked.end());
        if (on)
            checked.push_back(id);
    }
    bool SelectCardDrive() override { return false; }
    IDialogs &GetDialogs() override { return dialogs; }
    QWidget *GetDialogOwner() override { return nullptr; }
    CSelectMonthDlg &GetSelectMonthDlg() override { return monthDialog; }

    QString root;
    std::vector<int> checked;
    DialogsScripted dialogs;
    CSelectMonthDlg monthDialog;
};

// What the refresh must at least do: list the folder and stat every entry.
int ReaddirStat(const QByteArray &folder)
{
    DIR *dir = opendir(folder.constData());
    if (dir == nullptr)
        return 0;
    int files = 0;
    while (const dirent *entry = readdir(dir)) {
        const QByteArray path = folder + '/' + entry->d_name;
        struct stat info {
        };
        if (stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode))
            ++files;
    }
    closedir(dir);
    return files;
}

bool MakeFolder(const QString &recordings)
{
    if (!QDir().mkpath(recordings))
        return false;
    const QDateTime start(QDate(2014, 7, 1), QTime(0, 0));
    static const char *const kTokens[] = {"NOR", "EVT", "MOT"};
    for (int i = 0; i < kRecordings; ++i) {
        // Created newest first, so the folder does not list them in name order.
        const int n = kRecordings - 1 - i;
        const QString name = start.addSecs(n * 60).toString(QStringLiteral("yyyyMMdd_HHmmss")) +
                             QStringLiteral("_%1_F.AVI").arg(QLatin1String(kTokens[n % 3]));
        QFile file(recordings + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(1024 + n))
            return false;
    }
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString recordings = dir.filePath(QStringLiteral("card/Recordings"));
    if (!dir.isValid() || !MakeFolder(recordings)) {
        std::fprintf(stderr, "cannot create the test folder\n");
        return 1;
    }

    QWidget window;
    window.resize(700, 600);
    CConfigListCtrl mainList(&window);
    CConfigListCtrl panelList(&window);
    mainList.setGeometry(2, 79, 324, 508);
    panelList.setGeometry(350, 79, 324, 508);
    for (CConfigListCtrl *list : {&mainList, &panelList}) {
        list->InsertFileListColumns();
        list->CreateSkinScrollbar();
        list->ApplyLayout();
    }
    BenchHost host;
    host.root = dir.filePath(QStringLiteral("card"));
    CCatalogueController controller(mainList, host);
    controller.SetPanelList(&panelList);
    window.show();
    QCoreApplication::processEvents();

    // Warm the directory cache once for both.
    const QByteArray nativeFolder = QFile::encodeName(recordings);
    if (ReaddirStat(nativeFolder) != kRecordings) {
        std::fprintf(stderr, "the folder does not hold %d files\n", kRecordings);
        return 1;
    }
    controller.RefreshCatalogue(1, 0);

    bench::Rounds rounds;
    for (int run = 0; run < kRuns; ++run) {
        const auto baseline = [&] {
            QElapsedTimer timer;
            timer.start();
            const int files = ReaddirStat(nativeFolder);
            return files == kRecordings ? timer.nsecsElapsed() / 1e6 : -1;
        };
        const auto refresh = [&] {
            QElapsedTimer timer;
            timer.start();
            controller.RefreshCatalogue(1, 0);
            QCoreApplication::processEvents(); // the repaint the refresh asked for
            return timer.nsecsElapsed() / 1e6;
        };
        double base = 0, ours = 0;
        if (run % 2) {
            ours = refresh();
            base = baseline();
        } else {
            base = baseline();
            ours = refresh();
        }
        if (base < 0)
            return 1;
        if (mainList.GetItemCount() != kRecordings || panelList.GetItemCount() != kRecordings) {
            std::fprintf(stderr, "listed %d and %d rows\n", mainList.GetItemCount(),
                         panelList.GetItemCount());
            return 1;
        }
        rounds.Add(ours, base);
    }

    if (qEnvironmentVariableIsSet("QUORVIL_BENCH_DETAIL")) {
        QElapsedTimer timer;
        timer.start();
        const auto entries = CCatalogue::ScanFolder(recordings, QString(), 0, QDateTime());
        std::printf("scan alone: %.1f ms (%zu)\n", timer.nsecsElapsed() / 1e6, entries.size());
        controller.RefreshCatalogue(1, 0);
        timer.start();
        controller.EmptyLists();
        std::printf("empty both lists: %.1f ms\n", timer.nsecsElapsed() / 1e6);
        timer.start();
        controller.ScanFolder(recordings, QString(), 0);
        std::printf("scan into both lists: %.1f ms\n", timer.nsecsElapsed() / 1e6);
        timer.start();
        mainList.SortItems(0, true);
        panelList.SortItems(0, true);
        std::printf("sort both: %.1f ms\n", timer.nsecsElapsed() / 1e6);
    }
    std::vector<double> paintMs;
    mainList.ScrollVertical(kRecordings / 2 * CConfigListCtrl::kRowHeight);
    for (int i = 0; i < kPaints; ++i) {
        QElapsedTimer timer;
        timer.start();
        mainList.repaint();
        paintMs.push_back(timer.nsecsElapsed() / 1e6);
    }

    // glibc re-reads /etc/localtime at every tzset() while TZ is unset, and Qt calls tzset()
    // for every local-time conversion, which is why the scan converts dates without Qt. The
    // refresh with TZ naming the zone shows that it no longer depends on it.
    double refreshWithTz = 0;
    const bool tzWasUnset = qEnvironmentVariableIsEmpty("TZ") && QFile::exists("/etc/localtime");
    if (tzWasUnset) {
        qputenv("TZ", ":/etc/localtime");
        std::vector<double> runs;
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer timer;
            timer.start();
            controller.RefreshCatalogue(1, 0);
            QCoreApplication::processEvents();
            runs.push_back(timer.nsecsElapsed() / 1e6);
        }
        refreshWithTz = bench::Median(runs);
        qunsetenv("TZ");
    }

    const double baseline = bench::Median(rounds.Baseline());
    std::printf("rows per list: %d, runs: %d (medians)\n", kRecordings, kRuns);
    std::printf("full page repaint (%d rows): %.3f ms\n", mainList.GetCountPerPage(),
                bench::Median(paintMs));
    if (tzWasUnset)
        std::printf("refresh with TZ=:/etc/localtime: %.1f ms, ratio %.2f\n", refreshWithTz,
                    refreshWithTz / baseline);
    rounds.PrintResult("filelist-refresh", "ms", kTargetRatio);
    return 0;
}
