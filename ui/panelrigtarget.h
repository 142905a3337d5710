#pragma once

#include "rigtarget.h"

class MainWindow;

// The panel as network clients see it: every change goes through the receiver session and the
// panel's own routines, exactly as the operator's would, so the display and controls follow.
class PanelRigTarget : public RigTarget
{
public:
    explicit PanelRigTarget(MainWindow &window);

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
    std::optional<int> LastSignalReading() const override;
    void ReadSignal(std::function<void(std::optional<int> raw)> done) override;

private:
    MainWindow &m_window;
};
