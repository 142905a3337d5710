#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

// "qz.link": every line written to and read from the receiver's port, with the monotonic time in
// seconds, for tracing the link. Debug messages of this category are off unless enabled: with
// qz-remote --trace (EnableLinkTrace), or QT_LOGGING_RULES="qz.link.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcLink)

// The bytes of a line as printable text: CR, LF and every other control or non-ASCII byte as \xNN.
QString LinkLogText(const QByteArray &bytes);
// Seconds on the monotonic clock, to the microsecond, for the trace's time stamps.
QString LinkLogTime();

// Turns the link trace on and prints it to standard error, one line per event, whatever else the
// program logs and wherever that goes.
void EnableLinkTrace();
