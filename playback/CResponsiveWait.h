#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>

// How a wait on the UI thread ended.
enum class WaitResult { Done, TimedOut, Cancelled };

// Cancels one operation that waits on the UI thread (an open): a handler that runs inside the
// wait (Close, the card's removal, a new open) sets it, and every wait that watches it, the
// running one included, returns Cancelled at once. UI thread only.
class CWaitCancel
{
public:
    void Cancel() { m_bCancelled = true; }
    void Reset() { m_bCancelled = false; }
    bool IsCancelled() const { return m_bCancelled; }

private:
    bool m_bCancelled = false;
};

// Waits on the UI thread without freezing it: the thread's event loop runs (repaints, clicks,
// timers, the bus, the drive monitor) until `done()` holds, the time is up or `cancel` is set.
// A short timer wakes the loop so that conditions no event announces are looked at again.
// Whatever runs inside may cancel, but must not destroy what the caller still uses: owners
// of a wait defer such work until it returns.
template <typename Done>
WaitResult WaitResponsively(Done done, std::chrono::milliseconds timeout, const CWaitCancel *cancel)
{
    constexpr std::chrono::milliseconds kSlice{20};
    QElapsedTimer clock;
    clock.start();
    QTimer slice;
    slice.setTimerType(Qt::PreciseTimer);
    slice.start(kSlice);
    QEventLoop loop;
    for (;;) {
        if (cancel && cancel->IsCancelled())
            return WaitResult::Cancelled;
        if (done())
            return WaitResult::Done;
        if (clock.elapsed() >= timeout.count())
            return WaitResult::TimedOut;
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
}
