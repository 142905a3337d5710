#include "keyboardpoll.h"
#include "keysource.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QVBoxLayout>

using IntList = QList<int>;

// A key source whose answers the test sets: a held key answers true at every query, a tapped key
// at its next query only. Every query is logged.
class ScriptedKeys : public KeySource
{
public:
    bool Query(int virtualKey) override
    {
        queries.append(virtualKey);
        const bool pressed = held.contains(virtualKey) || tapped.contains(virtualKey);
        tapped.remove(virtualKey);
        return pressed;
    }

    QSet<int> held;
    QSet<int> tapped;
    IntList queries;
};

// The front panel's buttons the shortcuts move the focus to, and a text field to type into.
class PanelStandIn : public QWidget
{
public:
    PanelStandIn()
    {
        new QVBoxLayout(this);
        field = static_cast<QLineEdit *>(AddWidget(new QLineEdit, "Channelnum"));
        for (const char *name :
            {"FrequencyUp", "FrequencyDown", "RadioOn", "RadioOff", "Direct", "Scan", "ScanBank"})
            buttons[name] = static_cast<QPushButton *>(AddWidget(new QPushButton(name), name));
    }

    KeyboardFocusTargets Targets()
    {
        return {buttons["FrequencyUp"], buttons["FrequencyDown"], buttons["RadioOn"],
            buttons["RadioOff"], buttons["Direct"], buttons["Scan"], buttons["ScanBank"]};
    }

    QString FocusName() const
    {
        const QWidget *focus = focusWidget();
        return focus ? focus->objectName() : QString();
    }

    QLineEdit *field = nullptr;
    QHash<QString, QPushButton *> buttons;

private:
    QWidget *AddWidget(QWidget *widget, const char *name)
    {
        widget->setObjectName(name);
        layout()->addWidget(widget);
        return widget;
    }
};

// Actions that write their names into a log; the dialog-opening ones are set per test.
static KeyboardActions LoggingActions(QStringList &log, const bool &bankScanEnabled)
{
    KeyboardActions actions;
    const auto logger = [&log](const char *name) {
        return [&log, name] {
            log << name;
        };
    };
    actions.stepUp = logger("stepUp");
    actions.stepDown = logger("stepDown");
    actions.requestClose = logger("requestClose");
    actions.powerOn = logger("powerOn");
    actions.powerOff = logger("powerOff");
    actions.jumpToBottom = logger("jumpToBottom");
    actions.jumpToTop = logger("jumpToTop");
    actions.directEntry = logger("directEntry");
    actions.scanToggle = logger("scanToggle");
    actions.bankScanToggle = logger("bankScanToggle");
    actions.bankScanEnabled = [&bankScanEnabled] {
        return bankScanEnabled;
    };
    return actions;
}

// Shows a modal question as the exit confirmation does and answers it with `answer` from inside
// its own event loop, after `whileOpen` has run.
static void AskAndAnswer(QWidget *parent, QMessageBox::StandardButton answer,
    const std::function<void(QMessageBox *)> &whileOpen = {})
{
    QTimer::singleShot(0, parent, [answer, whileOpen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        if (whileOpen)
            whileOpen(box);
        box->button(answer)->click();
    });
    QMessageBox::question(parent, "QZ SERIAL REMOTE CONTROL", "Do you really want to exit ?");
}

class TestKeyboardPoll : public QObject
{
    Q_OBJECT

private slots:
    void qtKeysMapToVirtualKeys_data();
    void qtKeysMapToVirtualKeys();
    void offscreenUsesTheProgramsOwnKeyEvents();

    void firstPressedRowActs_data();
    void firstPressedRowActs();
    void queriesStopAtTheActingRow_data();
    void queriesStopAtTheActingRow();
    void bothKeysOfARowAreQueriedAndActOnce_data();
    void bothKeysOfARowAreQueriedAndActOnce();
    void heldKeyRepeatsAndHidesLowerRows();
    void pauseHoldsBackTheLastRowsOnlyWhileDown();
    void focusMovesInAWindowThatIsNotShown();
    void onlyWhileActiveDropsKeysTypedElsewhere();
    void actionMayDeleteThePoll();

    void flushQueriesEveryCodeOnce();
    void startUpFlushDiscardsEarlierPresses();
    void pressBetweenTicksActsOnce();
    void heldKeyActsEveryTickUntilReleased();
    void restingPollWakesOnTheFirstKey();
    void autoRepeatKeepsTheKeyDown();
    void releaseMatchesThePressByScanCode();
    void keysHeldWhenTheProgramLosesTheKeyboardAreLetGo();

