#pragma once

// Shared by the playback benchmarks: environment, generated recordings, a bare GStreamer
// pipeline for the same file (the baseline), timing helpers and the result line.

#include "filters/GstHandle.h"
#include "playback/CDShowPlayer.h"
#include "platform/SoundOutput.h"
#include "tools/make-card/CardGenerator.h"
#include "playback/CStaticView.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>

#include <gst/gst.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace playback_bench
{

// The player with two shown video windows of the main window's size, as the viewer has it.
// The windows are declared first so they outlive the player.
struct BenchPlayer {
    CStaticView front;
    CStaticView rear;
    CDShowPlayer player;

    BenchPlayer()
    {
        for (CStaticView *view : {&front, &rear}) {
            view->resize(344, 194);
            view->show();
        }
        player.AttachWindows(&front, &rear);
    }
};

// No display and settings of our own: set before QApplication exists.
inline QTemporaryDir &PrepareEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir dir(QDir::tempPath() + "/quorvil-bench-XXXXXX");
    QDir(dir.path()).mkpath("user");
    QDir(dir.path()).mkpath("machine");
    qputenv("QUORVIL_CONFIG_HOME", QFile::encodeName(dir.path() + "/user"));
    qputenv("QUORVIL_SYSTEM_CONFIG", QFile::encodeName(dir.path() + "/machine"));
    return dir;
}

inline QString MakeDualRecording(const QTemporaryDir &dir, int width, int height, int durationMs)
{
    cardgen::RecordingOptions options;
    options.path = dir.filePath(QString("dual-%1x%2.avi").arg(width).arg(height));
    options.width = width;
    options.height = height;
    options.durationMs = durationMs;
    options.rear = true;
    QString error;
    if (!cardgen::WriteRecording(options, &error)) {
        std::fprintf(stderr, "cannot write the recording: %s\n", qPrintable(error));
        std::exit(2);
    }
    return options.path;
}

// The same file decoded and converted like the player does, into fake sinks: both video
// streams and, when the player would play sound, the audio stream.
inline GstElementHandle BarePipeline(const QString &path, bool sync)
{
    const char *s = sync ? "true" : "false";
    QString description =
        QString("filesrc location=\"%1\" ! avidemux name=d "
                "d.video_0 ! queue max-size-buffers=0 ! h264parse ! avdec_h264 ! videoconvert ! "
                "video/x-raw,format=BGRx ! fakesink sync=%2 "
                "d.video_1 ! queue max-size-buffers=0 ! h264parse ! avdec_h264 ! videoconvert ! "
                "video/x-raw,format=BGRx ! fakesink sync=%2 ")
            .arg(path, s);
    if (CSoundOutput::Instance().HasOutput())
        description += QString("d.audio_0 ! aacparse ! avdec_aac ! queue ! audioconvert ! "
                               "audioresample ! scaletempo ! volume ! fakesink sync=%1")
                           .arg(s);
    GError *error = nullptr;
    GstElement *pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
    if (error) {
        std::fprintf(stderr, "baseline pipeline: %s\n", error->message);
        g_clear_error(&error);
    }
    return GstElementHandle::Adopt(pipeline);
}

// Waits for the pipeline's own ASYNC_DONE (or an error / EOS); false on timeout.
inline bool WaitAsyncDone(GstElement *pipeline, int timeoutMs = 20000)
{
    auto bus = GstBusHandle::Adopt(gst_element_get_bus(pipeline));
    const auto types =
        static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR | GST_MESSAGE_EOS);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        auto message = GstMessageHandle::Adopt(gst_bus_timed_pop_filtered(
            bus.get(), (timeoutMs - timer.elapsed()) * GST_MSECOND, types));
        if (!message)
            return false;
        if (GST_MESSAGE_TYPE(message.get()) != GST_MESSAGE_ASYNC_DONE)
            return false;
        if (GST_MESSAGE_SRC(message.get()) == GST_OBJECT(pipeline))
            return true;
    }
    return false;
}

// Runs the event loop until done() holds or timeoutMs passed, looking at done() every pollMs.
// The thread sleeps between events: a spinning wait would take a core from the decoders (and
// count as the player's CPU).
template <typename Done> bool WaitUntil(Done done, int timeoutMs, int pollMs = 2)
{
    if (done())
        return true;
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.setInterval(pollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || timer.elapsed() >= timeoutMs)
            loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

inline void RunEventLoopFor(int ms)
{
    WaitUntil([] { return false; }, ms, 20);
}

// CPU time (user + system) of this process so far, in ms.
inline double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The one result line the benchmark runner looks for.
inline void PrintResult(const char *name, double value, double baseline, const char *unit,
                        double target)
{
    const double ratio = baseline > 0 ? value / baseline : 0;
    std::printf("bench %s: %.1f %s, baseline %.1f %s, ratio %.2f, target %.1f\n", name, value, unit,
                baseline, unit, ratio, target);
    std::fflush(stdout);
}

} // namespace playback_bench
