#include "mainwindow.h"

#include "codelog.h"
#include "commandlink.h"
#include "frequencyentry.h"
#include "keyboardpoll.h"
#include "keysource.h"
#include "knobcontrol.h"
#include "memorypage.h"
#include "options.h"
#include "scancontrol.h"
#include "seriallink.h"
#include "signalpoll.h"
#include "statusbarrefresh.h"
#include "steptable.h"
#include "waittimer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>

namespace {

constexpr int kPollIntervalMs = SignalPoll::kPollIntervalMs;
constexpr int kScanStepIntervalMs = 50;
constexpr int kBankScanStepIntervalMs = 50;
constexpr int kKeyPollIntervalMs = 80;
constexpr int kStatusRefreshIntervalMs = 300;
constexpr double kStartFrequencyMHz = 105.9;
constexpr int kStartSquelch = 1;

// Keeps the newest line of a log in view. Scrolling makes the list lay out every one of its rows
// there and then, so with a full log an immediate scroll on every line cost more than sending the
// command did, even with the CODES page hidden. The scroll is left to the event loop (one layout
// for however many lines came) and skipped while the log is hidden; showing it scrolls it.
class FollowNewest : public QObject
{
public:
    FollowNewest(QListView *view, CodeLog *log)
        : QObject(view)
        , m_view(view)
    {
        view->setModel(log);
        view->installEventFilter(this);
        connect(log, &CodeLog::rowsInserted, this, &FollowNewest::ScrollSoon);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_view && event->type() == QEvent::Show)
            ScrollSoon();
        return false;
    }

private:
    void ScrollSoon()
    {
        if (m_scrollPending || !m_view->isVisible())
            return;
        m_scrollPending = true;
        QTimer::singleShot(0, this, [this] {
            m_scrollPending = false;
            if (m_view->isVisible())
                m_view->scrollToBottom();
        });
    }

    QListView *m_view;
    bool m_scrollPending = false;
};

} // namespace

MainWindow::MainWindow(const QString &channelText, QWidget *parent)
    : QMainWindow(parent)
{
    m_panel = BuildPanel(this);
    m_panel.Channelnum->setText(channelText);

    m_port = new SerialLink(this);
    m_wait = new WaitTimer(this);
    m_codesOut = new CodeLog(CodeLog::kDefaultCapacityLines, this);
    m_codesIn = new CodeLog(CodeLog::kDefaultCapacityLines, this);
    m_link = new CommandLink(*m_port, *m_wait, *m_codesOut, this);
    m_tuner = std::make_unique<Tuner>(m_state, *m_link, *this);
    m_poll = new SignalPoll(*m_link, *m_codesIn, m_state, *m_panel.SignalStrengthMeter, this);
    m_entry = new FrequencyEntry(*m_tuner, m_panel, this);
    m_memory = new MemoryPage(m_state, *m_tuner, m_panel, this);
    m_scans = new ScanControl(*m_link, *m_tuner, *m_memory, m_state, m_timers, m_panel, this);
    m_knob = new KnobControl(m_state, *m_tuner, *m_wait, m_panel, this);
    m_status = new StatusBarRefresh(m_panel, this);
    new FollowNewest(m_panel.CodesOut, m_codesOut);
    new FollowNewest(m_panel.CodesIn, m_codesIn);

    WireControls();
    WireKeyboard();
    StartUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::WireControls()
{
    const Panel &p = m_panel;
    connect(p.RadioOn, &QPushButton::clicked, this, &MainWindow::PowerOn);
    connect(p.RadioOff, &QPushButton::clicked, this, &MainWindow::PowerOff);
    connect(p.FrequencyUp, &QPushButton::clicked, this, [this] { m_tuner->StepUp(); });
    connect(p.FrequencyDown, &QPushButton::clicked, this, [this] { m_tuner->StepDown(); });
    // Selecting an option from code runs its handler just as the operator's click does.
    for (QRadioButton *mode : p.Mode) {
        connect(mode, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                m_tuner->ApplyMode();
        });
    }
    for (QRadioButton *filter : p.Filter) {
        connect(filter, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                m_tuner->ApplyFilter();
        });
    }
    connect(p.TuningStep, &QComboBox::currentIndexChanged, this, [this] { m_tuner->ApplyStep(); });
    // The squelch goes out when a drag ends, not at every pixel of it.
    p.Squelch->setTracking(false);
    connect(p.Squelch, &QScrollBar::valueChanged, this, [this] { m_tuner->SendSquelch(); });
    connect(p.Dot[2], &DotPicture::clicked, this, [this] { DotClick(2); });
    connect(p.Dot[3], &DotPicture::clicked, this, [this] { DotClick(3); });
    connect(p.AFC, &QCheckBox::clicked, this, [this] { m_tuner->SendAfc(); });
    connect(p.AGC, &QCheckBox::clicked, this, [this] { m_tuner->SendAgc(); });
    connect(p.MemoryBanks, &QComboBox::currentIndexChanged, m_memory, &MemoryPage::LoadMemoryBank);

    connect(&m_timers.Timer2, &QTimer::timeout, m_poll, &SignalPoll::Poll);
    connect(&m_timers.Timer6, &QTimer::timeout, m_status, &StatusBarRefresh::Refresh);
    connect(m_port, &SerialLink::failed, this, &MainWindow::LinkFailed);
}

