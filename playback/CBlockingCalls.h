#pragma once

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// Calls that may block for as long as a slow or dying card wants (opening and reading a file,
// stopping a pipeline whose source hangs in a read) run on threads of their own, so the UI
// thread only ever waits for them in bounded ways and can stop waiting. Each job owns what it
// works on. A call that never returns keeps its thread: the destructor waits a bounded time
// for the calls still running and leaves the rest to the end of the process; what they may
// still reach goes with the last of them. Lives on the UI thread.
class CBlockingCalls : public QObject
{
    Q_OBJECT
public:
    // One started call.
    class Call
    {
    public:
        // The job has returned; what it wrote is visible once this holds.
        bool IsDone() const;
        // Blocks the caller for at most `bound`; true when the job has returned.
        bool WaitFor(std::chrono::milliseconds bound) const;

    private:
        friend class CBlockingCalls;
        void SetDone();
        mutable std::mutex m_mutex;
        mutable std::condition_variable m_doneChanged;
        bool m_bDone = false; // guarded by m_mutex
    };

    explicit CBlockingCalls(std::chrono::milliseconds exitBound = std::chrono::seconds(2));
    ~CBlockingCalls() override;
    CBlockingCalls(const CBlockingCalls &) = delete;
    CBlockingCalls &operator=(const CBlockingCalls &) = delete;

    // Starts `job` on a thread of its own.
    std::shared_ptr<const Call> Start(std::function<void()> job);
    // `remains` (objects the call's job may still reach) is destroyed on the UI thread once
    // `call` has returned; when it has not returned by the time this object goes, on the last
    // worker thread to end.
    void KeepUntilDone(std::shared_ptr<const Call> call, std::shared_ptr<void> remains);
    // Calls that have not returned yet.
    int Running() const;

private:
    // What the threads share with this object, which may go before they end.
    struct Shared {
        std::mutex mutex;
        CBlockingCalls *owner = nullptr; // guarded by mutex; null once the owner is going
        // What calls left running may reach, kept until the last thread lets go of this.
        std::vector<std::shared_ptr<void>> abandoned; // guarded by mutex
    };
    struct Worker {
        std::thread thread;
        std::shared_ptr<Call> call;
    };
    // UI thread: joins the threads that ended and frees what waited for them.
    void Reap();

    std::chrono::milliseconds m_exitBound;
    std::shared_ptr<Shared> m_shared;
    std::vector<Worker> m_workers;
    std::vector<std::pair<std::shared_ptr<const Call>, std::shared_ptr<void>>> m_remains;
};
