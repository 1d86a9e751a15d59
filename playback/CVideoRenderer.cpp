#include "playback/CVideoRenderer.h"

#include "playback/CStaticView.h"

#include <QMetaObject>

#include <gst/video/video.h>

#include <utility>

namespace
{
constexpr char kFrameCaps[] = "video/x-raw, format=(string)BGRx";

// A mapped frame that lives as long as the QImage that points into it.
struct MappedFrame {
    GstVideoFrame frame;
    GstSampleHandle sample;
};

void ReleaseMappedFrame(void *info)
{
    auto *mapped = static_cast<MappedFrame *>(info);
    gst_video_frame_unmap(&mapped->frame);
    delete mapped;
}

// Wraps the sample's picture without copying; a null image when it cannot be mapped.
QImage WrapSample(GstSampleHandle sample, std::int64_t &streamTimeNs)
{
    GstCaps *caps = gst_sample_get_caps(sample.get());
    GstBuffer *buffer = gst_sample_get_buffer(sample.get());
    GstVideoInfo info;
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps))
        return {};
    streamTimeNs = 0;
    if (const GstSegment *segment = gst_sample_get_segment(sample.get());
        segment && GST_BUFFER_PTS_IS_VALID(buffer)) {
        const guint64 t =
            gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
        if (t != GST_CLOCK_TIME_NONE)
            streamTimeNs = static_cast<std::int64_t>(t);
    }
    auto *mapped = new MappedFrame{};
    if (!gst_video_frame_map(&mapped->frame, &info, buffer, GST_MAP_READ)) {
        delete mapped;
        return {};
    }
    mapped->sample = std::move(sample);
    return QImage(static_cast<uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&mapped->frame, 0)),
                  GST_VIDEO_FRAME_WIDTH(&mapped->frame), GST_VIDEO_FRAME_HEIGHT(&mapped->frame),
                  GST_VIDEO_FRAME_PLANE_STRIDE(&mapped->frame, 0), QImage::Format_RGB32,
                  ReleaseMappedFrame, mapped);
}
} // namespace

std::unique_ptr<CVideoRenderer> CVideoRenderer::Create()
{
    auto sink = GstElementHandle::Adopt(gst_element_factory_make("appsink", nullptr));
    if (!sink)
        return nullptr;
    std::unique_ptr<CVideoRenderer> renderer(new CVideoRenderer);
    const auto caps = GstCapsHandle::Adopt(gst_caps_from_string(kFrameCaps));
    // A real-time sink: frames at their clock time, late ones dropped and reported upstream.
    g_object_set(sink.get(), "caps", caps.get(), "sync", TRUE, "qos", TRUE, "max-lateness",
                 gint64(20 * GST_MSECOND), "max-buffers", 1u, "drop", TRUE, "enable-last-sample",
                 FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = &CVideoRenderer::OnNewPreroll;
    callbacks.new_sample = &CVideoRenderer::OnNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink.get()), &callbacks, renderer.get(), nullptr);
    const auto pad = GstPadHandle::Adopt(gst_element_get_static_pad(sink.get(), "sink"));
    renderer->m_nSinkProbe =
        gst_pad_add_probe(pad.get(),
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                       GST_PAD_PROBE_TYPE_BUFFER),
                          &CVideoRenderer::OnSinkData, renderer.get(), nullptr);
    renderer->m_sink = std::move(sink);
    return renderer;
}

CVideoRenderer::~CVideoRenderer()
{
    // The graph has stopped streaming by now; make sure no callback can reach us.
    if (m_sink) {
        GstAppSinkCallbacks none{};
        gst_app_sink_set_callbacks(GST_APP_SINK(m_sink.get()), &none, nullptr, nullptr);
        if (m_nSinkProbe) {
            const auto pad = GstPadHandle::Adopt(gst_element_get_static_pad(m_sink.get(), "sink"));
            gst_pad_remove_probe(pad.get(), m_nSinkProbe);
        }
    }
    Detach();
}

