#include "playback/CDShowGraph.h"

#include "filters/CDecoderBin.h"
#include "filters/CFilterRegistry.h"
#include "filters/CGstElementFilter.h"
#include "filters/IDecoderParams.h"
#include "platform/SoundOutput.h"
#include "playback/CStaticView.h"
#include "playback/CVideoRenderer.h"
#include "playback/PlaybackLogging.h"
#include "playback/ThreadHandOver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <gst/base/gsttypefindhelper.h>

#include <algorithm>

namespace
{

constexpr char kPadsCompleteMessage[] = "quorvil-pads-complete";
constexpr int kProbeTimeoutMs = 10000;
constexpr int kSplitterTimeoutMs = 10000;
constexpr int kPrerollTimeoutMs = 5000;
// A pipeline stops in a few milliseconds unless its source hangs in a read; the UI thread waits
// no longer than this for it.
constexpr std::chrono::milliseconds kStopWaitBound{50};
constexpr int kMaxConnectAttempts = 3;
constexpr qint64 kSeekSettleGraceMs = 2000;
constexpr qint64 kSniffBytes = 64 * 1024;
// E_NOINTERFACE: a component without the element the graph needs.
constexpr HRESULT kNoInterface = static_cast<HRESULT>(0x80004002u);

constexpr std::int64_t NsTo100ns(gint64 ns)
{
    return ns / 100;
}
constexpr gint64 From100nsToNs(std::int64_t t)
{
    return t * 100;
}

// What the file is: whether it can be opened, and the splitter for its content (AVI or MP4,
// QuickTime family; null when neither). Reads the file: may block on a slow or dying card.
struct FileProbe {
    bool readable = false;
    const char *splitter = nullptr;
};

FileProbe ProbeFileContent(const QString &path)
{
    FileProbe probe;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCInfo(lcPlayback) << "cannot load" << path << file.errorString();
        return probe;
    }
    probe.readable = true;
    const QByteArray head = file.read(kSniffBytes);
    if (head.isEmpty())
        return probe;
    GstTypeFindProbability probability = GST_TYPE_FIND_NONE;
    const auto caps = GstCapsHandle::Adopt(gst_type_find_helper_for_data(
        nullptr, reinterpret_cast<const guint8 *>(head.constData()), head.size(), &probability));
    if (!caps || gst_caps_is_empty(caps.get()))
        return probe;
    const char *type = gst_structure_get_name(gst_caps_get_structure(caps.get(), 0));
    if (g_str_equal(type, "video/x-msvideo"))
        probe.splitter = "avidemux";
    else if (g_str_equal(type, "video/quicktime"))
        probe.splitter = "qtdemux";
    else
        qCInfo(lcPlayback) << "no splitter for content type" << type;
    return probe;
}

GstCapsHandle CapsOf(GstPad *pad)
{
    if (GstCaps *current = gst_pad_get_current_caps(pad))
        return GstCapsHandle::Adopt(current);
    return GstCapsHandle::Adopt(gst_pad_query_caps(pad, nullptr));
}

bool IsVideoPad(GstPad *pad)
{
    const auto caps = CapsOf(pad);
    if (!caps || gst_caps_is_empty(caps.get()) || gst_caps_is_any(caps.get()))
        return false;
    return g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)),
                            "video/");
}

// The element's pads of one direction, in their own order.
std::vector<GstPadHandle> PadsOf(GstElement *element, GstPadDirection direction)
{
    std::vector<GstPadHandle> pads;
    GST_OBJECT_LOCK(element);
    for (GList *l = direction == GST_PAD_SRC ? element->srcpads : element->sinkpads; l; l = l->next)
        pads.push_back(GstPadHandle::AddRef(GST_PAD(l->data)));
    GST_OBJECT_UNLOCK(element);
    return pads;
}

GstPadProbeReturn HoldData(GstPad *, GstPadProbeInfo *, gpointer)
{
    return GST_PAD_PROBE_OK;
}

GstElementHandle Make(const char *factory, const char *name = nullptr)
{
    return GstElementHandle::Adopt(gst_element_factory_make(factory, name));
}
} // namespace

CDShowGraph::CDShowGraph(int nMode, CStaticView *front, CStaticView *rear)
    : m_nMode(nMode), m_hWndFront(front), m_hWndRear(rear)
{
    // Each graph object brackets its own use of the media framework.
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    connect(&CSoundOutput::Instance(), &CSoundOutput::VolumeChanged, this,
            &CDShowGraph::ApplyVolume);
}

CDShowGraph::~CDShowGraph()
{
    m_hWndFront = nullptr;
    m_hWndRear = nullptr;
    Teardown();
}

void CDShowGraph::Reset()
{
    m_nState = PlayState::Closed;
    m_bOpened = true;
    m_pSource.reset();
    m_pSplitter.reset();
    for (int i = 0; i < 2; ++i) {
        m_pDecoder[i].reset();
        m_pColorConverter[i].reset();
        m_pRenderer[i].reset();
    }
    m_pAudioRenderer.reset();
    m_audioVolume.reset();
}

// ---- building -------------------------------------------------------------------------------

