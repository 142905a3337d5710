#include "receiversession.h"

#include "bankscan.h"
#include "codelog.h"
#include "commandlink.h"
#include "linklog.h"
#include "replyparser.h"
#include "seriallink.h"
#include "tunedstate.h"
#include "tuner.h"

#include <cmath>

namespace {

// More than any answer: a babbling receiver ends the question at this size.
constexpr qsizetype kLongestAnswerBytes = 1024;

std::string_view View(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), size_t(bytes.size()));
}

} // namespace

ReceiverSession::ReceiverSession(TunedState &state, PanelControls &controls, QObject *parent)
    : QObject(parent)
    , m_tuned(state)
    , m_controls(controls)
    , m_port(new SerialLink(this))
    , m_codesOut(new CodeLog(CodeLog::kDefaultCapacityLines, this))
    , m_codesIn(new CodeLog(CodeLog::kDefaultCapacityLines, this))
    , m_link(new CommandLink(*m_port, *m_codesOut, this))
    , m_tuner(std::make_unique<Tuner>(state, *m_link, controls))
{
    m_pollTimer.setInterval(kPollIntervalMs);
    m_scanTimer.setInterval(kScanStepIntervalMs);
    m_bankScanTimer.setInterval(kBankScanStepIntervalMs);
    m_answerTimer.setSingleShot(true);
    m_answerTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pollTimer, &QTimer::timeout, this, &ReceiverSession::Poll);
    connect(&m_scanTimer, &QTimer::timeout, this, &ReceiverSession::ScanStep);
    connect(&m_bankScanTimer, &QTimer::timeout, this, &ReceiverSession::BankScanStep);
    connect(&m_answerTimer, &QTimer::timeout, this, [this] {
        // An answer that came while the program was not listening (a stall) still counts.
        m_answer += m_port->readAll();
        int reading = 0;
        if (FindSignalReading(View(m_answer), 0, &reading) >= 0)
            FinishQuestion(reading);
        else
            FinishQuestion(SignalReading(View(m_answer)));
    });
    connect(m_port, &SerialLink::failed, this, &ReceiverSession::PortFailed);
    connect(m_port, &SerialLink::closed, this, &ReceiverSession::PortClosed);
    connect(m_port, &SerialLink::received, this, &ReceiverSession::AnswerArrived);

    m_sweep = new BandSweep(*this, this);
    connect(m_sweep, &BandSweep::started, this, [this] { SetState(State::Sweeping); });
    connect(m_sweep, &BandSweep::stopped, this, &ReceiverSession::SweepStopped);
    connect(m_sweep, &BandSweep::signalPollWanted, this, [this](bool on) {
        m_sweepWantsPoll = on;
        SetState(m_state);
        AskForWaiting();
    });
}

ReceiverSession::~ReceiverSession() = default;

bool ReceiverSession::isOn() const
{
    return m_link->isOpen();
}

QString ReceiverSession::portName() const
{
    return m_port->portName();
}

void ReceiverSession::setLineBytesPerSecond(double bytesPerSecond)
{
    m_link->setLineBytesPerSecond(bytesPerSecond);
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
        emit signalLevelChanged(0, -1);
    }
    if (before == State::Sweeping)
        AskForWaiting();
}

bool ReceiverSession::PowerOn(Origin origin)
{
    if (m_link->isOpen())
        return true;
    if (m_port->isOpen()) {
        // OFF is still letting the queue out: the link comes back on behind its "RMT/".
        m_link->CancelClose();
    } else {
        // A port typed into the channel box after start-up takes effect here.
        const QString channelText = m_controls.ChannelText();
        const QString portName = PortNameForChannel(channelText);
        if (portName.isEmpty()) {
            emit openFailed(channelText, portName, PortError::DeviceNotFound, QString(), origin);
            return false;
        }
        m_port->setPortName(portName);
        if (!m_port->open()) {
            emit openFailed(channelText, portName, m_port->error(), m_port->errorString(), origin);
            return false;
        }
    }
    m_silentPolls = 0;
    m_link->SendCommand(QStringLiteral("RMT"));
    m_tuner->SendSquelch();
    m_tuner->SendAfc();
    m_tuner->SendAgc();
    m_tuner->ApplyMode();
    m_tuner->ApplyFilter();
    m_tuner->SendFrequency();
    SetState(State::Polling);
    return true;
}

