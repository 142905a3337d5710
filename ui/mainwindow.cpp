#include "mainwindow.h"
#include "memoryfile.h"

#include "afterfirstexposure.h"
#include "follownewest.h"
#include "frequencyentry.h"
#include "keyboardpoll.h"
#include "keysource.h"
#include "knobcontrol.h"
#include "linkmessages.h"
#include "loadpage.h"
#include "memorypage.h"
#include "options.h"
#include "optionspage.h"
#include "panelsettings.h"
#include "statusbarrefresh.h"
#include "steptable.h"
#include "widgetcontrols.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>

#include <functional>

namespace {

constexpr double kStartFrequencyMHz = 105.9;
constexpr int kStartSquelch = 1;
// The keyboard is opened after the first frame, or by then whatever happens.
constexpr int kKeysLatestMs = 1000;

} // namespace

MainWindow::MainWindow(const QString &channelText, QWidget *parent)
    : MainWindow(nullptr, channelText, parent)
{ }

MainWindow::MainWindow(QSettings *store, const QString &channelText, QWidget *parent)
    : QMainWindow(parent)
    , m_settings(std::make_unique<PanelSettings>(store))
{
    const PanelFontWhileBuilding panelFont;
    m_panel = BuildPanel(this);
    m_panel.Channelnum->setText(m_settings->startChannel(channelText));

    m_controls = std::make_unique<WidgetControls>(m_panel);
    m_session = new ReceiverSession(m_state, *m_controls, this);
    Tuner &tuner = m_session->tuner();
    m_entry = new FrequencyEntry(tuner, m_panel, this);
    m_memory = new MemoryPage(m_state, tuner, m_panel, this);
    m_knob = new KnobControl(m_state, tuner, m_panel, this);
    m_status = new StatusBarRefresh(m_panel, this);
    m_load = new LoadPage(m_panel, *m_memory,
        QDir::current().absoluteFilePath(QString::fromLatin1(kMemoryFileName)), this);
    new FollowNewest(m_panel.CodesOut, &m_session->codesOut());
    new FollowNewest(m_panel.CodesIn, &m_session->codesIn());

    WireMainPage();
    WireKeypadPage();
    WireMemoryPage();
    WireSession();
    WireKeyboard();
    m_options
        = new OptionsPage(*m_panel.Channelnum, *m_settings, *m_keyboard, this, m_panel.OptionsTab);
    StartUp();
}

MainWindow::~MainWindow()
{
    // The poll holds on to the key source, which goes before the window's children do.
    delete m_keyboard;
}

void MainWindow::WireMainPage()
{
    const Panel &p = m_panel;
    Tuner &tuner = m_session->tuner();
    connect(p.RadioOn, &QPushButton::clicked, this, &MainWindow::PowerOn);
    connect(p.RadioOff, &QPushButton::clicked, this, &MainWindow::PowerOff);
    connect(p.FrequencyUp, &QPushButton::clicked, this, [&tuner] { tuner.StepUp(); });
    connect(p.FrequencyDown, &QPushButton::clicked, this, [&tuner] { tuner.StepDown(); });
    connect(p.Direct, &QPushButton::clicked, m_entry, &FrequencyEntry::DirectEntry);
    connect(p.Scan, &QPushButton::clicked, m_session, &ReceiverSession::ToggleScan);
    // The operator's change of selection; selections made from code run their handlers through
    // the Tuner instead.
    connect(p.ModeGroup, &QButtonGroup::idToggled, this, [&tuner](int, bool on) {
        if (on)
            tuner.ApplyMode();
    });
    connect(p.FilterGroup, &QButtonGroup::idToggled, this, [&tuner](int, bool on) {
        if (on)
            tuner.ApplyFilter();
    });
    connect(p.TuningStep, &QComboBox::currentIndexChanged, this, [&tuner] { tuner.ApplyStep(); });
    // The squelch goes out when a drag ends, not at every pixel of it.
    p.Squelch->setTracking(false);
    connect(p.Squelch, &QScrollBar::valueChanged, this, [&tuner] { tuner.SendSquelch(); });
    connect(p.Dot[2], &DotPicture::clicked, this,
        [this, &tuner] { tuner.SelectSquelch(m_panel.Squelch->minimum()); });
    connect(p.Dot[3], &DotPicture::clicked, this,
        [this, &tuner] { tuner.SelectSquelch(m_panel.Squelch->maximum()); });
    connect(p.AFC, &QCheckBox::clicked, this, [&tuner] { tuner.SendAfc(); });
    connect(p.AGC, &QCheckBox::clicked, this, [&tuner] { tuner.SendAgc(); });
    connect(p.TuningKnob, &TuningKnobArea::pressed, m_knob, &KnobControl::Press);
    connect(p.TuningKnob, &TuningKnobArea::released, m_knob, &KnobControl::Release);
    connect(p.TuningKnob, &TuningKnobArea::notched, m_knob, &KnobControl::Turn);
}

void MainWindow::WireKeypadPage()
{
    for (int i = 0; i < kKeypadButtons; ++i) {
        connect(m_panel.Keypad[size_t(i)], &QPushButton::clicked, m_entry,
            [this, i] { m_entry->KeypadPress(i); });
    }
}

void MainWindow::WireMemoryPage()
{
    const Panel &p = m_panel;
    for (int n = 1; n <= kBankSlots; ++n) {
        connect(p.Memory[size_t(n)], &QPushButton::clicked, m_memory,
            [this, n] { m_memory->Memory_Click(n); });
    }
    connect(p.MemoryBanks, &QComboBox::currentIndexChanged, m_memory, &MemoryPage::LoadMemoryBank);
    connect(p.EditMemory, &QPushButton::clicked, m_memory, &MemoryPage::EditMemory_Click);
    connect(p.ScanBank, &QPushButton::clicked, m_session, &ReceiverSession::ToggleBankScan);
}

