#include "seriallink.h"

#include "leadingnumber.h"
#include "linklog.h"

#include <cerrno>
#include <cmath>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>

namespace {

// What the descriptor is ready for now, without waiting: poll()'s events, POLLNVAL if it fails.
short PollNow(int descriptor, short events)
{
    pollfd device {descriptor, events, 0};
    int ready = -1;
    do {
        ready = ::poll(&device, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready < 0 ? short(POLLNVAL) : device.revents;
}

} // namespace
#endif

SerialLink::SerialLink(QObject *parent)
    : QObject(parent)
{ }

SerialLink::~SerialLink() = default;

void SerialLink::setPortName(const QString &name)
{
    if (isOpen())
        return;
    m_name = name;
}

QString SerialLink::portName() const
{
    return m_name;
}

bool SerialLink::open()
{
    m_error.clear();
    m_errorKind = PortError::None;
    if (isOpen())
        return true;
    if (m_name.isEmpty()) {
        m_error = tr("No serial port is named.");
        m_errorKind = PortError::DeviceNotFound;
        return false;
    }
    if (!m_port) {
        m_port = NewSerialDevice(&m_error);
        if (!m_port) {
            m_errorKind = PortError::ModuleMissing;
            qCDebug(lcLink).noquote() << LinkLogTime() << "cannot open" << m_name << m_error;
            return false;
        }
        m_port->setReadBufferSize(kReadBufferBytes);
        m_port->OnError([this](PortError error) { onError(error); });
        m_port->OnReadyRead([this] {
            if (!m_fetching)
                emit received();
        });
    }
    m_port->setPortName(m_name);
    if (!m_port->open()) {
        m_error = m_port->errorString();
        m_errorKind = m_port->error();
        m_port->clearError();
        return false;
    }
    if (!m_port->configure()) {
        m_error = m_port->errorString();
        m_errorKind = m_port->error();
        m_port->close();
        m_port->clearError();
        return false;
    }
    // Whatever a receiver sent before the link came up is not an answer to anything of ours.
    m_port->clearInput();
    qCDebug(lcLink).noquote() << LinkLogTime() << "open" << m_name;
    emit opened();
    return true;
}

void SerialLink::close()
{
    const bool wasOpen = isOpen();
    if (wasOpen)
        m_port->close();
    if (m_port)
        m_port->clearError();
    if (wasOpen) {
        qCDebug(lcLink).noquote() << LinkLogTime() << "close" << m_name;
        emit closed();
    }
}

bool SerialLink::isOpen() const
{
    return m_port && m_port->isOpen();
}

bool SerialLink::write(const QByteArray &bytes)
{
    if (!isOpen())
        return false;
    qCDebug(lcLink).noquote() << LinkLogTime() << "out" << LinkLogText(bytes);
    // The port keeps what it is given and writes it whenever the driver can take more.
    if (m_port->write(bytes) != bytes.size()) {
        fail(m_port->error(), m_port->errorString());
        return false;
    }
    // Put the line on the wire now rather than at the next turn of the event loop: the pacing
    // wait that follows a command is measured from here. Only while the driver can take bytes:
    // flushing into a full buffer makes QSerialPort report "Resource temporarily unavailable".
#ifdef Q_OS_UNIX
    if (PollNow(m_port->handle(), POLLOUT) & POLLOUT)
        m_port->flush();
#else
    m_port->flush();
#endif
    return isOpen();
}

qint64 SerialLink::pendingBytes() const
{
    if (!isOpen())
        return 0;
    qint64 pending = m_port->bytesToWrite();
#if defined(Q_OS_UNIX) && defined(TIOCOUTQ)
    int driverQueue = 0;
    if (::ioctl(m_port->handle(), TIOCOUTQ, &driverQueue) == 0 && driverQueue > 0)
        pending += driverQueue;
#endif
    return pending;
}

QByteArray SerialLink::readAll()
{
    if (!isOpen())
        return {};
    FetchWaiting();
    const QByteArray bytes = m_port->readAll();
    if (!bytes.isEmpty())
        qCDebug(lcLink).noquote() << LinkLogTime() << "in" << LinkLogText(bytes);
    return bytes;
}

void SerialLink::FetchWaiting()
{
#ifdef Q_OS_UNIX
    // Only bytes to read: with nothing the wait would report a time-out, and a hang-up or an error
    // is the port's notice to handle.
    if (PollNow(m_port->handle(), POLLIN) == POLLIN) {
        m_fetching = true;
        m_port->fetchWaiting();
        m_fetching = false;
    }
#endif
}

void SerialLink::onError(PortError error)
{
    if (!isOpen())
        return;
    switch (error) {
    case PortError::Resource:
        // QSerialPort reports both a vanished device (EIO) and a full transmit buffer (EAGAIN) as
        // a resource error. A full buffer only means "later": the bytes stay in the port, which
        // writes them once the driver can take them.
        if (!deviceGone()) {
            qCDebug(lcLink).noquote() << LinkLogTime() << "busy" << m_port->errorString();
            m_port->clearError();
            break;
        }
        [[fallthrough]];
    case PortError::Read:
    case PortError::Write:
        // A vanished device makes QSerialPort repeat these errors in a tight loop until the port
        // is closed: close on the first one and report it once.
        fail(error, m_port->errorString());
        break;
    default:
        break;
    }
}

bool SerialLink::deviceGone() const
{
#ifdef Q_OS_UNIX
    // A hang-up or an invalid descriptor is a device gone. So is a write that failed while the
    // driver had room: "try later" only comes from a full buffer (and this program writes only
    // when the driver says it has room), so anything else would fail again at every retry.
    return PollNow(m_port->handle(), POLLOUT) & (POLLHUP | POLLERR | POLLNVAL | POLLOUT);
#else
    return true;
#endif
}

void SerialLink::fail(PortError error, const QString &reason)
{
    if (!isOpen())
        return;
    m_error = reason;
    m_errorKind = error;
    m_port->close();
    m_port->clearError();
    qCDebug(lcLink).noquote() << LinkLogTime() << "failed" << reason;
    emit closed();
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
