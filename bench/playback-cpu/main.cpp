// CPU per second of real-time dual 1920x1080 playback of a camera's recordings, against a bare
// pipeline that only decodes both streams into fake sinks (the floor on a machine without a
// hardware decoder), and against one that also converts every frame at full size. Also the
// resident memory while playing, ours and bare, each in a process of its own.

#include "PlaybackBench.h"

#include "playback/CDShowPlayer.h"
#include "playback/CStaticView.h"

#include <QApplication>
#include <QProcess>

#include <array>

using namespace playback_bench;

namespace
{
constexpr int kMeasureMs = 3000;
constexpr int kLeadInMs = 500;
constexpr int kRounds = bench::kMinRounds;
constexpr int kMemoryRounds = 3;
// Decoders and renderers have their buffers after the first frames; this is past that.
constexpr int kMemorySettleMs = 2000;
constexpr double kTarget = 1.10;

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

GstElementHandle PlayBare(const QString &path, BareWork work)
{
    auto pipeline = BarePipeline(path, true, work);
    gst_element_set_state(pipeline.get(), GST_STATE_PAUSED);
    WaitAsyncDone(pipeline.get());
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    return pipeline;
}

double BareCpuPerSecond(const QString &path, BareWork work)
{
    auto pipeline = PlayBare(path, work);
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

// The sides a round measures, in the order the round starts with.
enum Side { Ours, Decode, Convert, kSides };

// Child process: plays `path` the way `side` does and prints the resident memory once playing
// has settled.
int MemoryRun(const QString &side, const QString &path)
{
    if (side == QLatin1String("ours")) {
        BenchPlayer bench;
        if (!bench.player.OpenFile(path) || bench.player.Play() < 0)
            return 1;
        RunEventLoopFor(kMemorySettleMs);
        std::printf("rss %.1f\n", ResidentMb());
        bench.player.Close();
        return 0;
    }
    auto pipeline = PlayBare(path, side == QLatin1String("decode") ? BareWork::Decode
                                                                   : BareWork::DecodeAndConvert);
    RunEventLoopFor(kMemorySettleMs);
    std::printf("rss %.1f\n", ResidentMb());
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return 0;
}

double ChildResidentMb(const QString &side, const QString &path)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--memory", side, path});
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return -1;
    const QByteArray out = child.readAllStandardOutput().trimmed();
    const QByteArray last = out.mid(out.lastIndexOf('\n') + 1);
    return last.startsWith("rss ") ? last.mid(4).toDouble() : -1;
}
} // namespace

int main(int argc, char **argv)
{
    PrepareEnvironment();
    QApplication app(argc, argv);
    gst_init(&argc, &argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments[1] == QLatin1String("--memory"))
        return MemoryRun(arguments[2], arguments[3]);

    const std::vector<QString> paths = CameraRecordings();
    BenchPlayer bench;
    CDShowPlayer &player = bench.player;

    // Rounds alternate the AVI and the MP4, and which side goes first.
    bench::Rounds decode, convert;
    for (int round = 0; round < kRounds; ++round) {
        const QString &path = paths[round % paths.size()];
        std::array<double, kSides> cpu{};
        for (int i = 0; i < kSides; ++i) {
            const int side = (round + i) % kSides;
            cpu[side] = side == Ours     ? PlayerCpuPerSecond(player, path)
                        : side == Decode ? BareCpuPerSecond(path, BareWork::Decode)
                                         : BareCpuPerSecond(path, BareWork::DecodeAndConvert);
        }
        if (cpu[Ours] < 0) {
            std::fprintf(stderr, "the player could not play %s\n", qPrintable(path));
            return 1;
        }
        decode.Add(cpu[Ours], cpu[Decode]);
        convert.Add(cpu[Ours], cpu[Convert]);
        std::printf("round %d (%s): %.1f ms/s, decode %.1f ms/s (ratio %.2f), decode and convert "
                    "%.1f ms/s (ratio %.2f)\n",
                    round + 1, qPrintable(path.right(3)), cpu[Ours], cpu[Decode],
                    decode.LastRatio(), cpu[Convert], convert.LastRatio());
    }

    std::vector<double> rssOurs, rssDecode, rssConvert;
    for (int round = 0; round < kMemoryRounds; ++round) {
        const QString &path = paths[round % paths.size()];
        rssDecode.push_back(ChildResidentMb("decode", path));
        rssOurs.push_back(ChildResidentMb("ours", path));
        rssConvert.push_back(ChildResidentMb("convert", path));
    }
    std::printf("resident memory while playing dual 1920x1080, median of %d runs: ours %.0f MB, "
                "bare decode %.0f MB, bare decode and convert %.0f MB\n",
                kMemoryRounds, bench::Median(rssOurs), bench::Median(rssDecode),
                bench::Median(rssConvert));
    std::printf("against decoding and converting at full size: %.1f ms/s, ",
                bench::Median(convert.Baseline()));
    convert.PrintSpread(stdout);
    std::printf(", ratio %.2f\n", convert.Ratio());
    std::printf("CPU of dual 1920x1080 camera recordings (12 + 8 Mbit/s, High profile) played "
                "in two 344x194 windows, %d s a round\n",
                kMeasureMs / 1000);
    decode.PrintResult("playback-cpu", "ms/s", kTarget);
    return 0;
}
