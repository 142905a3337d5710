#pragma once

#include "bandsweep.h"

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class CodeLog;
class CommandLink;
class PanelControls;
class SerialLink;
class Tuner;
class WaitTimer;
struct TunedState;

// The link to the receiver and everything that runs on it: the serial port, the cooperative wait,
// the command sender, the signal poll (every 800 ms) and the two scans (a step every 50 ms each).
// Every way of driving the receiver (the panel's controls, its keys, a network client) goes
// through here. The operator's choices stay in the panel's controls, read through PanelControls
// whenever they are needed.
//
// Its state is one value. Off: the port is closed. Polling: the port is open and the signal poll
// runs. Scanning and BankScanning: a scan runs and the poll rests. Sweeping: the band sweep
// measures, and the poll runs only while the sweep holds on a signal. Exactly the timer the state
// names runs; nothing else starts or stops them. Starting one of the three ends the other two;
// OFF, a failing port and a network client's retune end them all.
class ReceiverSession : public QObject, private SweepPort
{
    Q_OBJECT

public:
    enum class State { Off, Polling, Scanning, BankScanning, Sweeping };
    Q_ENUM(State)

    static constexpr int kPollIntervalMs = 800;
    static constexpr int kScanStepIntervalMs = 50;
    static constexpr int kBankScanStepIntervalMs = 50;
    // The poll reads what has arrived this long after its query.
    static constexpr double kReplyWaitSeconds = 0.01;
    // Each scan step ends with this pause.
    static constexpr double kStepPauseSeconds = 0.01;
    // Polls in a row without any reply before the panel says the receiver is not answering.
    static constexpr int kSilentPollsBeforeWarning = 3;

    ReceiverSession(TunedState &state, PanelControls &controls, QObject *parent = nullptr);
    ~ReceiverSession() override;

    State state() const { return m_state; }
    // True exactly while the port is open, which includes the power-on sequence itself.
    bool isOn() const;
    QString portName() const;

    // Opens the port the channel text names (see PortNameForChannel) and sends "RMT" and the
    // panel's state; the poll starts once that is done. Nothing happens while the link is on. A
    // text that names no port, or a port that cannot be opened, is reported through openFailed()
    // and the session stays Off.
    void PowerOn(const QString &channelText);
    // Sends "RMT/" and closes the port. Nothing may follow "RMT/" on the wire.
    void PowerOff();
    // Ends at once for the program's exit: every timer stops, the port closes without a word.
    void Shutdown();

    // The SCAN and Scan Bank buttons: start or stop (only while on; otherwise nothing happens).
    void ToggleScan();
    void ToggleBankScan();
    // Ends a running scan, bank scan or sweep and resumes the poll; nothing when none runs.
    void StopScans();
    // Starts the band sweep over the plan (only while on): the poll and any scan stop.
    bool StartSweep(const SweepPlan &plan);
    BandSweep &sweep() { return *m_sweep; }

    // One tick of each timer.
    void Poll();
    void ScanStep();
    void BankScanStep();

    // Waits while the window keeps processing events (the pacing between commands).
    void Delay(double seconds);
    // The poll's interval, 800 ms unless changed (the bench and tests change it).
    void setPollInterval(int ms) { m_pollTimer.setInterval(ms); }

    Tuner &tuner() { return *m_tuner; }
    // The outgoing queue's figures (queued, ahead, replaced commands).
    const CommandLink &link() const { return *m_link; }
    WaitTimer &waitTimer() { return *m_wait; }
    CodeLog &codesOut() { return *m_codesOut; }
    CodeLog &codesIn() { return *m_codesIn; }
    // The raw reading (0 … 255) of the last signal reading since the link came on.
    std::optional<int> lastReading() const { return m_lastReading; }
    // False when the receiver has not answered the last few polls.
    bool isAnswering() const { return m_silentPolls < kSilentPollsBeforeWarning; }

signals:
    void stateChanged(ReceiverSession::State state);
    // A signal reading arrived: the raw reading 0 … 255 and the meter's level 0 … 128. Going Off
    // reports level 0 with raw -1.
    void signalLevelChanged(int level, int raw);
    // The lines the received-codes log gained.
    void codesReceived(const QStringList &lines);
    // The receiver stopped answering the poll (false) or answers again (true).
    void answeringChanged(bool answering);
    // ON could not open the port; the session stays Off. portName is empty when the channel text
    // names no port at all.
    void openFailed(const QString &channelText, const QString &portName,
        QSerialPort::SerialPortError error, const QString &reason);
    // The open port failed (an unplugged adapter, an I/O error) and has been closed; the session
    // is Off. Emitted after the handler in which the failure surfaced has unwound.
    void linkFailed(
        const QString &portName, QSerialPort::SerialPortError error, const QString &reason);

private:
    // SweepPort
    bool LinkIsOn() const override { return isOn(); }
    void Tune(double frequencyMHz) override;
    void SendQuery() override;
    QString ModeWord() const override;
    QString FilterWord() const override;

    void SetState(State state);
    void ReadWhileSweeping();
    void SweepStopped();
    void PortFailed(QSerialPort::SerialPortError error, const QString &reason);
    void ShowReceived(const QByteArray &received);
    void NoteReply(bool replied);

    TunedState &m_tuned;
    PanelControls &m_controls;
    SerialLink *m_port = nullptr;
    WaitTimer *m_wait = nullptr;
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
    std::optional<int> m_lastReading;
    // A tick that falls due while the previous step is still pacing its commands is skipped, so
    // each step makes exactly one move.
    bool m_inScanStep = false;
    bool m_inBankStep = false;
    bool m_inPoll = false;
};
