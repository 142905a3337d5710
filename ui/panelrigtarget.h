#pragma once

#include "rigtarget.h"

#include <QObject>

class MainWindow;

// The panel as network clients see it: every change goes through the panel's own routines and
// controls, exactly as the operator's would.
class PanelRigTarget : public QObject, public RigTarget
{
    Q_OBJECT

public:
    explicit PanelRigTarget(MainWindow &window, QObject *parent = nullptr);

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

private:
    MainWindow &m_window;
    // Forgotten once the link is seen off, so a reading never outlives the link it came from.
    mutable std::optional<int> m_reading;
};
