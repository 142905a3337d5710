#pragma once

#include <QLoggingCategory>
#include <QString>

// Every line the program writes to the receiver and reads from it, with the port's opening and
// closing: what it takes to debug a cable or a baud rate. Off unless enabled (qz-remote --trace,
// or QT_LOGGING_RULES="qz.link.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcLink)

// The bytes as readable text: printable ASCII as it stands, CR as \r, LF as \n, anything else as
// \xHH.
QString TraceText(const QByteArray &bytes);

// Turns the link trace on and prints it to standard error, each line with the time since the
// program started in milliseconds.
void EnableLinkTrace();
