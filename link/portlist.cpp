#include "portlist.h"

#include "seriallink.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace {

QString TrPortList(const char *text)
{
    return QCoreApplication::translate("PortList", text);
}

// What a port is, by its device name, for the ports the system says nothing of: the common ones
// the kernel names by kind. Searched in order; the first prefix that matches wins.
struct PortKind
{
    const char *prefix;
    const char *description;
};
constexpr PortKind kPortKinds[] = {
    {"/dev/ttyS", QT_TRANSLATE_NOOP("PortList", "Built-in serial port")},
    {"/dev/ttyUSB", QT_TRANSLATE_NOOP("PortList", "USB serial adapter")},
    {"/dev/ttyACM", QT_TRANSLATE_NOOP("PortList", "USB serial device")},
    {"/dev/ttyAMA", QT_TRANSLATE_NOOP("PortList", "On-board serial port")},
    {"/dev/ttyTHS", QT_TRANSLATE_NOOP("PortList", "On-board serial port")},
    {"/dev/rfcomm", QT_TRANSLATE_NOOP("PortList", "Bluetooth serial link")},
    {"/dev/pts/", QT_TRANSLATE_NOOP("PortList", "Pseudo-terminal")},
};

QString RealPath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

QList<PortEntry> SystemPorts(QString *problem)
{
    const std::optional<QList<SystemPortInfo>> infos = ListSerialPorts(problem);
    QList<PortEntry> ports;
    for (const SystemPortInfo &info : infos.value_or(QList<SystemPortInfo>())) {
        const QString description
            = info.description.isEmpty() ? PortKindDescription(info.device) : info.description;
        ports << PortEntry {info.device, description, info.manufacturer, info.serialNumber,
            UsbId(info.vendor, info.product)};
    }
    return ports;
}

QString PortKindDescription(const QString &device)
{
    for (const PortKind &kind : kPortKinds) {
        if (device.startsWith(QLatin1String(kind.prefix)))
            return TrPortList(kind.description);
    }
    return TrPortList("Serial port");
}

QString UsbId(std::optional<quint16> vendor, std::optional<quint16> product)
{
    if (!vendor || !product)
        return {};
    return QStringLiteral("%1:%2")
        .arg(*vendor, 4, 16, QLatin1Char('0'))
        .arg(*product, 4, 16, QLatin1Char('0'));
}

QString DescribeChannel(const QString &channelText, const std::optional<QList<PortEntry>> &ports)
{
    const QString device = PortNameForChannel(channelText);
    if (device.isEmpty()) {
        if (channelText.trimmed().isEmpty())
            return TrPortList("The Channel box is empty: ON has no port to open.");
        return TrPortList("Channel \"%1\" names no serial port: ON has no port to open.")
            .arg(channelText.trimmed());
    }
    // "Channel "/dev/ttyS0" is /dev/ttyS0" says nothing: the device is named once when typed.
    const QString text = channelText.trimmed();
    const bool typedAsDevice = text == device;
    const QString intro = typedAsDevice ? TrPortList("Channel \"%1\"").arg(text)
                                        : TrPortList("Channel \"%1\" is %2").arg(text, device);
    const QString real = RealPath(device);
    for (const PortEntry &port : ports.value_or(QList<PortEntry>())) {
        if (RealPath(port.device) != real)
            continue;
        QStringList details;
        for (const QString &detail : {port.description, port.manufacturer})
            if (!detail.isEmpty() && !details.contains(detail))
                details << detail;
        if (!port.serialNumber.isEmpty())
            details << TrPortList("serial number %1").arg(port.serialNumber);
        if (!port.usbId.isEmpty())
            details << TrPortList("USB %1").arg(port.usbId);
        if (port.device != device)
            details << TrPortList("now %1").arg(port.device);
        if (details.isEmpty())
            details << PortKindDescription(port.device);
        return intro + QStringLiteral(": ") + details.join(QStringLiteral(", ")) + QLatin1Char('.');
    }
    if (!QFileInfo::exists(device))
        return intro
            + (typedAsDevice ? TrPortList(" does not exist at the moment.")
                             : TrPortList(", which does not exist at the moment."));
    if (!ports)
        return intro
            + (typedAsDevice
                    ? TrPortList(" cannot be looked up: the serial ports cannot be listed.")
                    : TrPortList(", which cannot be looked up: the serial ports cannot be "
                                 "listed."));
    return intro
        + (typedAsDevice ? TrPortList(" is not a serial port the system lists.")
                         : TrPortList(", which the system does not list as a serial port."));
}