HRESULT CDShowGraph::BuildGraph(const QString &path)
{
    if (m_bBuilt)
        Teardown();
    if (path.isEmpty())
        return S_FALSE;
    if (m_pSource) {
        gst_element_set_state(m_pSource.get(), GST_STATE_NULL);
        m_pSource.reset();
    }
    m_szPath = path;

    m_pGraphBuilder = GstElementHandle::Adopt(gst_pipeline_new("Filter Graph"));
    if (!m_pGraphBuilder)
        return E_FAIL;
    AttachBus();

    auto source = Make("filesrc");
    if (!source)
        return E_FAIL;
    if (const HRESULT hr = AddFilter(source.get(), "File Source"); Failed(hr))
        return hr;
    m_pSource = std::move(source);
    // Load: the file must be there and readable.
    const char *splitterFactory = nullptr;
    if (const HRESULT hr = ProbeFile(path, &splitterFactory); hr != S_OK)
        return hr;
    g_object_set(m_pSource.get(), "location", QFile::encodeName(path).constData(), nullptr);
    if (!splitterFactory)
        return VFW_E_INVALID_FILE_FORMAT;
    auto splitter = Make(splitterFactory);
    if (!splitter)
        return E_FAIL;
    if (const HRESULT hr = AddFilter(splitter.get(), "Splitter"); Failed(hr))
        return hr;
    m_pSplitter = std::move(splitter);
    g_signal_connect(m_pSplitter.get(), "pad-added", G_CALLBACK(&CDShowGraph::OnPadAdded), this);
    g_signal_connect(m_pSplitter.get(), "no-more-pads", G_CALLBACK(&CDShowGraph::OnNoMorePads),
                     this);
    HRESULT hr = ConnectFilters(m_pSource.get(), m_pSplitter.get());
    if (Failed(hr))
        return hr;
    hr = StartSplitter();
    if (Failed(hr))
        return hr;

    m_nVideoStreams = CountVideoStreams();
    qCInfo(lcPlayback) << path << "video streams:" << m_nVideoStreams;
    // Nothing read from an earlier file carries over.
    m_llDuration = 0;
    m_bDurationStale = false;
    m_llLastPosition = 0;
    if (m_nVideoStreams == 1)
        return BuildSingleChain();
    if (m_nVideoStreams == 2)
        return BuildDualChain();
    return hr;
}

CBlockingCalls &CDShowGraph::Calls()
{
    if (!m_calls)
        m_calls = std::make_shared<CBlockingCalls>();
    return *m_calls;
}

// Opening a file and reading its head is where a damaged card, a dying reader or a file that
// never delivers (a pipe) hangs: that runs on a worker while the window stays alive.
HRESULT CDShowGraph::ProbeFile(const QString &path, const char **splitterFactory)
{
    auto probe = std::make_shared<FileProbe>();
    const auto call = Calls().Start([probe, path] { *probe = ProbeFileContent(path); });
    const WaitResult result = WaitResponsively(
        [&] { return call->IsDone(); }, std::chrono::milliseconds(kProbeTimeoutMs), m_pCancel);
    if (result == WaitResult::Cancelled)
        return E_ABORT;
    if (result == WaitResult::TimedOut) {
        qCWarning(lcPlayback) << "the file did not answer in time" << path;
        return E_FAIL;
    }
    if (!probe->readable)
        return S_FALSE;
    *splitterFactory = probe->splitter;
    return S_OK;
}

HRESULT CDShowGraph::AddFilter(GstElement *element, const char *name)
{
    gst_object_set_name(GST_OBJECT(element), name);
    // The pipeline takes a reference of its own (handles hold no floating references); the
    // caller keeps its handle.
    if (!gst_bin_add(GST_BIN(m_pGraphBuilder.get()), element))
        return E_FAIL;
    return JoinRunningGraph(element) ? S_OK : E_FAIL;
}

// The splitter already runs while the chains are built. An element it gets linked to must be
// in the graph's state first: its first push (sticky events ahead of the held data) into a
// still inactive pad would fail with "flushing" and stop the splitter for good, so the file
// would never show a first frame.
bool CDShowGraph::JoinRunningGraph(GstElement *element)
{
    return gst_element_sync_state_with_parent(element);
}

// Runs the splitter until it has exposed all its pads (their data held back), or failed.
HRESULT CDShowGraph::StartSplitter()
{
    m_bPadsComplete = false;
    m_bSplitterFailed = false;
    if (gst_element_set_state(m_pGraphBuilder.get(), GST_STATE_PAUSED) ==
        GST_STATE_CHANGE_FAILURE) {
        DrainBus();
        return E_FAIL;
    }
    const WaitResult settled =
        PumpBusUntil([this] { return m_bPadsComplete || m_bSplitterFailed || m_bEndOfStream; },
                     kSplitterTimeoutMs);
    if (settled == WaitResult::Cancelled)
        return E_ABORT;
    if (m_bSplitterFailed)
        return E_FAIL;
    if (settled == WaitResult::TimedOut)
        qCWarning(lcPlayback) << "splitter did not finish exposing its streams in time";
    std::lock_guard lock(m_padMutex);
    return m_splitterPads.empty() ? E_FAIL : S_OK;
}

