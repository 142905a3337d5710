#include "commandlink.h"

#include "codelog.h"
#include "seriallink.h"
#include "waittimer.h"

CommandLink::CommandLink(SerialLink &port, WaitTimer &wait, CodeLog &codesOut, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_wait(wait)
    , m_codesOut(codesOut)
{ }

void CommandLink::SendCommand(const QString &text)
{
    if (!m_port.acceptsWrites())
        return;
    m_codesOut.append(text);
    m_port.write(text.toLatin1() + '\r');
    Delay(kCommandPauseSeconds);
}

void CommandLink::SendLastCommand(const QString &text)
{
    if (!m_port.acceptsWrites())
        return;
    m_codesOut.append(text);
    m_port.writeLast(text.toLatin1() + '\r');
    Delay(kCommandPauseSeconds);
}

void CommandLink::Delay(double seconds)
{
    m_wait.Delay(seconds);
}

bool CommandLink::isOpen() const
{
    return m_port.isOpen();
}
