#include "sensors/CSensorLoader.h"

#include "filters/CFilterRegistry.h"
#include "filters/CSensorDataSource.h"
#include "filters/IFileSourceFilter.h"
#include "filters/ISensorDataReader.h"
#include "sensors/SensorsLogging.h"

#include <QCoreApplication>
#include <QEvent>

#include <array>
#include <chrono>
#include <utility>

namespace
{

// A chunk goes to the UI thread after this many records or this much time, whichever comes
// first: the map can follow a long load while it runs, without one queued call per record.
constexpr std::size_t kChunkRecords = 1024;
constexpr auto kChunkInterval = std::chrono::milliseconds(100);

// The worker's wake-up call to the UI thread.
QEvent::Type WakeEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

std::unique_ptr<CBaseFilter> CreateSource(const QString &clsid)
{
    std::unique_ptr<CBaseFilter> source;
    if (Failed(CFilterRegistry::Instance().CreateInstance(clsid, source)))
        qCDebug(lcSensors) << "no sensor data source" << clsid;
    return source;
}

} // namespace

CSensorLoader::CSensorLoader(CTextData &track, QObject *parent)
    : CSensorLoader(track, QString::fromLatin1(CLSID_SensorDataSource), parent)
{
}

CSensorLoader::CSensorLoader(CTextData &track, QString clsid, QObject *parent)
    : QObject(parent), m_track(track), m_strClsid(std::move(clsid))
{
    WakeEventType(); // registered here, on the UI thread, before any worker needs it
}

CSensorLoader::~CSensorLoader()
{
    StopWorker();
}

void CSensorLoader::StopWorker()
{
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
    {
        const std::lock_guard lock(m_inboxMutex);
        m_inbox.clear();
    }
    // Whatever the old worker still queued carries an old number and is dropped.
    ++m_nGeneration;
}

void CSensorLoader::Cancel()
{
    StopWorker();
    if (m_bLoading) {
        m_bLoading = false;
        emit loadEnded(LoadResult::Cancelled);
    }
}

void CSensorLoader::Stop()
{
    Cancel();
    m_track.RemoveAll();
}

void CSensorLoader::StartSensorLoad(const QString &path)
{
    // The old worker has ended before the track is emptied and refilled.
    Cancel();
    m_track.RemoveAll();

    const std::uint64_t generation = m_nGeneration;
    m_bLoading = true;
    emit loadStarted();
    std::unique_ptr<CBaseFilter> source = CreateSource(m_strClsid);
    if (!source) {
        m_bLoading = false;
        emit loadEnded(LoadResult::NoSource);
        return;
    }
    m_worker = std::jthread(
        [this, generation, path, limit = m_nReadLimit](std::stop_token stop,
                                                       std::unique_ptr<CBaseFilter> src) {
            LoadSensorTrack(std::move(stop), generation, path, limit, std::move(src));
        },
        std::move(source));
}

bool CSensorLoader::ReadRecords(CBaseFilter *source, const QString &path, std::size_t bufferSize,
                                std::uint64_t readLimit, const std::stop_token &stop,
                                const RecordSink &sink)
{
    auto *file = dynamic_cast<IFileSourceFilter *>(source);
    auto *reader = dynamic_cast<ISensorDataReader *>(source);
    if (!file || !reader)
        return false;
    if (auto *ours = dynamic_cast<CSensorDataSource *>(source))
        ours->SetStopToken(stop);
    if (const HRESULT hr = file->Load(path); Failed(hr)) {
        qCDebug(lcSensors) << "sensor source refused" << path << Qt::hex
                           << static_cast<std::uint32_t>(hr);
        return false;
    }

    std::array<std::uint8_t, kRecordBufferSize> buffer;
    const std::span<std::uint8_t> record(buffer.data(), std::min(bufferSize, buffer.size()));
    int transient = 0;
    for (std::uint64_t reads = 0; reads < readLimit && !stop.stop_requested(); ++reads) {
        std::fill(record.begin(), record.end(), std::uint8_t{0});
        auto size = static_cast<std::uint32_t>(record.size());
        std::uint32_t time = 0;
        const HRESULT hr = reader->ReadRecord(record.data(), &size, &time);
        if (hr == S_OK) {
            transient = 0;
            // The whole zero-filled buffer: a short record reads as zero-padded.
            sink(record, time);
        } else if (hr == ISensorDataReader::kEndOfData ||
                   hr == ISensorDataReader::kCannotReadFurther) {
            return true;
        } else if (++transient >= kMaxTransientResults) {
            qCDebug(lcSensors) << "sensor source keeps failing; ending the load" << Qt::hex
                               << static_cast<std::uint32_t>(hr);
            return true;
        }
    }
    if (!stop.stop_requested())
        qCDebug(lcSensors) << "sensor source never ended; stopped after" << readLimit << "reads";
    return true;
}