void CDShowGraph::OnPadAdded(GstElement *, GstPad *pad, gpointer self)
{
    auto *graph = static_cast<CDShowGraph *>(self);
    SplitterPad entry;
    entry.pad = GstPadHandle::AddRef(pad);
    // Holds the stream's data (not its events) until the chains are connected, so the
    // splitter never meets only unlinked pads.
    entry.probe = gst_pad_add_probe(pad,
                                    static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BLOCK |
                                                                 GST_PAD_PROBE_TYPE_BUFFER |
                                                                 GST_PAD_PROBE_TYPE_BUFFER_LIST),
                                    &HoldData, nullptr, nullptr);
    std::lock_guard lock(graph->m_padMutex);
    graph->m_splitterPads.push_back(std::move(entry));
}

void CDShowGraph::OnNoMorePads(GstElement *splitter, gpointer)
{
    gst_element_post_message(
        splitter, gst_message_new_application(GST_OBJECT(splitter),
                                              gst_structure_new_empty(kPadsCompleteMessage)));
}

int CDShowGraph::CountVideoStreams()
{
    int count = 0;
    for (const GstPadHandle &pad : PadsOf(m_pSplitter.get(), GST_PAD_SRC))
        count += IsVideoPad(pad.get()) ? 1 : 0;
    return count;
}

void CDShowGraph::CreateAudioRenderer()
{
    // The audio renderer: convert, resample, keep the pitch at other rates, follow the
    // application's output volume, play. Without a sound output there is none.
    auto sink = GstElementHandle::Adopt(CSoundOutput::Instance().CreateSink());
    if (!sink)
        return;
    auto bin = GstElementHandle::Adopt(gst_bin_new(nullptr));
    auto volume = Make("volume", "volume");
    std::vector<GstElementHandle> chain;
    // Its own thread behind a queue, like each video decoder (the splitter feeds all streams).
    chain.push_back(Make("queue", "input"));
    chain.push_back(Make("audioconvert", "convert"));
    chain.push_back(Make("audioresample", "resample"));
    if (auto tempo = Make("scaletempo", "tempo"))
        chain.push_back(std::move(tempo));
    chain.push_back(volume);
    chain.push_back(Make("audioconvert", "sink-convert"));
    chain.push_back(std::move(sink));
    GstElement *previous = nullptr;
    for (const GstElementHandle &e : chain) {
        if (!e) {
            qCWarning(lcPlayback) << "audio renderer: an element is missing";
            return;
        }
        gst_bin_add(GST_BIN(bin.get()), e.get());
        if (previous && !gst_element_link(previous, e.get())) {
            qCWarning(lcPlayback) << "audio renderer: cannot link" << GST_ELEMENT_NAME(e.get());
            return;
        }
        previous = e.get();
    }
    const auto pad = GstPadHandle::Adopt(gst_element_get_static_pad(chain.front().get(), "sink"));
    gst_element_add_pad(bin.get(), gst_ghost_pad_new("sink", pad.get()));
    if (Failed(AddFilter(bin.get(), "DirectSound Audio Renderer")))
        return;
    m_pAudioRenderer = std::move(bin);
    m_audioVolume = std::move(volume);
    ApplyVolume();
}

void CDShowGraph::ApplyVolume()
{
    if (m_audioVolume)
        g_object_set(m_audioVolume.get(), "volume",
                     CSoundOutput::GainOf(CSoundOutput::Instance().Volume()), nullptr);
}

HRESULT CDShowGraph::CreateDecoder(int index, const char *name)
{
    std::unique_ptr<CBaseFilter> decoder;
    HRESULT hr =
        CFilterRegistry::Instance().CreateInstance(QString::fromLatin1(CLSID_H264Decoder), decoder);
    if (Failed(hr))
        return hr;
    auto *component = dynamic_cast<CGstElementFilter *>(decoder.get());
    if (!component || !component->Element())
        return kNoInterface;
    if (hr = AddFilter(component->Element(), name); Failed(hr))
        return hr;
    if (auto *bin = dynamic_cast<CDecoderBin *>(decoder.get()))
        bin->ShareCores(m_nVideoStreams);
    m_pDecoder[index] = std::move(decoder);
    return S_OK;
}

HRESULT CDShowGraph::CreateConverter(int index, const char *name)
{
    // The renderer takes the decoder's usual formats as they are, so the converter passes
    // them through untouched; it only converts a format the renderer does not know.
    auto converter = Make("videoconvert");
    if (!converter)
        return E_FAIL;
    if (const HRESULT hr = AddFilter(converter.get(), name); Failed(hr))
        return hr;
    m_pColorConverter[index] = std::move(converter);
    return S_OK;
}

HRESULT CDShowGraph::CreateRenderer(int index, const char *name)
{
    auto renderer = CVideoRenderer::Create();
    if (!renderer)
        return E_FAIL;
    if (const HRESULT hr = AddFilter(renderer->Element(), name); Failed(hr))
        return hr;
    m_pRenderer[index] = std::move(renderer);
    return S_OK;
}

GstElement *CDShowGraph::DecoderElement(int index) const
{
    auto *component = dynamic_cast<CGstElementFilter *>(m_pDecoder[index].get());
    return component ? component->Element() : nullptr;
}

