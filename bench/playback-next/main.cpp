// The picture's gap where one recording ends and the next row's begins, in the main window as
// the user has it (both pictures shown, the file list of two camera recordings, dual
// 1920x1080): from the last frame painted of the first recording to the first frame painted
// of the next, in each of the two video windows (the larger of the two counts).
//
// The contract is a gap of at most two frame intervals at 30 fps (66.7 ms): the result line's
// baseline is that bound, so its ratio is gap / 66.7 ms and the target is 1. A gap has no bare
// counterpart; what a build at the end would cost at the least is the bare open (preroll) of
// the next recording into fake sinks, measured in alternating rounds and printed above the
// result line with the gap's ratio to it, as is the gap of an end that builds the next graph
// (nothing prepared).
//
// Each round seeks the first recording to a few seconds before its end, so the 60 s recordings
// cost a few seconds per round.

#include "PlaybackBench.h"

#include "app/COrvelPlayerDlg.h"
#include "platform/DialogsScripted.h"
#include "playback/CVideoRenderer.h"
#include "ui/ControlIds.h"

#include <QApplication>
#include <QEvent>

#include <filesystem>
#include <map>

using namespace playback_bench;

namespace
{
constexpr int kRounds = bench::kMinRounds;
constexpr double kContractMs = 2 * 1000.0 / 30;
// Played of the first recording in each round: enough for the next graph to be prepared (the
// lead and a tick), or, when nothing is prepared, just the end.
constexpr std::uint32_t kTailMs = CTransport::kPrepareNextLeadMs + 800;
constexpr std::uint32_t kTailWithoutPreparingMs = 1500;
constexpr int kTimeoutMs = 60000;

QElapsedTimer g_clock;

// Every paint of the two video windows, with the number of the recording opened by then (a
// graph's address may come back for the next one).
class PaintLog : public QObject
{
public:
    struct Paint {
        qint64 ns;
        int opened;
    };
    explicit PaintLog(CTransport &transport)
    {
        connect(&transport, &CTransport::recordingOpened, this, [this] {
            ++m_nOpened;
            m_nOpenedNs = g_clock.nsecsElapsed();
        });
    }
    int Opened() const { return m_nOpened; }

