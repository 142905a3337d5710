#pragma once

#include <QObject>

class CommandLink;
class MemoryPage;
class Tuner;
struct Panel;
struct PanelTimers;
struct TunedState;

// The two scans. The frequency scan steps up by the tuning step every tick of Timer3 (50 ms), the
// lamp green; the bank scan recalls the next usable channel of the loaded bank every tick of
// Timer4 (50 ms), the lamp yellow. Either one pauses the signal poll; they never run together.
class ScanControl : public QObject
{
    Q_OBJECT

public:
    static constexpr double kStepPauseSeconds = 0.01;

    ScanControl(CommandLink &link, Tuner &tuner, MemoryPage &memory, TunedState &state,
        PanelTimers &timers, const Panel &panel, QObject *parent = nullptr);

    // The SCAN button: starts or stops the frequency scan (only while the link is on).
    void Scan_Click();
    // One frequency-scan step.
    void Timer3_Timer();
    // The Scan Bank button: starts or stops the bank scan (only while the link is on).
    void ScanBank_Click();
    // One bank-scan step.
    void Timer4_Timer();

private:
    void StopBankScan();

    CommandLink &m_link;
    Tuner &m_tuner;
    MemoryPage &m_memory;
    TunedState &m_state;
    PanelTimers &m_timers;
    const Panel &m_panel;
    // A tick that falls due while the previous step is still pacing its commands is skipped, so
    // each step makes exactly one move.
    bool m_inScanStep = false;
    bool m_inBankStep = false;
};