HRESULT CDShowGraph::BuildSingleChain()
{
    CreateAudioRenderer();
    for (auto [create, name] : {std::pair{&CDShowGraph::CreateDecoder, "FFDShow Decoder1"},
                                std::pair{&CDShowGraph::CreateConverter, "Color Space Convertor 1"},
                                std::pair{&CDShowGraph::CreateRenderer, "Mixing Renderer9"}}) {
        if (const HRESULT hr = (this->*create)(0, name); Failed(hr))
            return hr;
    }
    m_pRenderer[0]->SetVideoWindow(m_hWndFront);

    if (m_pAudioRenderer)
        ConnectFilters(m_pSplitter.get(), m_pAudioRenderer.get());
    ConnectFilters(m_pSplitter.get(), DecoderElement(0));
    ConnectFilters(DecoderElement(0), m_pColorConverter[0].get());
    ConnectFilters(m_pColorConverter[0].get(), m_pRenderer[0]->Element());
    return StopWhenReady();
}

HRESULT CDShowGraph::BuildDualChain()
{
    CreateAudioRenderer();
    using Create = HRESULT (CDShowGraph::*)(int, const char *);
    struct Step {
        Create create;
        int index;
        const char *name;
    };
    static constexpr Step kSteps[] = {
        {&CDShowGraph::CreateDecoder, 0, "FFDShow Decoder1"},
        {&CDShowGraph::CreateDecoder, 1, "FFDShow Decoder2"},
        {&CDShowGraph::CreateConverter, 0, "Color Space Convertor 1"},
        {&CDShowGraph::CreateConverter, 1, "Color Space Convertor 2"},
        {&CDShowGraph::CreateRenderer, 0, "Mixing Renderer9-1"},
        {&CDShowGraph::CreateRenderer, 1, "Mixing Renderer9-2"},
    };
    for (const Step &step : kSteps) {
        if (const HRESULT hr = (this->*step.create)(step.index, step.name); Failed(hr))
            return hr;
    }
    m_pRenderer[0]->SetVideoWindow(m_hWndFront);
    m_pRenderer[1]->SetVideoWindow(m_hWndRear);

    if (m_pAudioRenderer)
        ConnectFilters(m_pSplitter.get(), m_pAudioRenderer.get());
    if (Failed(ConnectFilters(m_pSplitter.get(), DecoderElement(0))))
        return S_FALSE;
    ConnectFilters(DecoderElement(0), m_pColorConverter[0].get());
    ConnectFilters(m_pColorConverter[0].get(), m_pRenderer[0]->Element());
    ConnectFilters(m_pSplitter.get(), DecoderElement(1));
    ConnectFilters(DecoderElement(1), m_pColorConverter[1].get());
    ConnectFilters(m_pColorConverter[1].get(), m_pRenderer[1]->Element());
    return StopWhenReady();
}

// Tries each free output pad of upstream against each free input pad of downstream, at most
// three pairs in all; the first pair that connects (directly or through a decoder) wins.
HRESULT CDShowGraph::ConnectFilters(GstElement *upstream, GstElement *downstream)
{
    if (!upstream || !downstream)
        return E_POINTER;
    int attempts = 0;
    for (const GstPadHandle &out : PadsOf(upstream, GST_PAD_SRC)) {
        if (gst_pad_is_linked(out.get()))
            continue;
        for (const GstPadHandle &in : PadsOf(downstream, GST_PAD_SINK)) {
            if (gst_pad_is_linked(in.get()))
                continue;
            if (++attempts > kMaxConnectAttempts)
                return E_FAIL;
            if (IntelligentConnect(out.get(), in.get(), 2) == S_OK)
                return S_OK;
        }
    }
    return E_FAIL;
}

