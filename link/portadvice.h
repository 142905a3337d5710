#pragma once

#include "serialdevice.h"

#include <QList>
#include <QString>

// A process that has a device open, as the system shows it.
struct PortHolder
{
    qint64 pid = 0;
    QString name; // the process's command name, for example "ModemManager"
};

// The operator's explanation of a serial port that would not open: what is wrong and what to do,
// in plain words. The kind of error decides the advice; the system's own wording (systemText) is
// only quoted where no better advice exists.
// - No permission: names the device's group (read from the device itself) and the command that
//   adds the user to it, then a new login. Never advises opening the device to everyone.
// - In use: names the processes holding it where the system lets this user see them.
QString PortOpenAdvice(
    const QString &device, PortError error, const QString &systemText = QString());

// The processes other than this one that hold the device: those with it among their open files
// (only processes this user may inspect) and the owner of a serial-port lock file for it.
QList<PortHolder> ProcessesHoldingDevice(const QString &device);
