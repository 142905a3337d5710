#include "portlist.h"

#include "seriallink.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringList>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("PortList", text);
}

QString RealPath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

QList<PortEntry> SystemPorts()
{
    QList<PortEntry> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        ports << PortEntry {info.systemLocation(), info.description(), info.manufacturer(),
            info.serialNumber(),
            UsbId(info.hasVendorIdentifier(), info.vendorIdentifier(), info.hasProductIdentifier(),
                info.productIdentifier())};
    }
    return ports;
}

QString UsbId(bool hasVendor, quint16 vendor, bool hasProduct, quint16 product)
{
    if (!hasVendor || !hasProduct)
        return {};
    return QStringLiteral("%1:%2")
        .arg(vendor, 4, 16, QLatin1Char('0'))
        .arg(product, 4, 16, QLatin1Char('0'));
}

QString DescribeChannel(const QString &channelText, const QList<PortEntry> &ports)
{
    const QString device = PortNameForChannel(channelText);
    if (device.isEmpty()) {
        if (channelText.trimmed().isEmpty())
            return Tr("The Channel box is empty: ON has no port to open.");
        return Tr("Channel \"%1\" names no serial port: ON has no port to open.")
            .arg(channelText.trimmed());
    }
    const QString intro = Tr("Channel \"%1\" is %2").arg(channelText.trimmed(), device);
    const QString real = RealPath(device);
    for (const PortEntry &port : ports) {
        if (RealPath(port.device) != real)
            continue;
        QStringList details;
        for (const QString &detail : {port.description, port.manufacturer})
            if (!detail.isEmpty() && !details.contains(detail))
                details << detail;
        if (!port.serialNumber.isEmpty())
            details << Tr("serial number %1").arg(port.serialNumber);
        if (!port.usbId.isEmpty())
            details << Tr("USB %1").arg(port.usbId);
        if (port.device != device)
            details << Tr("now %1").arg(port.device);
        if (details.isEmpty())
            return intro + QLatin1Char('.');
        return intro + QStringLiteral(": ") + details.join(QStringLiteral(", ")) + QLatin1Char('.');
    }
    if (!QFileInfo::exists(device))
        return intro + Tr(", which does not exist at the moment.");
    return intro + Tr(", which the system does not list as a serial port.");
}
