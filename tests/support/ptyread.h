#pragma once

#include "pseudoterminal.h"

#include <QElapsedTimer>
#include <QTest>

// Collects what arrives at the receiver's end while the program's event loop keeps running, until
// the text holds `until` or the time is up.
inline QByteArray CollectUntil(PseudoTerminal &pty, const QByteArray &until, int timeoutMs = 3000)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        got += pty.readAvailable();
        if (!until.isEmpty() && got.contains(until))
            break;
        QTest::qWait(5);
    }
    return got;
}

// Everything that arrives within the given time, with the event loop running.
inline QByteArray CollectFor(PseudoTerminal &pty, int ms)
{
    return CollectUntil(pty, QByteArray(), ms);
}
