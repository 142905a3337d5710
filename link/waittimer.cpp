#include "waittimer.h"

#include <QCoreApplication>

#include <climits>
#include <cmath>

WaitTimer::WaitTimer(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &WaitTimer::Tick);
}

void WaitTimer::Delay(double seconds)
{
    const double ms = std::nearbyint(seconds * 1000.0);
    m_intervalMs = ms > 0 && ms < double(INT_MAX) ? int(ms) : (ms >= double(INT_MAX) ? INT_MAX : 0);
    if (m_intervalMs == 0) {
        // An interval of 0 stops the shared timer: an enclosing wait ends with this one.
        m_timer.stop();
        return;
    }
    m_timer.start(m_intervalMs);
    ++m_depth;
    while (m_intervalMs > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    --m_depth;
    m_timer.stop();
}

void WaitTimer::Stop()
{
    m_timer.stop();
    m_intervalMs = 0;
}

void WaitTimer::Tick()
{
    m_intervalMs = 0;
    m_timer.stop();
    emit ticked();
}
