#include "serialdevice.h"

#include "modulepath.h"

#include <QCoreApplication>
#include <QLibrary>

namespace {

// The module's entry points: a new port, owned by the caller; the ports the system lists.
using NewDevice = SerialDevice *(*)();
using ListPorts = void (*)(QList<SystemPortInfo> *ports);

QFunctionPointer Resolve(const char *entryPoint, QString *why)
{
    // Never unloaded: the ports' code runs until the program ends.
    QLibrary module(ModulePath(QStringLiteral("serialport.so")));
    const QFunctionPointer function = module.resolve(entryPoint);
    if (!function && why)
        *why = QCoreApplication::translate(
            "SerialDevice", "This installation cannot use serial ports (%1).")
                   .arg(module.errorString());
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
