#include "bandsweep.h"

#include "frequencyformat.h"
#include "replyparser.h"

#include <QDateTime>

#include <algorithm>

namespace {

// Kept of what the receiver sent while a step waits: far more than one reply, little enough that
// a babbling receiver cannot grow it.
constexpr int kMaxReceivedBytes = 4096;
// A reply cut off at the end of what has come so far is shorter than this.
constexpr int kLongestReplyBytes = 16;
// A reply deadline noticed this much late means the program was not listening.
constexpr qint64 kStallMs = 20;
constexpr int kStallGraceMs = 30;

} // namespace

int FindSignalReading(const QByteArray &text, int from, int *reading)
{
    for (qsizetype at = text.indexOf("SS ", from); at >= 0; at = text.indexOf("SS ", at + 1)) {
        // "SS " + one character + three digits, or less when the line ends sooner.
        qsizetype end = at + 7;
        for (qsizetype i = at + 3; i < std::min(end, text.size()); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                end = i;
                break;
            }
        }
        if (end > text.size())
            return -1; // the rest of this reply is still on its way
        const std::optional<int> value
            = SignalReading(std::string_view(text.constData() + at, size_t(end - at)));
        if (value) {
            *reading = *value;
            return int(end);
        }
    }
    return -1;
}

BandSweep::BandSweep(SweepPort &port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{
    qRegisterMetaType<SweepHit>();
    // No wait may come out shorter than asked: a coarse timer may fire 5 % early.
    m_stepTimer.setSingleShot(true);
    m_stepTimer.setTimerType(Qt::PreciseTimer);
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setTimerType(Qt::PreciseTimer);
    m_holdTimer.setSingleShot(true);
    m_holdTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_stepTimer, &QTimer::timeout, this, &BandSweep::OnStepTimer);
    connect(&m_replyTimer, &QTimer::timeout, this, [this] {
        if (m_state != State::Awaiting)
            return;
        // The deadline counts time the program was listening. After a stall (the machine busy,
        // the program descheduled) the deadline and the reply fall due together: the reply,
        // already waiting at the port, is given a few more turns of the event loop first.
        if (!m_lastCall) {
            m_lastCall = true;
            const qint64 late = m_queryClock.elapsed() - m_settings.replyTimeoutMs;
            m_replyTimer.start(late > kStallMs ? kStallGraceMs : 0);
            return;
        }
        TakeReading(std::nullopt);
    });
    connect(&m_holdTimer, &QTimer::timeout, this, [this] {
        if (m_state == State::Holding)
            EndHold();
    });
    m_stops.setThreshold(m_settings.threshold);
    m_stops.setEnabled(m_settings.stopOnSignal);
}

bool BandSweep::Start(const SweepPlan &plan)
{
    if (isRunning())
        StopWith(QString());
    const int points = plan.PointCount();
    if (points == 0 || !m_port.LinkIsOn())
        return false;
    ++m_generation;
    m_plan = plan;
    m_trace.Reset(points);
    m_waterfall.Reset(points);
    m_stops.Reset(points);
    m_received.clear();
    m_hitOpen = false;
    m_index = 0;
    m_pass = 1;
    m_stepsTaken = 0;
    m_missing = 0;
    m_state = State::Next;
    // The owner stops the poll and any scan first; the first step follows from the event loop.
    emit started();
    if (m_state == State::Next)
        m_stepTimer.start(0);
    return true;
}

void BandSweep::Stop()
{
    StopWith(QString());
}

void BandSweep::StopWith(const QString &reason)
{
    if (m_state == State::Idle)
        return;
    const bool wasHolding = m_state == State::Holding;
    m_state = State::Idle;
    ++m_generation;
    m_stepTimer.stop();
    m_replyTimer.stop();
    m_holdTimer.stop();
    CloseHit();
    if (wasHolding)
        emit holdEnded();
    emit stopped(reason);
}

void BandSweep::Resume()
{
    if (m_state == State::Holding)
        EndHold();
}

void BandSweep::Skip()
{
    if (m_state != State::Holding)
        return;
    m_stops.Skip(m_index);
    SetTrace(m_index, kLockedOut);
    emit lockedOut(m_index);
    EndHold();
}

