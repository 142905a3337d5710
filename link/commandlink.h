#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class CodeLog;
class LinePacer;
class SerialLink;

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
// together) and "SS?" (signal strength), whose answer looks like "SS 0123" (a character, then the
// reading 000 … 255). Other replies are four-character status groups such as "G0", "I1", "I0".
//
// Every command is followed by a 10 ms pause before the next line leaves. SendCommand returns at
// once: the pause and the line's speed (960 bytes a second) are kept by one queue (LinePacer), so a
// burst of commands waits in the program, not in the driver, and a frequency command still
// waiting for the line is replaced by a newer one. "RMT/" ends the conversation: nothing queued
// after it is written.
class CommandLink : public QObject
{
    Q_OBJECT

public:
    static constexpr int kCommandPauseMs = 10;
    // How long closing waits for queued lines to go out before it closes anyway.
    static constexpr int kDrainTimeoutMs = 1000;

    CommandLink(SerialLink &port, CodeLog &codesOut, QObject *parent = nullptr);
    ~CommandLink() override;

    // Queues the command, followed by its pause. It enters the log when it is handed to the port,
    // at once when the line keeps up. While the link is off the command is dropped: nothing is
    // logged or written.
    void SendCommand(const QString &text);
    // A request that is not logged (the signal query "SS?"): through the same queue, no pause of
    // its own. onWritten runs when it has been handed to the port.
    void SendQuery(const QString &text, std::function<void()> onWritten = {});
    // Lengthens the pause after the last command (a scan step ends with a pause of its own).
    void Pause(int ms);
    // Lets what is queued go out, then closes the port, at most timeoutMs later. Accepts no more
    // lines meanwhile. Returns at once; the port's closed() tells when it is done.
    void CloseWhenDrained(int timeoutMs = kDrainTimeoutMs);
    // Takes back a closing under way: the port stays open and accepts lines again (after what is
    // still queued, "RMT/" included).
    void CancelClose();

    // The port is open and no "RMT/" has been sent since it opened.
    bool isOpen() const;
    // The line's speed in bytes a second (960 for 9600 baud).
    void setLineBytesPerSecond(double bytesPerSecond);
    double lineBytesPerSecond() const;
    // The outgoing queue: bytes still waiting in the program, frequency commands replaced by a
    // newer one, bytes handed over but not yet on the wire, and how long until all of it is out.
    int queuedBytes() const;
    qint64 replacedCommands() const;
    double aheadBytes() const;
    int backlogMs() const;

private:
    void CheckDrained();

    SerialLink &m_port;
    CodeLog &m_codesOut;
    LinePacer *m_pacer = nullptr;
    QTimer m_closeCheck;
    QDeadlineTimer m_closeDeadline;
};