void CSensorLoader::LoadSensorTrack(std::stop_token stop, std::uint64_t generation, QString path,
                                    std::uint64_t readLimit, std::unique_ptr<CBaseFilter> source)
{
    // Runs on the worker: touches nothing of the loader but the inbox (through Deliver).
    Delivery delivery{generation, CTextData::Empty(), std::nullopt};
    std::size_t pending = 0;
    auto lastPost = std::chrono::steady_clock::now();
    auto post = [&] {
        if (pending == 0)
            return;
        Deliver(std::exchange(delivery, Delivery{generation, CTextData::Empty(), std::nullopt}));
        pending = 0;
        lastPost = std::chrono::steady_clock::now();
    };

    const bool loaded =
        ReadRecords(source.get(), path, kRecordBufferSize, readLimit, stop,
                    [&](std::span<const std::uint8_t> record, std::uint32_t t) {
                        delivery.chunk.AddRecord(record, t);
                        if (++pending >= kChunkRecords ||
                            std::chrono::steady_clock::now() - lastPost >= kChunkInterval)
                            post();
                    });
    source.reset(); // the file is closed before the UI hears of the end
    if (stop.stop_requested())
        return; // the UI thread has already ended this load
    post();
    Deliver(
        {generation, CTextData::Empty(), loaded ? LoadResult::Completed : LoadResult::NoSource});
}

void CSensorLoader::Deliver(Delivery delivery)
{
    const std::lock_guard lock(m_inboxMutex);
    m_inbox.push_back(std::move(delivery));
    if (!m_bWakePending) {
        m_bWakePending = true;
        // Qt owns the event; one still queued when the loader goes is deleted unsent.
        QCoreApplication::postEvent(this, new QEvent(WakeEventType()));
    }
}

void CSensorLoader::customEvent(QEvent *event)
{
    // The worker made the wake-up event under the inbox mutex, so the mutex is taken before the
    // event is read: that orders the two for ThreadSanitizer as well, which cannot see Qt's own
    // hand-over of posted events (QtCore is not instrumented).
    std::vector<Delivery> deliveries;
    {
        const std::lock_guard lock(m_inboxMutex);
        if (event->type() != WakeEventType())
            return;
        deliveries.swap(m_inbox);
        m_bWakePending = false;
    }
    for (const Delivery &d : deliveries) {
        if (d.end)
            OnWorkerEnded(d.generation, *d.end);
        else
            OnChunk(d.generation, d.chunk);
    }
}

void CSensorLoader::OnChunk(std::uint64_t generation, const CTextData &chunk)
{
    if (generation != m_nGeneration || !m_bLoading)
        return;
    m_track.Append(chunk);
    emit recordsAdded();
}

void CSensorLoader::OnWorkerEnded(std::uint64_t generation, LoadResult result)
{
    if (generation != m_nGeneration || !m_bLoading)
        return;
    // The worker's last act was to queue this call: joining takes no time.
    if (m_worker.joinable())
        m_worker.join();
    m_bLoading = false;
    emit loadEnded(result);
}

bool CSensorLoader::OnSensorReload(const QString &path)
{
    Cancel();
    m_bLoading = true;
    emit loadStarted();
    m_track.RemoveAll();
    std::unique_ptr<CBaseFilter> source = CreateSource(m_strClsid);
    const bool loaded =
        source && ReadRecords(source.get(), path, kReloadBufferSize, m_nReadLimit, {},
                              [this](std::span<const std::uint8_t> record, std::uint32_t t) {
                                  m_track.AddRecord(record, t);
                              });
    source.reset();
    m_bLoading = false;
    emit loadEnded(loaded ? LoadResult::Completed : LoadResult::NoSource);
    return loaded;
}

std::optional<std::size_t> CSensorLoader::FindMapFix(const std::vector<CGPSData> &fixes,
                                                     std::uint32_t position)
{
    for (std::size_t i = 0; i < fixes.size(); ++i)
        if (fixes[i].m_nTime >= position)
            return i;
    return std::nullopt;
}

std::optional<std::size_t> CSensorLoader::FindSpeedFix(const std::vector<CGPSData> &fixes,
                                                       std::uint32_t position)
{
    if (fixes.empty())
        return std::nullopt;
    const std::optional<std::size_t> map = FindMapFix(fixes, position);
    if (!map)
        return fixes.size() - 1;
    return *map == 0 ? 0 : *map - 1;
}
