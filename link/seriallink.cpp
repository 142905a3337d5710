#include "seriallink.h"

#include "leadingnumber.h"
#include "linktrace.h"

#include <cmath>

SerialLink::SerialLink(QObject *parent)
    : QObject(parent)
    , m_port(new QSerialPort(this))
{
    m_port->setReadBufferSize(kReadBufferBytes);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialLink::onError);
    connect(m_port, &QSerialPort::readyRead, this, &SerialLink::received);
}

SerialLink::~SerialLink() = default;

void SerialLink::setPortName(const QString &name)
{
    if (m_port->isOpen())
        return;
    m_name = name;
    m_port->setPortName(name);
}

QString SerialLink::portName() const
{
    return m_name;
}

bool SerialLink::open()
{
    m_error.clear();
    m_errorKind = QSerialPort::NoError;
    if (m_port->isOpen())
        return true;
    if (m_name.isEmpty()) {
        m_error = tr("No serial port is named.");
        m_errorKind = QSerialPort::DeviceNotFoundError;
        return false;
    }
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_error = m_port->errorString();
        m_errorKind = m_port->error();
        m_port->clearError();
        return false;
    }
    const bool configured = m_port->setBaudRate(QSerialPort::Baud9600)
        && m_port->setDataBits(QSerialPort::Data8) && m_port->setParity(QSerialPort::NoParity)
        && m_port->setStopBits(QSerialPort::OneStop)
        && m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_error = m_port->errorString();
        m_errorKind = m_port->error();
        m_port->close();
        m_port->clearError();
        return false;
    }
    // Whatever a receiver sent before the link came up is not an answer to anything of ours.
    m_port->clear(QSerialPort::Input);
    m_sealed = false;
    qCDebug(lcLink).noquote() << "opened" << m_name << "at 9600 8N1";
    return true;
}

void SerialLink::close()
{
    if (m_port->isOpen()) {
        m_port->close();
        qCDebug(lcLink).noquote() << "closed" << m_name;
    }
    m_port->clearError();
}

bool SerialLink::isOpen() const
{
    return m_port->isOpen();
}

bool SerialLink::write(const QByteArray &bytes)
{
    if (!m_port->isOpen() || m_sealed)
        return false;
    qCDebug(lcLink).noquote() << "sent" << TraceText(bytes);
    if (m_port->write(bytes) != bytes.size()) {
        fail(m_port->error(), m_port->errorString());
        return false;
    }
    // Put the line on the wire now rather than at the next turn of the event loop: the pacing
    // wait that follows a command is measured from here.
    m_port->flush();
    return m_port->isOpen();
}

bool SerialLink::writeLast(const QByteArray &bytes)
{
    const bool written = write(bytes);
    m_sealed = true;
    return written;
}

QByteArray SerialLink::readAll()
{
    if (!m_port->isOpen())
        return {};
    const QByteArray received = m_port->readAll();
    if (!received.isEmpty())
        qCDebug(lcLink).noquote() << "received" << TraceText(received);
    return received;
}

void SerialLink::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        // A vanished device makes QSerialPort repeat these errors in a tight loop until the port
        // is closed: close on the first one and report it once.
        if (m_port->isOpen())
            fail(error, m_port->errorString());
        break;
    default:
        break;
    }
}

void SerialLink::fail(QSerialPort::SerialPortError error, const QString &reason)
{
    if (!m_port->isOpen())
        return;
    m_error = reason;
    m_errorKind = error;
    m_port->close();
    m_port->clearError();
    qCDebug(lcLink).noquote() << "failed and closed" << m_name << ":" << reason;
    emit failed(error, reason);
}

QString PortNameForChannel(const QString &channelText)
{
    const QString text = channelText.trimmed();
    if (text.isEmpty())
        return {};
    const QChar first = text.front();
    const bool numeric = first.isDigit() || first == u'+' || first == u'-' || first == u'.';
    if (!numeric)
        return text;
    // A port number is rounded to a 16-bit whole number, halves to even.
    const double number = std::nearbyint(LeadingNumber(text.toStdString()));
    if (number < 1 || number > 32767)
        return {};
    const int port = int(number);
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}
