#pragma once

#include "panel.h"
#include "tunedstate.h"
#include "tuner.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class CodeLog;
class CommandLink;
class FrequencyEntry;
class KeyboardPoll;
class KeySource;
class KnobControl;
class LoadPage;
class MemoryPage;
class ScanControl;
class StatusBarRefresh;
class SerialLink;
class SignalPoll;
class WaitTimer;

// The panel's interval timers besides the wait timer: the signal poll, the two scans, the keyboard
// poll and the status bar.
struct PanelTimers
{
    QTimer Timer2; // signal poll, 800 ms, while the link is on and no scan runs
    QTimer Timer3; // frequency scan step, 50 ms
    QTimer Timer4; // bank scan step, 50 ms
    QTimer Timer5; // keyboard shortcuts, 80 ms, always
    QTimer Timer6; // status bar refresh, 300 ms, always
};

// The one window: it builds the panel, owns the link and the shared state, and wires the controls
// to the operations. Behaviour lives in the classes it delegates to.
class MainWindow : public QMainWindow, public PanelControls
{
    Q_OBJECT

public:
    // channelText fills the channel box (the serial port) before start-up.
    explicit MainWindow(
        const QString &channelText = QStringLiteral("1"), QWidget *parent = nullptr);
    ~MainWindow() override;

    static constexpr const char *kTitle = "QZ SERIAL REMOTE CONTROL";

    void PowerOn();
    void PowerOff();

    const Panel &panel() const { return m_panel; }
    TunedState &state() { return m_state; }
    Tuner &tuner() { return *m_tuner; }
    SerialLink &port() { return *m_port; }
    WaitTimer &waitTimer() { return *m_wait; }
    CommandLink &link() { return *m_link; }
    CodeLog &codesOut() { return *m_codesOut; }
    CodeLog &codesIn() { return *m_codesIn; }
    PanelTimers &timers() { return m_timers; }
    SignalPoll &signalPoll() { return *m_poll; }
    FrequencyEntry &frequencyEntry() { return *m_entry; }
    MemoryPage &memoryPage() { return *m_memory; }
    ScanControl &scans() { return *m_scans; }
    KnobControl &knob() { return *m_knob; }
    StatusBarRefresh &statusBar() { return *m_status; }
    LoadPage &loadPage() { return *m_load; }

    // PanelControls
    int SelectedMode() const override;
    int SelectedFilter() const override;
    int SquelchLevel() const override;
    bool AfcChecked() const override;
    bool AgcChecked() const override;
    QString SelectedStepCaption() const override;
    void ShowFrequency(const QString &line) override;
    void ShowSquelch(int level) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void WireControls();
    void WireKeyboard();
    void StartUp();
    void DotClick(int index);
    // Lamps red, meter empty, no poll and no scan: the panel as it stands while the link is off.
    void ShowOff();
    // The port failed while the link was on: go to Off without writing, then tell the operator.
    void LinkFailed(const QString &reason);
    void ReportPortProblem(const QString &title, const QString &text);
    bool ConfirmExit();

    Panel m_panel;
    TunedState m_state;
    SerialLink *m_port = nullptr;
    WaitTimer *m_wait = nullptr;
    CodeLog *m_codesOut = nullptr;
    CodeLog *m_codesIn = nullptr;
    CommandLink *m_link = nullptr;
    std::unique_ptr<Tuner> m_tuner;
    SignalPoll *m_poll = nullptr;
    FrequencyEntry *m_entry = nullptr;
    MemoryPage *m_memory = nullptr;
    ScanControl *m_scans = nullptr;
    KnobControl *m_knob = nullptr;
    StatusBarRefresh *m_status = nullptr;
    LoadPage *m_load = nullptr;
    std::unique_ptr<KeySource> m_keys;
    KeyboardPoll *m_keyboard = nullptr;
    PanelTimers m_timers;
    bool m_exitConfirmed = false;
    bool m_askingToExit = false;
};
