// The workers for calls that may block on a dying card: a call that hangs keeps only its own
// thread, what it may still reach lives until it returns and is then freed on the UI thread,
// and the owner's end waits a bounded time, leaving a call that never returns behind.

#include "playback/CBlockingCalls.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

namespace
{
// A job that hangs until the test lets it go, as a read on a dead card does.
struct Gate {
    std::atomic<bool> open = false;
    std::atomic<bool> left = false;
    void Pass()
    {
        while (!open)
            QThread::msleep(1);
        left = true;
    }
};

// Something the hanging job may still reach; notes where it was freed.
struct Remains {
    explicit Remains(std::atomic<QThread *> &freedOn) : m_freedOn(freedOn) {}
    ~Remains() { m_freedOn = QThread::currentThread(); }
    std::atomic<QThread *> &m_freedOn;
};
} // namespace

class TestBlockingCalls : public QObject
{
    Q_OBJECT

private slots:
    void aHangingCallOnlyKeepsItsThread()
    {
        CBlockingCalls calls;
        auto gate = std::make_shared<Gate>();
        const auto call = calls.Start([gate] { gate->Pass(); });
        QVERIFY(!call->WaitFor(std::chrono::milliseconds(20)));
        QVERIFY(!call->IsDone());
        QCOMPARE(calls.Running(), 1);
        gate->open = true;
        QVERIFY(call->WaitFor(std::chrono::seconds(10)));
        QVERIFY(QTest::qWaitFor([&] { return calls.Running() == 0; }, 10000));
    }

    void remainsLiveUntilTheCallReturnsAndGoOnTheUiThread()
    {
        CBlockingCalls calls;
        auto gate = std::make_shared<Gate>();
        std::atomic<QThread *> freedOn = nullptr;
        const auto call = calls.Start([gate] { gate->Pass(); });
        calls.KeepUntilDone(call, std::make_shared<Remains>(freedOn));
        QTest::qWait(50);
        QVERIFY(freedOn.load() == nullptr);
        gate->open = true;
        QVERIFY(QTest::qWaitFor([&] { return freedOn.load() != nullptr; }, 10000));
        QCOMPARE(freedOn.load(), QThread::currentThread());
    }

    // The owner goes while a call still hangs: it waits only its bound, and what the call may
    // reach is not freed under it, only once the call has returned.
    void theEndWaitsABoundedTime()
    {
        auto gate = std::make_shared<Gate>();
        std::atomic<QThread *> freedOn = nullptr;
        {
            CBlockingCalls calls(std::chrono::milliseconds(50));
            const auto call = calls.Start([gate] { gate->Pass(); });
            calls.KeepUntilDone(call, std::make_shared<Remains>(freedOn));
        }
        QVERIFY(freedOn.load() == nullptr);
        QVERIFY(!gate->left);
        // The call returns later, with nobody left to tell: its thread frees them.
        gate->open = true;
        QVERIFY(QTest::qWaitFor([&] { return freedOn.load() != nullptr; }, 10000));
        QVERIFY(gate->left);
        QVERIFY(freedOn.load() != QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(TestBlockingCalls)
#include "test_blockingcalls.moc"