void MainWindow::WireSession()
{
    connect(m_session, &ReceiverSession::stateChanged, this, &MainWindow::ShowState);
    connect(m_session, &ReceiverSession::signalLevelChanged, this, &MainWindow::ShowSignal);
    connect(m_session, &ReceiverSession::answeringChanged, this, &MainWindow::ShowAnswering);
    connect(m_session, &ReceiverSession::stateChanged, m_status, &StatusBarRefresh::ShowLinkState);
    connect(
        m_session, &ReceiverSession::answeringChanged, m_status, &StatusBarRefresh::ShowAnswering);
    connect(m_session, &ReceiverSession::openFailed, this,
        [this](const QString &channel, const QString &port, PortError error, const QString &reason,
            ReceiverSession::Origin origin) {
            // A network client's failure is answered to the client; the operator is told in
            // passing, once however many clients try, never by a box to dismiss.
            if (origin == ReceiverSession::Origin::Client)
                m_panel.StatusBar1->showMessage(OpenFailureText(channel, port, error, reason));
            else
                ReportOpenFailure(this, channel, port, error, reason);
        });
    connect(m_session, &ReceiverSession::linkFailed, this,
        [this](const QString &port, PortError error, const QString &reason) {
            ReportLinkLost(this, port, error, reason);
        });
}

void MainWindow::WireKeyboard()
{
    m_keys = CreateKeySourceOnFirstUse();
    Tuner &tuner = m_session->tuner();
    KeyboardActions actions;
    actions.stepUp = std::bind(&Tuner::StepUp, &tuner);
    actions.stepDown = std::bind(&Tuner::StepDown, &tuner);
    actions.requestClose = std::bind(&QWidget::close, this);
    actions.powerOn = std::bind(&MainWindow::PowerOn, this);
    actions.powerOff = std::bind(&MainWindow::PowerOff, this);
    actions.jumpToBottom = std::bind(&Tuner::TuneTo, &tuner, kLowestFrequencyMHz);
    actions.jumpToTop = std::bind(&Tuner::TuneTo, &tuner, kHighestFrequencyMHz);
    actions.directEntry = std::bind(&FrequencyEntry::DirectEntry, m_entry);
    actions.scanToggle = std::bind(&ReceiverSession::ToggleScan, m_session);
    actions.bankScanToggle = std::bind(&ReceiverSession::ToggleBankScan, m_session);
    actions.bankScanEnabled = std::bind(&QWidget::isEnabled, m_panel.ScanBank);
    const Panel &p = m_panel;
    m_keyboard = new KeyboardPoll(*m_keys, std::move(actions),
        {p.FrequencyUp, p.FrequencyDown, p.RadioOn, p.RadioOff, p.Direct, p.Scan, p.ScanBank},
        this);
}

void MainWindow::StartUp()
{
    m_keyboard->Start();
    m_status->Start();

    // The controls take their start-up values without their handlers; the handlers then run
    // once each, explicitly. The port is closed, so they only set the state and the displays.
    Tuner &tuner = m_session->tuner();
    m_state.CurrentFrequency = kStartFrequencyMHz;
    m_controls->SelectSquelch(kStartSquelch);
    m_controls->SelectMode(kModeFM);
    m_controls->SelectFilter(kFilter3);
    m_panel.AFC->setChecked(false);
    m_panel.AGC->setChecked(false);
    m_controls->SelectStep(kStartStepIndex);
    tuner.SendSquelch();
    tuner.ApplyMode();
    tuner.ApplyFilter();
    tuner.ApplyStep();
    ShowState(m_session->state());
    ShowSignal(0);
    m_panel.SSTab1->setCurrentIndex(0);
    m_state.KeypadEntry.clear();
    {
        const QSignalBlocker blocker(m_panel.MemoryBanks);
        m_panel.MemoryBanks->setCurrentIndex(0);
    }
    m_memory->LoadMemoryBank();
    m_knob->Reset();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The keyboard is opened once the first frame is up: the frame need not wait for it.
    if (!m_keysPrepared && windowHandle()) {
        m_keysPrepared = true;
        new AfterFirstExposure(
            windowHandle(), [this] { m_keys->Prepare(); }, kKeysLatestMs);
    }
}

PanelControls &MainWindow::controls()
{
    return *m_controls;
}

void MainWindow::PowerOn()
{
    m_session->PowerOn();
}

void MainWindow::PowerOff()
{
    m_session->PowerOff();
}

void MainWindow::ShowState(ReceiverSession::State state)
{
    using State = ReceiverSession::State;
    m_panel.OnOffLabel->setColor(state == State::Off ? kLampRed : kLampGreen);
    m_panel.ScanLabel->setColor(state == State::Scanning ? kLampGreen
            : state == State::BankScanning               ? kLampYellow
                                                         : kLampRed);
    if (state == State::Off)
        ShowAnswering(true);
}

void MainWindow::ShowSignal(int level)
{
    DrawSignalMeter(*m_panel.SignalStrengthMeter, level);
}

void MainWindow::ShowAnswering(bool answering)
{
    if (answering)
        m_panel.StatusBar1->clearMessage();
    else
        m_panel.StatusBar1->showMessage(NoReplyText(m_session->portName()));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    const bool wasConfirmed = m_exit.Confirm(this);
    if (!wasConfirmed) {
        event->ignore();
        return;
    }
    // End at once: nothing more is sent (a receiver in remote control stays there), and no timer
    // may run another step while the program winds down.
    m_knob->Release();
    m_keyboard->Stop();
    m_status->Stop();
    m_session->Shutdown();
    event->accept();
}