    void escAsksAndAHeldEscDoesNotAskAgain();
    void noActionWhileAModalDialogIsOpen();
    void pressesInsideADialogOpenedByTheTickDoNotAct();
    void pressesInsideADialogBetweenTicksDoNotAct();
};

void TestKeyboardPoll::qtKeysMapToVirtualKeys_data()
{
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<int>("virtualKey");

    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << false << 0x21;
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << false << 0x22;
    QTest::newRow("End") << int(Qt::Key_End) << false << 0x23;
    QTest::newRow("Home") << int(Qt::Key_Home) << false << 0x24;
    QTest::newRow("Insert") << int(Qt::Key_Insert) << false << 0x2D;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << false << 0x2E;
    QTest::newRow("Esc") << int(Qt::Key_Escape) << false << 0x1B;
    QTest::newRow("Pause") << int(Qt::Key_Pause) << false << 0x13;
    QTest::newRow("Ctrl") << int(Qt::Key_Control) << false << 0x11;
    QTest::newRow("Shift") << int(Qt::Key_Shift) << false << 0x10;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << false << 0x08;
    QTest::newRow("U") << int(Qt::Key_U) << false << 0x55;
    QTest::newRow("D") << int(Qt::Key_D) << false << 0x44;
    QTest::newRow("A") << int(Qt::Key_A) << false << 0x41;
    QTest::newRow("9") << int(Qt::Key_9) << false << 0x39;
    QTest::newRow("keypad 7") << int(Qt::Key_7) << true << 0x67;
    QTest::newRow("keypad Page Up") << int(Qt::Key_PageUp) << true << 0x21;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << true << 0x0D;
    QTest::newRow("F16") << int(Qt::Key_F16) << false << 0x7F;
    QTest::newRow("F17 is past 127") << int(Qt::Key_F17) << false << -1;
    QTest::newRow("exclamation mark") << int(Qt::Key_Exclam) << false << -1;
}

void TestKeyboardPoll::qtKeysMapToVirtualKeys()
{
    QFETCH(int, qtKey);
    QFETCH(bool, keypad);
    QFETCH(int, virtualKey);
    QCOMPARE(VirtualKeyFromQtKey(qtKey, keypad ? Qt::KeypadModifier : Qt::NoModifier), virtualKey);
}

void TestKeyboardPoll::offscreenUsesTheProgramsOwnKeyEvents()
{
    const std::unique_ptr<KeySource> keys = CreateKeySource();
    QVERIFY(dynamic_cast<EventKeySource *>(keys.get()));
}

void TestKeyboardPoll::firstPressedRowActs_data()
{
    QTest::addColumn<IntList>("held");
    QTest::addColumn<bool>("bankScanEnabled");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("focus");

    // Alone, each key of the table.
    QTest::newRow("Page Up") << IntList {0x21} << true << "stepUp"
                             << "FrequencyUp";
    QTest::newRow("U") << IntList {0x55} << true << "stepUp"
                       << "FrequencyUp";
    QTest::newRow("Page Down") << IntList {0x22} << true << "stepDown"
                               << "FrequencyDown";
    QTest::newRow("D") << IntList {0x44} << true << "stepDown"
                       << "FrequencyDown";
    QTest::newRow("Esc") << IntList {0x1B} << true << "requestClose"
                         << "Channelnum";
    QTest::newRow("Insert") << IntList {0x2D} << true << "powerOn"
                            << "RadioOn";
    QTest::newRow("Delete") << IntList {0x2E} << true << "powerOff"
                            << "RadioOff";
    QTest::newRow("Home") << IntList {0x24} << true << "jumpToBottom"
                          << "FrequencyUp";
    QTest::newRow("End") << IntList {0x23} << true << "jumpToTop"
                         << "FrequencyDown";
    QTest::newRow("Pause") << IntList {0x13} << true << ""
                           << "Channelnum";
    QTest::newRow("Ctrl") << IntList {0x11} << true << "directEntry"
                          << "Direct";
    QTest::newRow("Shift") << IntList {0x10} << true << "scanToggle"
                           << "Scan";
    QTest::newRow("Backspace") << IntList {0x08} << true << "bankScanToggle"
                               << "ScanBank";
    QTest::newRow("Backspace, empty bank") << IntList {0x08} << false << ""
                                           << "Channelnum";
    QTest::newRow("no key") << IntList {} << true << ""
                            << "Channelnum";
    QTest::newRow("A, no shortcut") << IntList {0x41} << true << ""
                                    << "Channelnum";

    // Together: the upper row wins.
    QTest::newRow("U with Shift") << IntList {0x55, 0x10} << true << "stepUp"
                                  << "FrequencyUp";
    QTest::newRow("Esc with Insert") << IntList {0x1B, 0x2D} << true << "requestClose"
                                     << "Channelnum";
    QTest::newRow("Home with End") << IntList {0x24, 0x23} << true << "jumpToBottom"
                                   << "FrequencyUp";
    QTest::newRow("Ctrl with Shift") << IntList {0x11, 0x10} << true << "directEntry"
                                     << "Direct";
    QTest::newRow("Shift with Backspace") << IntList {0x10, 0x08} << true << "scanToggle"
                                          << "Scan";
    QTest::newRow("Pause with Backspace") << IntList {0x13, 0x08} << true << ""
                                          << "Channelnum";
    QTest::newRow("Pause with End") << IntList {0x13, 0x23} << true << "jumpToTop"
                                    << "FrequencyDown";
}

