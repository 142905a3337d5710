#include "panelrigtarget.h"

#include "mainwindow.h"

#include <QButtonGroup>
#include <QScrollBar>
#include <QTimer>

PanelRigTarget::PanelRigTarget(MainWindow &window)
    : m_window(window)
{ }

bool PanelRigTarget::IsOn() const
{
    return m_window.session().isOn();
}

bool PanelRigTarget::SetPower(bool on)
{
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
    m_window.session().StopScans();
    m_window.session().tuner().TuneTo(frequencyMHz);
}

int PanelRigTarget::ModeIndex() const
{
    return m_window.panel().ModeGroup->checkedId();
}

int PanelRigTarget::FilterIndex() const
{
    return m_window.panel().FilterGroup->checkedId();
}

void PanelRigTarget::SetMode(int modeRow)
{
    m_window.session().tuner().SelectMode(modeRow);
}

void PanelRigTarget::SetFilter(int filterRow)
{
    m_window.session().tuner().SelectFilter(filterRow);
}

int PanelRigTarget::SquelchLevel() const
{
    return m_window.panel().Squelch->value();
}

void PanelRigTarget::SetSquelch(int level)
{
    m_window.session().tuner().SelectSquelch(level);
}

std::optional<int> PanelRigTarget::LastSignalReading() const
{
    return m_window.session().lastReading();
}

void PanelRigTarget::ReadSignal(std::function<void(std::optional<int> raw)> done)
{
    // For now the latest poll's reading; the session's own question replaces this.
    QTimer::singleShot(0, [reading = LastSignalReading(), done = std::move(done)] { done(reading); });
}
