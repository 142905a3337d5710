#include "receiversession.h"

#include "bankscan.h"
#include "codelog.h"
#include "commandlink.h"
#include "replyparser.h"
#include "seriallink.h"
#include "tunedstate.h"
#include "tuner.h"
#include "waittimer.h"

namespace {

// Sets a flag for the length of a step, however the step ends.
class StepGuard
{
public:
    explicit StepGuard(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~StepGuard() { m_flag = false; }
    StepGuard(const StepGuard &) = delete;
    StepGuard &operator=(const StepGuard &) = delete;

private:
    bool &m_flag;
};

} // namespace

ReceiverSession::ReceiverSession(TunedState &state, PanelControls &controls, QObject *parent)
    : QObject(parent)
    , m_tuned(state)
    , m_controls(controls)
    , m_port(new SerialLink(this))
    , m_wait(new WaitTimer(this))
    , m_codesOut(new CodeLog(CodeLog::kDefaultCapacityLines, this))
    , m_codesIn(new CodeLog(CodeLog::kDefaultCapacityLines, this))
    , m_link(new CommandLink(*m_port, *m_wait, *m_codesOut, this))
    , m_tuner(std::make_unique<Tuner>(state, *m_link, controls))
{
    m_pollTimer.setInterval(kPollIntervalMs);
    m_scanTimer.setInterval(kScanStepIntervalMs);
    m_bankScanTimer.setInterval(kBankScanStepIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &ReceiverSession::Poll);
    connect(&m_scanTimer, &QTimer::timeout, this, &ReceiverSession::ScanStep);
    connect(&m_bankScanTimer, &QTimer::timeout, this, &ReceiverSession::BankScanStep);
    connect(m_port, &SerialLink::failed, this, &ReceiverSession::PortFailed);
    connect(m_port, &SerialLink::received, this, &ReceiverSession::ReadWhileSweeping);

    m_sweep = new BandSweep(*this, this);
    connect(m_sweep, &BandSweep::started, this, [this] { SetState(State::Sweeping); });
    connect(m_sweep, &BandSweep::stopped, this, &ReceiverSession::SweepStopped);
    connect(m_sweep, &BandSweep::signalPollWanted, this, [this](bool on) {
        m_sweepWantsPoll = on;
        SetState(m_state);
    });
}

ReceiverSession::~ReceiverSession() = default;

bool ReceiverSession::isOn() const
{
    return m_port->isOpen();
}

QString ReceiverSession::portName() const
{
    return m_port->portName();
}

void ReceiverSession::SetState(State state)
{
    // The one place the link's timers start and stop: exactly the one the state names runs.
    const auto run = [](QTimer &timer, bool on) {
        if (!on)
            timer.stop();
        else if (!timer.isActive())
            timer.start();
    };
    run(m_pollTimer, state == State::Polling || (state == State::Sweeping && m_sweepWantsPoll));
    run(m_scanTimer, state == State::Scanning);
    run(m_bankScanTimer, state == State::BankScanning);
    if (state == m_state)
        return;
    const State before = m_state;
    m_state = state;
    if (before == State::Sweeping) {
        // Whatever took the receiver ends the sweep; it says so through stopped().
        m_sweepWantsPoll = false;
        m_sweep->Stop();
    }
    emit stateChanged(state);
    if (state == State::Off) {
        m_lastReading.reset();
        emit signalLevelChanged(0, -1);
    }
}

void ReceiverSession::PowerOn(const QString &channelText)
{
    if (m_port->isOpen())
        return;
    const QString portName = PortNameForChannel(channelText);
    if (portName.isEmpty()) {
        emit openFailed(channelText, portName, QSerialPort::DeviceNotFoundError, QString());
        return;
    }
    m_port->setPortName(portName);
    if (!m_port->open()) {
        emit openFailed(channelText, portName, m_port->error(), m_port->errorString());
        return;
    }
    m_silentPolls = 0;
    m_link->SendCommand(QStringLiteral("RMT"));
    m_tuner->SendSquelch();
    m_tuner->SendAfc();
    m_tuner->SendAgc();
    m_tuner->ApplyMode();
    m_tuner->ApplyFilter();
    m_tuner->SendFrequency();
    // OFF or a failing port may have ended the link while the sequence was pacing its commands,
    // and a scan started meanwhile keeps running instead of the poll.
    if (m_port->isOpen() && m_state == State::Off)
        SetState(State::Polling);
}

void ReceiverSession::PowerOff()
{
    // Nothing while off, nor a second time while "RMT/" is still going out.
    if (!m_link->isOpen())
        return;
    // The scans and the poll stop before "RMT/" goes out: a step running inside its pause would
    // otherwise put a command on the wire after it.
    SetState(State::Off);
    // "RMT/" seals the queue: nothing sent during its pause reaches the wire after it. What is
    // still queued goes out before the port closes.
    m_link->SendCommand(QStringLiteral("RMT/"));
    m_link->DrainAndClose();
    m_wait->Stop();
}

void ReceiverSession::Shutdown()
{
    m_wait->Stop();
    SetState(State::Off);
    m_port->close();
}

void ReceiverSession::PortFailed(QSerialPort::SerialPortError error, const QString &reason)
{
    const QString name = m_port->portName();
    SetState(State::Off);
    // The failure may surface deep inside a scan step or a paced sequence: tell the window once
    // that has unwound.
    QTimer::singleShot(
        0, this, [this, name, error, reason] { emit linkFailed(name, error, reason); });
}

void ReceiverSession::ToggleScan()
{
    if (!m_port->isOpen())
        return;
    SetState(m_state == State::Scanning ? State::Polling : State::Scanning);
}

void ReceiverSession::ToggleBankScan()
{
    if (!m_port->isOpen())
        return;
    SetState(m_state == State::BankScanning ? State::Polling : State::BankScanning);
}

void ReceiverSession::StopScans()
{
    if (m_state == State::Scanning || m_state == State::BankScanning || m_state == State::Sweeping)
        SetState(State::Polling);
}

bool ReceiverSession::StartSweep(const SweepPlan &plan)
{
    if (!m_port->isOpen())
        return false;
    return m_sweep->Start(plan);
}

void ReceiverSession::SweepStopped()
{
    // The sweep ended by itself (its Stop button, the link going off under it): the poll resumes.
    if (m_state == State::Sweeping)
        SetState(m_port->isOpen() ? State::Polling : State::Off);
}

void ReceiverSession::Tune(double frequencyMHz)
{
    m_tuner->TuneTo(frequencyMHz);
}

void ReceiverSession::SendQuery()
{
    m_link->SendQuery(QStringLiteral("SS?"));
}

QString ReceiverSession::ModeWord() const
{
    return QString::fromStdString(m_tuned.ModeCommand);
}

QString ReceiverSession::FilterWord() const
{
    return QString::fromStdString(m_tuned.FilterCommand);
}

void ReceiverSession::ReadWhileSweeping()
{
    // The sweep reads each reply as it comes; the other states read at the poll's pace.
    if (m_state != State::Sweeping)
        return;
    const QByteArray received = m_port->readAll();
    if (received.isEmpty())
        return;
    NoteReply(true);
    ShowReceived(received);
    m_sweep->OnReceived(received);
    // While the sweep holds, the poll's readings move the meter as usual.
    if (m_sweepWantsPoll) {
        const std::optional<int> reading
            = SignalReading(std::string_view(received.constData(), size_t(received.size())));
        if (reading) {
            const int level = SignalLevelForReading(*reading);
            m_tuned.SignalLevel = std::int16_t(level);
            m_lastReading = reading;
            emit signalLevelChanged(level, *reading);
        }
    }
}

void ReceiverSession::Poll()
{
    if (!m_port->isOpen() || m_inPoll)
        return;
    StepGuard guard(m_inPoll);
    // The query is not a command the operator needs to see logged.
    m_link->SendQuery(QStringLiteral("SS?"));
    // While the sweep holds, its reader takes the reply as it arrives.
    if (m_state == State::Sweeping)
        return;
    m_wait->Delay(kReplyWaitSeconds);
    // The port may have been closed (OFF, or a vanished device) while we waited.
    if (!m_port->isOpen())
        return;
    const QByteArray received = m_port->readAll();
    NoteReply(!received.isEmpty());
    ShowReceived(received);
    const std::optional<int> reading
        = SignalReading(std::string_view(received.constData(), size_t(received.size())));
    if (!reading)
        return;
    const int level = SignalLevelForReading(*reading);
    m_tuned.SignalLevel = std::int16_t(level);
    m_lastReading = reading;
    emit signalLevelChanged(level, *reading);
}

void ReceiverSession::NoteReply(bool replied)
{
    const bool wasAnswering = isAnswering();
    m_silentPolls = replied ? 0 : std::min(m_silentPolls + 1, kSilentPollsBeforeWarning);
    if (isAnswering() != wasAnswering)
        emit answeringChanged(isAnswering());
}

void ReceiverSession::ShowReceived(const QByteArray &received)
{
    const std::vector<std::string> lines
        = ReceivedCodeLines(std::string_view(received.constData(), size_t(received.size())));
    if (lines.empty())
        return;
    QStringList shown;
    shown.reserve(qsizetype(lines.size()));
    for (const std::string &line : lines)
        shown << QString::fromLatin1(line.data(), qsizetype(line.size()));
    m_codesIn->append(shown);
    emit codesReceived(shown);
}

void ReceiverSession::ScanStep()
{
    if (!m_port->isOpen() || m_inScanStep)
        return;
    StepGuard guard(m_inScanStep);
    m_tuner->StepUp();
    m_wait->Delay(kStepPauseSeconds);
}

void ReceiverSession::BankScanStep()
{
    if (!m_port->isOpen() || m_inBankStep)
        return;
    StepGuard guard(m_inBankStep);
    const int index = m_tuned.BankScanIndex;
    const int slot = NextUsableSlot(index, m_tuned.MemFrequency);
    if (slot == 0) {
        // Nothing to visit: the position moves as the search did, and the scan ends.
        m_tuned.BankScanIndex
            = std::int16_t(BankScanIndexAfterFruitlessSearch(index, m_tuned.MemFrequency));
        SetState(State::Polling);
        return;
    }
    m_tuned.BankScanIndex = std::int16_t(slot);
    m_tuner->Recall(slot);
    m_wait->Delay(kStepPauseSeconds);
}

void ReceiverSession::Delay(double seconds)
{
    m_wait->Delay(seconds);
}
