#pragma once

#include "filters/GstHandle.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>

#include <gst/app/gstappsink.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "playback/CFrameScaler.h"
#include "playback/CStaticView.h"

// The video renderer of one channel: a sink that takes the decoder's frames as they are
// (planar YUV) and hands the latest one to its video window. Each frame is converted and
// scaled once, on the streaming thread, to the window's size in device pixels, so the window
// paints it 1:1. Frames are handed over on the UI thread; a frame that arrives before the last
// one was handed over replaces it (never queues). The decoded frame last handed over is kept:
// GetCurrentImage converts it at full size, and a resized window gets it again at its new
// size (also while paused).
class CVideoRenderer : public QObject
{
    Q_OBJECT
public:
    // nullptr when the sink cannot be made.
    static std::unique_ptr<CVideoRenderer> Create();
    ~CVideoRenderer() override;

    GstElement *Element() const { return m_sink.get(); }

    // The window frames go to (SetVideoClippingWindow); the picture always fills it.
    void SetVideoWindow(CStaticView *view);
    // The size frames are converted to for the window (device pixels); empty without one.
    QSize TargetSize();
    CStaticView *VideoWindow() const { return m_view; }
    // Re-places and repaints the current picture in the window.
    void RepaintVideo();

    // The last frame handed over at its full decoded size, top-down; false when there is none
    // yet.
    bool GetCurrentImage(QImage &image);
    // Stream time (ns) of the last frame handed over.
    std::optional<std::int64_t> CurrentStreamTimeNs();
    // Frames handed to the window since creation.
    std::uint64_t FramesShown() const { return m_nFramesShown; }
    // Sequence number of the seek (the segment it started) whose first frame, or end, has
    // reached the sink; 0 before any. Any thread.
    std::uint32_t SettledSeqnum() const { return m_nSettledSeqnum; }

    // While held, a frame the sink prerolls on is not shown: after a pause from playing it is
    // the frame after the position, not the one at it. A seek wants its preroll frame.
    void HoldPreroll(bool hold) { m_bHoldPreroll = hold; }

    // Drops every reference to GStreamer memory (the window's picture is our own). Called
    // before the graph goes away.
    void Detach();

protected:
    // The window's resizes and device pixel ratio changes.
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // UI thread: a new frame reached the window.
    void FrameShown();

private:
    CVideoRenderer() = default;
    static GstFlowReturn OnNewPreroll(GstAppSink *sink, gpointer self);
    static GstFlowReturn OnNewSample(GstAppSink *sink, gpointer self);
    // Streaming thread: notes which segment the data arriving at the sink belongs to.
    static GstPadProbeReturn OnSinkData(GstPad *pad, GstPadProbeInfo *info, gpointer self);
    // Streaming thread: converts the sample for the window and posts the hand-over unless one
    // is pending.
    void Offer(GstSampleHandle sample);
    // UI thread.
    void HandOver();
    // UI thread: the window's size has changed; the kept frame is shown at the new size.
    void UpdateTargetSize();
    // UI thread: converts the kept frame for the window and shows it.
    void ReshowCurrentFrame();

    GstElementHandle m_sink;
    QPointer<CStaticView> m_view; // UI thread

    std::atomic<bool> m_bHoldPreroll = false; // set on the UI thread, read when prerolling
    gulong m_nSinkProbe = 0;
    std::atomic<std::uint32_t> m_nSegmentSeqnum = 0; // streaming thread
    std::atomic<std::uint32_t> m_nSettledSeqnum = 0; // written by the streaming thread
    std::mutex m_mutex;
    QSize m_targetSize;                // guarded by m_mutex
    GstSampleHandle m_pendingSample;   // guarded by m_mutex
    QImage m_pendingFrame;             // guarded by m_mutex
    std::int64_t m_nPendingTimeNs = 0; // guarded by m_mutex
    bool m_bHandOverPosted = false;    // guarded by m_mutex
    bool m_bDetached = false;          // guarded by m_mutex

    std::mutex m_streamScalerMutex;
    CFrameScaler m_streamScaler; // guarded by m_streamScalerMutex
    CFrameScaler m_viewScaler;   // UI thread

    GstSampleHandle m_currentSample;             // UI thread
    QImage m_currentFrame;                       // UI thread
    std::optional<std::int64_t> m_currentTimeNs; // UI thread
    std::uint64_t m_nFramesShown = 0;            // UI thread
};
