#include "playback/CDShowPlayer.h"

#include "filters/CBaseFilter.h"
#include "filters/CFilterRegistry.h"
#include "filters/IDecoderParams.h"
#include "platform/SettingsStore.h"
#include "playback/CVideoRenderer.h"
#include "playback/DecoderSettings.h"
#include "playback/PlaybackLogging.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QThread>

#include <gst/gst.h>

#include <algorithm>

namespace
{

constexpr std::int64_t kOneSecond100ns = 10'000'000;
constexpr int kInstallerWaitMs = 1000;

struct RequiredFilter {
    const char *clsid;
    int codeWhenMissing;
};
constexpr RequiredFilter kRequiredFilters[] = {
    {CLSID_SensorDataSource, -1},
    {CLSID_H264Decoder, -2},
    {CLSID_AacDecoder, -3},
    {CLSID_BrightnessFilter, -4},
};
} // namespace

CDShowPlayer::CDShowPlayer()
{
    auto &store = CSettingsStore::System();
    const QString key = QStringLiteral("SOFTWARE\\Pelmo");
    if (store.CreateKey(SettingsHive::LocalMachine, key) == SettingsStatus::Ok)
        store.SetNumber(SettingsHive::LocalMachine, key, QStringLiteral("usingDShow"), 1);
}

CDShowPlayer::~CDShowPlayer()
{
    Close();
}

void CDShowPlayer::AttachWindows(CStaticView *front, CStaticView *rear)
{
    m_nMode = 2;
    m_hWndFront = front;
    m_hWndRear = rear;
    if (!m_pGraph) {
        m_pGraph = std::make_unique<CDShowGraph>(m_nMode, front, rear);
        m_pGraph->SetBlockingCalls(m_calls);
        m_pGraph->Reset();
    }
}

bool CDShowPlayer::OpenFile(const QString &path)
{
    if (m_bOpening) {
        // A second open from a handler run inside the first one's waits: both end.
        CancelOpen();
        return false;
    }
    if (!m_hWndFront || path.isEmpty())
        return false;
    if (m_pGraph) {
        m_pGraph->Stop();
        m_pGraph->SetPositions(0);
    }
    Close();
    m_bOpening = true;
    m_openCancel.Reset();
    // Held here until it is ready: a handler that runs inside the build's waits (the tick,
    // Close, the card's removal) must not reach or destroy it.
    auto graph = std::make_unique<CDShowGraph>(m_nMode, m_hWndFront, m_hWndRear);
    graph->SetBlockingCalls(m_calls);
    graph->SetCancel(&m_openCancel);
    graph->Reset();
    const HRESULT hr = graph->BuildGraph(path);
    graph->SetCancel(nullptr);
    m_bOpening = false;
    // A graph without a decoding chain shows nothing and cannot play: that open failed.
    if (Failed(hr) || !graph->IsBuilt() || m_openCancel.IsCancelled()) {
        qCInfo(lcPlayback) << "open failed" << path << Qt::hex << static_cast<quint32>(hr);
        graph->Teardown();
        return false;
    }
    m_pGraph = std::move(graph);
    return true;
}

void CDShowPlayer::CancelOpen()
{
    if (m_bOpening)
        m_openCancel.Cancel();
}

void CDShowPlayer::Close()
{
    CancelOpen();
    if (!m_pGraph)
        return;
    m_pGraph->Teardown();
    m_pGraph.reset();
}

std::unique_ptr<CDShowGraph> CDShowPlayer::TakeOver(std::unique_ptr<CDShowGraph> prepared)
{
    std::unique_ptr<CDShowGraph> previous = std::move(m_pGraph);
    // Its last picture stays in the windows until the new one replaces it; its teardown must
    // not put a picture back there. A window the new graph leaves alone keeps a private copy,
    // as after a teardown.
    if (previous) {
        for (int channel = 0; channel < 2; ++channel) {
            CVideoRenderer *old = previous->Renderer(channel);
            if (old && !(prepared && prepared->Renderer(channel)))
                old->Detach();
        }
        previous->AttachWindows(nullptr, nullptr);
    }
    m_pGraph = std::move(prepared);
    if (m_pGraph)
        m_pGraph->AttachWindows(m_hWndFront, m_hWndRear);
    return previous;
}

HRESULT CDShowPlayer::Play()
{
    return m_pGraph ? m_pGraph->Play() : VFW_E_WRONG_STATE;
}

HRESULT CDShowPlayer::Pause()
{
    return m_pGraph ? m_pGraph->Pause() : VFW_E_WRONG_STATE;
}

HRESULT CDShowPlayer::Stop()
{
    return m_pGraph ? m_pGraph->Stop() : VFW_E_WRONG_STATE;
}