void TestKeyboardPoll::firstPressedRowActs()
{
    QFETCH(IntList, held);
    QFETCH(bool, bankScanEnabled);
    QFETCH(QString, action);
    QFETCH(QString, focus);

    PanelStandIn panel;
    panel.show();
    panel.field->setFocus();
    ScriptedKeys keys;
    QStringList log;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), panel.Targets());
    keys.held = QSet<int>(held.begin(), held.end());

    poll.Tick();

    QCOMPARE(log, action.isEmpty() ? QStringList() : QStringList {action});
    QCOMPARE(panel.FocusName(), focus);
}

void TestKeyboardPoll::queriesStopAtTheActingRow_data()
{
    QTest::addColumn<IntList>("held");
    QTest::addColumn<IntList>("queries");

    const IntList all {
        0x21, 0x55, 0x22, 0x44, 0x1B, 0x2D, 0x2E, 0x24, 0x23, 0x13, 0x11, 0x10, 0x08};
    QTest::newRow("no key: every row") << IntList {} << all;
    QTest::newRow("Backspace: every row") << IntList {0x08} << all;
    QTest::newRow("Page Up") << IntList {0x21} << all.mid(0, 2);
    QTest::newRow("D") << IntList {0x44} << all.mid(0, 4);
    QTest::newRow("Insert") << IntList {0x2D} << all.mid(0, 6);
    QTest::newRow("End") << IntList {0x23} << all.mid(0, 9);
    QTest::newRow("Pause") << IntList {0x13} << all.mid(0, 10);
    QTest::newRow("Ctrl with Backspace") << IntList {0x11, 0x08} << all.mid(0, 11);
}

void TestKeyboardPoll::queriesStopAtTheActingRow()
{
    QFETCH(IntList, held);
    QFETCH(IntList, queries);

    ScriptedKeys keys;
    keys.held = QSet<int>(held.begin(), held.end());
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), {});
    poll.Tick();
    QCOMPARE(keys.queries, queries);
}

void TestKeyboardPoll::bothKeysOfARowAreQueriedAndActOnce_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("letter");
    QTest::addColumn<QString>("action");
    QTest::addColumn<IntList>("queries");

    QTest::newRow("Page Up and U") << 0x21 << 0x55 << "stepUp" << IntList {0x21, 0x55};
    QTest::newRow("Page Down and D")
        << 0x22 << 0x44 << "stepDown" << IntList {0x21, 0x55, 0x22, 0x44};
}

void TestKeyboardPoll::bothKeysOfARowAreQueriedAndActOnce()
{
    QFETCH(int, key);
    QFETCH(int, letter);
    QFETCH(QString, action);
    QFETCH(IntList, queries);

    ScriptedKeys keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), {});
    keys.tapped = {key, letter};

    poll.Tick();
    QCOMPARE(log, QStringList {action});
    QCOMPARE(keys.queries, queries);
    // Both presses were consumed by that one tick.
    QVERIFY(keys.tapped.isEmpty());
    poll.Tick();
    QCOMPARE(log, QStringList {action});
}

