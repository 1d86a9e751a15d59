// bench-sensor-load: the sensor track of a one-hour recording (3600 fixes, 36000 samples)
// loaded by CSensorLoader, from the start call to the completion signal on the UI thread,
// against a baseline of bare libavformat reading the same data packets. Also reports the
// longest stall of the UI thread's event loop while loading.

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

constexpr int kRuns = 7;
constexpr double kTarget = 1.3;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

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

    double totalLoad = 0, totalBase = 0;
    for (const File &f : files) {
        std::size_t packets = 0;
        BaselineMs(f.path, &packets); // warm the page cache
        std::vector<double> base, load;
        double maxStall = 0;
        LoadRun last;
        for (int i = 0; i < kRuns; ++i) {
            base.push_back(BaselineMs(f.path, &packets));
            last = LoaderMs(f.path);
            load.push_back(last.ms);
            maxStall = std::max(maxStall, last.maxStallMs);
        }
        if (last.samples != 36000 || last.fixes < 3400 || packets != 39600) {
            std::fprintf(stderr, "bench-sensor-load: %s read %zu samples, %zu fixes, %zu packets\n",
                         f.label, last.samples, last.fixes, packets);
            return 1;
        }
        const double b = Median(base), l = Median(load);
        std::printf("%s: %zu packets, %zu samples, %zu valid fixes; loader %.1f ms, libavformat "
                    "%.1f ms, ratio %.2f; longest UI stall while loading %.1f ms\n",
                    f.label, packets, last.samples, last.fixes, l, b, l / b, maxStall);
        totalLoad += l;
        totalBase += b;
    }
    std::printf("bench sensor-load: %.1f ms, baseline %.1f ms, ratio %.2f, target %.1f\n",
                totalLoad, totalBase, totalLoad / totalBase, kTarget);
    return 0;
}