GstFlowReturn CVideoRenderer::OnNewPreroll(GstAppSink *sink, gpointer self)
{
    auto *renderer = static_cast<CVideoRenderer *>(self);
    auto sample = GstSampleHandle::Adopt(gst_app_sink_pull_preroll(sink));
    if (!renderer->m_bHoldPreroll)
        renderer->Offer(std::move(sample));
    return GST_FLOW_OK;
}

GstFlowReturn CVideoRenderer::OnNewSample(GstAppSink *sink, gpointer self)
{
    static_cast<CVideoRenderer *>(self)->Offer(
        GstSampleHandle::Adopt(gst_app_sink_pull_sample(sink)));
    return GST_FLOW_OK;
}

GstPadProbeReturn CVideoRenderer::OnSinkData(GstPad *, GstPadProbeInfo *info, gpointer self)
{
    auto *renderer = static_cast<CVideoRenderer *>(self);
    // A flushing seek's segment carries the seek's sequence number; the first frame (or the
    // end) after it shows that this sink has settled on that seek.
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        renderer->m_nSettledSeqnum = renderer->m_nSegmentSeqnum.load();
    } else if (GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info)) {
        if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT)
            renderer->m_nSegmentSeqnum = gst_event_get_seqnum(event);
        else if (GST_EVENT_TYPE(event) == GST_EVENT_EOS)
            renderer->m_nSettledSeqnum = renderer->m_nSegmentSeqnum.load();
    }
    return GST_PAD_PROBE_OK;
}

void CVideoRenderer::Offer(GstSampleHandle sample)
{
    if (!sample)
        return;
    std::int64_t timeNs = 0;
    QImage frame = WrapSample(std::move(sample), timeNs);
    if (frame.isNull())
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_bDetached)
            return;
        m_pendingFrame = std::move(frame); // a frame not yet handed over is simply replaced
        m_nPendingTimeNs = timeNs;
        if (m_bHandOverPosted)
            return;
        m_bHandOverPosted = true;
    }
    QMetaObject::invokeMethod(this, &CVideoRenderer::HandOver, Qt::QueuedConnection);
}

void CVideoRenderer::HandOver()
{
    QImage frame;
    std::int64_t timeNs = 0;
    {
        std::lock_guard lock(m_mutex);
        m_bHandOverPosted = false;
        frame = std::exchange(m_pendingFrame, QImage());
        timeNs = m_nPendingTimeNs;
    }
    if (frame.isNull())
        return;
    m_currentFrame = std::move(frame);
    m_currentTimeNs = timeNs;
    ++m_nFramesShown;
    if (m_view)
        m_view->SetFrame(m_currentFrame);
    emit FrameShown();
}

void CVideoRenderer::SetVideoWindow(CStaticView *view)
{
    m_view = view;
    RepaintVideo();
}

void CVideoRenderer::RepaintVideo()
{
    if (!m_view)
        return;
    if (!m_currentFrame.isNull() && m_view->Frame().constBits() != m_currentFrame.constBits())
        m_view->SetFrame(m_currentFrame);
    else
        m_view->update();
}

bool CVideoRenderer::GetCurrentImage(QImage &image)
{
    HandOver(); // a frame that is already here counts, even if its hand-over is still queued
    if (m_currentFrame.isNull())
        return false;
    image = m_currentFrame.copy();
    return !image.isNull();
}

std::optional<std::int64_t> CVideoRenderer::CurrentStreamTimeNs()
{
    return m_currentTimeNs;
}

void CVideoRenderer::Detach()
{
    {
        std::lock_guard lock(m_mutex);
        m_bDetached = true;
        m_pendingFrame = QImage();
    }
    if (m_currentFrame.isNull())
        return;
    m_currentFrame = m_currentFrame.copy();
    if (m_view)
        m_view->SetFrame(m_currentFrame);
}