void TestKeyboardPoll::heldKeyRepeatsAndHidesLowerRows()
{
    ScriptedKeys keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), {});
    keys.held = {0x21, 0x24}; // Page Up and Home

    for (int tick = 0; tick < 3; ++tick)
        poll.Tick();
    QCOMPARE(log, QStringList({"stepUp", "stepUp", "stepUp"}));
    QVERIFY(!keys.queries.contains(0x24));

    keys.held.remove(0x21);
    poll.Tick();
    QCOMPARE(log.last(), QString("jumpToBottom"));
}

void TestKeyboardPoll::pauseHoldsBackTheLastRowsOnlyWhileDown()
{
    ScriptedKeys keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), {});
    keys.held = {0x13, 0x11}; // Pause and Ctrl

    poll.Tick();
    poll.Tick();
    QVERIFY(log.isEmpty());
    QVERIFY(!keys.queries.contains(0x11));

    keys.tapped = {0x2E}; // Delete, above Pause
    poll.Tick();
    QCOMPARE(log, QStringList {"powerOff"});

    keys.held.remove(0x13);
    poll.Tick();
    QCOMPARE(log, QStringList({"powerOff", "directEntry"}));
}

void TestKeyboardPoll::focusMovesInAWindowThatIsNotShown()
{
    PanelStandIn panel; // never shown, so never the active window
    ScriptedKeys keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), panel.Targets());
    keys.tapped = {0x2E};

    poll.Tick();
    QCOMPARE(log, QStringList {"powerOff"});
    QVERIFY(!panel.isActiveWindow());
    // Recorded as the focus the window gets when it is activated.
    QCOMPARE(panel.FocusName(), QString("RadioOff"));
}

void TestKeyboardPoll::onlyWhileActiveDropsKeysTypedElsewhere()
{
    PanelStandIn panel;
    QWidget other;
    panel.show();
    other.show();
    ScriptedKeys keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), panel.Targets());
    poll.setActiveWindowOnly(&panel);

    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!panel.isActiveWindow());
    keys.tapped = {0x21, 0x2E};
    poll.Tick();
    // Read and dropped, so they do not act once the panel is in front either.
    QVERIFY(log.isEmpty());
    QVERIFY(keys.tapped.isEmpty());

    // A key held while the panel comes to the front acts only once let go and pressed again.
    keys.held = {0x22};
    poll.Tick();
    panel.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&panel));
    poll.Tick();
    poll.Tick();
    QVERIFY(log.isEmpty());
    keys.held.clear();
    poll.Tick();
    keys.tapped = {0x21};
    poll.Tick();
    QCOMPARE(log, QStringList {"stepUp"});
    QCOMPARE(panel.FocusName(), QString("FrequencyUp"));

    // Everywhere again: the keys act while the other window is in front.
    poll.setActiveWindowOnly(nullptr);
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    keys.tapped = {0x22};
    poll.Tick();
    QCOMPARE(log, (QStringList {"stepUp", "stepDown"}));
}

void TestKeyboardPoll::actionMayDeleteThePoll()
{
    ScriptedKeys keys;
    auto *panel = new PanelStandIn;
    KeyboardActions actions;
    QPointer<KeyboardPoll> poll;
    int closes = 0;
    actions.stepUp = [&] {
        ++closes;
        delete panel; // the window, its buttons and the poll go
    };
    poll = new KeyboardPoll(keys, std::move(actions), panel->Targets(), panel);
    keys.tapped = {0x21};

    poll->Tick();
    QCOMPARE(closes, 1);
    QVERIFY(poll.isNull());
}

void TestKeyboardPoll::flushQueriesEveryCodeOnce()
{
    ScriptedKeys keys;
    keys.held = {0x21};
    keys.tapped = {0x08, 0x7F};
    keys.Flush();
    IntList everyCode;
    for (int code = 0; code < 128; ++code)
        everyCode << code;
    QCOMPARE(keys.queries, everyCode);
    QVERIFY(keys.tapped.isEmpty());
}

void TestKeyboardPoll::startUpFlushDiscardsEarlierPresses()
{
    PanelStandIn panel;
    panel.show();
    EventKeySource keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), panel.Targets());

    QTest::keyClick(panel.field, Qt::Key_D);
    QTest::keyClick(panel.field, Qt::Key_Insert);
    keys.Flush();
    poll.Tick();
    QVERIFY(log.isEmpty());

    // The same press after the flush acts.
    QTest::keyClick(panel.field, Qt::Key_D);
    poll.Tick();
    QCOMPARE(log, QStringList {"stepDown"});
}

