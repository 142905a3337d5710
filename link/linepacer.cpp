#include "linepacer.h"

#include "codelog.h"
#include "linklog.h"
#include "serialline.h"
#include "seriallink.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 kNsPerMs = 1000 * 1000;

bool IsFrequencyCommand(const QString &text)
{
    return text.startsWith(QLatin1String("FRQ "));
}

} // namespace

LinePacer::LinePacer(SerialLink &port, CodeLog &codesOut, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_codesOut(codesOut)
    , m_bytesPerSecond(kLineBytesPerSecond)
{
    m_clock.start();
    m_sequenceEnd.setSingleShot(true);
    m_sequenceEnd.setInterval(0);
    m_next.setSingleShot(true);
    // A pause must never come out shorter than asked: a coarse timer may fire 5 % early.
    m_next.setTimerType(Qt::PreciseTimer);
    connect(&m_next, &QTimer::timeout, this, &LinePacer::Pump);
    // Each opening starts with an idle line and an empty queue; nothing outlives a closing.
    connect(&m_port, &SerialLink::opened, this, &LinePacer::Reset);
    connect(&m_port, &SerialLink::closed, this, &LinePacer::Reset);
}

void LinePacer::Enqueue(
    const QString &text, bool logged, int pauseMs, std::function<void()> onWritten)
{
    if (!m_port.isOpen() || m_sealed)
        return;
    if (!m_sequenceEnd.isActive()) {
        ++m_sequence;
        m_sequenceEnd.start();
    }
    Line line {text.toLatin1() + '\r', text, logged, IsFrequencyCommand(text), std::max(0, pauseMs),
        std::move(onWritten), m_sequence};
    if (line.frequency)
        ReplaceOlderFrequency();
    m_queuedBytes += int(line.bytes.size());
    m_waiting.push_back(std::move(line));
    Pump();
}

void LinePacer::ExtendPause(int ms)
{
    if (ms <= 0)
        return;
    if (!m_waiting.empty())
        m_waiting.back().pauseMs += ms;
    else
        m_pauseEndsNs = std::max(m_pauseEndsNs, m_clock.nsecsElapsed()) + ms * kNsPerMs;
}

void LinePacer::Seal()
{
    m_sealed = true;
}

bool LinePacer::isDrained() const
{
    return m_waiting.empty() && m_ready.empty() && aheadBytes() <= 0;
}

void LinePacer::setBytesPerSecond(double bytesPerSecond)
{
    if (bytesPerSecond > 0)
        m_bytesPerSecond = bytesPerSecond;
}

double LinePacer::ModelAheadBytes() const
{
    const double elapsedSeconds = double(m_clock.nsecsElapsed() - m_aheadAtNs) / 1e9;
    return std::max(0.0, m_aheadBytes - elapsedSeconds * m_bytesPerSecond);
}

double LinePacer::aheadBytes() const
{
    return std::max(ModelAheadBytes(), double(m_port.pendingBytes()));
}

int LinePacer::backlogMs() const
{
    return int(std::ceil((aheadBytes() + m_queuedBytes) / m_bytesPerSecond * 1000.0));
}

void LinePacer::ReplaceOlderFrequency()
{
    for (std::deque<Line> *stage : {&m_ready, &m_waiting}) {
        const auto older = std::find_if(stage->begin(), stage->end(),
            [this](const Line &line) { return line.frequency && line.sequence != m_sequence; });
        if (older == stage->end())
            continue;
        qCDebug(lcLink).noquote() << LinkLogTime() << "replaced" << older->text;
        m_queuedBytes -= int(older->bytes.size());
        stage->erase(older);
        ++m_replaced;
        return;
    }
}

void LinePacer::Pump()
{
    // Logging a line or telling that it went out may run code that queues more: each turn of
    // the loop looks at the queue afresh.
    while (m_port.isOpen()) {
        const qint64 now = m_clock.nsecsElapsed();
        if (!m_waiting.empty() && now >= m_pauseEndsNs) {
            Line line = std::move(m_waiting.front());
            m_waiting.pop_front();
            m_pauseEndsNs = now + line.pauseMs * kNsPerMs;
            m_ready.push_back(std::move(line));
            continue;
        }
        if (m_ready.empty())
            break;
        const int size = int(m_ready.front().bytes.size());
        const double ahead = aheadBytes();
        if (ahead > 0 && ahead + size > kAheadBytes)
            break;
        Line line = std::move(m_ready.front());
        m_ready.pop_front();
        m_queuedBytes -= size;
        m_aheadBytes = ModelAheadBytes() + size;
        m_aheadAtNs = m_clock.nsecsElapsed();
        if (line.logged)
            m_codesOut.append(line.text);
        if (!m_port.write(line.bytes))
            return; // the port failed and has been closed: the queue is gone with it
        if (line.onWritten)
            line.onWritten();
    }
    if (!m_port.isOpen())
        return;
    // Come back when the next pause ends or the line has carried enough, whichever is first; at
    // least a couple of milliseconds for the line, so a port that reports bytes stuck in it is
    // not asked over and over.
    double waitMs = -1;
    if (!m_waiting.empty())
        waitMs = double(m_pauseEndsNs - m_clock.nsecsElapsed()) / double(kNsPerMs);
    if (!m_ready.empty()) {
        const double lineMs = std::max(2.0,
            (aheadBytes() + m_ready.front().bytes.size() - kAheadBytes) / m_bytesPerSecond
                * 1000.0);
        waitMs = waitMs < 0 ? lineMs : std::min(waitMs, lineMs);
    }
    if (waitMs >= 0)
        m_next.start(std::max(0, int(std::ceil(waitMs))));
}

void LinePacer::Reset()
{
    m_waiting.clear();
    m_ready.clear();
    m_queuedBytes = 0;
    m_sealed = false;
    m_aheadBytes = 0;
    m_aheadAtNs = m_clock.nsecsElapsed();
    m_pauseEndsNs = 0;
    m_next.stop();
}