// A direct link, or else a decoder in between (with a parser before it when the stream needs
// one): the best-ranked installed elements that take the output's caps and lead to the
// input. Inserted elements stay in the pipeline under their own names.
HRESULT CDShowGraph::IntelligentConnect(GstPad *src, GstPad *sink, int depth)
{
    if (gst_pad_link(src, sink) == GST_PAD_LINK_OK)
        return S_OK;
    if (depth <= 0)
        return E_FAIL;
    const auto caps = CapsOf(src);
    if (!caps || gst_caps_is_any(caps.get()) || gst_caps_is_empty(caps.get()))
        return E_FAIL;
    const auto type = depth > 1 ? GST_ELEMENT_FACTORY_TYPE_DECODER | GST_ELEMENT_FACTORY_TYPE_PARSER
                                : GST_ELEMENT_FACTORY_TYPE_DECODER;
    GList *all = gst_element_factory_list_get_elements(type, GST_RANK_MARGINAL);
    GList *candidates = gst_element_factory_list_filter(all, caps.get(), GST_PAD_SINK, FALSE);
    candidates = g_list_sort(candidates, gst_plugin_feature_rank_compare_func);
    HRESULT result = E_FAIL;
    for (GList *l = candidates; l && result != S_OK; l = l->next) {
        auto *factory = GST_ELEMENT_FACTORY(l->data);
        auto element = GstElementHandle::Adopt(gst_element_factory_create(factory, nullptr));
        if (!element)
            continue;
        gst_bin_add(GST_BIN(m_pGraphBuilder.get()), element.get());
        const auto in = GstPadHandle::Adopt(gst_element_get_static_pad(element.get(), "sink"));
        const auto out = GstPadHandle::Adopt(gst_element_get_static_pad(element.get(), "src"));
        if (in && out && JoinRunningGraph(element.get()) &&
            gst_pad_link(src, in.get()) == GST_PAD_LINK_OK) {
            // A decoder goes straight to the input; a parser may still need its decoder.
            const bool isDecoder =
                gst_element_factory_list_is_type(factory, GST_ELEMENT_FACTORY_TYPE_DECODER);
            const HRESULT next =
                isDecoder ? (gst_pad_link(out.get(), sink) == GST_PAD_LINK_OK ? S_OK : E_FAIL)
                          : IntelligentConnect(out.get(), sink, depth - 1);
            if (next == S_OK) {
                qCInfo(lcPlayback) << "inserted" << GST_ELEMENT_NAME(element.get());
                result = S_OK;
                break;
            }
            gst_pad_unlink(src, in.get());
        }
        gst_element_set_state(element.get(), GST_STATE_NULL);
        gst_bin_remove(GST_BIN(m_pGraphBuilder.get()), element.get());
    }
    gst_plugin_feature_list_free(candidates);
    gst_plugin_feature_list_free(all);
    return result;
}

// Brings the new elements up, lets the held data go and waits until every sink shows its
// first frame; the graph is then Stopped with the frame at 0 shown.
HRESULT CDShowGraph::StopWhenReady()
{
    DrainBus(); // nothing left over from running the splitter alone may count below
    m_bAsyncDone = false;
    const GstStateChangeReturn ret = gst_element_set_state(m_pGraphBuilder.get(), GST_STATE_PAUSED);
    ReleaseSplitterPads();
    qCDebug(lcPlayback) << "pause after build:" << gst_element_state_change_return_get_name(ret);
    if (ret == GST_STATE_CHANGE_FAILURE) {
        qCWarning(lcPlayback) << "graph refused to pause";
    } else if (const WaitResult ready = PumpBusUntil(
                   [this] { return m_bAsyncDone || m_bEndOfStream || m_bSplitterFailed; },
                   kPrerollTimeoutMs);
               ready != WaitResult::Done) {
        if (ready == WaitResult::Cancelled)
            return E_ABORT;
        // A damaged file whose streams never deliver a first picture would only hang the
        // transport: the build counts as failed.
        qCWarning(lcPlayback) << "no first frame in time";
        return E_FAIL;
    }
    m_nState = PlayState::Stopped;
    m_bBuilt = true;
    m_bSeekPending = false;
    GetDuration();
    return S_OK;
}

void CDShowGraph::ReleaseSplitterPads()
{
    std::vector<SplitterPad> pads;
    {
        std::lock_guard lock(m_padMutex);
        pads.swap(m_splitterPads);
    }
    for (SplitterPad &entry : pads) {
        if (entry.probe)
            gst_pad_remove_probe(entry.pad.get(), entry.probe);
    }
}

// ---- transport ------------------------------------------------------------------------------

bool CDShowGraph::SetPipelineState(GstState state)
{
    return gst_element_set_state(m_pGraphBuilder.get(), state) != GST_STATE_CHANGE_FAILURE;
}

HRESULT CDShowGraph::Play()
{
    if (!m_bOpened)
        return -1;
    if (m_nState != PlayState::Paused && m_nState != PlayState::Stopped)
        return VFW_E_WRONG_STATE;
    // At the very end, play starts again from the beginning.
    const auto position = GetCurrentPosition();
    const auto duration = GetDuration();
    if (position && duration && std::llabs(*duration - *position) < 1)
        SetPositions(0);
    if (m_fRate == 1.0f) {
        SetRate(1.0);
    } else {
        m_fRate = std::clamp(m_fRate, 0.5f, 2.0f);
        SetRate(m_fRate);
    }
    HoldPreroll(false);
    if (!SetPipelineState(GST_STATE_PLAYING))
        return E_FAIL;
    m_nState = PlayState::Running;
    // Balance is always centred: the audio renderer has no balance stage.
    return S_OK;
}

HRESULT CDShowGraph::Pause()
{
    if (!m_bOpened)
        return -1;
    if (!m_pGraphBuilder)
        return VFW_E_WRONG_STATE;
    if (m_nState == PlayState::Running) {
        HoldPreroll(true);
        LimitReadAhead(false); // until both sinks have prerolled again
    }
    if (!SetPipelineState(GST_STATE_PAUSED))
        return E_FAIL;
    m_nState = PlayState::Paused;
    return S_OK;
}

HRESULT CDShowGraph::Stop()
{
    if (!m_bOpened)
        return -1;
    if (m_nState != PlayState::Running && m_nState != PlayState::Paused)
        return VFW_E_WRONG_STATE;
    // Stopped keeps the pipeline prerolled: the position and its frame stay.
    if (m_nState == PlayState::Running) {
        HoldPreroll(true);
        LimitReadAhead(false); // until both sinks have prerolled again
    }
    if (!SetPipelineState(GST_STATE_PAUSED))
        return E_FAIL;
    m_nState = PlayState::Stopped;
    return S_OK;
}

