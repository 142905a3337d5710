#pragma once

#include "exitquestion.h"
#include "panel.h"
#include "receiversession.h"
#include "tunedstate.h"
#include "tuner.h"

#include <QMainWindow>

#include <memory>

class FrequencyEntry;
class KeyboardPoll;
class KeySource;
class KnobControl;
class LoadPage;
class MemoryPage;
class OptionsPage;
class PanelSettings;
class QSettings;
class StatusBarRefresh;
class WidgetControls;

// The one window: it builds the panel, wires the controls to the receiver session and the page
// behaviours, and shows what the session announces. The operator's choices stay in the controls,
// which the session reads through WidgetControls.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // channelText fills the channel box (the serial port) before start-up.
    explicit MainWindow(
        const QString &channelText = QStringLiteral("1"), QWidget *parent = nullptr);
    // With the settings kept in store (null: for this run only). An empty channelText starts with
    // the port chosen on the OPTIONS page in an earlier run, else "1"; a given one wins.
    explicit MainWindow(
        QSettings *store, const QString &channelText = QString(), QWidget *parent = nullptr);
    ~MainWindow() override;

    // ON and OFF, as the buttons and the keys do them.
    void PowerOn();
    void PowerOff();

    const Panel &panel() const { return m_panel; }
    TunedState &state() { return m_state; }
    ReceiverSession &session() { return *m_session; }
    // The controls as the session reads them, for whatever else drives the receiver.
    PanelControls &controls();
    FrequencyEntry &frequencyEntry() { return *m_entry; }
    MemoryPage &memoryPage() { return *m_memory; }
    KeyboardPoll &keyboardPoll() { return *m_keyboard; }
    StatusBarRefresh &statusRefresh() { return *m_status; }
    OptionsPage &optionsPage() { return *m_options; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void WireMainPage();
    void WireKeypadPage();
    void WireMemoryPage();
    void WireSession();
    void WireKeyboard();
    void StartUp();
    // One slot per thing the session announces.
    void ShowState(ReceiverSession::State state);
    void ShowSignal(int level);
    void ShowAnswering(bool answering);

    Panel m_panel;
    TunedState m_state;
    std::unique_ptr<WidgetControls> m_controls;
    ReceiverSession *m_session = nullptr;
    FrequencyEntry *m_entry = nullptr;
    MemoryPage *m_memory = nullptr;
    KnobControl *m_knob = nullptr;
    StatusBarRefresh *m_status = nullptr;
    std::unique_ptr<KeySource> m_keys;
    KeyboardPoll *m_keyboard = nullptr;
    std::unique_ptr<PanelSettings> m_settings;
    OptionsPage *m_options = nullptr;
    LoadPage *m_load = nullptr;
    bool m_keysPrepared = false;
    ExitQuestion m_exit;
};
