#include "linepacer.h"

#include "codelog.h"
#include "linklog.h"
#include "seriallink.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsFrequencyCommand(const QString &text)
{
    return text.startsWith(QLatin1String("FRQ "));
}

} // namespace

LinePacer::LinePacer(SerialLink &port, CodeLog &codesOut, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_codesOut(codesOut)
{
    m_clock.start();
    m_next.setSingleShot(true);
    m_next.setTimerType(Qt::PreciseTimer);
    connect(&m_next, &QTimer::timeout, this, &LinePacer::HandOut);
    // Each opening starts with an idle line and an empty queue; nothing outlives a closing.
    connect(&m_port, &SerialLink::opened, this, &LinePacer::Reset);
    connect(&m_port, &SerialLink::closed, this, &LinePacer::Reset);
}

void LinePacer::Enqueue(const QString &text, bool logged)
{
    if (!m_port.isOpen() || m_sealed)
        return;
    Line line {text.toLatin1() + '\r', text, logged, IsFrequencyCommand(text)};
    if (line.frequency) {
        const auto older = std::find_if(
            m_queue.begin(), m_queue.end(), [](const Line &queued) { return queued.frequency; });
        if (older != m_queue.end()) {
            qCDebug(lcLink).noquote() << LinkLogTime() << "replaced" << older->text;
            m_queuedBytes -= int(older->bytes.size());
            m_queue.erase(older);
            ++m_replaced;
        }
    }
    m_queuedBytes += int(line.bytes.size());
    m_queue.push_back(std::move(line));
    HandOut();
}

void LinePacer::Seal()
{
    m_sealed = true;
}

bool LinePacer::isDrained() const
{
    return m_queue.empty() && aheadBytes() <= 0;
}

double LinePacer::ModelAheadBytes() const
{
    const double elapsedSeconds = double(m_clock.nsecsElapsed() - m_aheadAtNs) / 1e9;
    return std::max(0.0, m_aheadBytes - elapsedSeconds * kLineBytesPerSecond);
}

double LinePacer::aheadBytes() const
{
    return std::max(ModelAheadBytes(), double(m_port.pendingBytes()));
}

void LinePacer::HandOut()
{
    // Logging a line can run other code that queues more; the loop below takes that too.
    if (m_handing)
        return;
    m_handing = true;
    while (!m_queue.empty() && m_port.isOpen()) {
        const int size = int(m_queue.front().bytes.size());
        const double ahead = aheadBytes();
        if (ahead > 0 && ahead + size > kAheadBytes) {
            // Come back when the line has carried enough; at least a couple of milliseconds, so
            // a port that reports bytes stuck in it is not asked over and over.
            const double waitMs = (ahead + size - kAheadBytes) / kLineBytesPerSecond * 1000.0;
            m_next.start(std::max(2, int(std::ceil(waitMs))));
            break;
        }
        const Line line = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedBytes -= size;
        m_aheadBytes = ModelAheadBytes() + size;
        m_aheadAtNs = m_clock.nsecsElapsed();
        if (line.logged)
            m_codesOut.append(line.text);
        m_port.write(line.bytes);
    }
    m_handing = false;
}

void LinePacer::Reset()
{
    m_queue.clear();
    m_queuedBytes = 0;
    m_sealed = false;
    m_aheadBytes = 0;
    m_aheadAtNs = m_clock.nsecsElapsed();
    m_next.stop();
}