std::optional<std::int64_t> CDShowGraph::GetDuration()
{
    if (m_llDuration != 0 && !m_bDurationStale)
        return m_llDuration;
    if (!m_pGraphBuilder)
        return std::nullopt;
    gint64 ns = 0;
    if (!gst_element_query_duration(m_pGraphBuilder.get(), GST_FORMAT_TIME, &ns) || ns <= 0) {
        if (m_llDuration != 0)
            return m_llDuration;
        return std::nullopt;
    }
    m_llDuration = NsTo100ns(ns);
    m_bDurationStale = false;
    return m_llDuration;
}

std::optional<std::int64_t> CDShowGraph::GetCurrentPosition()
{
    if (!m_pGraphBuilder)
        return std::nullopt;
    DrainBus();
    // The last frame's time lies a frame short of the duration: at the end of the stream the
    // position is the duration, so the end is always reached.
    if (m_bEndOfStream) {
        if (const auto duration = GetDuration())
            return duration;
    }
    // A component that does not pass the seek's number on must not freeze the position:
    // once the pipeline has settled and some time has passed, the seek counts as done.
    if (m_bSeekPending && m_bAsyncDone && m_seekClock.elapsed() > kSeekSettleGraceMs)
        m_bSeekPending = false;
    if (m_bSeekPending)
        return m_llSeekTarget;
    gint64 ns = 0;
    if (!gst_element_query_position(m_pGraphBuilder.get(), GST_FORMAT_TIME, &ns) || ns < 0)
        return std::nullopt;
    m_llLastPosition = NsTo100ns(ns);
    return m_llLastPosition;
}

std::uint32_t CDShowGraph::GetPositionMs()
{
    const auto position = GetCurrentPosition();
    return position && *position > 0 ? static_cast<std::uint32_t>(*position / 10000) : 0;
}

std::uint32_t CDShowGraph::GetDurationMs()
{
    const auto duration = GetDuration();
    return duration && *duration > 0 ? static_cast<std::uint32_t>(*duration / 10000) : 0;
}