PlayState CDShowPlayer::GetState() const
{
    return m_pGraph ? m_pGraph->State() : PlayState::Closed;
}

std::uint32_t CDShowPlayer::GetPositionMs() const
{
    return m_pGraph ? m_pGraph->GetPositionMs() : 0;
}

std::uint32_t CDShowPlayer::GetDurationMs() const
{
    return m_pGraph ? m_pGraph->GetDurationMs() : 0;
}

void CDShowPlayer::SeekTo(std::uint32_t ms)
{
    if (m_pGraph && m_pGraph->Pipeline())
        m_pGraph->SetPositions(static_cast<std::int64_t>(ms) * 10000);
}

HRESULT CDShowPlayer::StepBack()
{
    if (!m_pGraph ||
        (m_pGraph->State() != PlayState::Running && m_pGraph->State() != PlayState::Paused))
        return VFW_E_WRONG_STATE;
    const auto position = m_pGraph->GetCurrentPosition();
    if (!position)
        return E_FAIL;
    return m_pGraph->SetPositions(std::max<std::int64_t>(*position - kOneSecond100ns, 0));
}

HRESULT CDShowPlayer::StepForward()
{
    if (!m_pGraph ||
        (m_pGraph->State() != PlayState::Running && m_pGraph->State() != PlayState::Paused))
        return VFW_E_WRONG_STATE;
    const auto position = m_pGraph->GetCurrentPosition();
    const auto duration = m_pGraph->GetDuration();
    if (!position || !duration)
        return E_FAIL;
    return m_pGraph->SetPositions(std::min(*position + kOneSecond100ns, *duration));
}

void CDShowPlayer::SetSpeed(float rate)
{
    if (!m_pGraph)
        return;
    const PlayState before = m_pGraph->State();
    m_pGraph->Pause();
    m_pGraph->SetRequestedRate(rate);
    if (before == PlayState::Running)
        m_pGraph->Play();
}

float CDShowPlayer::SpeedToRate(int position)
{
    static constexpr float kRates[] = {0.2f, 0.4f, 0.6f, 0.8f, 1.0f, 1.25f, 1.5f, 1.75f, 2.0f};
    if (position < 1 || position > 9)
        return 1.0f;
    return kRates[position - 1];
}

HRESULT CDShowPlayer::SetDecoderParam(int channel, int id, std::int32_t value)
{
    if (!m_pGraph)
        return E_FAIL;
    IDecoderParams *params = m_pGraph->DecoderParams(channel);
    if (!params)
        return E_FAIL;
    const HRESULT hr = params->SetDecoderParam(id, value);
    m_pGraph->RefreshShownFrame(channel);
    return hr;
}

bool CDShowPlayer::GrabFrame(int channel, QImage &bitmap) const
{
    if (!m_pGraph)
        return false;
    if (channel == 1 && m_pGraph->Mode() != 2)
        return false;
    CVideoRenderer *renderer = m_pGraph->Renderer(channel);
    return renderer && renderer->GetCurrentImage(bitmap);
}

void CDShowPlayer::Repaint()
{
    if (m_pGraph)
        m_pGraph->Repaint();
}

int CDShowPlayer::VideoStreams() const
{
    return m_pGraph ? m_pGraph->VideoStreams() : 0;
}

int CDShowPlayer::CheckFilters() const
{
    if (!m_pGraph)
        return -1;
    const CFilterRegistry &registry = CFilterRegistry::Instance();
    for (const RequiredFilter &filter : kRequiredFilters) {
        std::unique_ptr<CBaseFilter> instance;
        if (Failed(registry.CreateInstance(QString::fromLatin1(filter.clsid), instance)))
            return filter.codeWhenMissing;
    }
    return 1;
}

QString CDShowPlayer::FilterInstallerPath()
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QString::fromLatin1(kFilterInstallerName));
}

int CDShowPlayer::SetUpDecoders(const std::function<void()> &onStillMissing)
{
    const QString installer =
        m_strInstallerPath.isEmpty() ? FilterInstallerPath() : m_strInstallerPath;
    int result = CheckFilters();
    if (result == -1 || result == -2) {
        // Its result is not looked at: the second check decides.
        const bool started = QProcess::startDetached(installer, {});
        qCInfo(lcPlayback) << "filter installer" << installer
                           << (started ? "started" : "not started");
        QThread::msleep(kInstallerWaitMs);
        // Plugins the installer added only become visible after a registry rescan.
        gst_update_registry();
        result = CheckFilters();
        if (result < 0 && onStillMissing)
            onStillMissing();
    }
    // In every case, also after the close request above.
    ConfigureDecoderRegistry(CSettingsStore::System());
    return result;
}
