#include "sessionrigtarget.h"

#include "receiversession.h"
#include "tunedstate.h"
#include "tuner.h"

SessionRigTarget::SessionRigTarget(ReceiverSession &session, PanelControls &controls)
    : m_session(session)
    , m_controls(controls)
{ }

bool SessionRigTarget::IsOn() const
{
    return m_session.isOn();
}

bool SessionRigTarget::SetPower(bool on)
{
    if (on)
        return m_session.PowerOn(ReceiverSession::Origin::Client);
    m_session.PowerOff();
    return true;
}

double SessionRigTarget::FrequencyMHz() const
{
    return m_session.tuner().state().CurrentFrequency;
}

void SessionRigTarget::TuneTo(double frequencyMHz)
{
    // A remote program that retunes expects the receiver to stay there, so a running scan stops
    // first, as its own button would stop it.
    m_session.StopScans();
    m_session.tuner().TuneTo(frequencyMHz);
}

int SessionRigTarget::ModeIndex() const
{
    return m_controls.SelectedMode();
}

int SessionRigTarget::FilterIndex() const
{
    return m_controls.SelectedFilter();
}

void SessionRigTarget::SetMode(int modeRow)
{
    m_session.tuner().SelectMode(modeRow);
}

void SessionRigTarget::SetFilter(int filterRow)
{
    m_session.tuner().SelectFilter(filterRow);
}

int SessionRigTarget::SquelchLevel() const
{
    return m_controls.SquelchLevel();
}

void SessionRigTarget::SetSquelch(int level)
{
    m_session.tuner().SelectSquelch(level);
}

void SessionRigTarget::ReadSignal(std::function<void(std::optional<int> raw)> done)
{
    m_session.ReadSignal(std::move(done));
}