    void Watch(QWidget *view)
    {
        if (view && !m_paints.count(view)) {
            m_paints[view];
            view->installEventFilter(this);
        }
    }
    void Clear()
    {
        for (auto &[view, paints] : m_paints)
            paints.clear();
    }
    // Largest gap over the windows between the last paint of recording `old` and the first of
    // a later one; negative while a window has not painted the new recording yet. `beforeMs`:
    // of that, the part until the next recording was open (its graph the player's).
    double GapMs(int old, double *beforeMs = nullptr) const
    {
        double worst = 0;
        for (const auto &[view, paints] : m_paints) {
            qint64 lastOld = -1, firstNew = -1;
            for (const Paint &paint : paints) {
                if (paint.opened == old)
                    lastOld = paint.ns;
                else if (firstNew < 0 && lastOld >= 0)
                    firstNew = paint.ns;
            }
            if (lastOld < 0 || firstNew < 0)
                return -1;
            if ((firstNew - lastOld) / 1e6 >= worst && beforeMs)
                *beforeMs = (m_nOpenedNs - lastOld) / 1e6;
            worst = std::max(worst, (firstNew - lastOld) / 1e6);
        }
        return worst;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_paints[static_cast<QWidget *>(watched)].push_back(
                {g_clock.nsecsElapsed(), m_nOpened});
        return false;
    }

private:
    int m_nOpened = 0;
    qint64 m_nOpenedNs = 0;
    std::map<QWidget *, std::vector<Paint>> m_paints;
};

// Row 0 played from a few seconds before its end into row 1; the gap in ms, or -1. `stallMs`:
// the longest time the UI thread did not come back to its event loop while the next graph was
// being prepared (the build runs there, as an open does).
double EndGapMs(COrvelPlayerDlg &dlg, PaintLog &log, bool prepare, double *stallMs = nullptr,
                double *beforeOpenMs = nullptr)
{
    CTransport &transport = dlg.Transport();
    CDShowPlayer &player = dlg.Player();
    transport.SetPrepareNextLead(prepare ? CTransport::kPrepareNextLeadMs : 0);
    dlg.FileList()->SelectItem(0);
    transport.OnListDoubleClick(0);
    if (player.GetState() != PlayState::Running)
        return -1;
    dlg.OnCommand(ControlIds::IDC_ALL_VIEWS);
    for (int channel : {0, 1})
        log.Watch(player.Graph()->Renderer(channel)->VideoWindow());
    player.SeekTo(player.GetDurationMs() - (prepare ? kTailMs : kTailWithoutPreparingMs));
    const int old = log.Opened();
    QElapsedTimer sinceLook;
    sinceLook.start();
    double stall = 0;
    const auto preparedYet = [&] {
        stall = std::max(stall, sinceLook.nsecsElapsed() / 1e6);
        sinceLook.restart();
        return transport.PreparedNext().HasGraph();
    };
    if (prepare && !WaitUntil(preparedYet, kTimeoutMs))
        return -1;
    if (stallMs)
        *stallMs = stall;
    const CDShowGraph *prepared = transport.PreparedNext().Graph();
    log.Clear();
    const bool swapped = WaitUntil(
        [&] { return transport.CurrentItem() == 1 && log.GapMs(old) >= 0; }, kTimeoutMs, 1);
    double gap = swapped ? log.GapMs(old, beforeOpenMs) : -1;
    if (swapped && prepare && player.Graph() != prepared) {
        std::fprintf(stderr, "the end did not go on to the prepared graph\n");
        gap = -1;
    }
    transport.StopAndReset();
    RunEventLoopFor(300);
    return gap;
}

// The two camera recordings under the names the catalogue lists, in a folder of their own.
QString MakeLibrary(const QTemporaryDir &dir, const std::vector<QString> &recordings)
{
    for (std::size_t i = 0; i < recordings.size(); ++i) {
        cardgen::RecordingOptions options;
        options.container =
            recordings[i].endsWith(".MP4") ? cardgen::Container::Mp4 : cardgen::Container::Avi;
        options.start = QDateTime(QDate(2014, 7, 21), QTime(9, 30 + static_cast<int>(i), 0));
        const QString name = dir.filePath(cardgen::RecordingFileName(options));
        std::error_code error;
        std::filesystem::create_hard_link(recordings[i].toStdString(), name.toStdString(), error);
        if (error && !QFile::copy(recordings[i], name))
            return {};
    }
    return dir.path();
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir &environment = PrepareEnvironment();
    QApplication app(argc, argv);
    gst_init(&argc, &argv);
    g_clock.start();
    const std::vector<QString> recordings = CameraRecordings();
    QTemporaryDir libraryDir(environment.path() + "/library-XXXXXX");
    const QString library = MakeLibrary(libraryDir, recordings);
    if (library.isEmpty()) {
        std::fprintf(stderr, "cannot make the library folder\n");
        return 2;
    }

    COrvelPlayerDlg dlg(std::make_unique<DialogsScripted>());
    dlg.SetStartupLibraryFolder(library);
    if (!dlg.OnInitDialog() ||
        !WaitUntil([&] { return dlg.FileList()->GetItemCount() == 2; }, kTimeoutMs)) {
        std::fprintf(stderr, "the library was not listed\n");
        return 2;
    }
    const QString next = dlg.FileList()->GetItemText(1, CConfigListCtrl::kColumnPath);
    PaintLog log(dlg.Transport());

    // One warm-up of each side, then rounds that alternate which side goes first.
    BareOpenMs(next);
    EndGapMs(dlg, log, true);
    bench::Rounds rounds, againstBare, built;
    // The part of each gap after the next recording was open: what showing it adds, apart from
    // the first one's tail (which a machine too slow for the decoders leaves unpainted) and
    // from the build when nothing was prepared.
    std::vector<double> stalls, afterEnd, buildAfterEnd;
    for (int round = 0; round < kRounds; ++round) {
        double gap = 0, bare = 0, buildGap = 0, stall = 0, beforeOpen = 0, buildBeforeOpen = 0;
        if (round % 2) {
            gap = EndGapMs(dlg, log, true, &stall, &beforeOpen);
            bare = BareOpenMs(next);
        } else {
            bare = BareOpenMs(next);
            gap = EndGapMs(dlg, log, true, &stall, &beforeOpen);
        }
        buildGap = EndGapMs(dlg, log, false, nullptr, &buildBeforeOpen);
        if (gap < 0 || bare < 0 || buildGap < 0) {
            std::fprintf(stderr,
                         "round %d did not reach the next recording in both windows (gap %.1f, "
                         "bare %.1f, with a build %.1f)\n",
                         round + 1, gap, bare, buildGap);
            return 1;
        }
        rounds.Add(gap, kContractMs);
        againstBare.Add(gap, bare);
        built.Add(buildGap, bare);
        stalls.push_back(stall);
        afterEnd.push_back(gap - beforeOpen);
        buildAfterEnd.push_back(buildGap - buildBeforeOpen);
        std::printf("round %d: gap %.1f ms (%.1f of it before the next was open), bare open "
                    "%.1f ms, gap with a build %.1f ms, UI thread held %.1f ms while preparing\n",
                    round + 1, gap, beforeOpen, bare, buildGap, stall);
        std::fflush(stdout);
    }
    std::printf("gap against the bare open of the next recording: %.1f ms against %.1f ms, "
                "ratio %.2f (",
                bench::Median(againstBare.Ours()), bench::Median(againstBare.Baseline()),
                againstBare.Ratio());
    againstBare.PrintSpread(stdout);
    std::printf("); an end that builds the next graph: %.1f ms, ratio %.2f; preparing held the "
                "UI thread %.1f ms (median)\n",
                bench::Median(built.Ours()), built.Ratio(), bench::Median(stalls));
    std::printf("once the next recording was open: %.1f ms to its first frame painted, "
                "%.1f ms with a build (medians)\n",
                bench::Median(afterEnd), bench::Median(buildAfterEnd));
    rounds.PrintResult("playback-next", "ms", 1.0);
    return 0;
}
