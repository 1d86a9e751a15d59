// CPU per second of real-time dual 1920x1080 playback, against a bare pipeline decoding and
// converting the same file in real time into fake sinks.

#include "PlaybackBench.h"

#include "playback/CDShowPlayer.h"
#include "playback/CStaticView.h"

#include <QApplication>

using namespace playback_bench;

namespace
{
constexpr int kMeasureMs = 4000;
constexpr int kLeadInMs = 500;
constexpr int kRounds = 3;

// CPU per second of wall time over the measuring window, after the lead-in.
double MeasureCpuPerSecond()
{
    RunEventLoopFor(kLeadInMs);
    const double cpu0 = CpuMs();
    QElapsedTimer timer;
    timer.start();
    RunEventLoopFor(kMeasureMs);
    return (CpuMs() - cpu0) * 1000.0 / timer.elapsed();
}

double BareCpuPerSecond(const QString &path)
{
    auto pipeline = BarePipeline(path, true);
    gst_element_set_state(pipeline.get(), GST_STATE_PAUSED);
    WaitAsyncDone(pipeline.get());
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    const double perSecond = MeasureCpuPerSecond();
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return perSecond;
}

double PlayerCpuPerSecond(CDShowPlayer &player, const QString &path)
{
    if (!player.OpenFile(path) || player.Play() < 0)
        return -1;
    const double perSecond = MeasureCpuPerSecond();
    player.Close();
    return perSecond;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir &dir = PrepareEnvironment();
    QApplication app(argc, argv);
    gst_init(&argc, &argv);
    const QString path = MakeDualRecording(dir, 1920, 1080, kLeadInMs + kMeasureMs + 1500);

    BenchPlayer bench;
    CDShowPlayer &player = bench.player;

    // The machine is shared: the two runs alternate, and the ratio is the median of the
    // rounds' ratios, so load that comes and goes weighs on both sides alike.
    std::vector<double> ours, bare, ratios;
    for (int round = 0; round < kRounds; ++round) {
        bare.push_back(BareCpuPerSecond(path));
        ours.push_back(PlayerCpuPerSecond(player, path));
        if (ours.back() < 0) {
            std::fprintf(stderr, "the player could not play the recording\n");
            return 1;
        }
        ratios.push_back(ours.back() / std::max(bare.back(), 1e-3));
        std::printf("round %d: %.1f ms/s, bare %.1f ms/s, ratio %.2f\n", round + 1, ours.back(),
                    bare.back(), ratios.back());
    }
    std::printf("CPU of dual 1920x1080 playback in two 344x194 windows, %d x %d s, median "
                "ratio %.2f\n",
                kRounds, kMeasureMs / 1000, Median(ratios));
    // Reported as the median baseline scaled by the median ratio of the rounds.
    PrintResult("playback-cpu", Median(bare) * Median(ratios), Median(bare), "ms/s", 1.2);
    return 0;
}