void MainWindow::WireKeyboard()
{
    m_keys = CreateKeySource();
    KeyboardActions actions;
    actions.stepUp = [this] {
        m_tuner->StepUp();
    };
    actions.stepDown = [this] {
        m_tuner->StepDown();
    };
    actions.requestClose = [this] {
        close();
    };
    actions.powerOn = [this] {
        PowerOn();
    };
    actions.powerOff = [this] {
        PowerOff();
    };
    actions.jumpToBottom = [this] {
        m_tuner->TuneTo(kLowestFrequencyMHz);
    };
    actions.jumpToTop = [this] {
        m_tuner->TuneTo(kHighestFrequencyMHz);
    };
    actions.directEntry = [this] {
        m_entry->DirectEntry();
    };
    actions.scanToggle = [this] {
        m_scans->Scan_Click();
    };
    actions.bankScanToggle = [this] {
        m_scans->ScanBank_Click();
    };
    actions.bankScanEnabled = [this] {
        return m_panel.ScanBank->isEnabled();
    };
    const Panel &p = m_panel;
    m_keyboard = new KeyboardPoll(*m_keys, std::move(actions),
        {p.FrequencyUp, p.FrequencyDown, p.RadioOn, p.RadioOff, p.Direct, p.Scan, p.ScanBank},
        this);
    connect(&m_timers.Timer5, &QTimer::timeout, m_keyboard, &KeyboardPoll::Tick);
}

void MainWindow::StartUp()
{
    // Keys pressed before the program started must not act once the keyboard poll runs.
    m_keys->Flush();

    m_wait->Stop();
    m_timers.Timer2.stop();
    m_timers.Timer3.stop();
    m_timers.Timer4.stop();
    m_timers.Timer2.setInterval(kPollIntervalMs);
    m_timers.Timer3.setInterval(kScanStepIntervalMs);
    m_timers.Timer4.setInterval(kBankScanStepIntervalMs);
    m_timers.Timer5.setInterval(kKeyPollIntervalMs);
    m_timers.Timer6.setInterval(kStatusRefreshIntervalMs);
    m_timers.Timer5.start();
    m_timers.Timer6.start();

    // The port is configured here but opened only by ON.
    m_port->setPortName(PortNameForChannel(m_panel.Channelnum->text()));

    m_panel.Squelch->setValue(kStartSquelch);
    m_panel.Mode[kModeFM]->setChecked(true);
    m_panel.Filter[kFilter3]->setChecked(true);
    m_panel.AFC->setChecked(false);
    m_panel.AGC->setChecked(false);
    m_panel.TuningStep->setCurrentIndex(kStartStepIndex);
    m_state.StepSize = kStepTable[kStartStepIndex].sizeMHz;
    m_state.CurrentFrequency = kStartFrequencyMHz;
    m_tuner->DrawFrequency();
    m_panel.OnOffLabel->setColor(kLampRed);
    m_panel.ScanLabel->setColor(kLampRed);
    m_poll->DrawSignalMeter(0);
    m_panel.SSTab1->setCurrentIndex(0);
    m_state.KeypadEntry.clear();
    // Bank 01 is already the list's entry at design time, so selecting it changes nothing: load
    // it explicitly.
    m_panel.MemoryBanks->setCurrentIndex(0);
    m_memory->LoadMemoryBank();
    m_knob->Reset();
}

