#pragma once

// Shared by the playback benchmarks: environment, the realistic recordings, a bare GStreamer
// pipeline for the same file (the baseline), timing and memory helpers.

#include "bench/common/BenchResult.h"
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
#include <thread>
#include <utility>
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

// The benchmarks' recordings, as a dash camera writes them (see cardgen::CameraRecording):
// 60 s of dual 1920x1080, one AVI and one MP4. Writing them takes minutes, so they are made
// once in the build folder and reused; a picture or encoding change of the generator needs a
// new folder name here.
inline std::vector<QString> CameraRecordings()
{
    const QDir folder(QStringLiteral(QUORVIL_BENCH_RECORDINGS "/camera-1"));
    std::vector<cardgen::RecordingOptions> recordings;
    for (const auto &[container, name] : {std::pair(cardgen::Container::Avi, "camera.AVI"),
                                          std::pair(cardgen::Container::Mp4, "camera.MP4")}) {
        cardgen::RecordingOptions options;
        options.durationMs = 60000;
        options.container = container;
        options = cardgen::CameraRecording(options);
        options.path = folder.filePath(QLatin1String(name));
        recordings.push_back(options);
    }
    // Written under a temporary name and renamed when complete: one that exists is whole. The
    // missing ones are written side by side, as painting the pictures keeps one core busy.
    QElapsedTimer timer;
    timer.start();
    std::vector<QString> errors(recordings.size());
    {
        std::vector<std::jthread> writers;
        for (std::size_t i = 0; i < recordings.size(); ++i) {
            if (QFile::exists(recordings[i].path))
                continue;
            std::printf("writing %s (once per build folder) ...\n", qPrintable(recordings[i].path));
            std::fflush(stdout);
            writers.emplace_back([&, i] { cardgen::WriteRecording(recordings[i], &errors[i]); });
        }
        if (writers.empty())
            return {recordings[0].path, recordings[1].path};
    }
    for (std::size_t i = 0; i < recordings.size(); ++i)
        if (!QFile::exists(recordings[i].path)) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(recordings[i].path),
                         qPrintable(errors[i]));
            std::exit(2);
        }
    std::printf("written in %.1f s\n", timer.elapsed() / 1000.0);
    return {recordings[0].path, recordings[1].path};
}

// What the baseline does with each video stream after decoding it.
enum class BareWork {
    Decode,           // nothing: the floor of playing the file at all
    DecodeAndConvert, // converted at full size to the renderer's pixel format
};

// The same file demuxed and decoded like the player does, into fake sinks: both video streams
// and, when the player would play sound, the audio stream.
inline GstElementHandle BarePipeline(const QString &path, bool sync,
                                     BareWork work = BareWork::DecodeAndConvert)
{
    const char *s = sync ? "true" : "false";
    const char *demuxer = path.endsWith(".mp4", Qt::CaseInsensitive) ? "qtdemux" : "avidemux";
    const char *convert =
        work == BareWork::DecodeAndConvert ? "videoconvert ! video/x-raw,format=BGRx ! " : "";
    QString description = QString("filesrc location=\"%1\" ! %2 name=d ").arg(path, demuxer);
    for (const char *pad : {"video_0", "video_1"})
        description += QString("d.%1 ! queue max-size-buffers=0 ! h264parse ! avdec_h264 ! %2"
                               "fakesink sync=%3 ")
                           .arg(pad, convert, s);
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
// A bare pipeline's open of path: ms to its preroll (both streams' first frames), or -1.
inline double BareOpenMs(const QString &path)
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

// Resident memory of this process now, in MB.
inline double ResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

} // namespace playback_bench
