#pragma once

#include <QObject>
#include <QString>

class CodeLog;
class SerialLink;
class WaitTimer;

// The link to the receiver: every command goes out through SendCommand.
//
// The receiver takes short ASCII command lines, each ended by one carriage return (0x0D): no line
// feed, no address, no checksum. Commands are fire-and-forget: nothing waits for an answer. For
// example, tuning to 145.5 MHz in FM with the 100 kHz filter writes the 20 bytes
//
//     46 52 51 20 30 31 34 35 2E 35 30 30 3B 46 4D 3B 42 57 33 0D    "FRQ 0145.500;FM;BW3" CR
//
// The vocabulary: "RMT" / "RMT/" (remote control on / off), "COR n" (squelch 0 … 40),
// "AFC" / "AFC/", "AGC" / "AGC/", "FRQ ffff.fff;MODE;BWn" (frequency, mode and filter always
// together) and "SS?" (signal strength). The receiver's replies pile up in the port until the
// signal poll reads them all at once; a signal reading looks like "SS 0123" (a character, then the
// reading 000 … 255), other replies are four-character status groups such as "G0", "I1", "I0".
//
// Every command is followed by a 10 ms pause; it is the only flow control towards the receiver.
class CommandLink : public QObject
{
    Q_OBJECT

public:
    static constexpr double kCommandPauseSeconds = 0.01;

    CommandLink(SerialLink &port, WaitTimer &wait, CodeLog &codesOut, QObject *parent = nullptr);

    // Logs the command, writes it with CR and pauses. While the port is closed the command is
    // dropped: nothing is logged, written or waited for.
    void SendCommand(const QString &text);
    // As SendCommand, for the last command before the port closes ("RMT/"): whatever anything
    // tries to send during its pause is dropped.
    void SendLastCommand(const QString &text);
    void Delay(double seconds);

    bool isOpen() const;

private:
    SerialLink &m_port;
    WaitTimer &m_wait;
    CodeLog &m_codesOut;
};
