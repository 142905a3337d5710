#pragma once

#include <QObject>
#include <QTimer>

// The cooperative wait, and the one timer every wait shares. While a wait runs, the window keeps
// processing its events (timer ticks and clicks included), so handlers run nested inside other
// handlers' waits. A wait started inside another ends both: they share one timer, and its tick
// sets the interval to 0, which every waiting loop sees.
class WaitTimer : public QObject
{
    Q_OBJECT

public:
    explicit WaitTimer(QObject *parent = nullptr);

    // Waits for the given seconds (rounded to whole milliseconds, halves to even) while processing
    // events. A wait that rounds to 0 ms returns at once without processing any event. The loop
    // blocks in the event loop between events: it never spins the processor.
    void Delay(double seconds);
    // Disables the timer with interval 0; any wait in progress ends.
    void Stop();

    int intervalMs() const { return m_intervalMs; }
    bool isActive() const { return m_timer.isActive(); }
    // How many waits are in progress, outermost included.
    int depth() const { return m_depth; }

signals:
    void ticked();

private:
    void Tick();

    QTimer m_timer;
    int m_intervalMs = 0;
    int m_depth = 0;
};
