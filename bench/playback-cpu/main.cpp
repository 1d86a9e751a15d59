// CPU per second of real-time dual 1920x1080 playback, against a bare pipeline decoding and
// converting the same file in real time into fake sinks.

#include "PlaybackBench.h"

#include "playback/CDShowPlayer.h"
#include "ui/CStaticView.h"

#include <QApplication>

using namespace playback_bench;

namespace
{
constexpr int kMeasureMs = 4000;
constexpr int kLeadInMs = 500;

void RunEventLoopFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

double BareCpuPerSecond(const QString &path)
{
    auto pipeline = BarePipeline(path, true);
    gst_element_set_state(pipeline.get(), GST_STATE_PAUSED);
    WaitAsyncDone(pipeline.get());
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    RunEventLoopFor(kLeadInMs);
    const double cpu0 = CpuMs();
    QElapsedTimer timer;
    timer.start();
    RunEventLoopFor(kMeasureMs);
    const double cpu = CpuMs() - cpu0;
    const double wall = timer.elapsed();
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return cpu * 1000.0 / wall;
}

double PlayerCpuPerSecond(CDShowPlayer &player, const QString &path)
{
    if (!player.OpenFile(path) || player.Play() < 0)
        return -1;
    RunEventLoopFor(kLeadInMs);
    const double cpu0 = CpuMs();
    QElapsedTimer timer;
    timer.start();
    RunEventLoopFor(kMeasureMs);
    const double cpu = CpuMs() - cpu0;
    const double wall = timer.elapsed();
    player.Close();
    return cpu * 1000.0 / wall;
}
} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir &dir = PrepareEnvironment();
    QApplication app(argc, argv);
    gst_init(&argc, &argv);
    const QString path = MakeDualRecording(dir, 1920, 1080, kLeadInMs + kMeasureMs + 1500);

    CStaticView front, rear;
    front.resize(344, 194);
    rear.resize(344, 194);
    front.show();
    rear.show();
    CDShowPlayer player;
    player.AttachWindows(&front, &rear);

    const double bare = BareCpuPerSecond(path);
    const double ours = PlayerCpuPerSecond(player, path);
    if (ours < 0) {
        std::fprintf(stderr, "the player could not play the recording\n");
        return 1;
    }
    std::printf("CPU of dual 1920x1080 playback in two 344x194 windows, %d s\n", kMeasureMs / 1000);
    PrintResult("playback-cpu", ours, bare, "ms/s", 1.2);
    return 0;
}
