// The serial port module: Qt Serial Port behind the SerialDevice calls, loaded when a port is
// first opened or listed.
#include "serialdevice.h"

#include <QSerialPort>
#include <QSerialPortInfo>

namespace {

static_assert(int(PortError::DeviceNotFound) == QSerialPort::DeviceNotFoundError
    && int(PortError::Permission) == QSerialPort::PermissionError
    && int(PortError::Open) == QSerialPort::OpenError
    && int(PortError::Write) == QSerialPort::WriteError
    && int(PortError::Read) == QSerialPort::ReadError
    && int(PortError::Resource) == QSerialPort::ResourceError
    && int(PortError::UnsupportedOperation) == QSerialPort::UnsupportedOperationError
    && int(PortError::Unknown) == QSerialPort::UnknownError
    && int(PortError::Timeout) == QSerialPort::TimeoutError
    && int(PortError::NotOpen) == QSerialPort::NotOpenError);

class QtSerialDevice final : public SerialDevice
{
public:
    QtSerialDevice()
    {
        QObject::connect(&m_port, &QSerialPort::readyRead, [this] {
            if (m_readyRead)
                m_readyRead();
        });
        QObject::connect(
            &m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError kind) {
                if (m_error)
                    m_error(PortError(kind));
            });
    }
    // Closing the port on the way out reports to no one.
    ~QtSerialDevice() override { QObject::disconnect(&m_port, nullptr, nullptr, nullptr); }

    void OnReadyRead(std::function<void()> readyRead) override
    {
        m_readyRead = std::move(readyRead);
    }
    void OnError(std::function<void(PortError)> error) override { m_error = std::move(error); }

    void setReadBufferSize(qint64 bytes) override { m_port.setReadBufferSize(bytes); }
    void setPortName(const QString &name) override { m_port.setPortName(name); }
    bool open() override { return m_port.open(QIODevice::ReadWrite); }
    bool configure() override
    {
        return m_port.setBaudRate(QSerialPort::Baud9600) && m_port.setDataBits(QSerialPort::Data8)
            && m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop)
            && m_port.setFlowControl(QSerialPort::NoFlowControl);
    }
    void clearInput() override { m_port.clear(QSerialPort::Input); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    PortError error() const override { return PortError(m_port.error()); }
    QString errorString() const override { return m_port.errorString(); }
    void clearError() override { m_port.clearError(); }

    qint64 write(const QByteArray &bytes) override { return m_port.write(bytes); }
    void flush() override { m_port.flush(); }
    qint64 bytesToWrite() const override { return m_port.bytesToWrite(); }
    QByteArray readAll() override { return m_port.readAll(); }
    void fetchWaiting() override { m_port.waitForReadyRead(0); }
    int handle() const override { return int(m_port.handle()); }

private:
    QSerialPort m_port;
    std::function<void()> m_readyRead;
    std::function<void(PortError)> m_error;
};

} // namespace

// The module's entry points, looked up by name.
extern "C" Q_DECL_EXPORT SerialDevice *QzNewSerialDevice()
{
    return new QtSerialDevice;
}

extern "C" Q_DECL_EXPORT void QzListSerialPorts(QList<SystemPortInfo> *ports)
{
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        SystemPortInfo port {info.systemLocation(), info.description(), info.manufacturer(),
            info.serialNumber(), std::nullopt, std::nullopt};
        if (info.hasVendorIdentifier())
            port.vendor = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            port.product = info.productIdentifier();
        *ports << port;
    }
}
