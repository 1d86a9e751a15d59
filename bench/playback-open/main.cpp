// Time from OpenFile to the first frame in both video windows, dual 1920x1080, against a bare
// pipeline prerolling the same file to fake sinks.

#include "PlaybackBench.h"

#include "playback/CDShowPlayer.h"
#include "playback/CVideoRenderer.h"
#include "playback/CStaticView.h"

#include <QApplication>

using namespace playback_bench;

namespace
{
constexpr int kRuns = 7;

double BareOpenMs(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    auto pipeline = BarePipeline(path, true);
    gst_element_set_state(pipeline.get(), GST_STATE_PAUSED);
    const bool ok = WaitAsyncDone(pipeline.get());
    const double ms = timer.nsecsElapsed() / 1e6;
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return ok ? ms : -1;
}

double PlayerOpenMs(CDShowPlayer &player, const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    if (!player.OpenFile(path))
        return -1;
    CVideoRenderer *front = player.Graph()->Renderer(0);
    CVideoRenderer *rear = player.Graph()->Renderer(1);
    WaitUntil([&] { return front->FramesShown() > 0 && rear->FramesShown() > 0; }, 20000);
    const double ms = timer.nsecsElapsed() / 1e6;
    player.Close();
    return front && rear ? ms : -1;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir &dir = PrepareEnvironment();
    QApplication app(argc, argv);
    gst_init(&argc, &argv);
    const QString path = MakeDualRecording(dir, 1920, 1080, 4000);

    BenchPlayer bench;
    CDShowPlayer &player = bench.player;

    // One warm-up of each (plugin loading, file cache), then alternating runs.
    BareOpenMs(path);
    PlayerOpenMs(player, path);
    std::vector<double> bare, ours;
    for (int i = 0; i < kRuns; ++i) {
        bare.push_back(BareOpenMs(path));
        ours.push_back(PlayerOpenMs(player, path));
    }
    if (std::count(bare.begin(), bare.end(), -1.0) || std::count(ours.begin(), ours.end(), -1.0)) {
        std::fprintf(stderr, "a run did not reach its first frames\n");
        return 1;
    }
    std::printf("open to first frames, dual 1920x1080: median of %d runs (worst %.1f ms)\n", kRuns,
                *std::max_element(ours.begin(), ours.end()));
    PrintResult("playback-open", Median(ours), Median(bare), "ms", 1.2);
    return 0;
}
