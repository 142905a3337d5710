#pragma once

#include <QList>
#include <QString>

#include <optional>

// A serial port as the system reports it.
struct PortEntry
{
    QString device; // the path to open, for example "/dev/ttyUSB0"
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString usbId; // USB vendor:product in hexadecimal, "0403:6001"; empty for other ports
};

// The serial ports the system offers now. Where they cannot be listed at all (the serial port
// module is missing), none, and problem says why.
QList<PortEntry> SystemPorts(QString *problem = nullptr);

// What kind of port a device is by its name ("Built-in serial port" for /dev/ttyS0), for the
// ports the system describes with nothing.
QString PortKindDescription(const QString &device);

// "vvvv:pppp", or empty when either number is unknown.
QString UsbId(std::optional<quint16> vendor, std::optional<quint16> product);

// In plain words, which device the text of the channel box stands for, with what the list says of
// it: the device is looked up in ports by its real path, so a /dev/serial/by-id link finds its
// adapter. Without a list (the ports could not be listed at all) nothing is said of the list.
QString DescribeChannel(const QString &channelText, const std::optional<QList<PortEntry>> &ports);
