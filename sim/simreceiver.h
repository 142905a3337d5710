#pragma once

#include "pseudoterminal.h"
#include "serialline.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

#include <optional>

class QSocketNotifier;

// A stand-in for the communications receiver at the far end of the serial line. It sits on the
// master side of a pseudo-terminal, so the panel can open the slave path as if it were a serial
// port. It obeys the command lines the panel writes and answers signal-strength queries with a
// reading made up from a few fixed stations.
//
// It can take the line as a pseudo-terminal does, everything at once (Timing::Instant, what
// byte-level tests want), or as the receiver on a 9600-baud line does (Timing::LineSpeed): bytes
// come in and go out at 960 a second each way, land in a small receive buffer like a UART's, and
// each command takes a few milliseconds to act on. A sender that outruns the line then finds its
// bytes waiting, and one that outruns the receiver loses them, as it would with the hardware.
class SimReceiver : public QObject
{
    Q_OBJECT

public:
    enum class Timing { Instant, LineSpeed };
    // A real receiver's line (9600 baud).
    static constexpr double kLineBytesPerSecond = ::kLineBytesPerSecond;
    // The receiver's receive buffer; bytes arriving while it is full are lost (an overrun).
    static constexpr int kReceiveBufferBytes = 32;
    // How long the receiver takes to act on a command once its CR has arrived.
    static constexpr int kDefaultActMs = 4;
    // A signal reading is the model's level give or take this much noise.
    static constexpr int kReadingNoise = 3;

    // Longest line kept; anything longer without a CR is thrown away up to the next CR.
    static constexpr int kMaxLineLength = 256;
    // Output the other end does not read is kept up to this many bytes; further replies are
    // dropped whole, as a real serial line would lose them.
    static constexpr int kMaxPendingReply = 64 * 1024;

    explicit SimReceiver(QObject *parent = nullptr);
    ~SimReceiver() override;

    bool isOpen() const { return m_pty.isOpen(); }
    QString errorString() const { return m_pty.errorString(); }
    QString slavePath() const { return m_pty.slavePath(); }

    void setSeed(quint32 seed) { m_random.seed(seed); }
    // Instant unless set; set it before the other end starts writing.
    void setTiming(Timing timing);
    Timing timing() const { return m_timing; }
    // The line's speed at LineSpeed timing, kLineBytesPerSecond unless set: tests that look at
    // the order and content of what crosses the line may run it faster.
    void setLineBytesPerSecond(double bytesPerSecond);
    double lineBytesPerSecond() const { return m_lineBytesPerSecond; }
    void setActMs(int ms) { m_actMs = qMax(0, ms); }
    int actMs() const { return m_actMs; }
    // Surrounds every reply with garbage: NUL and non-ASCII bytes, status groups, partial replies.
    void setBabble(bool on) { m_babble = on; }
    bool babble() const { return m_babble; }
    // Sends n bytes of garbage containing neither CR nor LF, as fast as the line takes them.
    void floodBytes(qint64 n);
    qint64 floodPending() const { return m_floodLeft; }

    bool isRemote() const { return m_remote; }
    double frequencyMHz() const { return m_frequencyMHz; }
    QString mode() const { return m_mode; }
    QString filter() const { return m_filter; }
    int squelch() const { return m_squelch; }
    bool afc() const { return m_afc; }
    bool agc() const { return m_agc; }

    // Complete non-empty lines seen, of which: not understood, understood but ignored because
    // the receiver was in local mode, and lines thrown away for being too long.
    int linesReceived() const { return m_linesReceived; }
    int linesRejected() const { return m_linesRejected; }
    int linesIgnored() const { return m_linesIgnored; }
    int linesTooLong() const { return m_linesTooLong; }
    int queriesAnswered() const { return m_queriesAnswered; }
    // Reply and flood bytes lost because nobody read them.
    qint64 bytesDropped() const { return m_bytesDropped; }
    // At line speed: bytes taken off the line, and those lost because the receive buffer was full.
    qint64 bytesReceived() const { return m_bytesReceived; }
    qint64 overrunBytes() const { return m_overrunBytes; }

    // Filter word to bandwidth; an unknown word counts as the narrowest filter.
    static double bandwidthMHz(const QString &filter);
    // The raw reading 0..255 the receiver reports when tuned to frequencyMHz with the given
    // filter: the strongest station, full strength within half the bandwidth and falling off
    // linearly over the next three bandwidths, on top of a small noise floor, plus noise.
    static int signalReading(double frequencyMHz, const QString &filter, int noise);

signals:
    void commandReceived(const QString &line);
    void stateChanged();

private:
    struct Command
    {
        enum Kind { Remote, Squelch, Afc, Agc, Tune, Query } kind = Query;
        bool on = false;
        int value = 0;
        double frequencyMHz = 0;
        QString mode;
        QString filter;
    };
    static std::optional<Command> parse(const QByteArray &line);

    void onReadable();
    void onWritable();
    // Takes one received byte into the line being assembled; true when it completed m_line.
    bool takeByte(char ch);
    // At line speed: moves what the line has carried since the last call, in both directions.
    void pumpLine();
    void readAtLineSpeed();
    void writeAtLineSpeed();
    // Works through the receive buffer, one command at a time, each after the time it takes, and
    // acts on every command whose time has come: a late look (a busy host) catches up as the
    // receiver would have, instead of letting the buffer overflow meanwhile.
    void processReceived();
    // Bytes the line has carried in one direction since the last call; credit is what is left.
    double refill(double &credit, qint64 &atNs, bool &idle);
    void handleLine(const QByteArray &line);
    void apply(const Command &command);
    void reply(const QByteArray &bytes);
    QByteArray garbage(int length, bool allowLineEnds);
    QByteArray babbleText();
    void updateWriteNotifier();

    PseudoTerminal m_pty;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QRandomGenerator m_random {QRandomGenerator::global()->generate()};
    QByteArray m_line;
    bool m_discarding = false;
    Timing m_timing = Timing::Instant;
    int m_actMs = kDefaultActMs;
    double m_lineBytesPerSecond = kLineBytesPerSecond;
    QElapsedTimer m_lineClock;
    QTimer m_lineTimer {this}; // a child, so that it moves with the receiver to another thread
    double m_inCredit = 0;
    qint64 m_inAtNs = 0;
    bool m_inIdle = true;
    double m_outCredit = 0;
    qint64 m_outAtNs = 0;
    bool m_outIdle = true;
    QByteArray m_received; // the receive buffer
    bool m_acting = false;
    QByteArray m_actingOn; // the command being acted on
    qint64 m_actDoneNs = 0; // on the line's clock
    QTimer m_actTimer {this};
    qint64 m_bytesReceived = 0;
    qint64 m_overrunBytes = 0;
    QByteArray m_pending;
    qint64 m_floodLeft = 0;
    bool m_babble = false;

    bool m_remote = false;
    double m_frequencyMHz = 100.0;
    QString m_mode = QStringLiteral("FM");
    QString m_filter = QStringLiteral("BW3");
    int m_squelch = 0;
    bool m_afc = false;
    bool m_agc = true;

    int m_linesReceived = 0;
    int m_linesRejected = 0;
    int m_linesIgnored = 0;
    int m_linesTooLong = 0;
    int m_queriesAnswered = 0;
    qint64 m_bytesDropped = 0;
};
