// Time from OpenFile to the first frame in both video windows, a camera's dual 1920x1080
// recording, against a bare pipeline prerolling the same file to fake sinks.

#include "PlaybackBench.h"

#include "playback/CDShowPlayer.h"
#include "playback/CVideoRenderer.h"
#include "playback/CStaticView.h"

#include <QApplication>

using namespace playback_bench;

namespace
{
constexpr int kRounds = bench::kMinRounds;

double PlayerOpenMs(CDShowPlayer &player, const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    if (!player.OpenFile(path))
        return -1;
    CVideoRenderer *front = player.Graph()->Renderer(0);
    CVideoRenderer *rear = player.Graph()->Renderer(1);
    const bool shown =
        front && rear &&
        WaitUntil([&] { return front->FramesShown() > 0 && rear->FramesShown() > 0; }, 20000);
    const double ms = timer.nsecsElapsed() / 1e6;
    player.Close();
    return shown ? ms : -1;
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

    // One warm-up of each (plugin loading, file cache), then rounds that alternate the AVI and
    // the MP4, and which side goes first.
    for (const QString &path : paths) {
        BareOpenMs(path);
        PlayerOpenMs(player, path);
    }
    bench::Rounds rounds;
    double worst = 0;
    for (int round = 0; round < kRounds; ++round) {
        const QString &path = paths[round % paths.size()];
        double bare = 0, ours = 0;
        if (round % 2) {
            ours = PlayerOpenMs(player, path);
            bare = BareOpenMs(path);
        } else {
            bare = BareOpenMs(path);
            ours = PlayerOpenMs(player, path);
        }
        if (bare < 0 || ours < 0) {
            std::fprintf(stderr, "a run did not reach its first frames\n");
            return 1;
        }
        rounds.Add(ours, bare);
        worst = std::max(worst, ours);
        std::printf("round %d (%s): %.1f ms, bare %.1f ms, ratio %.2f\n", round + 1,
                    qPrintable(path.right(3)), ours, bare, rounds.LastRatio());
    }
    std::printf("open to first frames, dual 1920x1080 camera recordings: medians of %d rounds "
                "(worst %.1f ms)\n",
                kRounds, worst);
    rounds.PrintResult("playback-open", "ms", 1.2);
    return 0;
}
