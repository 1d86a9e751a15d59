// bench-sensor-load: the sensor track of a one-hour recording (3600 fixes, 36000 samples)
// loaded by CSensorLoader, from the start call to the completion signal on the UI thread,
// against a baseline of bare libavformat reading the same data packets. Also reports the
// longest stall of the UI thread's event loop while loading. Each round loads the AVI and the
// MP4 both ways, in alternating order; the ratio is the median of the rounds' ratios.

#include "bench/common/BenchResult.h"
#include "sensors/CSensorLoader.h"
#include "tools/make-card/CardGenerator.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr int kRounds = bench::kMinRounds;
constexpr double kTarget = 1.3;

// Bare libavformat: open, discard every other stream, read the data packets, copy each.
double BaselineMs(const QString &path, std::size_t *packets)
{
    QElapsedTimer t;
    t.start();
    AVFormatContext *ctx = nullptr;
    if (avformat_open_input(&ctx, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return -1;
    int stream = -1;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const auto type = ctx->streams[i]->codecpar->codec_type;
        if (stream < 0 && (type == AVMEDIA_TYPE_DATA || type == AVMEDIA_TYPE_UNKNOWN))
            stream = static_cast<int>(i);
        else
            ctx->streams[i]->discard = AVDISCARD_ALL;
    }
    AVPacket *pkt = av_packet_alloc();
    std::vector<std::uint8_t> buffer(2048);
    std::size_t n = 0;
    while (av_read_frame(ctx, pkt) >= 0) {
        if (pkt->stream_index == stream && pkt->size > 0) {
            std::copy_n(pkt->data, std::min<int>(pkt->size, 2048), buffer.begin());
            ++n;
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    avformat_close_input(&ctx);
    *packets = n;
    return t.nsecsElapsed() / 1e6;
}

struct LoadRun {
    double ms = 0;
    double maxStallMs = 0;
    std::size_t samples = 0, fixes = 0;
};

LoadRun LoaderMs(const QString &path)
{
    CTextData track;
    CSensorLoader loader(track);
    QEventLoop loop;
    QObject::connect(&loader, &CSensorLoader::loadEnded, &loop, &QEventLoop::quit);

    // A 1 ms timer on the UI thread: the longest gap between its ticks is the longest time
    // the event loop could not run while the track loaded.
    QElapsedTimer sinceTick;
    double maxStall = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        maxStall = std::max(maxStall, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });

    QElapsedTimer t;
    t.start();
    sinceTick.start();
    ticker.start();
    loader.StartSensorLoad(path);
    if (loader.IsLoading())
        loop.exec();
    LoadRun run;
    run.ms = t.nsecsElapsed() / 1e6;
    ticker.stop();
    run.maxStallMs = std::max(maxStall, sinceTick.nsecsElapsed() / 1e6);
    run.samples = track.m_arrGSensor.size();
    run.fixes = track.m_arrGPS.size();
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    QLoggingCategory::setFilterRules(QStringLiteral("quorvil.*.debug=false"));

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench-sensor-load: no temporary folder\n");
        return 1;
    }
    struct File {
        const char *label;
        cardgen::Container container;
        QString path;
    };
    std::vector<File> files = {{"AVI", cardgen::Container::Avi, {}},
                               {"MP4", cardgen::Container::Mp4, {}}};
    for (File &f : files) {
        cardgen::RecordingOptions o;
        o.durationMs = 3600 * 1000;
        o.width = 32;
        o.height = 18;
        o.fps = 1;
        o.rear = false;
        o.audio = false;
        o.container = f.container;
        f.path = dir.filePath(QStringLiteral("hour.") + f.label);
        o.path = f.path;
        QString error;
        if (!cardgen::WriteRecording(o, &error)) {
            std::fprintf(stderr, "bench-sensor-load: %s\n", qPrintable(error));
            return 1;
        }
    }

    // The same ticker with nothing loading: what the machine itself adds to a stall.
    {
        QElapsedTimer sinceTick, total;
        double idleStall = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            idleStall = std::max(idleStall, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        });
        QEventLoop loop;
        QTimer::singleShot(300, &loop, &QEventLoop::quit);
        sinceTick.start();
        ticker.start();
        loop.exec();
        std::printf("idle: longest UI stall with nothing loading %.1f ms\n", idleStall);
    }

    struct PerFile {
        std::vector<double> base, load;
        double maxStall = 0;
        std::size_t packets = 0;
        LoadRun last;
    };
    std::vector<PerFile> perFile(files.size());
    for (const File &f : files) {
        std::size_t packets = 0;
        BaselineMs(f.path, &packets); // warm the page cache
    }
    bench::Rounds rounds;
    for (int round = 0; round < kRounds; ++round) {
        double base = 0, load = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            PerFile &p = perFile[i];
            const auto baseline = [&] { p.base.push_back(BaselineMs(files[i].path, &p.packets)); };
            const auto loader = [&] {
                p.last = LoaderMs(files[i].path);
                p.load.push_back(p.last.ms);
                p.maxStall = std::max(p.maxStall, p.last.maxStallMs);
            };
            if (round % 2) {
                loader();
                baseline();
            } else {
                baseline();
                loader();
            }
            base += p.base.back();
            load += p.load.back();
        }
        rounds.Add(load, base);
    }
    double maxStall = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const PerFile &p = perFile[i];
        if (p.last.samples != 36000 || p.last.fixes < 3400 || p.packets != 39600) {
            std::fprintf(stderr, "bench-sensor-load: %s read %zu samples, %zu fixes, %zu packets\n",
                         files[i].label, p.last.samples, p.last.fixes, p.packets);
            return 1;
        }
        const double b = bench::Median(p.base), l = bench::Median(p.load);
        std::printf("%s: %zu packets, %zu samples, %zu valid fixes; loader %.1f ms, libavformat "
                    "%.1f ms, ratio %.2f; longest UI stall while loading %.1f ms\n",
                    files[i].label, p.packets, p.last.samples, p.last.fixes, l, b, l / b,
                    p.maxStall);
        maxStall = std::max(maxStall, p.maxStall);
    }
    std::printf("longest UI stall while loading, all rounds: %.1f ms (target 16 ms)\n", maxStall);
    rounds.PrintResult("sensor-load", "ms", kTarget);
    return 0;
}
