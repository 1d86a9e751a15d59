#include "playback/CPreparedGraph.h"

#include "filters/IDecoderParams.h"
#include "playback/PlaybackLogging.h"

#include <QCoreApplication>
#include <QEvent>

#include <utility>

namespace
{
// The flips are the rear picture's: decoder 1.
constexpr int kFlipChannel = 1;
} // namespace

CPreparedGraph::~CPreparedGraph()
{
    m_retired.reset();
    m_graph.reset();
}

bool CPreparedGraph::Prepare(const Key &key, int mode)
{
    if (m_bBuilding)
        return false;
    if (m_graph && m_key == key)
        return IsReadyFor(key);
    if (m_failedKey == key)
        return false;
    Drop();
    auto graph = std::make_unique<CDShowGraph>(mode, nullptr, nullptr);
    graph->Reset();
    m_bBuilding = true;
    m_bDropRequested = false;
    const HRESULT hr = graph->BuildGraph(key.path);
    m_bBuilding = false;
    if (m_bDropRequested) {
        // Something else was opened, or the card went, while this was being built.
        m_bDropRequested = false;
        return false;
    }
    if (Failed(hr) || !graph->IsBuilt()) {
        // The open at the end will meet the same failure and report it the usual way.
        qCInfo(lcPlayback) << "next recording not prepared" << key.path << Qt::hex
                           << static_cast<quint32>(hr);
        m_failedKey = key;
        return false;
    }
    ApplyFlips(*graph, key);
    m_graph = std::move(graph);
    m_key = key;
    return IsReadyFor(key);
}

void CPreparedGraph::ApplyFlips(CDShowGraph &graph, const Key &key)
{
    IDecoderParams *rear = graph.DecoderParams(kFlipChannel);
    if (!rear || graph.VideoStreams() < 2 || (!key.flipVertical && !key.flipHorizontal))
        return;
    rear->SetDecoderParam(IDecoderParams::kParamFlip, 1);
    rear->SetDecoderParam(IDecoderParams::kParamFlipVertical, key.flipVertical ? 1 : 0);
    rear->SetDecoderParam(IDecoderParams::kParamFlipHorizontal, key.flipHorizontal ? 1 : 0);
    // The first frame was decoded before the flips were set: preroll it again through them.
    graph.SetPositions(0);
}

bool CPreparedGraph::IsReadyFor(const Key &key) const
{
    // A graph still settling on its flipped first frame would show the unflipped one.
    return m_graph && !m_bBuilding && m_key == key && !m_graph->IsSeekPending();
}

bool CPreparedGraph::Knows(const Key &key) const
{
    return (m_graph && m_key == key) || m_failedKey == key;
}

void CPreparedGraph::Decline(const Key &key)
{
    Drop();
    m_failedKey = key;
}

std::unique_ptr<CDShowGraph> CPreparedGraph::Take(const Key &key)
{
    if (!IsReadyFor(key)) {
        Drop();
        return nullptr;
    }
    m_failedKey.reset();
    m_key = {};
    return std::exchange(m_graph, nullptr);
}

void CPreparedGraph::Drop()
{
    if (m_bBuilding)
        m_bDropRequested = true;
    m_graph.reset();
    m_key = {};
    m_failedKey.reset();
}

void CPreparedGraph::Retire(std::unique_ptr<CDShowGraph> graph)
{
    const bool posted = static_cast<bool>(m_retired);
    m_retired = std::move(graph);
    if (!m_retired || posted)
        return;
    // Widgets ask for their repaint at low priority: posted at that priority behind it, the
    // teardown comes after the new picture is on screen.
    QCoreApplication::postEvent(this, new QEvent(kRetireEvent), Qt::LowEventPriority);
}

bool CPreparedGraph::event(QEvent *event)
{
    if (event->type() != kRetireEvent)
        return QObject::event(event);
    m_retired.reset();
    return true;
}
