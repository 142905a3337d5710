#include "seriallink.h"

#include "leadingnumber.h"

#include <QSerialPort>

#include <cmath>

SerialLink::SerialLink(QObject *parent)
    : QObject(parent)
    , m_port(new QSerialPort(this))
{
    m_port->setReadBufferSize(kReadBufferBytes);
    connect(m_port, &QSerialPort::errorOccurred, this,
        [this](QSerialPort::SerialPortError error) { onError(int(error)); });
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
    m_openError = QSerialPort::NoError;
    if (m_port->isOpen())
        return true;
    if (m_name.isEmpty()) {
        m_error = tr("No serial port is named.");
        m_openError = QSerialPort::DeviceNotFoundError;
        return false;
    }
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_error = m_port->errorString();
        m_openError = m_port->error();
        m_port->clearError();
        return false;
    }
    const bool configured = m_port->setBaudRate(QSerialPort::Baud9600)
        && m_port->setDataBits(QSerialPort::Data8) && m_port->setParity(QSerialPort::NoParity)
        && m_port->setStopBits(QSerialPort::OneStop)
        && m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        m_error = m_port->errorString();
        m_openError = m_port->error();
        m_port->close();
        m_port->clearError();
        return false;
    }
    // Whatever a receiver sent before the link came up is not an answer to anything of ours.
    m_port->clear(QSerialPort::Input);
    return true;
}

void SerialLink::close()
{
    if (m_port->isOpen())
        m_port->close();
    m_port->clearError();
}

bool SerialLink::isOpen() const
{
    return m_port->isOpen();
}

bool SerialLink::write(const QByteArray &bytes)
{
    if (!m_port->isOpen())
        return false;
    if (m_port->write(bytes) != bytes.size()) {
        fail(m_port->errorString());
        return false;
    }
    // Put the line on the wire now rather than at the next turn of the event loop: the pacing
    // wait that follows a command is measured from here.
    m_port->flush();
    return m_port->isOpen();
}

QByteArray SerialLink::readAll()
{
    if (!m_port->isOpen())
        return {};
    return m_port->readAll();
}

void SerialLink::onError(int error)
{
    switch (QSerialPort::SerialPortError(error)) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        // A vanished device makes QSerialPort repeat these errors in a tight loop until the port
        // is closed: close on the first one and report it once.
        if (m_port->isOpen())
            fail(m_port->errorString());
        break;
    default:
        break;
    }
}

void SerialLink::fail(const QString &reason)
{
    if (!m_port->isOpen())
        return;
    m_error = reason;
    m_port->close();
    m_port->clearError();
    emit failed(reason);
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
