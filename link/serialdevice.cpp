#include "serialdevice.h"

#include "moduleentry.h"

#include <QCoreApplication>

namespace {

// The module's entry points: a new port, owned by the caller; the ports the system lists.
using NewDevice = SerialDevice *(*)();
using ListPorts = void (*)(QList<SystemPortInfo> *ports);

QFunctionPointer Resolve(const char *entryPoint, QString *why)
{
    QString reason;
    const QFunctionPointer function
        = ModuleEntry(QStringLiteral("serialport.so"), entryPoint, &reason);
    if (!function && why)
        *why = QCoreApplication::translate("SerialDevice",
            "This installation cannot use serial ports (%1). Installing QZ Remote again puts "
            "back what is missing.")
                   .arg(reason);
    return function;
}

} // namespace

std::unique_ptr<SerialDevice> NewSerialDevice(QString *why)
{
    const auto newDevice = reinterpret_cast<NewDevice>(Resolve("QzNewSerialDevice", why));
    return newDevice ? std::unique_ptr<SerialDevice>(newDevice()) : nullptr;
}

std::optional<QList<SystemPortInfo>> ListSerialPorts(QString *why)
{
    const auto list = reinterpret_cast<ListPorts>(Resolve("QzListSerialPorts", why));
    if (!list)
        return std::nullopt;
    QList<SystemPortInfo> ports;
    list(&ports);
    return ports;
}
