// Latency of an accurate seek until the frame is shown in both windows, a camera's dual
// 1920x1080 recording with a key frame every 30 frames, paused; median and worst, against a
// bare pipeline's accurate seek into fake sinks.

#include "PlaybackBench.h"

#include "playback/CDShowPlayer.h"
#include "playback/CVideoRenderer.h"
#include "playback/CStaticView.h"

#include <QApplication>
#include <QRandomGenerator>

using namespace playback_bench;

namespace
{
constexpr int kDurationMs = 60000;
constexpr int kSeeks = 8;
constexpr int kRounds = bench::kMinRounds;

// Each round seeks to targets of its own, the same for both sides.
std::vector<std::uint32_t> SeekTargets(int round)
{
    QRandomGenerator random(42 + round);
    std::vector<std::uint32_t> targets;
    for (int i = 0; i < kSeeks; ++i)
        targets.push_back(random.bounded(kDurationMs - 200));
    return targets;
}

std::vector<double> BareSeeks(const QString &path, int round)
{
    auto pipeline = BarePipeline(path, true);
    gst_element_set_state(pipeline.get(), GST_STATE_PAUSED);
    WaitAsyncDone(pipeline.get());
    std::vector<double> ms;
    auto bus = GstBusHandle::Adopt(gst_element_get_bus(pipeline.get()));
    for (std::uint32_t target : SeekTargets(round)) {
        // Nothing stale may count as this seek's completion.
        while (auto stale = GstMessageHandle::Adopt(gst_bus_pop(bus.get()))) {
        }
        QElapsedTimer timer;
        timer.start();
        gst_element_seek_simple(
            pipeline.get(), GST_FORMAT_TIME,
            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
            gint64(target) * GST_MSECOND);
        WaitAsyncDone(pipeline.get());
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return ms;
}

std::vector<double> PlayerSeeks(CDShowPlayer &player, const QString &path, int round)
{
    std::vector<double> ms;
    if (!player.OpenFile(path) || player.Pause() < 0)
        return ms;
    CVideoRenderer *front = player.Graph()->Renderer(0);
    CVideoRenderer *rear = player.Graph()->Renderer(1);
    for (std::uint32_t target : SeekTargets(round)) {
        const auto frontBefore = front->FramesShown();
        const auto rearBefore = rear->FramesShown();
        QElapsedTimer timer;
        double settledMs = -1;
        timer.start();
        player.SeekTo(target);
        // Shown: the graph settled on the seek and both windows got their new frame.
        WaitUntil(
            [&] {
                player.GetPositionMs(); // reads the bus
                const bool settled = !player.Graph()->IsSeekPending();
                if (settled && settledMs < 0)
                    settledMs = timer.nsecsElapsed() / 1e6;
                return settled && front->FramesShown() != frontBefore &&
                       rear->FramesShown() != rearBefore;
            },
            20000, 1);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        if (qEnvironmentVariableIsSet("QUORVIL_BENCH_TRACE"))
            std::printf("seek %u: %.1f ms (settled %.1f)\n", target, ms.back(), settledMs);
    }
    player.Close();
    return ms;
}
} // namespace

int main(int argc, char **argv)
{
    PrepareEnvironment();
    QApplication app(argc, argv);
    gst_init(&argc, &argv);
    const std::vector<QString> paths = CameraRecordings();

    BenchPlayer bench;
    CDShowPlayer &player = bench.player;

    // Rounds alternate the AVI and the MP4, and which side goes first.
    bench::Rounds rounds;
    std::vector<double> ours, bare;
    for (int round = 0; round < kRounds; ++round) {
        const QString &path = paths[round % paths.size()];
        std::vector<double> bareRound, oursRound;
        if (round % 2) {
            oursRound = PlayerSeeks(player, path, round);
            bareRound = BareSeeks(path, round);
        } else {
            bareRound = BareSeeks(path, round);
            oursRound = PlayerSeeks(player, path, round);
        }
        if (oursRound.size() != bareRound.size()) {
            std::fprintf(stderr, "the player could not open %s\n", qPrintable(path));
            return 1;
        }
        rounds.Add(bench::Median(oursRound), bench::Median(bareRound));
        std::printf("round %d (%s): median %.1f ms, bare %.1f ms, ratio %.2f\n", round + 1,
                    qPrintable(path.right(3)), bench::Median(oursRound), bench::Median(bareRound),
                    rounds.LastRatio());
        ours.insert(ours.end(), oursRound.begin(), oursRound.end());
        bare.insert(bare.end(), bareRound.begin(), bareRound.end());
    }
    std::printf("accurate seek to a shown frame, dual 1920x1080 camera recordings, %d x %d seeks: "
                "median %.1f ms, worst %.1f ms (bare pipeline: median %.1f ms, worst %.1f ms)\n",
                kRounds, kSeeks, bench::Median(ours), *std::max_element(ours.begin(), ours.end()),
                bench::Median(bare), *std::max_element(bare.begin(), bare.end()));
    rounds.PrintResult("playback-seek", "ms", 1.2);
    return 0;
}
