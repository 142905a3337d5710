#include "panelsweep.h"

#include "bandactivitygroup.h"
#include "bandactivitywindow.h"
#include "commandlink.h"
#include "hitslog.h"
#include "mainwindow.h"
#include "memorypage.h"
#include "scancontrol.h"
#include "seriallink.h"
#include "signalpoll.h"
#include "sweepoptions.h"

#include <QPushButton>
#include <QSerialPort>
#include <QTimer>

PanelSweep::PanelSweep(MainWindow &panel, QObject *parent)
    : QObject(parent)
    , m_panel(panel)
    , m_sweep(new BandSweep(*this, this))
{
    m_window = std::make_unique<BandActivityWindow>(*m_sweep);
    // The serial link has no signal for arriving bytes yet; its port object announces them.
    m_serial = m_panel.port().findChild<QSerialPort *>();
    if (m_serial)
        connect(m_serial, &QSerialPort::readyRead, this, &PanelSweep::OnReadyRead);

    connect(m_sweep, &BandSweep::started, this, &PanelSweep::OnStarted);
    connect(m_sweep, &BandSweep::stopped, this, &PanelSweep::OnStopped);
    connect(m_sweep, &BandSweep::signalPollWanted, this, [this](bool on) {
        if (on && m_panel.link().isOpen())
            m_panel.timers().Timer2.start();
        else
            m_panel.timers().Timer2.stop();
    });
    connect(m_sweep, &BandSweep::hitRecorded, this, &PanelSweep::LogHit);

    // The panel's own ways of taking the receiver elsewhere end the sweep.
    const Panel &p = m_panel.panel();
    for (QPushButton *button : {p.RadioOff, p.Scan, p.ScanBank, p.FrequencyUp, p.FrequencyDown})
        connect(button, &QPushButton::clicked, m_sweep, &BandSweep::Stop);
    for (int slot = 1; slot <= 32; ++slot)
        connect(p.Memory[size_t(slot)], &QPushButton::clicked, m_sweep, &BandSweep::Stop);
}

PanelSweep::~PanelSweep()
{
    // The window follows the sweep's signals: it goes first.
    m_window.reset();
}

void PanelSweep::Apply(const SweepCommandLine &options)
{
    m_sweep->setSettings(options.settings);
    m_window->ShowSettings();
    if (!options.hitsLogPath.isEmpty())
        m_log = std::make_unique<HitsLog>(options.hitsLogPath);
    if (!options.plan)
        return;
    m_window->setPlan(*options.plan);
    OpenWindow();
    QTimer::singleShot(0, this, [this] {
        m_panel.PowerOn();
        if (m_panel.link().isOpen())
            m_window->StartSweep();
    });
}

void PanelSweep::OpenWindow()
{
    ShowAndRaise(m_window.get());
}

bool PanelSweep::LinkIsOn() const
{
    return m_panel.link().isOpen();
}

void PanelSweep::Tune(double frequencyMHz)
{
    // The keyboard starts the scans without their buttons: a scan that has taken the receiver
    // ends the sweep here, before it would tune.
    if (m_panel.timers().Timer3.isActive() || m_panel.timers().Timer4.isActive()) {
        m_sweep->Stop();
        return;
    }
    m_panel.tuner().TuneTo(frequencyMHz);
}

void PanelSweep::SendQuery()
{
    m_panel.port().write(QByteArrayLiteral("SS?\r"));
}

QString PanelSweep::ModeWord() const
{
    return QString::fromStdString(m_panel.state().ModeCommand);
}

QString PanelSweep::FilterWord() const
{
    return QString::fromStdString(m_panel.state().FilterCommand);
}

void PanelSweep::OnReadyRead()
{
    // While held, the signal poll reads the port and moves the meter as usual.
    if (!m_sweep->isRunning() || m_sweep->isHolding())
        return;
    const QByteArray received = m_panel.port().readAll();
    if (received.isEmpty())
        return;
    m_panel.signalPoll().ShowReceivedCodes(received);
    m_sweep->OnReceived(received);
}

void PanelSweep::OnStarted()
{
    // Starting the sweep stops the poll and any scan.
    if (m_panel.timers().Timer3.isActive())
        m_panel.scans().Scan_Click();
    if (m_panel.timers().Timer4.isActive())
        m_panel.scans().ScanBank_Click();
    m_panel.timers().Timer2.stop();
}

void PanelSweep::OnStopped()
{
    // As after a scan: the poll runs again, unless the link is off or a scan took over.
    if (LinkIsOn() && !m_panel.timers().Timer3.isActive() && !m_panel.timers().Timer4.isActive())
        m_panel.timers().Timer2.start();
}

void PanelSweep::LogHit(const SweepHit &hit)
{
    if (!m_log)
        return;
    if (m_log->Append(hit)) {
        m_logFailing = false;
        return;
    }
    // Said once per run of failures; the hit stays in the window's table.
    if (!m_logFailing)
        m_window->ShowProblem(
            tr("The hits log %1 cannot be written: %2").arg(m_log->path(), m_log->errorString()));
    m_logFailing = true;
}
