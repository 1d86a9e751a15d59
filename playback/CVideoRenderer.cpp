#include "playback/CVideoRenderer.h"

#include "playback/CStaticView.h"

#include <QEvent>
#include <QMetaObject>

#include <gst/video/video.h>

#include <utility>

namespace
{
// The frame of a sample, mapped for reading while this lives.
class MappedFrame
{
public:
    explicit MappedFrame(GstSample *sample)
    {
        GstCaps *caps = sample ? gst_sample_get_caps(sample) : nullptr;
        GstBuffer *buffer = sample ? gst_sample_get_buffer(sample) : nullptr;
        GstVideoInfo info;
        m_bMapped = caps && buffer && gst_video_info_from_caps(&info, caps) &&
                    gst_video_frame_map(&m_frame, &info, buffer, GST_MAP_READ);
    }
    ~MappedFrame()
    {
        if (m_bMapped)
            gst_video_frame_unmap(&m_frame);
    }
    MappedFrame(const MappedFrame &) = delete;
    MappedFrame &operator=(const MappedFrame &) = delete;

    explicit operator bool() const { return m_bMapped; }
    const GstVideoFrame &Frame() const { return m_frame; }

private:
    GstVideoFrame m_frame{};
    bool m_bMapped = false;
};

// Stream time of the sample's buffer; 0 when it has none.
std::int64_t StreamTimeNs(GstSample *sample)
{
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    const GstSegment *segment = gst_sample_get_segment(sample);
    if (!buffer || !segment || !GST_BUFFER_PTS_IS_VALID(buffer))
        return 0;
    const guint64 t = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    return t == GST_CLOCK_TIME_NONE ? 0 : static_cast<std::int64_t>(t);
}

QImage ConvertSample(GstSample *sample, CFrameScaler &scaler, QSize target)
{
    const MappedFrame mapped(sample);
    return mapped ? scaler.Convert(mapped.Frame(), target) : QImage();
}
} // namespace

std::unique_ptr<CVideoRenderer> CVideoRenderer::Create()
{
    auto sink = GstElementHandle::Adopt(gst_element_factory_make("appsink", nullptr));
    if (!sink)
        return nullptr;
    std::unique_ptr<CVideoRenderer> renderer(new CVideoRenderer);
    // The decoder's own formats: no conversion in the graph, one per frame here.
    const auto caps = GstCapsHandle::Adopt(CFrameScaler::SinkCaps());
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
    if (m_view)
        m_view->removeEventFilter(this);
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
    const std::int64_t timeNs = StreamTimeNs(sample.get());
    QSize target;
    {
        std::lock_guard lock(m_mutex);
        if (m_bDetached)
            return;
        target = m_targetSize;
    }
    // Converted here, once, at the size the window shows: the UI thread only paints.
    QImage frame;
    if (!target.isEmpty()) {
        std::lock_guard lock(m_streamScalerMutex);
        frame = ConvertSample(sample.get(), m_streamScaler, target);
        if (frame.isNull())
            return; // not a picture this renderer can show
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_bDetached)
            return;
        // A frame not yet handed over is simply replaced.
        m_pendingSample = std::move(sample);
        m_pendingFrame = std::move(frame);
        m_nPendingTimeNs = timeNs;
        if (m_bHandOverPosted)
            return;
        m_bHandOverPosted = true;
    }
    QMetaObject::invokeMethod(this, &CVideoRenderer::HandOver, Qt::QueuedConnection);
}

void CVideoRenderer::HandOver()
{
    GstSampleHandle sample;
    QImage frame;
    std::int64_t timeNs = 0;
    {
        std::lock_guard lock(m_mutex);
        m_bHandOverPosted = false;
        sample = std::exchange(m_pendingSample, GstSampleHandle());
        frame = std::exchange(m_pendingFrame, QImage());
        timeNs = m_nPendingTimeNs;
    }
    if (!sample)
        return;
    m_currentSample = std::move(sample);
    m_currentFrame = std::move(frame);
    m_currentTimeNs = timeNs;
    ++m_nFramesShown;
    // A frame converted before the window's last resize is converted again at its new size.
    ReshowCurrentFrame();
    emit FrameShown();
}

void CVideoRenderer::ReshowCurrentFrame()
{
    if (!m_view)
        return;
    const QSize target = TargetSize();
    if (m_currentSample && !target.isEmpty() && m_currentFrame.size() != target)
        m_currentFrame = ConvertSample(m_currentSample.get(), m_viewScaler, target);
    if (m_currentFrame.isNull())
        return;
    m_currentFrame.setDevicePixelRatio(m_view->devicePixelRatio());
    m_view->SetFrame(m_currentFrame);
}

QSize CVideoRenderer::TargetSize()
{
    std::lock_guard lock(m_mutex);
    return m_targetSize;
}

void CVideoRenderer::UpdateTargetSize()
{
    QSize size;
    if (m_view)
        size = m_view->size() * m_view->devicePixelRatio();
    {
        std::lock_guard lock(m_mutex);
        if (size == m_targetSize)
            return;
        m_targetSize = size;
    }
    ReshowCurrentFrame();
}

bool CVideoRenderer::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: a view being destroyed still sends events, and comparing with it then
    // would look at it as a view it has stopped being.
    if ((event->type() == QEvent::Resize || event->type() == QEvent::Show) && watched == m_view)
        UpdateTargetSize();
    return QObject::eventFilter(watched, event);
}

void CVideoRenderer::SetVideoWindow(CStaticView *view)
{
    if (m_view != view) {
        if (m_view)
            m_view->removeEventFilter(this);
        m_view = view;
        if (m_view)
            m_view->installEventFilter(this);
    }
    UpdateTargetSize();
    RepaintVideo();
}

void CVideoRenderer::RepaintVideo()
{
    if (!m_view)
        return;
    if (!m_currentFrame.isNull() && m_view->Frame().constBits() != m_currentFrame.constBits())
        ReshowCurrentFrame();
    else
        m_view->update();
}

bool CVideoRenderer::GetCurrentImage(QImage &image)
{
    HandOver(); // a frame that is already here counts, even if its hand-over is still queued
    if (m_currentSample) {
        // Stills are full size, whatever the window shows: converted now, from the kept frame.
        CFrameScaler still(CFrameScaler::Quality::Still);
        image = ConvertSample(m_currentSample.get(), still, QSize());
        return !image.isNull();
    }
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
        m_pendingSample.reset();
        m_pendingFrame = QImage();
    }
    // The window's picture is already a converted image of our own.
    m_currentSample.reset();
}