void BandSweep::HoldAt(double frequencyMHz)
{
    if (!isRunning()) {
        if (m_plan.PointCount() > 0)
            frequencyMHz = m_plan.FrequencyAt(m_plan.IndexNearest(frequencyMHz));
        m_port.Tune(frequencyMHz);
        return;
    }
    m_stepTimer.stop();
    m_replyTimer.stop();
    m_holdTimer.stop();
    CloseHit();
    const bool wasHolding = m_state == State::Holding;
    m_index = m_plan.IndexNearest(frequencyMHz);
    m_state = State::Holding;
    const quint64 generation = ++m_generation;
    m_stops.Disarm();
    m_port.Tune(m_plan.FrequencyAt(m_index));
    if (generation != m_generation)
        return; // stopped or held elsewhere while the command went out
    emit stepStarted(m_index, m_plan.FrequencyAt(m_index));
    emit holdStarted(m_plan.FrequencyAt(m_index), -1);
    if (!wasHolding)
        emit signalPollWanted(true);
}

void BandSweep::OnReceived(const QByteArray &bytes)
{
    if (m_state != State::Awaiting && m_state != State::Holding)
        return;
    m_received += bytes;
    int reading = 0;
    if (m_state == State::Awaiting) {
        if (FindSignalReading(m_received, 0, &reading) >= 0) {
            TakeReading(reading);
            return;
        }
    } else {
        // While held, the poll's readings go to the trace and raise the hit's peak.
        int from = 0;
        int consumed = 0;
        while ((from = FindSignalReading(m_received, from, &reading)) >= 0) {
            consumed = from;
            SetTrace(m_index, std::int16_t(reading));
            emit readingTaken(m_index, m_plan.FrequencyAt(m_index), reading);
            if (m_hitOpen)
                m_hit.peakReading = std::max(m_hit.peakReading, reading);
        }
        m_received.remove(0, consumed);
        if (m_received.size() > kLongestReplyBytes)
            m_received.remove(0, m_received.size() - kLongestReplyBytes);
    }
    if (m_received.size() > kMaxReceivedBytes)
        m_received.remove(0, m_received.size() - kMaxReceivedBytes);
}

void BandSweep::setSettings(const SweepSettings &settings)
{
    m_settings = settings;
    m_stops.setThreshold(settings.threshold);
    m_stops.setEnabled(settings.stopOnSignal);
}

void BandSweep::setDwellMs(int ms)
{
    m_settings.dwellMs = std::clamp(ms, 0, SweepSettings::kMaxDwellMs);
}

void BandSweep::setThreshold(int raw)
{
    m_settings.threshold = std::clamp(raw, 0, 255);
    m_stops.setThreshold(m_settings.threshold);
}

void BandSweep::setHoldMs(int ms)
{
    m_settings.holdMs = std::clamp(ms, 0, SweepSettings::kMaxHoldMs);
}

void BandSweep::setStopOnSignal(bool on)
{
    m_settings.stopOnSignal = on;
    m_stops.setEnabled(on);
}

void BandSweep::OnStepTimer()
{
    if (m_state == State::Next)
        BeginStep();
    else if (m_state == State::Settling)
        SendQuery();
}

void BandSweep::BeginStep()
{
    if (!m_port.LinkIsOn()) {
        StopWith(tr("the receiver link is off"));
        return;
    }
    m_state = State::Settling;
    const double frequency = m_plan.FrequencyAt(m_index);
    const quint64 generation = m_generation;
    emit stepStarted(m_index, frequency);
    m_tuneClock.start();
    m_port.Tune(frequency);
    // Sending may process events (the command's pacing wait): the operator may have stopped,
    // restarted or held the sweep meanwhile.
    if (generation != m_generation || m_state != State::Settling)
        return;
    // The dwell counts from when the command has left the port, not from when it was queued.
    const qint64 wait = m_settings.dwellMs + LineTimeMs(frequency) - m_tuneClock.elapsed();
    m_stepTimer.start(int(std::max<qint64>(0, wait)));
}

