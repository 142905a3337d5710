#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>

class CodeLog;
class SerialLink;

// The program's own outgoing queue. It keeps two kinds of time on the wire:
//
// The pause after a command. A line leaves no sooner than the pause of the line before it (10 ms
// after each command, longer after a scan step): the receiver was designed for a sender that waits
// that long between commands. A sequence such as power-on is queued at once and the queue spaces
// it out; nothing waits for it.
//
// The line's speed. A line is handed to the port while no more than kAheadBytes (about 100 ms of
// line time) would then be ahead of it, so what waits to be sent waits here, where it can still be
// put right, and not in a driver buffer nobody can see into. The line is modelled as a bucket that
// empties at the line's bytes per second; what the port reports as not yet sent counts too,
// whichever is more (a real UART's driver tells its transmit queue, a pseudo-terminal never does).
//
// Latest wins: a frequency command ("FRQ …") still queued is replaced by a newer one, so the
// receiver ends where the operator is at once; the lines of one sequence (all that one action
// queues at once, such as ON's three frequency commands) never replace each other. Every other
// line is kept and keeps its order. Logged lines enter the sent-codes log when they are handed to
// the port, so the log lists what went on the wire and never a replaced command.
class LinePacer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kAheadBytes = 96;

    LinePacer(SerialLink &port, CodeLog &codesOut, QObject *parent = nullptr);

    // Queues text followed by CR. Nothing queued after it leaves sooner than pauseMs after it was
    // let go. onWritten runs once it has been handed to the port (not if it is replaced or the
    // port closes first). Ignored while the port is closed or once sealed.
    void Enqueue(
        const QString &text, bool logged, int pauseMs = 0, std::function<void()> onWritten = {});
    // Lengthens the pause after the line queued last.
    void ExtendPause(int ms);
    // Accepts nothing more until the port is opened again; what is queued still goes out.
    void Seal();
    // Accepts lines again, behind what is still queued.
    void Unseal() { m_sealed = false; }
    bool isSealed() const { return m_sealed; }
    // Nothing queued, nothing left in the port and, by the line model, the last byte is out.
    bool isDrained() const;

    // The line's speed, 960 bytes a second (9600 baud) unless changed.
    void setBytesPerSecond(double bytesPerSecond);
    double bytesPerSecond() const { return m_bytesPerSecond; }
    // Bytes queued in the program, waiting for their pause or for the line.
    int queuedBytes() const { return m_queuedBytes; }
    // Bytes handed over that, by the line model or by the port's own count, are not out yet.
    double aheadBytes() const;
    // Milliseconds until everything queued and handed over is on the wire, by the line model.
    int backlogMs() const;
    // Frequency commands replaced by a later one before they went out, since the start.
    qint64 replacedLines() const { return m_replaced; }

private:
    struct Line
    {
        QByteArray bytes; // with its CR
        QString text;
        bool logged = false;
        bool frequency = false;
        int pauseMs = 0;
        std::function<void()> onWritten;
        quint64 sequence = 0;
    };

    void Pump();
    void ReplaceOlderFrequency();
    void Reset();
    double ModelAheadBytes() const;

    SerialLink &m_port;
    CodeLog &m_codesOut;
    // Lines waiting for the pause of the line before them.
    std::deque<Line> m_waiting;
    // Lines that have had their pause and wait for room on the line.
    std::deque<Line> m_ready;
    int m_queuedBytes = 0;
    // What is queued before the event loop turns again is one sequence: it is open while this
    // zero-interval timer is pending.
    quint64 m_sequence = 0;
    QTimer m_sequenceEnd;
    bool m_sealed = false;
    qint64 m_replaced = 0;
    double m_bytesPerSecond;
    QElapsedTimer m_clock;
    // Nothing is let go before this time.
    qint64 m_pauseEndsNs = 0;
    // The model's bytes on the line at the time m_aheadAtNs.
    double m_aheadBytes = 0;
    qint64 m_aheadAtNs = 0;
    QTimer m_next;
};
