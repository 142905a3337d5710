#include "bandsweep.h"
#include "replyparser.h"

#include <QDateTime>

#include <algorithm>

BandSweep::BandSweep(SweepPort &port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{
    qRegisterMetaType<SweepHit>();
    // No wait may come out shorter than asked: a coarse timer may fire 5 % early.
    m_stepTimer.setSingleShot(true);
    m_stepTimer.setTimerType(Qt::PreciseTimer);
    m_holdTimer.setSingleShot(true);
    m_holdTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_stepTimer, &QTimer::timeout, this, &BandSweep::OnStepTimer);
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
    m_plan = plan;
    m_trace.Reset(points);
    m_waterfall.Reset(points);
    m_stops.Reset(points);
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
    m_stepTimer.stop();
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
    m_holdTimer.stop();
    CloseHit();
    const bool wasHolding = m_state == State::Holding;
    m_index = m_plan.IndexNearest(frequencyMHz);
    m_state = State::Holding;
    m_stops.Disarm();
    m_port.Tune(m_plan.FrequencyAt(m_index));
    emit stepStarted(m_index, m_plan.FrequencyAt(m_index));
    emit holdStarted(m_plan.FrequencyAt(m_index), -1);
    if (!wasHolding)
        emit signalPollWanted(true);
}

void BandSweep::HeldReading(int reading)
{
    if (m_state != State::Holding)
        return;
    SetTrace(m_index, std::int16_t(reading));
    emit readingTaken(m_index, m_plan.FrequencyAt(m_index), reading);
    if (m_hitOpen)
        m_hit.peakReading = std::max(m_hit.peakReading, reading);
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
    m_settings.threshold = std::clamp(raw, 0, kHighestReading);
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
        AskReading();
}

void BandSweep::BeginStep()
{
    if (!m_port.LinkIsOn()) {
        StopWith(tr("the receiver link is off"));
        return;
    }
    m_state = State::Settling;
    const double frequency = m_plan.FrequencyAt(m_index);
    emit stepStarted(m_index, frequency);
    if (m_state != State::Settling)
        return; // a receiver of the signal stopped or held the sweep
    m_port.Tune(frequency);
    // The dwell counts from when the command is on the wire, not from when it was queued.
    m_stepTimer.start(m_settings.dwellMs + m_port.LineBacklogMs());
}

void BandSweep::AskReading()
{
    if (!m_port.LinkIsOn()) {
        StopWith(tr("the receiver link is off"));
        return;
    }
    m_state = State::Awaiting;
    const quint64 question = ++m_question;
    m_port.AskSignal([this, question](std::optional<int> reading) {
        if (m_state == State::Awaiting && question == m_question)
            TakeReading(reading);
    });
}

void BandSweep::TakeReading(std::optional<int> reading)
{
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
        emit sweepFinished(m_pass);
        if (m_state != State::Awaiting && m_state != State::Next)
            return; // a receiver of the signal stopped or held the sweep
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
    emit holdStarted(frequency, byHand ? -1 : reading);
    if (m_state != State::Holding)
        return; // a receiver of the signal stopped or held the sweep
    emit signalPollWanted(true);
    if (!byHand)
        m_holdTimer.start(m_settings.holdMs);
}

void BandSweep::EndHold()
{
    m_holdTimer.stop();
    CloseHit();
    m_state = State::Next;
    emit holdEnded();
    if (m_state != State::Next)
        return; // a receiver of the signal stopped or held the sweep
    emit signalPollWanted(false);
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
