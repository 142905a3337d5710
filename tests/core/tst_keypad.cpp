#include "directentry.h"
#include "keypad.h"
#include "tunedstate.h"

#include <QTest>

#include <climits>

// Presses written as text: digits, "." for the point, "C" for CLS, "E" for ENTER.
static int IndexFor(QChar key)
{
    if (key.isDigit())
        return key.digitValue();
    if (key == '.')
        return kKeypadPoint;
    if (key == 'C')
        return kKeypadClear;
    return kKeypadEnter;
}

// What the operator sees come of the presses, in order: "tune 7" or "error 2000" (the error
// box, with the rejected entry it leaves on display).
struct Replay
{
    QStringList events;
    bool lastRedraw = false;
};

static Replay Run(Keypad &keypad, const QString &presses)
{
    Replay replay;
    for (QChar key : presses) {
        const KeypadOutcome outcome = keypad.Press(IndexFor(key));
        if (outcome.tuneMHz)
            replay.events << "tune " + QString::number(*outcome.tuneMHz);
        if (outcome.showError)
            replay.events << "error " + QString::fromStdString(outcome.rejectedEntry);
        replay.lastRedraw = outcome.redraw;
    }
    return replay;
}

class TestKeypad : public QObject
{
    Q_OBJECT

private slots:
    void presses_data();
    void presses();
    void display_data();
    void display();
    void rejectedEntryStaysVisibleUntilTheBoxCloses();
    void fullEntryIgnoresDigitsWithoutRedraw();
    void strayIndicesAreIgnored_data();
    void strayIndicesAreIgnored();
    void sharesTheTunedStateEntry();
    void oddEntriesDoNotBreakIt();
    void errorTexts();
};

void TestKeypad::presses_data()
{
    QTest::addColumn<QString>("presses");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("lastRedraw");

    using E = QStringList;
    QTest::newRow("0.1 is the bottom") << "0.1E" << E {"tune 0.1"} << "" << true;
    QTest::newRow("1100 is the top") << "1100E" << E {"tune 1100"} << "" << true;
    QTest::newRow("1100.1 too high") << "1100.1E" << E {"error 1100.1"} << "" << true;
    QTest::newRow("bare point") << ".E" << E {"error ."} << "" << true;
    QTest::newRow("enter on empty does nothing") << "E" << E {} << "" << true;
    QTest::newRow("clear on empty") << "C" << E {} << "" << true;
    QTest::newRow("second point stops reading") << "12.5.3E" << E {"tune 12.5"} << "" << true;
    QTest::newRow("eleventh digit ignored") << "12345678901" << E {} << "1234567890" << false;
    QTest::newRow("eleventh point ignored") << "..........." << E {} << ".........." << false;
    QTest::newRow("clear when full, then type") << "12345678907C5" << E {} << "5" << true;
    QTest::newRow("enter when full, too high")
        << "12345678901E" << E {"error 1234567890"} << "" << true;
    QTest::newRow("enter when full, in range") << "00000001009E" << E {"tune 100"} << "" << true;
    QTest::newRow("ten zeros") << "0000000000E" << E {"error 0000000000"} << "" << true;
    QTest::newRow("just under the bottom") << "0.0999E" << E {"error 0.0999"} << "" << true;
    QTest::newRow("just over the top") << "1100.00001E" << E {"error 1100.00001"} << "" << true;
    QTest::newRow("trailing zeros at the top") << "1100.00000E" << E {"tune 1100"} << "" << true;
    QTest::newRow("clear then enter") << "145CE" << E {} << "" << true;
    QTest::newRow("clear starts over") << "145C7E" << E {"tune 7"} << "" << true;
    QTest::newRow("error then a good one")
        << "1101E145E" << E {"error 1101", "tune 145"} << "" << true;
    QTest::newRow("double point kept in the entry") << "1..5" << E {} << "1..5" << true;
    QTest::newRow("double point reads 1") << "1..5E" << E {"tune 1"} << "" << true;
    QTest::newRow("leading point") << ".5E" << E {"tune 0.5"} << "" << true;
}

void TestKeypad::presses()
{
    QFETCH(QString, presses);
    QFETCH(QStringList, events);
    QFETCH(QString, entry);
    QFETCH(bool, lastRedraw);

    std::string text;
    Keypad keypad(text);
    const Replay replay = Run(keypad, presses);
    QCOMPARE(replay.events, events);
    QCOMPARE(QString::fromStdString(keypad.entry()), entry);
    QCOMPARE(replay.lastRedraw, lastRedraw);
}

void TestKeypad::display_data()
{
    QTest::addColumn<QString>("presses");
    QTest::addColumn<QString>("display");
    QTest::newRow("empty") << QString() << "          ";
    QTest::newRow("one digit") << "7"
                               << "         7";
    QTest::newRow("with a point") << "145.5"
                                  << "     145.5";
    QTest::newRow("eleventh ignored") << "12345678901"
                                      << "1234567890";
    QTest::newRow("after a rejected entry") << "2000E"
                                            << "          ";
}

