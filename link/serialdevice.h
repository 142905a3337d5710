#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// How a port failed, numbered as Qt Serial Port numbers its errors, which the module hands on as
// they are. The link's own type, so that its signals need nothing of Qt Serial Port.
enum class PortError : int {
    None = 0,
    DeviceNotFound = 1,
    Permission = 2,
    Open = 3,
    Write = 4,
    Read = 5,
    Resource = 6,
    UnsupportedOperation = 7,
    Unknown = 8,
    Timeout = 9,
    NotOpen = 10,
    // The link's own: this installation's serial port module could not be loaded.
    ModuleMissing = 100,
};

// The serial port itself. Qt Serial Port, with the system's device library behind it, is a module
// loaded when a port is first opened or listed (NewSerialDevice, ListSerialPorts), so a panel that
// has not switched on yet never maps them. The calls are QSerialPort's.
class SerialDevice
{
public:
    virtual ~SerialDevice() = default;

    // Called when bytes have arrived, and when the port reports an error.
    virtual void OnReadyRead(std::function<void()> readyRead) = 0;
    virtual void OnError(std::function<void(PortError)> error) = 0;

    virtual void setReadBufferSize(qint64 bytes) = 0;
    virtual void setPortName(const QString &name) = 0;
    // Opens for reading and writing.
    virtual bool open() = 0;
    // 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control.
    virtual bool configure() = 0;
    // Drops what waits to be read.
    virtual void clearInput() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual PortError error() const = 0;
    virtual QString errorString() const = 0;
    virtual void clearError() = 0;

    virtual qint64 write(const QByteArray &bytes) = 0;
    virtual void flush() = 0;
    virtual qint64 bytesToWrite() const = 0;
    virtual QByteArray readAll() = 0;
    // Takes what the driver holds into the port's buffer, without waiting.
    virtual void fetchWaiting() = 0;
    virtual int handle() const = 0;
};

// A serial port as the system lists it.
struct SystemPortInfo
{
    QString device;
    QString description;
    QString manufacturer;
    QString serialNumber;
    std::optional<quint16> vendor;
    std::optional<quint16> product;
};

// A port from the module where the program's installation puts it (relative to the program);
// nothing, and why in a sentence for the operator, when the module cannot be loaded.
std::unique_ptr<SerialDevice> NewSerialDevice(QString *why);
// The ports the system offers now; nothing, and why, when the module cannot be loaded.
std::optional<QList<SystemPortInfo>> ListSerialPorts(QString *why);