HRESULT CDShowGraph::SetPositions(std::int64_t current100ns)
{
    if (!m_pGraphBuilder)
        return E_FAIL;
    current100ns = std::max<std::int64_t>(current100ns, 0);
    HoldPreroll(false);
    LimitReadAhead(false);
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    GstEvent *seek =
        gst_event_new_seek(m_fAppliedRate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                           From100nsToNs(current100ns), GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    // The pipeline's completion message carries no sequence number of its own: the seek's
    // number, which its new segment carries to every renderer, tells a late completion of an
    // earlier seek from this one's.
    const std::uint32_t seqnum = gst_event_get_seqnum(seek);
    if (!gst_element_send_event(m_pGraphBuilder.get(), seek))
        return E_FAIL;
    m_nSeekSeqnum = seqnum;
    m_llLastPosition = current100ns;
    m_bAsyncDone = false;
    m_seekClock.start();
    m_bEndOfStream = false;
    m_bSeekPending = true;
    m_llSeekTarget = current100ns;
    return S_OK;
}

HRESULT CDShowGraph::SetRate(double rate)
{
    if (!m_pGraphBuilder)
        return E_FAIL;
    if (rate == m_fAppliedRate)
        return S_OK;
    // A rate change never moves the position.
    const std::int64_t position = GetCurrentPosition().value_or(m_llLastPosition);
    const double previous = std::exchange(m_fAppliedRate, rate);
    if (Failed(SetPositions(position))) {
        m_fAppliedRate = previous;
        return E_FAIL;
    }
    return S_OK;
}

void CDShowGraph::HoldPreroll(bool hold)
{
    for (auto &renderer : m_pRenderer) {
        if (renderer)
            renderer->HoldPreroll(hold);
    }
}

void CDShowGraph::LimitReadAhead(bool limit)
{
    for (const auto &decoder : m_pDecoder) {
        if (auto *bin = dynamic_cast<CDecoderBin *>(decoder.get()))
            bin->LimitReadAhead(limit);
    }
}

// ---- pictures -------------------------------------------------------------------------------

void CDShowGraph::Repaint()
{
    if (m_pRenderer[0])
        m_pRenderer[0]->SetVideoWindow(m_hWndFront);
    if (m_nMode == 2 && m_pRenderer[1])
        m_pRenderer[1]->SetVideoWindow(m_hWndRear);
}

void CDShowGraph::AttachWindows(CStaticView *front, CStaticView *rear)
{
    m_hWndFront = front;
    m_hWndRear = rear;
    for (int i = 0; i < 2; ++i)
        if (m_pRenderer[i])
            m_pRenderer[i]->SetVideoWindow(i == 0 ? front : rear);
}

IDecoderParams *CDShowGraph::DecoderParams(int index) const
{
    if (index < 0 || index > 1)
        return nullptr;
    return dynamic_cast<IDecoderParams *>(m_pDecoder[index].get());
}

CVideoRenderer *CDShowGraph::Renderer(int index) const
{
    return index >= 0 && index <= 1 ? m_pRenderer[index].get() : nullptr;
}

void CDShowGraph::RefreshShownFrame(int channel)
{
    if (!m_bBuilt || m_nState == PlayState::Running || m_nState == PlayState::Closed)
        return;
    m_nRefreshChannel = channel;
    if (m_bRefreshPosted)
        return;
    m_bRefreshPosted = true;
    QTimer::singleShot(0, this, [this] {
        m_bRefreshPosted = false;
        if (m_nState == PlayState::Running || !m_pGraphBuilder)
            return;
        CVideoRenderer *renderer = Renderer(m_nRefreshChannel);
        if (!renderer)
            renderer = Renderer(0);
        const auto shownNs = renderer ? renderer->CurrentStreamTimeNs() : std::nullopt;
        if (!shownNs)
            return;
        // The pipeline is paused: only a flushing accurate seek to the shown frame makes it
        // pass the decoder's stages again.
        SetPositions(NsTo100ns(*shownNs));
    });
}

QStringList CDShowGraph::ElementNames() const
{
    QStringList names;
    if (!m_pGraphBuilder)
        return names;
    GST_OBJECT_LOCK(m_pGraphBuilder.get());
    for (GList *l = GST_BIN(m_pGraphBuilder.get())->children; l; l = l->next)
        names.prepend(QString::fromUtf8(GST_ELEMENT_NAME(l->data)));
    GST_OBJECT_UNLOCK(m_pGraphBuilder.get());
    return names;
}

// ---- bus ------------------------------------------------------------------------------------

void CDShowGraph::AttachBus()
{
    m_bus = GstBusHandle::Adopt(gst_pipeline_get_bus(GST_PIPELINE(m_pGraphBuilder.get())));
    GPollFD fd{};
    gst_bus_get_pollfd(m_bus.get(), &fd);
    if constexpr (kThreadSanitizer) {
        // A message is made on the thread that posts it and read here.
        gst_bus_set_sync_handler(
            m_bus.get(),
            [](GstBus *, GstMessage *message, gpointer) {
                MarkHandedOver(message);
                return GST_BUS_PASS;
            },
            nullptr, nullptr);
    }
    m_busNotifier = std::make_unique<QSocketNotifier>(fd.fd, QSocketNotifier::Read);
    connect(m_busNotifier.get(), &QSocketNotifier::activated, this, &CDShowGraph::DrainBus);
}

void CDShowGraph::DrainBus()
{
    if (!m_bus)
        return;
    while (auto message = GstMessageHandle::Adopt(gst_bus_pop(m_bus.get()))) {
        MarkTakenOver(message.get());
        HandleMessage(message.get());
    }
}

template <typename Done> WaitResult CDShowGraph::PumpBusUntil(Done done, int timeoutMs)
{
    // The bus's own notifier drains it as messages come; draining here as well keeps the
    // condition right even for messages that arrived between two turns of the loop.
    return WaitResponsively(
        [&] {
            DrainBus();
            return done();
        },
        std::chrono::milliseconds(timeoutMs), m_pCancel);
}

void CDShowGraph::HandleMessage(GstMessage *message)
{
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError *error = nullptr;
        gchar *debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        qCWarning(lcPlayback) << "error from" << GST_OBJECT_NAME(GST_MESSAGE_SRC(message)) << ":"
                              << (error ? error->message : "") << (debug ? debug : "");
        g_clear_error(&error);
        g_free(debug);
        if (!m_bBuilt) {
            m_bSplitterFailed = true;
        } else {
            // A damaged recording ends where it breaks: the position tick then moves on.
            m_bSeekPending = false;
            NoteEndOfStream();
        }
        break;
    }
    case GST_MESSAGE_WARNING: {
        // Unlinked streams (the sensor data) make the splitter warn; that is expected.
        GError *error = nullptr;
        gst_message_parse_warning(message, &error, nullptr);
        qCDebug(lcPlayback) << "warning from" << GST_OBJECT_NAME(GST_MESSAGE_SRC(message)) << ":"
                            << (error ? error->message : "");
        g_clear_error(&error);
        break;
    }
    case GST_MESSAGE_EOS:
        NoteEndOfStream();
        break;
    case GST_MESSAGE_ASYNC_DONE:
        // The pipeline's own: every sink has its frame (after a build or a flushing seek).
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(m_pGraphBuilder.get())) {
            m_bAsyncDone = true;
            LimitReadAhead(true);
            if (m_bSeekPending && RenderersSettledOnSeek())
                m_bSeekPending = false;
        }
        break;
    case GST_MESSAGE_DURATION_CHANGED:
        m_bDurationStale = true;
        break;
    case GST_MESSAGE_APPLICATION:
        if (gst_message_has_name(message, kPadsCompleteMessage))
            m_bPadsComplete = true;
        break;
    default:
        break;
    }
}

void CDShowGraph::NoteEndOfStream()
{
    const bool first = !m_bEndOfStream;
    m_bEndOfStream = true;
    if (first && m_bBuilt)
        emit EndOfStream();
}

