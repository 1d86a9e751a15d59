#pragma once

#include "sensors/CTextData.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

class CBaseFilter;

// Loads the sensor track of the open recording on a worker thread, one worker at a time.
//
// Threads: the loader and the track live on the thread that created the loader (the UI
// thread); every public function is called there. The worker only reads the file through the
// sensor data source and parses records into chunks of its own, which it queues in a
// mutex-guarded inbox with one wake-up event; the UI thread appends them to the track, so the
// track is never touched by two threads and the position tick reads it without a lock. A new load,
// Cancel and Stop stop the running worker (it checks between records, and blocked input is
// interrupted), wait for it, and discard whatever it had still queued.
//
// Signals, in order per load: loadStarted (show the wait cursor), any number of
// recordsAdded, then exactly one loadEnded (restore the cursor; with Completed, run the
// completion steps: hide the map when the track has no fix, redraw the G-sensor graph).
class CSensorLoader : public QObject
{
    Q_OBJECT

public:
    enum class LoadResult {
        Completed, // records read to the end (the track may still be empty)
        NoSource,  // the data source could not be made or refused the file; track empty
        Cancelled, // stopped by a new load, Cancel or Stop
    };
    Q_ENUM(LoadResult)

    // Bounds of the read loop for a source that never reports the end: reads per load (a day
    // of recording holds about a million records) and transient results in a row.
    static constexpr std::uint64_t kDefaultReadLimit = 16'000'000;
    static constexpr int kMaxTransientResults = 1000; // in a row
    static constexpr std::size_t kRecordBufferSize = 2048;
    static constexpr std::size_t kReloadBufferSize = 1024;

    // `track` is the main window's m_textData, filled by this loader. `clsid` names the data
    // source in CFilterRegistry (tests substitute their own).
    explicit CSensorLoader(CTextData &track, QObject *parent = nullptr);
    CSensorLoader(CTextData &track, QString clsid, QObject *parent = nullptr);
    ~CSensorLoader() override; // stops and waits for the worker; emits nothing

    // The last step of opening a recording: stops a running load, empties the track and
    // starts a worker reading the sensor records of `path`.
    void StartSensorLoad(const QString &path);

    // The same load run synchronously on the calling thread (private message 0x45A, which
    // nothing sends), with a 1024-byte record buffer. True when the source read the file.
    bool OnSensorReload(const QString &path);

    // Stops a running load; the track keeps what was appended so far.
    void Cancel();
    // Stops a running load and empties the track (playback stopped, card removed). Use this
    // instead of emptying the track directly while a load may run.
    void Stop();

    // Changes the bound on reads per load (tests); applies to loads started afterwards.
    void SetReadLimit(std::uint64_t reads) { m_nReadLimit = reads; }

    bool IsLoading() const { return m_bLoading; }
    const CTextData &Track() const { return m_track; }

    // The map's fix: the first fix whose offset is >= position (unsigned), or none.
    static std::optional<std::size_t> FindMapFix(const std::vector<CGPSData> &fixes,
                                                 std::uint32_t position);
    // The speed readout's fix: the one before the map fix (0 at the least), the last fix when
    // no fix reaches the position, none for an empty array.
    static std::optional<std::size_t> FindSpeedFix(const std::vector<CGPSData> &fixes,
                                                   std::uint32_t position);
    std::optional<std::size_t> FindMapFix(std::uint32_t position) const
    {
        return FindMapFix(m_track.m_arrGPS, position);
    }
    std::optional<std::size_t> FindSpeedFix(std::uint32_t position) const
    {
        return FindSpeedFix(m_track.m_arrGPS, position);
    }

signals:
    void loadStarted();
    void recordsAdded();
    void loadEnded(CSensorLoader::LoadResult result);

protected:
    // UI thread: the worker's wake-up; takes every queued delivery.
    void customEvent(QEvent *event) override;

private:
    // What the worker hands to the UI thread: a chunk of records, or the end of its load.
    struct Delivery {
        std::uint64_t generation = 0;
        CTextData chunk = CTextData::Empty();
        std::optional<LoadResult> end;
    };

    using RecordSink = std::function<void(std::span<const std::uint8_t>, std::uint32_t)>;

    // Loads `path` into `source` and passes every record to `sink`, in a loop bounded as
    // above. False when the source cannot be used or refused the file.
    static bool ReadRecords(CBaseFilter *source, const QString &path, std::size_t bufferSize,
                            std::uint64_t readLimit, const std::stop_token &stop,
                            const RecordSink &sink);
    // The worker's procedure: reads every record of `path` and hands them over in chunks.
    void LoadSensorTrack(std::stop_token stop, std::uint64_t generation, QString path,
                         std::uint64_t readLimit, std::unique_ptr<CBaseFilter> source);
    // Worker: queues a delivery and, unless one is pending, posts a wake-up to the UI thread.
    void Deliver(Delivery delivery);
    // UI thread: a chunk or the end of the worker of `generation` arrived.
    void OnChunk(std::uint64_t generation, const CTextData &chunk);
    void OnWorkerEnded(std::uint64_t generation, LoadResult result);
    void StopWorker();

    CTextData &m_track; // UI thread only
    const QString m_strClsid;
    std::uint64_t m_nGeneration = 0;                // UI thread only; the running load's number
    bool m_bLoading = false;                        // UI thread only
    std::uint64_t m_nReadLimit = kDefaultReadLimit; // UI thread only; copied to each worker

    // Shared by the worker and the UI thread, guarded by m_inboxMutex. The wake-up event is
    // posted with the mutex held, so everything the worker did before it is visible to the UI
    // thread once it takes the mutex.
    std::mutex m_inboxMutex;
    std::vector<Delivery> m_inbox;
    bool m_bWakePending = false;

    std::jthread m_worker; // started and joined on the UI thread; declared last, stopped first
};