void MainWindow::PowerOn()
{
    if (m_port->isOpen())
        return;
    // A port typed into the channel box after start-up takes effect here.
    const QString channel = m_panel.Channelnum->text();
    const QString portName = PortNameForChannel(channel);
    if (portName.isEmpty()) {
        ReportPortProblem(tr("Cannot switch on"),
            tr("\"%1\" names no serial port. Type a port number (1 for the first "
               "port) or a device name such as /dev/ttyUSB0 on the MAIN page.")
                .arg(channel));
        return;
    }
    m_port->setPortName(portName);
    if (!m_port->open()) {
        QString text
            = tr("The serial port %1 cannot be opened:\n%2").arg(portName, m_port->errorString());
        if (m_port->errorString().contains(QLatin1String("ermission")))
            text += tr("\n\nOn Linux the user usually has to be a member of the \"dialout\" group "
                       "to use serial ports.");
        ReportPortProblem(tr("Cannot switch on"), text);
        return;
    }
    m_link->SendCommand(QStringLiteral("RMT"));
    m_tuner->SendSquelch();
    m_tuner->SendAfc();
    m_tuner->SendAgc();
    m_tuner->ApplyMode();
    m_tuner->ApplyFilter();
    m_tuner->SendFrequency();
    // OFF (or a failing port) may have ended the link while power-on was pacing its commands.
    if (!m_port->isOpen())
        return;
    m_panel.OnOffLabel->setColor(kLampGreen);
    m_timers.Timer2.start();
}

void MainWindow::PowerOff()
{
    if (!m_port->isOpen())
        return;
    m_link->SendCommand(QStringLiteral("RMT/"));
    // "RMT/" may still be queued behind other lines: let it out before the port closes.
    m_link->DrainAndClose();
    ShowOff();
    m_wait->Stop();
}

void MainWindow::ShowOff()
{
    m_panel.OnOffLabel->setColor(kLampRed);
    m_panel.ScanLabel->setColor(kLampRed);
    m_poll->DrawSignalMeter(0);
    m_timers.Timer2.stop();
    m_timers.Timer3.stop();
    m_timers.Timer4.stop();
}

void MainWindow::LinkFailed(const QString &reason)
{
    const QString portName = m_port->portName();
    ShowOff();
    // The failure may surface deep inside a scan step or a paced sequence: tell the operator once
    // that has unwound.
    QTimer::singleShot(0, this, [this, portName, reason] {
        ReportPortProblem(tr("Receiver link lost"),
            tr("The serial port %1 failed and has been closed:\n%2\n\nThe panel is "
               "off. Press ON once the receiver is connected again.")
                .arg(portName, reason));
    });
}

void MainWindow::ReportPortProblem(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("PortProblem"));
    box.exec();
}

void MainWindow::DotClick(int index)
{
    m_panel.Squelch->setValue(index == 2 ? m_panel.Squelch->minimum() : m_panel.Squelch->maximum());
}

bool MainWindow::ConfirmExit()
{
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kTitle),
        QStringLiteral("Do you really want to exit ?"), QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName(QStringLiteral("ConfirmExit"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_exitConfirmed) {
        event->accept();
        return;
    }
    // A second close request while the question is open (Esc held, say) asks nothing more.
    if (m_askingToExit) {
        event->ignore();
        return;
    }
    m_askingToExit = true;
    const bool yes = ConfirmExit();
    m_askingToExit = false;
    if (!yes) {
        event->ignore();
        return;
    }
    // End at once: nothing more is sent (a receiver in remote control stays there), and no timer
    // may run another step while the program winds down.
    m_exitConfirmed = true;
    m_state.KnobHeld = 0; // a hold loop in progress must not keep the program alive
    m_wait->Stop();
    m_timers.Timer2.stop();
    m_timers.Timer3.stop();
    m_timers.Timer4.stop();
    m_timers.Timer5.stop();
    m_timers.Timer6.stop();
    m_port->close();
    event->accept();
}

int MainWindow::SelectedMode() const
{
    for (size_t i = 0; i < m_panel.Mode.size(); ++i) {
        if (m_panel.Mode[i]->isChecked())
            return int(i);
    }
    return -1;
}

int MainWindow::SelectedFilter() const
{
    for (size_t i = 0; i < m_panel.Filter.size(); ++i) {
        if (m_panel.Filter[i]->isChecked())
            return int(i);
    }
    return -1;
}

int MainWindow::SquelchLevel() const
{
    return m_panel.Squelch->value();
}

bool MainWindow::AfcChecked() const
{
    return m_panel.AFC->checkState() != Qt::Unchecked;
}

bool MainWindow::AgcChecked() const
{
    return m_panel.AGC->checkState() != Qt::Unchecked;
}

QString MainWindow::SelectedStepCaption() const
{
    return m_panel.TuningStep->currentText();
}

void MainWindow::ShowFrequency(const QString &line)
{
    m_panel.DisplayFrequency->setLine(line);
}

void MainWindow::ShowSquelch(int level)
{
    m_panel.SquelchFrame->setTitle(QStringLiteral("Squelch %1").arg(level));
}