bool CDShowGraph::RenderersSettledOnSeek() const
{
    return std::all_of(m_pRenderer.begin(), m_pRenderer.end(), [this](const auto &renderer) {
        return !renderer || renderer->SettledSeqnum() == m_nSeekSeqnum;
    });
}

// ---- teardown -------------------------------------------------------------------------------

void CDShowGraph::Teardown()
{
    m_nState = PlayState::Closed;
    if (m_pGraphBuilder) {
        m_busNotifier.reset();
        m_nState = PlayState::Stopped;
        if (m_pSplitter)
            g_signal_handlers_disconnect_by_data(m_pSplitter.get(), this);
        ReleaseSplitterPads();
    }
    for (auto &renderer : m_pRenderer) {
        if (renderer)
            renderer->Detach();
    }
    if (m_pGraphBuilder && !StopPipeline()) {
        qCWarning(lcPlayback) << "the pipeline is stuck in its stop; it ends on a worker";
        return;
    }
    auto remove = [this](GstElement *element) {
        if (element && m_pGraphBuilder)
            gst_bin_remove(GST_BIN(m_pGraphBuilder.get()), element);
    };
    remove(m_pAudioRenderer.get());
    m_pAudioRenderer.reset();
    m_audioVolume.reset();
    for (auto &renderer : m_pRenderer) {
        if (renderer)
            remove(renderer->Element());
        renderer.reset();
    }
    for (int i = 0; i < 2; ++i) {
        remove(DecoderElement(i));
        m_pDecoder[i].reset();
    }
    for (auto &converter : m_pColorConverter) {
        remove(converter.get());
        converter.reset();
    }
    remove(m_pSplitter.get());
    m_pSplitter.reset();
    remove(m_pSource.get());
    m_pSource.reset();

    if (m_pGraphBuilder) {
        // Whatever the connections inserted (audio decoders) has no link left now.
        std::vector<GstElementHandle> leftovers;
        GST_OBJECT_LOCK(m_pGraphBuilder.get());
        for (GList *l = GST_BIN(m_pGraphBuilder.get())->children; l; l = l->next)
            leftovers.push_back(GstElementHandle::AddRef(GST_ELEMENT(l->data)));
        GST_OBJECT_UNLOCK(m_pGraphBuilder.get());
        for (const GstElementHandle &element : leftovers) {
            for (const GstPadHandle &pad : PadsOf(element.get(), GST_PAD_SRC))
                if (GstPad *peer = gst_pad_get_peer(pad.get())) {
                    gst_pad_unlink(pad.get(), peer);
                    gst_object_unref(peer);
                }
            for (const GstPadHandle &pad : PadsOf(element.get(), GST_PAD_SINK))
                if (GstPad *peer = gst_pad_get_peer(pad.get())) {
                    gst_pad_unlink(peer, pad.get());
                    gst_object_unref(peer);
                }
            remove(element.get());
        }
    }
    ForgetPipeline();
}

void CDShowGraph::ForgetPipeline()
{
    if (m_bus)
        gst_bus_set_flushing(m_bus.get(), TRUE);
    m_bus.reset();
    m_pGraphBuilder.reset();
    m_bBuilt = false;
    m_bSeekPending = false;
    m_bEndOfStream = false;
    m_fAppliedRate = 1.0;
}

// A source hanging in a read on a dying card holds the pipeline's stop until the read returns,
// which may be never: the stop runs on a worker and the UI thread waits only briefly.
bool CDShowGraph::StopPipeline()
{
    const auto stop = Calls().Start([pipeline = GstElementHandle::AddRef(m_pGraphBuilder.get())] {
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    });
    if (stop->WaitFor(kStopWaitBound))
        return true;
    HandOverStuckPipeline(stop);
    return false;
}

// Everything the stuck pipeline's threads may still reach stays alive until its stop returns,
// and is then freed on the UI thread; the graph itself lets go of it now.
void CDShowGraph::HandOverStuckPipeline(std::shared_ptr<const CBlockingCalls::Call> stop)
{
    struct Remains {
        GstElementHandle pipeline, source, splitter, audio, volume;
        std::array<std::unique_ptr<CBaseFilter>, 2> decoders;
        std::array<GstElementHandle, 2> converters;
        std::array<std::unique_ptr<CVideoRenderer>, 2> renderers;
    };
    auto remains = std::make_shared<Remains>();
    remains->pipeline = std::move(m_pGraphBuilder);
    remains->source = std::move(m_pSource);
    remains->splitter = std::move(m_pSplitter);
    remains->audio = std::move(m_pAudioRenderer);
    remains->volume = std::move(m_audioVolume);
    for (int i = 0; i < 2; ++i) {
        remains->decoders[i] = std::move(m_pDecoder[i]);
        remains->converters[i] = std::move(m_pColorConverter[i]);
        // The window keeps its picture (Detach copied it); the renderer no longer draws there.
        if (m_pRenderer[i])
            m_pRenderer[i]->SetVideoWindow(nullptr);
        remains->renderers[i] = std::move(m_pRenderer[i]);
    }
    Calls().KeepUntilDone(std::move(stop), std::move(remains));
    ForgetPipeline();
}