void ReceiverSession::PowerOff()
{
    // Nothing while off, nor a second time while "RMT/" is still going out.
    if (!m_link->isOpen())
        return;
    SetState(State::Off);
    // "RMT/" seals the queue; what is queued before it still goes out, then the port closes.
    m_link->SendCommand(QStringLiteral("RMT/"));
    m_link->CloseWhenDrained();
    FinishQuestion(std::nullopt);
}

void ReceiverSession::Shutdown()
{
    SetState(State::Off);
    m_port->close();
}

void ReceiverSession::PortFailed(PortError error, const QString &reason)
{
    const QString name = m_port->portName();
    SetState(State::Off);
    // The failure surfaces inside whatever wrote or read: the window hears of it once that is
    // over.
    QTimer::singleShot(
        0, this, [this, name, error, reason] { emit linkFailed(name, error, reason); });
}

void ReceiverSession::PortClosed()
{
    SetState(State::Off);
    FinishQuestion(std::nullopt);
    // Whoever waits for the next question will not see one.
    std::vector<ReadingDone> waiting;
    waiting.swap(m_nextAskers);
    m_sweepWaits = false;
    for (ReadingDone &done : waiting) {
        if (done)
            QTimer::singleShot(0, this, [done = std::move(done)] { done(std::nullopt); });
    }
}

void ReceiverSession::ToggleScan()
{
    if (!isOn())
        return;
    SetState(m_state == State::Scanning ? State::Polling : State::Scanning);
}

void ReceiverSession::ToggleBankScan()
{
    if (!isOn())
        return;
    SetState(m_state == State::BankScanning ? State::Polling : State::BankScanning);
}

void ReceiverSession::StopScans()
{
    if (m_state == State::Scanning || m_state == State::BankScanning || m_state == State::Sweeping)
        SetState(State::Polling);
}

void ReceiverSession::SweepStopped()
{
    // The sweep ended by itself (its Stop button, the link going off under it): the poll resumes.
    if (m_state == State::Sweeping)
        SetState(isOn() ? State::Polling : State::Off);
}

void ReceiverSession::Tune(double frequencyMHz)
{
    m_tuner->TuneTo(frequencyMHz);
}

void ReceiverSession::AskSignal(ReadingDone done)
{
    // Behind a question still out (the poll's, when the sweep has just started) the sweep's own
    // waits for the next one, which must then be sent although the sweep is running.
    m_sweepWaits = m_asking;
    Ask(std::move(done));
}

int ReceiverSession::LineBacklogMs() const
{
    return m_link->backlogMs();
}

QString ReceiverSession::ModeWord() const
{
    return QString::fromStdString(m_tuned.ModeCommand);
}

QString ReceiverSession::FilterWord() const
{
    return QString::fromStdString(m_tuned.FilterCommand);
}

void ReceiverSession::Poll()
{
    if (isOn())
        Ask({});
}

void ReceiverSession::ReadSignal(ReadingDone done)
{
    if (!isOn()) {
        QTimer::singleShot(0, this, [done = std::move(done)] { done(std::nullopt); });
        return;
    }
    // Between the sweep's own questions the receiver is tuned elsewhere every few milliseconds:
    // the answer is the sweep's next reading.
    if (SweepAsks()) {
        m_nextAskers.push_back(std::move(done));
        return;
    }
    Ask(std::move(done));
}

bool ReceiverSession::SweepAsks() const
{
    return m_state == State::Sweeping && !m_sweep->isHolding();
}