void BandSweep::SendQuery()
{
    if (!m_port.LinkIsOn()) {
        StopWith(tr("the receiver link is off"));
        return;
    }
    // Whatever came before the query (late replies, status codes) answers something else.
    m_received.clear();
    m_state = State::Awaiting;
    const quint64 generation = m_generation;
    m_port.SendQuery();
    if (generation != m_generation || m_state != State::Awaiting)
        return;
    m_lastCall = false;
    m_queryClock.start();
    m_replyTimer.start(m_settings.replyTimeoutMs);
}

void BandSweep::TakeReading(std::optional<int> reading)
{
    m_replyTimer.stop();
    m_received.clear();
    ++m_stepsTaken;
    if (!reading)
        ++m_missing;
    const std::int16_t value = reading ? std::int16_t(*reading) : kReadingMissing;
    SetTrace(m_index, value);
    emit readingTaken(m_index, m_plan.FrequencyAt(m_index), value);
    const StopOnSignal::Decision decision = m_stops.Reading(m_index, reading);
    for (const int index : m_stops.newlyLockedOut()) {
        SetTrace(index, kLockedOut);
        emit lockedOut(index);
    }
    if (m_state != State::Awaiting)
        return; // a receiver of the signals above changed the course
    if (decision == StopOnSignal::Decision::Hold)
        StartHold(*reading, false);
    else
        Advance();
}

void BandSweep::Advance()
{
    bool wrapped = false;
    const int next = m_stops.NextIndex(m_index, &wrapped);
    if (wrapped) {
        m_waterfall.AddRow(m_trace.latest());
        m_stops.NewPass();
        const quint64 generation = m_generation;
        emit sweepFinished(m_pass);
        if (generation != m_generation)
            return;
        ++m_pass;
    }
    if (next < 0) {
        StopWith(tr("every step is locked out"));
        return;
    }
    m_index = next;
    m_state = State::Next;
    // From the event loop, not from inside the reply's handler: the stack stays flat, and the
    // port's own reading and logging of this reply finish first.
    m_stepTimer.start(0);
}

void BandSweep::StartHold(int reading, bool byHand)
{
    const double frequency = m_plan.FrequencyAt(m_index);
    if (!byHand) {
        m_hitOpen = true;
        m_hit = SweepHit {QDateTime::currentMSecsSinceEpoch(), frequency, reading,
            m_port.ModeWord().toStdString(), m_port.FilterWord().toStdString()};
    }
    if (!byHand && m_settings.holdMs == 0) {
        // Logging only: the hit is recorded and the sweep goes straight on.
        CloseHit();
        Advance();
        return;
    }
    m_state = State::Holding;
    m_received.clear();
    const quint64 generation = m_generation;
    emit holdStarted(frequency, byHand ? -1 : reading);
    if (generation != m_generation)
        return;
    emit signalPollWanted(true);
    if (generation != m_generation || m_state != State::Holding)
        return;
    if (!byHand)
        m_holdTimer.start(m_settings.holdMs);
}

void BandSweep::EndHold()
{
    m_holdTimer.stop();
    CloseHit();
    m_state = State::Next;
    const quint64 generation = m_generation;
    emit holdEnded();
    if (generation == m_generation)
        emit signalPollWanted(false);
    if (generation != m_generation || m_state != State::Next)
        return;
    Advance();
}

void BandSweep::CloseHit()
{
    if (!m_hitOpen)
        return;
    m_hitOpen = false;
    emit hitRecorded(m_hit);
}

void BandSweep::SetTrace(int index, std::int16_t value)
{
    m_trace.Set(index, value);
}

int BandSweep::LineTimeMs(double frequencyMHz) const
{
    if (m_lineBytesPerSecond <= 0)
        return 0;
    const qsizetype bytes = qsizetype(FrequencyCommand(frequencyMHz,
                                m_port.ModeWord().toStdString(), m_port.FilterWord().toStdString())
                                          .size())
        + 1;
    return int((bytes * 1000 + m_lineBytesPerSecond - 1) / m_lineBytesPerSecond);
}
