#pragma once

#include "serialdevice.h"

#include <QString>

class QWidget;

// What the operator is told when the link cannot start or breaks: a warning box, answered with
// OK. Each names the port and the system's reason and says what to do.
void ReportOpenFailure(QWidget *parent, const QString &channelText, const QString &portName,
    PortError error, const QString &reason);
void ReportLinkLost(
    QWidget *parent, const QString &portName, PortError error, const QString &reason);

// The text of that warning, for where a box would be out of place (a network client's doing).
QString OpenFailureText(
    const QString &channelText, const QString &portName, PortError error, const QString &reason);

// The status bar's note while the receiver does not answer the poll.
QString NoReplyText(const QString &portName);