void ReceiverSession::Ask(ReadingDone done)
{
    if (m_asking) {
        m_nextAskers.push_back(std::move(done));
        return;
    }
    m_askers.swap(m_nextAskers);
    m_nextAskers.clear();
    m_sweepWaits = false;
    m_askers.push_back(std::move(done));
    SendQuestion();
}

void ReceiverSession::SendQuestion()
{
    m_asking = true;
    m_awaitingAnswer = false;
    m_answer.clear();
    const quint64 question = ++m_question;
    // The query is not a command the operator needs to see logged.
    m_link->SendQuery(QStringLiteral("SS?"), [this, question] {
        // A question given up (OFF) may still go out ahead of "RMT/": its answer is not awaited.
        if (m_asking && question == m_question)
            QuestionWritten();
    });
}

void ReceiverSession::QuestionWritten()
{
    // What came before the question answers something else (a late reply, status codes).
    const QByteArray before = m_port->readAll();
    if (!before.isEmpty()) {
        qCDebug(lcLink).noquote() << LinkLogTime() << "before SS?" << before.toPercentEncoding();
        ShowReceived(before);
    }
    m_awaitingAnswer = true;
    // The deadline counts from when the question is on the wire, not from when it was handed over.
    const int onWireMs = int(std::ceil(m_link->aheadBytes() / m_link->lineBytesPerSecond() * 1000));
    m_answerTimer.start(onWireMs + kAnswerTimeoutMs);
}

void ReceiverSession::AnswerArrived()
{
    // Bytes that come while no question waits stay at the port until the next question takes
    // them (and logs them) before it goes out.
    if (!m_awaitingAnswer)
        return;
    m_answer += m_port->readAll();
    int reading = 0;
    if (FindSignalReading(View(m_answer), 0, &reading) >= 0)
        FinishQuestion(reading);
    else if (m_answer.size() > kLongestAnswerBytes)
        FinishQuestion(SignalReading(View(m_answer)));
}

void ReceiverSession::FinishQuestion(std::optional<int> reading)
{
    if (!m_asking)
        return;
    const bool answered = m_awaitingAnswer;
    m_asking = false;
    m_awaitingAnswer = false;
    m_answerTimer.stop();
    std::vector<ReadingDone> askers;
    askers.swap(m_askers);
    const QByteArray answer = std::exchange(m_answer, QByteArray());
    if (answered) {
        ShowReceived(answer);
        NoteReply(!answer.isEmpty());
    } else {
        reading.reset(); // the link closed before the question went out
    }
    if (reading) {
        // Between holds the sweep's readings are its own; the meter rests as during a scan.
        if (m_state != State::Sweeping || m_sweep->isHolding()) {
            const int level = SignalLevelForReading(*reading);
            m_tuned.SignalLevel = std::int16_t(level);
            emit signalLevelChanged(level, *reading);
        }
        if (m_state == State::Sweeping && m_sweep->isHolding())
            m_sweep->HeldReading(*reading);
    }
    AskForWaiting();
    for (ReadingDone &done : askers) {
        if (done)
            done(reading);
    }
}

void ReceiverSession::AskForWaiting()
{
    // Whoever asked meanwhile gets the next question, behind what has been queued since; during
    // a sweep, the sweep's next one.
    if (!m_asking && !m_nextAskers.empty() && isOn() && (m_sweepWaits || !SweepAsks()))
        Ask({});
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
    const std::vector<std::string> lines = ReceivedCodeLines(View(received));
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
    // A tick that falls due while the previous step still waits for the line is skipped: its
    // frequency would otherwise be replaced before the receiver was ever tuned there.
    if (!isOn() || m_link->queuedBytes() > 0)
        return;
    m_tuner->StepUp();
    m_link->Pause(kStepPauseMs);
}

void ReceiverSession::BankScanStep()
{
    if (!isOn() || m_link->queuedBytes() > 0)
        return;
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
    m_link->Pause(kStepPauseMs);
}
