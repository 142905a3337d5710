#include "linkmessages.h"

#include "portadvice.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("LinkMessages", text);
}

void ShowWarning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("PortProblem"));
    box.exec();
}

} // namespace

QString OpenFailureText(
    const QString &channelText, const QString &portName, PortError error, const QString &reason)
{
    if (portName.isEmpty()) {
        return Tr("\"%1\" names no serial port. Type a port number (1 for the first port) or a "
                  "device name such as /dev/ttyUSB0 on the MAIN page.")
            .arg(channelText);
    }
    return PortOpenAdvice(portName, error, reason);
}

void ReportOpenFailure(QWidget *parent, const QString &channelText, const QString &portName,
    PortError error, const QString &reason)
{
    ShowWarning(
        parent, Tr("Cannot switch on"), OpenFailureText(channelText, portName, error, reason));
}

void ReportLinkLost(
    QWidget *parent, const QString &portName, PortError error, const QString &reason)
{
    Q_UNUSED(error);
    ShowWarning(parent, Tr("Receiver link lost"),
        Tr("The serial port %1 failed and has been closed:\n%2\n\nThe panel is off. Press ON "
           "once the receiver is connected again.")
            .arg(portName, reason));
}

QString NoReplyText(const QString &portName)
{
    return Tr("No reply from the receiver on %1: check the cable, its power and 9600 baud")
        .arg(portName);
}