void TestKeypad::display()
{
    QFETCH(QString, presses);
    QFETCH(QString, display);
    std::string text;
    Keypad keypad(text);
    Run(keypad, presses);
    QCOMPARE(QString::fromStdString(keypad.DisplayText()), display);
}

void TestKeypad::rejectedEntryStaysVisibleUntilTheBoxCloses()
{
    std::string text;
    Keypad keypad(text);
    Run(keypad, "1100.1");
    const KeypadOutcome outcome = keypad.Press(kKeypadEnter);
    QVERIFY(outcome.showError);
    QVERIFY(!outcome.tuneMHz);
    QVERIFY(outcome.redraw);
    // The entry itself is already gone; the window draws the rejected text meanwhile.
    QCOMPARE(keypad.entry(), std::string());
    QCOMPARE(Keypad::DisplayTextFor(outcome.rejectedEntry), std::string("    1100.1"));
    QCOMPARE(keypad.DisplayText(), std::string(10, ' '));
}

void TestKeypad::fullEntryIgnoresDigitsWithoutRedraw()
{
    std::string text;
    Keypad keypad(text);
    Run(keypad, "1234567890");
    for (int index = 0; index <= kKeypadPoint; ++index) {
        const KeypadOutcome outcome = keypad.Press(index);
        QVERIFY(!outcome.redraw);
        QVERIFY(!outcome.tuneMHz);
        QVERIFY(!outcome.showError);
        QCOMPARE(keypad.entry(), std::string("1234567890"));
    }
}

void TestKeypad::strayIndicesAreIgnored_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("index");
    QTest::newRow("-1") << "12" << -1;
    QTest::newRow("13") << "12" << 13;
    QTest::newRow("INT_MIN") << "12" << INT_MIN;
    QTest::newRow("INT_MAX on empty") << QString() << INT_MAX;
    QTest::newRow("13 when full") << "1234567890" << 13;
}

void TestKeypad::strayIndicesAreIgnored()
{
    QFETCH(QString, entry);
    QFETCH(int, index);
    std::string text = entry.toStdString();
    Keypad keypad(text);
    const KeypadOutcome outcome = keypad.Press(index);
    QVERIFY(!outcome.redraw);
    QVERIFY(!outcome.tuneMHz);
    QVERIFY(!outcome.showError);
    QCOMPARE(QString::fromStdString(keypad.entry()), entry);
}

void TestKeypad::sharesTheTunedStateEntry()
{
    TunedState state;
    Keypad keypad(state.KeypadEntry);
    keypad.Press(1);
    keypad.Press(kKeypadPoint);
    QCOMPARE(state.KeypadEntry, std::string("1."));
    state.KeypadEntry = "14";
    QCOMPARE(keypad.DisplayText(), std::string("        14"));
    const KeypadOutcome outcome = keypad.Press(kKeypadEnter);
    QCOMPARE(outcome.tuneMHz.value_or(-1.0), 14.0);
    QVERIFY(state.KeypadEntry.empty());
}

void TestKeypad::oddEntriesDoNotBreakIt()
{
    // Only the keypad writes the entry, but whatever it holds must not trip it up.
    std::string text = "abc";
    Keypad keypad(text);
    KeypadOutcome outcome = keypad.Press(kKeypadEnter);
    QVERIFY(outcome.showError);
    QCOMPARE(outcome.rejectedEntry, std::string("abc"));

    text = std::string(100000, '9');
    outcome = keypad.Press(5);
    QVERIFY(!outcome.redraw);
    QCOMPARE(text.size(), size_t(100000));
    QCOMPARE(keypad.DisplayText(), text);
    outcome = keypad.Press(kKeypadEnter);
    QVERIFY(outcome.showError);
    QVERIFY(text.empty());

    text = "1e3";
    outcome = keypad.Press(kKeypadEnter);
    QCOMPARE(outcome.tuneMHz.value_or(-1.0), 1000.0);
}

void TestKeypad::errorTexts()
{
    QCOMPARE(QString(kKeypadErrorTitle), QString("ERROR - INVALID FREQUENCY"));
    // The error repeats the prompt's text with "!" in place of its closing ":".
    const QString prompt(kDirectEntryPrompt);
    const QString error(kKeypadErrorText);
    QCOMPARE(error.size(), prompt.size());
    QCOMPARE(error.chopped(1), prompt.chopped(1));
    QCOMPARE(prompt.back(), QChar(':'));
    QCOMPARE(error.back(), QChar('!'));
}

QTEST_GUILESS_MAIN(TestKeypad)
#include "tst_keypad.moc"