void TestKeyboardPoll::pressBetweenTicksActsOnce()
{
    PanelStandIn panel;
    panel.show();
    panel.field->setFocus();
    EventKeySource keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), panel.Targets());

    // Typing u into the port-number field: pressed and released before the tick.
    QTest::keyClick(panel.field, Qt::Key_U);
    poll.Tick();
    poll.Tick();
    QCOMPARE(log, QStringList {"stepUp"});
    QCOMPARE(panel.FocusName(), QString("FrequencyUp"));
}

void TestKeyboardPoll::heldKeyActsEveryTickUntilReleased()
{
    PanelStandIn panel;
    panel.show();
    EventKeySource keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), panel.Targets());

    QTest::keyPress(panel.field, Qt::Key_PageDown);
    poll.Tick();
    poll.Tick();
    QTest::keyRelease(panel.field, Qt::Key_PageDown);
    poll.Tick();
    QCOMPARE(log, QStringList({"stepDown", "stepDown"}));
}

void TestKeyboardPoll::restingPollWakesOnTheFirstKey()
{
    // With nothing down the running poll lets its timer rest; a key wakes it at once, a held key
    // keeps acting every 80 ms, and the poll rests again once the key is up.
    PanelStandIn panel;
    panel.show();
    EventKeySource keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), panel.Targets());
    poll.Start();
    QTest::qWait(300);
    QVERIFY(poll.isRunning());
    QVERIFY(log.isEmpty());

    QElapsedTimer held;
    QTest::keyPress(panel.field, Qt::Key_PageUp);
    held.start();
    QTRY_COMPARE_WITH_TIMEOUT(log.size(), 1, 50); // at once, not a whole interval later
    QTest::qWait(400);
    QTest::keyRelease(panel.field, Qt::Key_PageUp);
    const qint64 heldMs = held.elapsed();
    const qsizetype steps = log.size();
    QVERIFY2(steps >= heldMs / 80 - 1 && steps <= heldMs / 80 + 2,
        qPrintable(QStringLiteral("%1 steps in %2 ms").arg(steps).arg(heldMs)));
    QTest::qWait(300);
    QCOMPARE(log.size(), steps);

    // A tap after another rest acts once.
    QTest::keyClick(panel.field, Qt::Key_D);
    QTRY_COMPARE_WITH_TIMEOUT(log.size(), steps + 1, 200);
    QCOMPARE(log.last(), QStringLiteral("stepDown"));
    poll.Stop();
    QTest::keyClick(panel.field, Qt::Key_D);
    QTest::qWait(200);
    QCOMPARE(log.size(), steps + 1);
}

void TestKeyboardPoll::autoRepeatKeepsTheKeyDown()
{
    QLineEdit field;
    EventKeySource keys;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Home, Qt::NoModifier, QString(), true);
    QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier, QString(), true);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Home, Qt::NoModifier);

    QApplication::sendEvent(&field, &press);
    QVERIFY(keys.Query(0x24));
    QApplication::sendEvent(&field, &repeatRelease);
    QVERIFY(keys.Query(0x24));
    QApplication::sendEvent(&field, &repeatPress);
    QVERIFY(keys.Query(0x24));
    QApplication::sendEvent(&field, &release);
    QVERIFY(!keys.Query(0x24));
}

void TestKeyboardPoll::releaseMatchesThePressByScanCode()
{
    // 1 goes down, Shift follows, and the key comes up as '!'.
    QLineEdit field;
    EventKeySource keys;
    const quint32 scanCode = 10;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, scanCode, 0, 0, "1");
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Exclam, Qt::ShiftModifier, scanCode, 0, 0, "!");

    QApplication::sendEvent(&field, &press);
    QApplication::sendEvent(&field, &release);
    QVERIFY(keys.Query(0x31)); // the press, remembered
    QVERIFY(!keys.Query(0x31)); // and no longer down
}

void TestKeyboardPoll::keysHeldWhenTheProgramLosesTheKeyboardAreLetGo()
{
    // Its release goes to another program's window and is never seen here.
    QLineEdit field;
    EventKeySource keys;
    QTest::keyPress(&field, Qt::Key_PageUp);
    QVERIFY(keys.Query(0x21));
    QVERIFY(keys.Query(0x21));

    QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
    QApplication::sendEvent(qApp, &inactive);
    QVERIFY(!keys.Query(0x21));
}

