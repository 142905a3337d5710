#include "panelrigtarget.h"

#include "mainwindow.h"
#include "scancontrol.h"
#include "seriallink.h"
#include "signalpoll.h"

#include <QRadioButton>
#include <QScrollBar>

PanelRigTarget::PanelRigTarget(MainWindow &window, QObject *parent)
    : QObject(parent)
    , m_window(window)
{
    connect(&m_window.signalPoll(), &SignalPoll::readingTaken, this,
        [this](int reading) { m_reading = reading; });
}

bool PanelRigTarget::IsOn() const
{
    const bool on = m_window.port().isOpen();
    if (!on)
        m_reading.reset();
    return on;
}

bool PanelRigTarget::SetPower(bool on)
{
    m_reading.reset();
    if (on)
        m_window.PowerOn();
    else
        m_window.PowerOff();
    return IsOn() == on;
}

double PanelRigTarget::FrequencyMHz() const
{
    return m_window.state().CurrentFrequency;
}

void PanelRigTarget::TuneTo(double frequencyMHz)
{
    // A remote program that retunes expects the receiver to stay there, so a running scan stops
    // first, as its own button would stop it.
    if (m_window.timers().Timer3.isActive())
        m_window.scans().Scan_Click();
    if (m_window.timers().Timer4.isActive())
        m_window.scans().ScanBank_Click();
    m_window.tuner().TuneTo(frequencyMHz);
}

int PanelRigTarget::ModeIndex() const
{
    return m_window.SelectedMode();
}

int PanelRigTarget::FilterIndex() const
{
    return m_window.SelectedFilter();
}

void PanelRigTarget::SetMode(int modeRow)
{
    m_window.panel().Mode.at(size_t(modeRow))->click();
}

void PanelRigTarget::SetFilter(int filterRow)
{
    m_window.panel().Filter.at(size_t(filterRow))->click();
}

int PanelRigTarget::SquelchLevel() const
{
    return m_window.SquelchLevel();
}

void PanelRigTarget::SetSquelch(int level)
{
    m_window.panel().Squelch->setValue(level);
}

std::optional<int> PanelRigTarget::LastSignalReading() const
{
    return IsOn() ? m_reading : std::nullopt;
}
