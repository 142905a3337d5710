#include "commandlink.h"

#include "codelog.h"
#include "linepacer.h"
#include "seriallink.h"
#include "waittimer.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

CommandLink::CommandLink(SerialLink &port, WaitTimer &wait, CodeLog &codesOut, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_wait(wait)
    , m_codesOut(codesOut)
    , m_pacer(new LinePacer(port, codesOut, this))
{ }

CommandLink::~CommandLink() = default;

void CommandLink::SendCommand(const QString &text)
{
    if (!isOpen())
        return;
    m_pacer->Enqueue(text, true);
    // The receiver leaves remote control: a command queued behind it, say by a scan tick that
    // runs inside its pause, would reach a receiver that no longer listens.
    if (text == QLatin1String("RMT/"))
        m_pacer->Seal();
    Delay(kCommandPauseSeconds);
}

void CommandLink::SendQuery(const QString &text)
{
    if (isOpen())
        m_pacer->Enqueue(text, false);
}

bool CommandLink::DrainAndClose(int timeoutMs)
{
    if (!m_port.isOpen())
        return true;
    m_pacer->Seal();
    if (!m_pacer->isDrained()) {
        const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
        QEventLoop loop;
        QTimer check;
        check.setTimerType(Qt::PreciseTimer);
        connect(&check, &QTimer::timeout, &loop, [&] {
            if (!m_port.isOpen() || m_pacer->isDrained() || deadline.hasExpired())
                loop.quit();
        });
        check.start(2);
        loop.exec();
    }
    const bool drained = m_pacer->isDrained();
    m_port.close();
    return drained;
}

void CommandLink::Delay(double seconds)
{
    m_wait.Delay(seconds);
}

bool CommandLink::isOpen() const
{
    return m_port.isOpen() && !m_pacer->isSealed();
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
