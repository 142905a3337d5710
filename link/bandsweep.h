#pragma once

#include "stoponsignal.h"
#include "sweephit.h"
#include "sweepplan.h"
#include "sweeptrace.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

// What the sweep needs of the receiver link. The link's owner implements it.
class SweepPort
{
public:
    virtual ~SweepPort() = default;
    // True while the link is on. Asked by Start and before every step: false ends the sweep.
    // Whatever else takes the receiver (a scan, OFF, a client's retune) ends the sweep by Stop().
    virtual bool LinkIsOn() const = 0;
    // Tunes through the panel's own retune, the one every other retune uses: the frequency
    // display follows, and the "FRQ " command carries the panel's mode and filter.
    virtual void Tune(double frequencyMHz) = 0;
    // Asks the receiver for its signal strength behind what is queued; done runs later with the
    // raw reading, or nothing when none came in time.
    virtual void AskSignal(std::function<void(std::optional<int> raw)> done) = 0;
    // Milliseconds until what is queued for the receiver is on the wire.
    virtual int LineBacklogMs() const = 0;
    // The mode and filter words the frequency command carries now ("FM", "BW3").
    virtual QString ModeWord() const = 0;
    virtual QString FilterWord() const = 0;
};

// A sweep that measures: it tunes the receiver from the start to the stop frequency of its plan,
// step by step, and reads the signal at every step; after the stop frequency it begins again at
// the start.
//
// One step on the wire (9600 baud, 960 bytes a second):
//
//     -> "FRQ 0145.500;FM;BW3" CR      tune (20 bytes, 21 ms on the line)
//        ... dwell: the receiver settles (20 ms by default, counted once the command is on the
//        line)
//     -> "SS?" CR                      query (4 bytes)
//     <- "SS 0170" CR LF               reading: raw 170 (taken as the signal poll takes it)
//
// The dwell counts from when the frequency command is on the wire. A step whose reading has not
// come in time (the link's answer deadline) is marked missing, not zero.
//
// Stop on signal: a reading at or above the threshold holds the sweep on that frequency and asks
// the owner to resume the signal poll (signalPollWanted), so the meter moves. The sweep goes on
// after the hold time, at once on Resume, or on Skip, which also locks that signal out for the
// rest of the run. Each stop is a hit, announced when the sweep leaves it, with the highest
// reading seen there.
//
// During holds the owner passes the poll's readings to HeldReading(): they raise the hit's peak.
class BandSweep : public QObject
{
    Q_OBJECT

public:
    explicit BandSweep(SweepPort &port, QObject *parent = nullptr);

    // Starts a new run over the plan: readings, max-hold, waterfall and lockouts start afresh.
    // False, and nothing started, when the port does not allow a sweep (link off).
    bool Start(const SweepPlan &plan);
    void Stop();
    // Goes on from a hold at once.
    void Resume();
    // Goes on from a hold and leaves the signal held out for the rest of the run.
    void Skip();
    // A click on the plot: tunes to the step nearest the frequency and holds there until Resume.
    // While no sweep runs it only tunes there.
    void HoldAt(double frequencyMHz);
    // A reading the signal poll took while the sweep holds.
    void HeldReading(int reading);
    // Forgets the highest readings; the latest readings stay.
    void ClearMaxHold() { m_trace.ClearMaxHold(); }

    void setSettings(const SweepSettings &settings);
    const SweepSettings &settings() const { return m_settings; }
    void setDwellMs(int ms);
    void setThreshold(int raw);
    void setHoldMs(int ms);
    void setStopOnSignal(bool on);

    bool isRunning() const { return m_state != State::Idle; }
    bool isHolding() const { return m_state == State::Holding; }
    // The plan of the current (or last) run.
    const SweepPlan &plan() const { return m_plan; }
    const SweepTrace &trace() const { return m_trace; }
    const SweepWaterfall &waterfall() const { return m_waterfall; }
    bool IsLockedOut(int index) const { return m_stops.IsLockedOut(index); }
    int lockedOutCount() const { return m_stops.lockedOutCount(); }
    // The step being measured or held, -1 when none.
    int currentIndex() const { return isRunning() ? m_index : -1; }
    // The sweep under way, from 1.
    int pass() const { return m_pass; }
    // Steps measured in this run, and how many of them had no reading.
    long long stepsTaken() const { return m_stepsTaken; }
    long long missingCount() const { return m_missing; }

signals:
    void started();
    // reason is empty when the operator stopped the sweep.
    void stopped(const QString &reason);
    void stepStarted(int index, double frequencyMHz);
    // reading is a raw 0 … 255, or kReadingMissing.
    void readingTaken(int index, double frequencyMHz, int reading);
    void lockedOut(int index);
    // A sweep has reached the stop frequency; its readings are the newest waterfall row.
    void sweepFinished(int pass);
    // reading is -1 for a hold by hand.
    void holdStarted(double frequencyMHz, int reading);
    void holdEnded();
    // The owner runs the signal poll while on is true (during holds) and pauses it otherwise.
    void signalPollWanted(bool on);
    void hitRecorded(const SweepHit &hit);

private:
    enum class State { Idle, Next, Settling, Awaiting, Holding };

    void OnStepTimer();
    void BeginStep();
    void AskReading();
    void TakeReading(std::optional<int> reading);
    void Advance();
    void StartHold(int reading, bool byHand);
    void EndHold();
    void CloseHit();
    void StopWith(const QString &reason);
    void SetTrace(int index, std::int16_t value);

    SweepPort &m_port;
    SweepSettings m_settings;
    SweepPlan m_plan;
    SweepTrace m_trace;
    SweepWaterfall m_waterfall;
    StopOnSignal m_stops;
    QTimer m_stepTimer;
    QTimer m_holdTimer;
    State m_state = State::Idle;
    int m_index = 0;
    int m_pass = 0;
    // Numbers the questions, so an answer that comes after a Stop, Start or HoldAt is known.
    quint64 m_question = 0;
    bool m_hitOpen = false;
    SweepHit m_hit;
    long long m_stepsTaken = 0;
    long long m_missing = 0;
};

Q_DECLARE_METATYPE(SweepHit)
