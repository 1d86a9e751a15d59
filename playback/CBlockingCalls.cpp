#include "playback/CBlockingCalls.h"

#include "playback/PlaybackLogging.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include <algorithm>

bool CBlockingCalls::Call::IsDone() const
{
    std::lock_guard lock(m_mutex);
    return m_bDone;
}

bool CBlockingCalls::Call::WaitFor(std::chrono::milliseconds bound) const
{
    std::unique_lock lock(m_mutex);
    return m_doneChanged.wait_for(lock, bound, [this] { return m_bDone; });
}

void CBlockingCalls::Call::SetDone()
{
    {
        std::lock_guard lock(m_mutex);
        m_bDone = true;
    }
    m_doneChanged.notify_all();
}

CBlockingCalls::CBlockingCalls(std::chrono::milliseconds exitBound)
    : m_exitBound(exitBound), m_shared(std::make_shared<Shared>())
{
    m_shared->owner = this;
}

CBlockingCalls::~CBlockingCalls()
{
    QElapsedTimer clock;
    clock.start();
    for (const Worker &worker : m_workers) {
        const auto left = std::max<qint64>(m_exitBound.count() - clock.elapsed(), 0);
        worker.call->WaitFor(std::chrono::milliseconds(left));
    }
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->owner = nullptr;
    }
    int stuck = 0;
    for (Worker &worker : m_workers) {
        if (worker.call->IsDone()) {
            worker.thread.join();
        } else {
            worker.thread.detach();
            ++stuck;
        }
    }
    std::lock_guard lock(m_shared->mutex);
    for (auto &[call, remains] : m_remains) {
        // A job still running may reach these.
        if (!call->IsDone())
            m_shared->abandoned.push_back(std::move(remains));
    }
    if (stuck > 0)
        qCWarning(lcPlayback) << stuck << "blocked calls left to the end of the process";
}

std::shared_ptr<const CBlockingCalls::Call> CBlockingCalls::Start(std::function<void()> job)
{
    auto call = std::make_shared<Call>();
    std::thread thread([job = std::move(job), call, shared = m_shared]() mutable {
        job();
        job = nullptr; // what the job owns goes before anyone hears it has returned
        call->SetDone();
        std::lock_guard lock(shared->mutex);
        if (shared->owner)
            QMetaObject::invokeMethod(shared->owner, &CBlockingCalls::Reap, Qt::QueuedConnection);
    });
    m_workers.push_back({std::move(thread), call});
    return call;
}

void CBlockingCalls::KeepUntilDone(std::shared_ptr<const Call> call, std::shared_ptr<void> remains)
{
    m_remains.emplace_back(std::move(call), std::move(remains));
    Reap();
}

int CBlockingCalls::Running() const
{
    return static_cast<int>(std::count_if(m_workers.begin(), m_workers.end(),
                                          [](const Worker &w) { return !w.call->IsDone(); }));
}

void CBlockingCalls::Reap()
{
    std::erase_if(m_remains, [](const auto &entry) { return entry.first->IsDone(); });
    std::erase_if(m_workers, [](Worker &worker) {
        if (!worker.call->IsDone())
            return false;
        worker.thread.join(); // it has nothing left to do but return
        return true;
    });
}