void TestKeyboardPoll::escAsksAndAHeldEscDoesNotAskAgain()
{
    PanelStandIn panel;
    panel.show();
    ScriptedKeys keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardActions actions = LoggingActions(log, bankScanEnabled);
    int asked = 0;
    actions.requestClose = [&] {
        ++asked;
        AskAndAnswer(&panel, QMessageBox::No);
    };
    KeyboardPoll poll(keys, std::move(actions), panel.Targets());

    keys.held = {0x1B};
    poll.Tick();
    QCOMPARE(asked, 1);
    QVERIFY(!QApplication::activeModalWidget());

    // Esc is still down after the answer: it must be released first.
    poll.Tick();
    poll.Tick();
    QCOMPARE(asked, 1);
    keys.held.clear();
    poll.Tick();
    QCOMPARE(asked, 1);

    // Esc again, then: the program keeps running and asks again.
    keys.tapped = {0x1B};
    poll.Tick();
    QCOMPARE(asked, 2);

    // Other keys were not held back by the dialogs.
    keys.tapped = {0x55};
    poll.Tick();
    QCOMPARE(log, QStringList {"stepUp"});
}

void TestKeyboardPoll::noActionWhileAModalDialogIsOpen()
{
    PanelStandIn panel;
    panel.show();
    ScriptedKeys keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), panel.Targets());

    QDialog dialog(&panel);
    dialog.setModal(true);
    dialog.show();
    QVERIFY(QApplication::activeModalWidget());
    keys.held = {0x21};
    poll.Tick();
    keys.tapped = {0x2D};
    poll.Tick();
    QVERIFY(log.isEmpty());
    QVERIFY(keys.queries.isEmpty());

    dialog.hide();
    QVERIFY(!QApplication::activeModalWidget());
    // Insert was pressed during the dialog; Page Up is still down from then.
    poll.Tick();
    poll.Tick();
    QVERIFY(log.isEmpty());

    keys.held.clear();
    poll.Tick();
    keys.tapped = {0x21};
    poll.Tick();
    QCOMPARE(log, QStringList {"stepUp"});
}

void TestKeyboardPoll::pressesInsideADialogOpenedByTheTickDoNotAct()
{
    // Ctrl opens the prompt; Ctrl+V is typed into it and Ctrl is still down when it closes.
    PanelStandIn panel;
    panel.show();
    EventKeySource keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardActions actions = LoggingActions(log, bankScanEnabled);
    int prompts = 0;
    actions.directEntry = [&] {
        ++prompts;
        AskAndAnswer(&panel, QMessageBox::Yes, [](QMessageBox *box) {
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(box, Qt::Key_U);
            QTest::keyPress(box, Qt::Key_Control);
        });
    };
    KeyboardPoll poll(keys, std::move(actions), panel.Targets());

    QTest::keyClick(panel.field, Qt::Key_Control);
    poll.Tick();
    QCOMPARE(prompts, 1);
    QCOMPARE(panel.FocusName(), QString("Direct"));

    poll.Tick();
    poll.Tick();
    QCOMPARE(prompts, 1);
    QVERIFY(log.isEmpty()); // the U typed into the box did not step

    QTest::keyRelease(panel.field, Qt::Key_Control);
    poll.Tick();
    QCOMPARE(prompts, 1);
    QTest::keyClick(panel.field, Qt::Key_Control);
    poll.Tick();
    QCOMPARE(prompts, 2);
}

void TestKeyboardPoll::pressesInsideADialogBetweenTicksDoNotAct()
{
    // A dialog that opens and closes between two ticks, from another handler.
    PanelStandIn panel;
    panel.show();
    EventKeySource keys;
    QStringList log;
    const bool bankScanEnabled = true;
    KeyboardPoll poll(keys, LoggingActions(log, bankScanEnabled), panel.Targets());

    AskAndAnswer(&panel, QMessageBox::No, [](QMessageBox *box) {
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_D);
    });
    poll.Tick();
    QVERIFY(log.isEmpty());

    QTest::keyClick(panel.field, Qt::Key_D);
    poll.Tick();
    QCOMPARE(log, QStringList {"stepDown"});
}

QTEST_MAIN(TestKeyboardPoll)
#include "tst_keyboardpoll.moc"
