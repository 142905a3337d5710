#include "commandlink.h"

#include "codelog.h"
#include "linepacer.h"
#include "seriallink.h"

namespace {

// How often a closing looks whether the queue has gone out.
constexpr int kDrainCheckMs = 2;

} // namespace

CommandLink::CommandLink(SerialLink &port, CodeLog &codesOut, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_codesOut(codesOut)
    , m_pacer(new LinePacer(port, codesOut, this))
{
    m_closeCheck.setInterval(kDrainCheckMs);
    m_closeCheck.setTimerType(Qt::PreciseTimer);
    connect(&m_closeCheck, &QTimer::timeout, this, &CommandLink::CheckDrained);
    connect(&m_port, &SerialLink::closed, &m_closeCheck, &QTimer::stop);
}

CommandLink::~CommandLink() = default;

void CommandLink::SendCommand(const QString &text)
{
    if (!isOpen())
        return;
    m_pacer->Enqueue(text, true, kCommandPauseMs);
    // The receiver leaves remote control: a command queued behind it would reach a receiver that
    // no longer listens.
    if (text == QLatin1String("RMT/"))
        m_pacer->Seal();
}

void CommandLink::SendQuery(const QString &text, std::function<void()> onWritten)
{
    if (isOpen())
        m_pacer->Enqueue(text, false, 0, std::move(onWritten));
}

void CommandLink::Pause(int ms)
{
    if (isOpen())
        m_pacer->ExtendPause(ms);
}

void CommandLink::CloseWhenDrained(int timeoutMs)
{
    if (!m_port.isOpen())
        return;
    m_pacer->Seal();
    m_closeDeadline = QDeadlineTimer(timeoutMs, Qt::PreciseTimer);
    m_closeCheck.start();
    CheckDrained();
}

void CommandLink::CancelClose()
{
    if (!m_closeCheck.isActive())
        return;
    m_closeCheck.stop();
    m_pacer->Unseal();
}

void CommandLink::CheckDrained()
{
    if (!m_port.isOpen()) {
        m_closeCheck.stop();
        return;
    }
    if (m_pacer->isDrained() || m_closeDeadline.hasExpired()) {
        m_closeCheck.stop();
        m_port.close();
    }
}

bool CommandLink::isOpen() const
{
    return m_port.isOpen() && !m_pacer->isSealed();
}

void CommandLink::setLineBytesPerSecond(double bytesPerSecond)
{
    m_pacer->setBytesPerSecond(bytesPerSecond);
}

double CommandLink::lineBytesPerSecond() const
{
    return m_pacer->bytesPerSecond();
}

int CommandLink::queuedBytes() const
{
    return m_pacer->queuedBytes();
}

qint64 CommandLink::replacedCommands() const
{
    return m_pacer->replacedLines();
}

double CommandLink::aheadBytes() const
{
    return m_pacer->aheadBytes();
}

int CommandLink::backlogMs() const
{
    return m_pacer->backlogMs();
}
