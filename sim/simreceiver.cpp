#include "simreceiver.h"

#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <unistd.h>
#include <utility>

namespace {

struct Station
{
    double frequencyMHz;
    int strength;
};

// Broadcast FM, amateur 2 m, air band, marine channel 16, a weak 40 m signal and a 433 MHz
// remote key: enough spread that tuning across the range moves the meter.
constexpr Station kStations[] = {
    {105.9, 230},
    {145.5, 170},
    {118.1, 120},
    {156.8, 140},
    {7.05, 45},
    {433.92, 100},
};
constexpr int kNoiseFloor = 6;
constexpr double kFalloffBandwidths = 3.0;
constexpr int kFloodChunk = 4096;
// At line speed the line is looked at this often while it carries something; the credit a
// late look may use is capped (at 16 bytes of a 960-byte-a-second line) so that an idle line
// does not bank a burst.
constexpr int kLineTickMs = 5;
constexpr double kMostCreditSeconds = 16.0 / 960.0;

} // namespace

SimReceiver::SimReceiver(QObject *parent)
    : QObject(parent)
{
    if (!m_pty.isOpen())
        return;
    m_readNotifier = new QSocketNotifier(m_pty.masterFd(), QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(m_pty.masterFd(), QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &SimReceiver::onReadable);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &SimReceiver::onWritable);
    m_lineClock.start();
    m_lineTimer.setSingleShot(true);
    m_lineTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_lineTimer, &QTimer::timeout, this, &SimReceiver::pumpLine);
    m_actTimer.setSingleShot(true);
    m_actTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_actTimer, &QTimer::timeout, this, &SimReceiver::processReceived);
}

void SimReceiver::setTiming(Timing timing)
{
    m_timing = timing;
    m_inIdle = m_outIdle = true;
}

void SimReceiver::setLineBytesPerSecond(double bytesPerSecond)
{
    // A line that carries nothing would never finish a test; keep at least one byte a second.
    m_lineBytesPerSecond = qMax(1.0, bytesPerSecond);
}

// The notifiers watch the pty's descriptor, so they must go before it is closed.
SimReceiver::~SimReceiver()
{
    delete m_readNotifier;
    delete m_writeNotifier;
}

double SimReceiver::bandwidthMHz(const QString &filter)
{
    static const QString words[] = {"BW1", "BW2", "BW3", "BW4", "BW5"};
    static const double widths[] = {0.01, 0.05, 0.1, 0.3, 1.0};
    for (int i = 0; i < 5; ++i) {
        if (filter == words[i])
            return widths[i];
    }
    return widths[0];
}

int SimReceiver::signalReading(double frequencyMHz, const QString &filter, int noise)
{
    const double bandwidth = bandwidthMHz(filter);
    double best = kNoiseFloor;
    if (std::isfinite(frequencyMHz)) {
        for (const Station &station : kStations) {
            const double beyond = std::abs(frequencyMHz - station.frequencyMHz) - bandwidth / 2;
            const double share
                = beyond <= 0 ? 1.0 : 1.0 - beyond / (kFalloffBandwidths * bandwidth);
            best = std::max(best, station.strength * share);
        }
    }
    const qint64 level = std::lround(best) + static_cast<qint64>(noise);
    return static_cast<int>(std::clamp<qint64>(level, 0, 255));
}

