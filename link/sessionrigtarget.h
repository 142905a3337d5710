#pragma once

#include "rigtarget.h"

class PanelControls;
class ReceiverSession;

// The receiver as network clients see it: every change goes through the receiver session and the
// tuning operations, exactly as the operator's would, so the panel's display and controls follow.
// A failure a client causes is the client's to hear (the session tells the window it was a
// client's doing).
class SessionRigTarget : public RigTarget
{
public:
    SessionRigTarget(ReceiverSession &session, PanelControls &controls);

    bool IsOn() const override;
    bool SetPower(bool on) override;
    double FrequencyMHz() const override;
    void TuneTo(double frequencyMHz) override;
    int ModeIndex() const override;
    int FilterIndex() const override;
    void SetMode(int modeRow) override;
    void SetFilter(int filterRow) override;
    int SquelchLevel() const override;
    void SetSquelch(int level) override;
    void ReadSignal(std::function<void(std::optional<int> raw)> done) override;

private:
    ReceiverSession &m_session;
    PanelControls &m_controls;
};
