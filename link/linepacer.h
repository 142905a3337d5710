#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>

class CodeLog;
class SerialLink;

// The program's own outgoing queue: it hands lines to the port no faster than the line carries
// them, so that what waits to be sent waits here, where it can still be put right, and not in a
// driver buffer nobody can see into.
//
// The line is modelled as a bucket that empties at 960 bytes a second (9600 baud, ten bits a byte);
// a line is handed over while no more than kAheadBytes (about 100 ms of line time) would then be
// ahead of it. What the port reports as not yet sent counts too, whichever is more: a real UART's
// driver tells its transmit queue, a pseudo-terminal always reports an empty one.
//
// Latest wins: a frequency command ("FRQ …") that would wait behind an older frequency command
// not yet handed over replaces it, so the receiver ends where the operator is at once. Every other
// line is kept and keeps its order. Logged lines enter the sent-codes log when they are handed to
// the port, so the log lists what went on the wire and never a replaced command.
class LinePacer : public QObject
{
    Q_OBJECT

public:
    static constexpr double kLineBytesPerSecond = 960.0;
    static constexpr int kAheadBytes = 96;

    LinePacer(SerialLink &port, CodeLog &codesOut, QObject *parent = nullptr);

    // Queues text followed by CR and hands over whatever the line can take now. Ignored while
    // the port is closed or once sealed.
    void Enqueue(const QString &text, bool logged);
    // Accepts nothing more until the port is opened again; what is queued still goes out.
    void Seal();
    bool isSealed() const { return m_sealed; }
    // Nothing queued, nothing left in the port and, by the line model, the last byte is out.
    bool isDrained() const;

    int queuedLines() const { return int(m_queue.size()); }
    int queuedBytes() const { return m_queuedBytes; }
    // Bytes handed over that, by the line model or by the port's own count, are not out yet.
    double aheadBytes() const;
    // Frequency commands replaced by a later one before they went out, since the start.
    qint64 replacedLines() const { return m_replaced; }

private:
    struct Line
    {
        QByteArray bytes; // with its CR
        QString text;
        bool logged = false;
        bool frequency = false;
    };

    void HandOut();
    void Reset();
    double ModelAheadBytes() const;

    SerialLink &m_port;
    CodeLog &m_codesOut;
    std::deque<Line> m_queue;
    int m_queuedBytes = 0;
    bool m_sealed = false;
    bool m_handing = false;
    qint64 m_replaced = 0;
    QElapsedTimer m_clock;
    // The model's bytes on the line at the time m_aheadAtNs.
    double m_aheadBytes = 0;
    qint64 m_aheadAtNs = 0;
    QTimer m_next;
};
