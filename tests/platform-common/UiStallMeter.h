#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <chrono>

// How long the thread's event loop went without a turn. A short timer on the measuring thread
// notes the longest gap between two of its timeouts (and, on Stop, up to the moment it stops):
// a loop that keeps turning shows gaps near the period, a loop held by a blocking call shows
// how long it was held. Run it around whatever must keep a window alive (an open, a seek, a
// close, a copy) and report the figure; it measures, it asserts nothing.
//
//     UiStallMeter meter;
//     meter.Start();
//     dlg->Transport().OnListDoubleClick(0);
//     meter.Stop();
//     qInfo().noquote() << meter.Summary("open");
class UiStallMeter
{
public:
    explicit UiStallMeter(std::chrono::milliseconds period = std::chrono::milliseconds(10))
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(period);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Note(); });
    }
    UiStallMeter(const UiStallMeter &) = delete;
    UiStallMeter &operator=(const UiStallMeter &) = delete;

    // Starts (again) from nothing measured.
    void Start()
    {
        m_longestMs = 0;
        m_turns = 0;
        m_sinceLastTurn.start();
        m_timer.start();
    }
    // The gap still open counts as well: a call that blocks until Stop is measured too.
    void Stop()
    {
        if (!m_timer.isActive())
            return;
        m_timer.stop();
        m_longestMs = std::max(m_longestMs, m_sinceLastTurn.elapsed());
    }
    bool IsRunning() const { return m_timer.isActive(); }

    // The longest time without a turn of the loop, so far.
    std::chrono::milliseconds Longest() const
    {
        const qint64 open = m_timer.isActive() ? m_sinceLastTurn.elapsed() : 0;
        return std::chrono::milliseconds(std::max(m_longestMs, open));
    }
    // Timer timeouts seen: how often the loop turned while measured.
    int Turns() const { return m_turns; }

    // One line for a test log: "stall during <what>: longest 12 ms without an event loop turn
    // (37 turns)".
    QString Summary(const QString &what) const
    {
        return QStringLiteral(
                   "stall during %1: longest %2 ms without an event loop turn (%3 turns)")
            .arg(what)
            .arg(Longest().count())
            .arg(m_turns);
    }

private:
    void Note()
    {
        m_longestMs = std::max(m_longestMs, m_sinceLastTurn.restart());
        ++m_turns;
    }

    QTimer m_timer;
    QElapsedTimer m_sinceLastTurn;
    qint64 m_longestMs = 0;
    int m_turns = 0;
};
