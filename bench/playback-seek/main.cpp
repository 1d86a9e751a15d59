// Latency of an accurate seek until the frame is shown in both windows, dual 1280x720, paused;
// median and worst, against a bare pipeline's accurate seek into fake sinks.

#include "PlaybackBench.h"

#include "playback/CDShowPlayer.h"
#include "playback/CVideoRenderer.h"
#include "playback/CStaticView.h"

#include <QApplication>
#include <QRandomGenerator>

using namespace playback_bench;

namespace
{
constexpr int kDurationMs = 10000;
constexpr int kSeeks = 25;
constexpr int kRounds = 3;

std::vector<std::uint32_t> SeekTargets()
{
    QRandomGenerator random(42);
    std::vector<std::uint32_t> targets;
    for (int i = 0; i < kSeeks; ++i)
        targets.push_back(random.bounded(kDurationMs - 200));
    return targets;
}

std::vector<double> BareSeeks(const QString &path)
{
    auto pipeline = BarePipeline(path, true);
    gst_element_set_state(pipeline.get(), GST_STATE_PAUSED);
    WaitAsyncDone(pipeline.get());
    std::vector<double> ms;
    auto bus = GstBusHandle::Adopt(gst_element_get_bus(pipeline.get()));
    for (std::uint32_t target : SeekTargets()) {
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

std::vector<double> PlayerSeeks(CDShowPlayer &player, const QString &path)
{
    std::vector<double> ms;
    if (!player.OpenFile(path) || player.Pause() < 0)
        return ms;
    CVideoRenderer *front = player.Graph()->Renderer(0);
    CVideoRenderer *rear = player.Graph()->Renderer(1);
    for (std::uint32_t target : SeekTargets()) {
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
    QTemporaryDir &dir = PrepareEnvironment();
    QApplication app(argc, argv);
    gst_init(&argc, &argv);
    const QString path = MakeDualRecording(dir, 1280, 720, kDurationMs);

    BenchPlayer bench;
    CDShowPlayer &player = bench.player;

    // The machine is shared: the two runs alternate, and the ratio is the median of the
    // rounds' ratios, so load that comes and goes weighs on both sides alike.
    std::vector<double> ours, bare, ratios;
    for (int round = 0; round < kRounds; ++round) {
        const std::vector<double> bareRound = BareSeeks(path);
        const std::vector<double> oursRound = PlayerSeeks(player, path);
        if (oursRound.size() != bareRound.size()) {
            std::fprintf(stderr, "the player could not open the recording\n");
            return 1;
        }
        ratios.push_back(Median(oursRound) / std::max(Median(bareRound), 1e-3));
        std::printf("round %d: median %.1f ms, bare %.1f ms, ratio %.2f\n", round + 1,
                    Median(oursRound), Median(bareRound), ratios.back());
        ours.insert(ours.end(), oursRound.begin(), oursRound.end());
        bare.insert(bare.end(), bareRound.begin(), bareRound.end());
    }
    std::printf("accurate seek to a shown frame, dual 1280x720, %d x %d seeks: median %.1f ms, "
                "worst %.1f ms (bare pipeline: median %.1f ms, worst %.1f ms), median ratio "
                "%.2f\n",
                kRounds, kSeeks, Median(ours), *std::max_element(ours.begin(), ours.end()),
                Median(bare), *std::max_element(bare.begin(), bare.end()), Median(ratios));
    // Reported as the median baseline scaled by the median ratio of the rounds.
    PrintResult("playback-seek", Median(bare) * Median(ratios), Median(bare), "ms", 1.2);
    return 0;
}
