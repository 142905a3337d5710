#pragma once

#include "bandsweep.h"
#include "serialdevice.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class CodeLog;
class CommandLink;
class PanelControls;
class SerialLink;
class Tuner;
struct TunedState;

// The link to the receiver and everything that runs on it: the serial port, the command queue,
// the signal poll (every 800 ms) and the two scans (a step every 50 ms each). Every way of driving
// the receiver (the panel's controls, its keys, a network client, the band sweep) goes through
// here. The operator's choices stay in the panel's controls, read through PanelControls whenever
// they are needed. Every call returns at once: pauses are kept by the command queue, answers are
// awaited by a deadline and taken when the port brings them.
//
// Its state is one value. Off: the port is closed. Polling: the port is open and the signal poll
// runs. Scanning and BankScanning: a scan runs and the poll rests. Sweeping: the band sweep
// measures, and the poll runs only while the sweep holds on a signal. Exactly the timer the state
// names runs; nothing else starts or stops them. Starting one of the three ends the other two;
// OFF, a failing port and a network client's retune end them all.
//
// A signal reading belongs to the question that asked for it. "SS?" goes out behind whatever is
// queued; what the receiver sent before the question left is logged as it is and never taken as
// its answer; the answer is taken as it arrives, and a question still unanswered kAnswerTimeoutMs
// after it is on the wire counts as missing. One question is out at a time; whoever asks while one
// is out shares the next.
class ReceiverSession : public QObject, private SweepPort
{
    Q_OBJECT

public:
    enum class State { Off, Polling, Scanning, BankScanning, Sweeping };
    Q_ENUM(State)
    // Who asked for the link to go on: a failure is told to whoever that was.
    enum class Origin { Operator, Client };
    Q_ENUM(Origin)
    using ReadingDone = std::function<void(std::optional<int> raw)>;

    static constexpr int kPollIntervalMs = 800;
    static constexpr int kScanStepIntervalMs = 50;
    static constexpr int kBankScanStepIntervalMs = 50;
    // Each scan step ends with this pause, on top of its frequency command's.
    static constexpr int kStepPauseMs = 10;
    // The receiver's few milliseconds to act, the 8-byte answer's line time, and a margin.
    static constexpr int kAnswerTimeoutMs = 100;
    // Questions in a row without any answer before the panel says the receiver is not answering.
    static constexpr int kSilentPollsBeforeWarning = 3;

    ReceiverSession(TunedState &state, PanelControls &controls, QObject *parent = nullptr);
    ~ReceiverSession() override;

    State state() const { return m_state; }
    // True while the port is open and not closing: from ON until OFF is pressed.
    bool isOn() const;
    QString portName() const;

    // Opens the port the channel box names (see PortNameForChannel) and queues "RMT" and the
    // panel's state; the poll starts at once. Nothing happens while the link is on; during OFF's
    // closing the link comes back on. A text that names no port, or a port that cannot be opened,
    // is reported through openFailed() and the session stays Off. True when the link is on after.
    bool PowerOn(Origin origin = Origin::Operator);
    // Sends "RMT/" and closes the port once the queue has gone out. Nothing follows "RMT/".
    void PowerOff();
    // Ends at once for the program's exit: every timer stops, the port closes without a word.
    void Shutdown();

    // The SCAN and Scan Bank buttons: start or stop (only while on; otherwise nothing happens).
    void ToggleScan();
    void ToggleBankScan();
    // Ends a running scan, bank scan or sweep and resumes the poll; nothing when none runs.
    void StopScans();
    BandSweep &sweep() { return *m_sweep; }

    // One tick of each timer: the poll's question, a scan step, a bank-scan step.
    void Poll();
    void ScanStep();
    void BankScanStep();

    // Asks the receiver for its signal strength; done gets the raw reading, or nothing when the
    // link is off or no reading came in time. It is called later from the event loop, never from
    // inside this call. During a sweep (not holding) the reading is the sweep's next one.
    void ReadSignal(ReadingDone done);

    // The poll's interval, 800 ms unless changed (the bench and tests change it).
    void setPollInterval(int ms) { m_pollTimer.setInterval(ms); }
    // The serial line's speed, 960 bytes a second unless changed: the queue paces to it and the
    // answers' deadlines follow it. A simulated receiver may run a faster line.
    void setLineBytesPerSecond(double bytesPerSecond);

    Tuner &tuner() { return *m_tuner; }
    // The outgoing queue's figures (queued, ahead, replaced commands).
    const CommandLink &link() const { return *m_link; }
    CodeLog &codesOut() { return *m_codesOut; }
    CodeLog &codesIn() { return *m_codesIn; }
    // False when the receiver has not answered the last few questions.
    bool isAnswering() const { return m_silentPolls < kSilentPollsBeforeWarning; }

signals:
    void stateChanged(ReceiverSession::State state);
    // A signal reading arrived: the raw reading 0 … 255 and the meter's level 0 … 128. Going Off
    // reports level 0 with raw -1.
    void signalLevelChanged(int level, int raw);
    // The lines the received-codes log gained.
    void codesReceived(const QStringList &lines);
    // The receiver stopped answering (false) or answers again (true).
    void answeringChanged(bool answering);
    // ON could not open the port; the session stays Off. portName is empty when the channel text
    // names no port at all.
    void openFailed(const QString &channelText, const QString &portName, PortError error,
        const QString &reason, ReceiverSession::Origin origin);
    // The open port failed (an unplugged adapter, an I/O error) and has been closed; the session
    // is Off.
    void linkFailed(const QString &portName, PortError error, const QString &reason);

private:
    // SweepPort
    bool LinkIsOn() const override { return isOn(); }
    void Tune(double frequencyMHz) override;
    void AskSignal(ReadingDone done) override;
    int LineBacklogMs() const override;
    QString ModeWord() const override;
    QString FilterWord() const override;

    void SetState(State state);
    void SweepStopped();
    void PortFailed(PortError error, const QString &reason);
    void PortClosed();

    // The one way a reading is taken, for the poll, the sweep and the network alike.
    void Ask(ReadingDone done);
    void AskForWaiting();
    // The sweep takes the readings itself (it is not holding on a signal).
    bool SweepAsks() const;
    void SendQuestion();
    void QuestionWritten();
    void AnswerArrived();
    void FinishQuestion(std::optional<int> reading);
    void ShowReceived(const QByteArray &received);
    void NoteReply(bool replied);

    TunedState &m_tuned;
    PanelControls &m_controls;
    SerialLink *m_port = nullptr;
    CodeLog *m_codesOut = nullptr;
    CodeLog *m_codesIn = nullptr;
    CommandLink *m_link = nullptr;
    std::unique_ptr<Tuner> m_tuner;
    QTimer m_pollTimer; // Timer2
    QTimer m_scanTimer; // Timer3
    QTimer m_bankScanTimer; // Timer4
    BandSweep *m_sweep = nullptr;
    // The sweep holds on a signal and wants the meter to move.
    bool m_sweepWantsPoll = false;
    State m_state = State::Off;
    int m_silentPolls = 0;

    // The question out now (in the queue or on the line) and who waits for it; who waits for the
    // next one.
    bool m_asking = false;
    bool m_awaitingAnswer = false;
    quint64 m_question = 0;
    std::vector<ReadingDone> m_askers;
    std::vector<ReadingDone> m_nextAskers;
    bool m_sweepWaits = false; // the sweep's own question is among the next askers
    QByteArray m_answer;
    QTimer m_answerTimer;
};
