#include "scancontrol.h"

#include "bankscan.h"
#include "commandlink.h"
#include "mainwindow.h"
#include "memorypage.h"
#include "panel.h"
#include "tunedstate.h"
#include "tuner.h"

#include <QPushButton>

namespace {
const QColor kLampRed(255, 0, 0);
const QColor kLampGreen(0, 255, 0);
const QColor kLampYellow(255, 255, 0);

// Clears a flag when the step ends, however it ends.
class StepGuard
{
public:
    explicit StepGuard(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~StepGuard() { m_flag = false; }

private:
    bool &m_flag;
};
} // namespace

ScanControl::ScanControl(CommandLink &link, Tuner &tuner, MemoryPage &memory, TunedState &state,
    PanelTimers &timers, const Panel &panel, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_tuner(tuner)
    , m_memory(memory)
    , m_state(state)
    , m_timers(timers)
    , m_panel(panel)
{
    connect(m_panel.Scan, &QPushButton::clicked, this, &ScanControl::Scan_Click);
    connect(m_panel.ScanBank, &QPushButton::clicked, this, &ScanControl::ScanBank_Click);
    connect(&m_timers.Timer3, &QTimer::timeout, this, &ScanControl::Timer3_Timer);
    connect(&m_timers.Timer4, &QTimer::timeout, this, &ScanControl::Timer4_Timer);
}

void ScanControl::Scan_Click()
{
    if (!m_link.isOpen())
        return;
    if (m_timers.Timer3.isActive()) {
        m_timers.Timer2.start();
        m_timers.Timer3.stop();
        m_panel.ScanLabel->setColor(kLampRed);
        return;
    }
    m_timers.Timer2.stop();
    m_timers.Timer3.start();
    m_timers.Timer4.stop();
    m_panel.ScanLabel->setColor(kLampGreen);
}

void ScanControl::Timer3_Timer()
{
    if (!m_link.isOpen() || m_inScanStep)
        return;
    StepGuard guard(m_inScanStep);
    m_tuner.StepUp();
    m_link.Delay(kStepPauseSeconds);
}

void ScanControl::ScanBank_Click()
{
    if (!m_link.isOpen())
        return;
    if (m_timers.Timer4.isActive()) {
        StopBankScan();
        return;
    }
    m_timers.Timer2.stop();
    m_timers.Timer3.stop();
    m_timers.Timer4.start();
    m_panel.ScanLabel->setColor(kLampYellow);
}

void ScanControl::Timer4_Timer()
{
    if (!m_link.isOpen() || m_inBankStep)
        return;
    StepGuard guard(m_inBankStep);
    const int slot = m_panel.ScanBank->isEnabled()
        ? NextUsableSlot(m_state.BankScanIndex, m_state.MemFrequency)
        : 0;
    if (slot == 0) {
        // The loaded bank has no channel to visit.
        StopBankScan();
        return;
    }
    m_state.BankScanIndex = std::int16_t(slot);
    m_memory.Memory_Click(slot);
    m_link.Delay(kStepPauseSeconds);
}

void ScanControl::StopBankScan()
{
    m_timers.Timer2.start();
    m_timers.Timer4.stop();
    m_panel.ScanLabel->setColor(kLampRed);
}