std::optional<SimReceiver::Command> SimReceiver::parse(const QByteArray &line)
{
    static const QRegularExpression squelch(QStringLiteral("^COR (\\d{1,2})$"));
    static const QRegularExpression tune(
        QStringLiteral("^FRQ (\\d{4}\\.\\d{3});(AM|FM|PLS|USB|LSB|CW);(BW[1-5])$"));
    const QString text = QString::fromLatin1(line);
    Command c;
    if (text == QLatin1String("RMT") || text == QLatin1String("RMT/")) {
        c.kind = Command::Remote;
        c.on = text.size() == 3;
    } else if (text == QLatin1String("AFC") || text == QLatin1String("AFC/")) {
        c.kind = Command::Afc;
        c.on = text.size() == 3;
    } else if (text == QLatin1String("AGC") || text == QLatin1String("AGC/")) {
        c.kind = Command::Agc;
        c.on = text.size() == 3;
    } else if (text == QLatin1String("SS?")) {
        c.kind = Command::Query;
    } else if (const auto m = squelch.match(text); m.hasMatch()) {
        c.kind = Command::Squelch;
        c.value = m.captured(1).toInt();
        if (c.value > 40)
            return std::nullopt;
    } else if (const auto m = tune.match(text); m.hasMatch()) {
        c.kind = Command::Tune;
        c.frequencyMHz = m.captured(1).toDouble();
        c.mode = m.captured(2);
        c.filter = m.captured(3);
        if (c.frequencyMHz > 1100.0)
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    return c;
}

void SimReceiver::onReadable()
{
    if (m_timing == Timing::LineSpeed) {
        readAtLineSpeed();
        return;
    }
    const QByteArray bytes = m_pty.readAvailable();
    if (bytes.isEmpty()) {
        // Readable but nothing to read means a hang-up; back off instead of spinning on it.
        m_readNotifier->setEnabled(false);
        QTimer::singleShot(100, m_readNotifier, [n = m_readNotifier] { n->setEnabled(true); });
        return;
    }
    for (const char ch : bytes) {
        if (takeByte(ch))
            handleLine(std::exchange(m_line, QByteArray()));
    }
}

bool SimReceiver::takeByte(char ch)
{
    if (ch == '\n')
        return false;
    if (ch == '\r') {
        const bool complete = !m_discarding && !m_line.isEmpty();
        if (!complete)
            m_line.clear();
        m_discarding = false;
        return complete;
    }
    if (!m_discarding) {
        m_line.append(ch);
        if (m_line.size() > kMaxLineLength) {
            ++m_linesTooLong;
            m_line.clear();
            m_discarding = true;
        }
    }
    return false;
}

double SimReceiver::refill(double &credit, qint64 &atNs, bool &idle)
{
    const qint64 now = m_lineClock.nsecsElapsed();
    // A line that was idle carried nothing meanwhile: its first byte starts now.
    if (idle)
        credit = 0;
    else
        credit = std::min(credit + double(now - atNs) / 1e9 * m_lineBytesPerSecond,
            m_lineBytesPerSecond * kMostCreditSeconds);
    idle = false;
    atNs = now;
    return credit;
}

void SimReceiver::pumpLine()
{
    if (m_timing != Timing::LineSpeed)
        return;
    readAtLineSpeed();
    writeAtLineSpeed();
}

void SimReceiver::readAtLineSpeed()
{
    if (!m_pty.isOpen())
        return;
    const int allowed = int(refill(m_inCredit, m_inAtNs, m_inIdle));
    if (allowed < 1) {
        // Nothing more has crossed the line yet: look again shortly instead of at every wake-up.
        m_readNotifier->setEnabled(false);
        if (!m_lineTimer.isActive())
            m_lineTimer.start(kLineTickMs);
        return;
    }
    char buffer[64];
    const ssize_t n
        = ::read(m_pty.masterFd(), buffer, size_t(std::min<int>(allowed, sizeof buffer)));
    if (n <= 0) {
        const bool hangUp = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
        m_inIdle = true;
        m_readNotifier->setEnabled(!hangUp);
        if (hangUp)
            QTimer::singleShot(100, m_readNotifier, [n = m_readNotifier] { n->setEnabled(true); });
        return;
    }
    m_inCredit -= double(n);
    m_bytesReceived += n;
    // What was acted on meanwhile has left the buffer before these bytes came.
    processReceived();
    // A faster line's burst per look is larger: the buffer holds as much of the line's time.
    const int receiveBufferBytes
        = qRound(kReceiveBufferBytes * std::max(1.0, m_lineBytesPerSecond / kLineBytesPerSecond));
    for (ssize_t i = 0; i < n; ++i) {
        if (m_received.size() < receiveBufferBytes)
            m_received.append(buffer[i]);
        else
            ++m_overrunBytes;
    }
    // What the line carried in full, more may be waiting: the next bytes come a tick later.
    const bool mayBeMore = n == std::min<int>(allowed, sizeof buffer);
    m_inIdle = !mayBeMore;
    m_readNotifier->setEnabled(!mayBeMore);
    if (mayBeMore && !m_lineTimer.isActive())
        m_lineTimer.start(kLineTickMs);
    processReceived();
}

void SimReceiver::processReceived()
{
    const qint64 now = m_lineClock.nsecsElapsed();
    // A command waiting in the buffer behind another is started when that one is done.
    bool followsAnother = false;
    for (;;) {
        if (m_acting) {
            if (now < m_actDoneNs) {
                m_actTimer.start(int((m_actDoneNs - now + 999'999) / 1'000'000));
                return;
            }
            m_acting = false;
            handleLine(std::exchange(m_actingOn, QByteArray()));
            followsAnother = true;
        }
        if (m_received.isEmpty())
            return;
        const char ch = m_received.front();
        m_received.remove(0, 1);
        if (!takeByte(ch))
            continue;
        QByteArray line = std::exchange(m_line, QByteArray());
        if (m_actMs == 0) {
            handleLine(line);
            continue;
        }
        m_acting = true;
        m_actingOn = std::move(line);
        m_actDoneNs = (followsAnother ? m_actDoneNs : now) + qint64(m_actMs) * 1'000'000;
    }
}

void SimReceiver::handleLine(const QByteArray &line)
{
    ++m_linesReceived;
    emit commandReceived(QString::fromLatin1(line));
    const std::optional<Command> command = parse(line);
    if (!command)
        ++m_linesRejected;
    else if (!m_remote && command->kind != Command::Remote)
        ++m_linesIgnored;
    else
        apply(*command);
}

void SimReceiver::apply(const Command &command)
{
    bool changed = false;
    const auto set = [&changed](auto &field, const auto &value) {
        if (field != value) {
            field = value;
            changed = true;
        }
    };
    switch (command.kind) {
    case Command::Remote:
        set(m_remote, command.on);
        break;
    case Command::Squelch:
        set(m_squelch, command.value);
        break;
    case Command::Afc:
        set(m_afc, command.on);
        break;
    case Command::Agc:
        set(m_agc, command.on);
        break;
    case Command::Tune:
        set(m_frequencyMHz, command.frequencyMHz);
        set(m_mode, command.mode);
        set(m_filter, command.filter);
        break;
    case Command::Query: {
        const int level = signalReading(
            m_frequencyMHz, m_filter, m_random.bounded(-kReadingNoise, kReadingNoise + 1));
        QByteArray answer = "SS 0" + QByteArray::number(level).rightJustified(3, '0') + "\r\n";
        if (m_babble)
            answer = babbleText() + answer + babbleText();
        ++m_queriesAnswered;
        reply(answer);
        break;
    }
    }
    if (changed)
        emit stateChanged();
}

QByteArray SimReceiver::garbage(int length, bool allowLineEnds)
{
    QByteArray out;
    while (out.size() < length) {
        const char ch = static_cast<char>(m_random.bounded(256));
        if (allowLineEnds || (ch != '\r' && ch != '\n'))
            out.append(ch);
    }
    return out;
}

QByteArray SimReceiver::babbleText()
{
    static const QByteArray pieces[] = {
        QByteArray("\0\0", 2),
        "\xff\xfe\x80",
        "G0\r\n",
        "I2\r\n",
        "I1\r\n",
        "I0\r\n",
        "I0\r\nI1\r\n",
        "SS ",
        "SS 0",
        "\r\n",
    };
    QByteArray out;
    for (int count = m_random.bounded(1, 4); count > 0; --count) {
        const int pick = m_random.bounded(int(std::size(pieces)) + 1);
        out += pick < int(std::size(pieces)) ? pieces[pick] : garbage(m_random.bounded(1, 9), true);
    }
    return out;
}

void SimReceiver::reply(const QByteArray &bytes)
{
    // Drop whole replies, never half of one, when the other end has stopped reading.
    if (m_pending.size() + bytes.size() > kMaxPendingReply)
        m_bytesDropped += bytes.size();
    else
        m_pending += bytes;
    onWritable();
}

void SimReceiver::floodBytes(qint64 n)
{
    if (n <= 0)
        return;
    m_floodLeft += n;
    onWritable();
}

void SimReceiver::onWritable()
{
    if (!m_pty.isOpen())
        return;
    if (m_timing == Timing::LineSpeed) {
        writeAtLineSpeed();
        return;
    }
    // Replies go ahead of any flood still pending, as they would interleave on a real line.
    for (;;) {
        if (m_pending.isEmpty() && m_floodLeft > 0) {
            m_pending = garbage(int(std::min<qint64>(m_floodLeft, kFloodChunk)), false);
            m_floodLeft -= m_pending.size();
        }
        if (m_pending.isEmpty())
            break;
        const ssize_t n = ::write(
            m_pty.masterFd(), m_pending.constData(), static_cast<size_t>(m_pending.size()));
        if (n > 0) {
            m_pending.remove(0, n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // Nobody at the other end: what cannot be sent is lost, as on a real line.
            m_bytesDropped += m_pending.size();
            m_pending.clear();
            m_floodLeft = 0;
        } else {
            break; // the line is full; carry on when it can take more
        }
    }
    updateWriteNotifier();
}

void SimReceiver::writeAtLineSpeed()
{
    if (!m_pty.isOpen())
        return;
    if (m_pending.isEmpty() && m_floodLeft > 0) {
        m_pending = garbage(int(std::min<qint64>(m_floodLeft, kFloodChunk)), false);
        m_floodLeft -= m_pending.size();
    }
    if (m_pending.isEmpty()) {
        m_writeNotifier->setEnabled(false);
        m_outIdle = true;
        return;
    }
    const int allowed
        = std::min<int>(int(refill(m_outCredit, m_outAtNs, m_outIdle)), int(m_pending.size()));
    bool full = false;
    if (allowed >= 1) {
        const ssize_t n = ::write(m_pty.masterFd(), m_pending.constData(), size_t(allowed));
        if (n > 0) {
            m_pending.remove(0, n);
            m_outCredit -= double(n);
        } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            m_bytesDropped += m_pending.size() + m_floodLeft;
            m_pending.clear();
            m_floodLeft = 0;
        } else {
            full = true;
        }
    }
    // A full pseudo-terminal says when it takes more; otherwise the line's pace does.
    m_writeNotifier->setEnabled(full);
    if (!full && (!m_pending.isEmpty() || m_floodLeft > 0) && !m_lineTimer.isActive())
        m_lineTimer.start(kLineTickMs);
}

void SimReceiver::updateWriteNotifier()
{
    if (m_timing == Timing::LineSpeed)
        return;
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_pending.isEmpty() || m_floodLeft > 0);
}
