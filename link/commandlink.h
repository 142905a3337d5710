#pragma once

#include <QObject>
#include <QString>

class CodeLog;
class LinePacer;
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
// Every command is followed by a 10 ms pause. Lines go out through one queue that hands them to
// the port as fast as 9600 baud carries them (960 bytes a second), so a burst of commands waits in
// the program, not in the driver, and a frequency command still waiting is replaced by a newer
// one (see LinePacer). "RMT/" ends the conversation: nothing queued after it is written.
class CommandLink : public QObject
{
    Q_OBJECT

public:
    static constexpr double kCommandPauseSeconds = 0.01;
    // How long closing waits for queued lines to go out before it closes anyway.
    static constexpr int kDrainTimeoutMs = 1000;

    CommandLink(SerialLink &port, WaitTimer &wait, CodeLog &codesOut, QObject *parent = nullptr);
    ~CommandLink() override;

    // Queues the command for the wire and pauses. It enters the log when it is handed to the port,
    // at once when the line keeps up. While the link is off the command is dropped: nothing is
    // logged, written or waited for.
    void SendCommand(const QString &text);
    // A request that is not logged (the signal poll's "SS?"): through the same queue, no pause.
    void SendQuery(const QString &text);
    void Delay(double seconds);
    // Lets what is queued go out, then closes the port. Accepts no more lines meanwhile; waits,
    // processing events, at most timeoutMs. False when it had to close with bytes still queued.
    bool DrainAndClose(int timeoutMs = kDrainTimeoutMs);

    // The port is open and no "RMT/" has been sent since it opened.
    bool isOpen() const;
    // The outgoing queue: bytes still waiting in the program, frequency commands replaced by a
    // newer one, bytes handed over but not yet on the wire.
    int queuedBytes() const;
    qint64 replacedCommands() const;
    double aheadBytes() const;

private:
    SerialLink &m_port;
    WaitTimer &m_wait;
    CodeLog &m_codesOut;
    LinePacer *m_pacer = nullptr;
};
