#include "../support/dialogs.h"
#include "../support/panelrig.h"
#include "../support/ptyread.h"
#include "codelog.h"
#include "frequencyentry.h"
#include "mainwindow.h"
#include "options.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

// The shared panel rig, switched on with the poll slowed: no signal queries between the
// commands under test.
struct EntryRig : PanelRig
{
    EntryRig() { powerOn(); }
    FrequencyEntry &entry = window->frequencyEntry();

    void press(const QString &keys)
    {
        for (QChar key : keys) {
            const int index = key == u'.' ? 10
                : key == u'C'             ? 11
                : key == u'E'             ? 12
                                          : key.digitValue();
            p().Keypad[size_t(index)]->click();
        }
    }
};

} // namespace

class TestFrequencyEntry : public QObject
{
    Q_OBJECT

private slots:
    void typedFrequencyBringsItsBand();
    void stepsAndRecallsDoNotConsultTheBandPlan();
    void promptCancelChangesNothing();
    void promptAsksAgainWithTheOldDefault();
    void promptReadsLeadingNumbers_data();
    void promptReadsLeadingNumbers();
    void promptOffersTheRoundedFrequency();
    void promptNeverTunesOutOfRange();
    void keypadTunes_data();
    void keypadTunes();
    void keypadRefusesWithTheErrorBox_data();
    void keypadRefusesWithTheErrorBox();
    void keypadFullEntry();
};

void TestFrequencyEntry::typedFrequencyBringsItsBand()
{
    EntryRig rig;
    rig.p().Mode[kModeAM]->click();
    rig.p().Filter[kFilter1]->click();
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0105.900;AM;BW3\rFRQ 0105.900;AM;BW1\r"));
    DialogAnswerer answer([](QWidget *d) { DialogAnswerer::Type(d, "145"); });
    rig.p().Direct->click();
    QCOMPARE(answer.answered(), 1);
    QCOMPARE(rig.pty.read(),
        QByteArray("FRQ 0145.000;FM;BW1\rFRQ 0145.000;FM;BW2\rFRQ 0145.000;FM;BW2\r"));
    QCOMPARE(rig.p().TuningStep->currentText(), QStringLiteral("5 KHz"));
    rig.p().FrequencyUp->click();
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0145.005;FM;BW2\r"));
}

void TestFrequencyEntry::stepsAndRecallsDoNotConsultTheBandPlan()
{
    EntryRig rig;
    rig.p().Mode[kModeUSB]->click();
    rig.window->state().CurrentFrequency = 107.9;
    rig.p().TuningStep->setCurrentIndex(rig.p().TuningStep->findText("1 MHz"));
    rig.p().FrequencyUp->click(); // into the air band: stays USB
    QCOMPARE(rig.window->state().ModeCommand, std::string("USB"));
    QCOMPARE(rig.p().TuningStep->currentText(), QStringLiteral("1 MHz"));
}

void TestFrequencyEntry::promptCancelChangesNothing()
{
    EntryRig rig;
    DialogAnswerer answer([](QWidget *d) { DialogAnswerer::Cancel(d); });
    rig.p().Direct->click();
    QCOMPARE(answer.answered(), 1);
    QCOMPARE(answer.titles().first(), QStringLiteral("Input Direct Frequency"));
    QCOMPARE(answer.texts().first(),
        QStringLiteral("Enter Frequency in MHz (From 0.1 To 1100) :|105.9"));
    QCOMPARE(rig.window->state().CurrentFrequency, 105.9);
    QCOMPARE(CollectFor(rig.pty, 100), QByteArray());
    QVERIFY(!rig.entry.isDialogOpen());
}

void TestFrequencyEntry::promptAsksAgainWithTheOldDefault()
{
    EntryRig rig;
    QStringList typed {"2000", "abc", "", ""};
    int asked = 0;
    DialogAnswerer answer([&](QWidget *d) { DialogAnswerer::Type(d, typed.value(asked++)); });
    answer.repeat();
    rig.p().Direct->click();
    QCOMPARE(asked, 3); // 2000, abc, then the empty text leaves
    const QStringList texts = answer.texts();
    for (const QString &text : texts)
        QVERIFY2(text.endsWith("|105.9"), qPrintable(text));
    QCOMPARE(rig.window->state().CurrentFrequency, 105.9);
    QCOMPARE(CollectFor(rig.pty, 100), QByteArray());
}

void TestFrequencyEntry::promptReadsLeadingNumbers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("tuned");
    QTest::addColumn<QByteArray>("lastCommand");
    QTest::newRow("leading space") << " 7.05" << 7.05 << QByteArray("FRQ 0007.050;AM;BW1\r");
    QTest::newRow("comma") << "1,5" << 1.0 << QByteArray("FRQ 0001.000;AM;BW2\r");
    QTest::newRow("with unit") << "145.5 MHz" << 145.5 << QByteArray("FRQ 0145.500;FM;BW2\r");
    QTest::newRow("top") << "1100" << 1100.0 << QByteArray("FRQ 1100.000;FM;BW3\r");
    QTest::newRow("bottom") << "0.1" << 0.1 << QByteArray("FRQ 0000.100;CW;BW1\r");
}

void TestFrequencyEntry::promptReadsLeadingNumbers()
{
    QFETCH(QString, typed);
    QFETCH(double, tuned);
    QFETCH(QByteArray, lastCommand);
    EntryRig rig;
    DialogAnswerer answer([typed](QWidget *d) { DialogAnswerer::Type(d, typed); });
    rig.p().Direct->click();
    QCOMPARE(rig.window->state().CurrentFrequency, tuned);
    QVERIFY(rig.pty.read().endsWith(lastCommand));
}

void TestFrequencyEntry::promptOffersTheRoundedFrequency()
{
    EntryRig rig;
    rig.window->state().CurrentFrequency = 145.00625;
    DialogAnswerer answer([](QWidget *d) {
        d->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    rig.p().Direct->click();
    QVERIFY(answer.texts().first().endsWith("|145.01"));
    QCOMPARE(rig.window->state().CurrentFrequency, 145.01);
    QCOMPARE(rig.p().DisplayFrequency->line(), QStringLiteral(" 145.010.000"));
}

void TestFrequencyEntry::promptNeverTunesOutOfRange()
{
    EntryRig rig;
    const QStringList typed {QString(100000, u'9'), QString::fromUtf8("\xe2\x82\xac 12"), "1E9",
        "-5", "0.0999", "1100.0001", QString(5000, u'x'), ""};
    int asked = 0;
    DialogAnswerer answer([&](QWidget *d) { DialogAnswerer::Type(d, typed.value(asked++)); });
    answer.repeat();
    rig.p().Direct->click();
    QCOMPARE(asked, typed.size());
    QCOMPARE(rig.window->state().CurrentFrequency, 105.9);
    QCOMPARE(CollectFor(rig.pty, 100), QByteArray());
}

void TestFrequencyEntry::keypadTunes_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<double>("tuned");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("0.1") << "0.1E" << 0.1
                         << QByteArray(
                                "FRQ 0000.100;CW;BW3\rFRQ 0000.100;CW;BW1\rFRQ 0000.100;CW;BW1\r");
    QTest::newRow("1100") << "1100E" << 1100.0 << QByteArray("FRQ 1100.000;FM;BW3\r");
    QTest::newRow("12.5.3")
        << "12.5.3E" << 12.5
        << QByteArray("FRQ 0012.500;AM;BW3\rFRQ 0012.500;AM;BW1\rFRQ 0012.500;AM;BW1\r");
}

void TestFrequencyEntry::keypadTunes()
{
    QFETCH(QString, keys);
    QFETCH(double, tuned);
    QFETCH(QByteArray, sent);
    EntryRig rig;
    rig.press(keys);
    QCOMPARE(rig.window->state().CurrentFrequency, tuned);
    QCOMPARE(rig.pty.read(), sent);
    QCOMPARE(rig.p().KeypadFrequency->line().trimmed(), QString());
    QCOMPARE(rig.window->state().KeypadEntry, std::string());
}

void TestFrequencyEntry::keypadRefusesWithTheErrorBox_data()
{
    QTest::addColumn<QString>("keys");
    QTest::newRow("above the top") << "1100.1";
    QTest::newRow("point alone") << ".";
    QTest::newRow("ten zeros") << "0000000000";
}

void TestFrequencyEntry::keypadRefusesWithTheErrorBox()
{
    QFETCH(QString, keys);
    EntryRig rig;
    rig.press(keys);
    QCOMPARE(rig.p().KeypadFrequency->line(), QString(10 - keys.size(), u' ') + keys);
    QString shownWhileOpen;
    DialogAnswerer answer([&](QWidget *d) {
        shownWhileOpen = rig.p().KeypadFrequency->line();
        DialogAnswerer::Press(d, QMessageBox::Ok);
    });
    rig.press("E");
    QCOMPARE(answer.answered(), 1);
    QCOMPARE(answer.titles().first(), QStringLiteral("ERROR - INVALID FREQUENCY"));
    QCOMPARE(answer.texts().first(), QStringLiteral("Enter Frequency in MHz (From 0.1 To 1100) !"));
    QCOMPARE(shownWhileOpen.trimmed(), keys);
    QCOMPARE(rig.p().KeypadFrequency->line().trimmed(), QString());
    QCOMPARE(rig.window->state().CurrentFrequency, 105.9);
    QCOMPARE(CollectFor(rig.pty, 100), QByteArray());
}

void TestFrequencyEntry::keypadFullEntry()
{
    EntryRig rig;
    rig.press("E"); // ENTER on an empty entry: nothing at all
    QCOMPARE(CollectFor(rig.pty, 50), QByteArray());
    rig.press("1234567890");
    QCOMPARE(rig.p().KeypadFrequency->line(), QStringLiteral("1234567890"));
    rig.press("5.");
    QCOMPARE(rig.window->state().KeypadEntry, std::string("1234567890"));
    rig.press("C");
    QCOMPARE(rig.p().KeypadFrequency->line().trimmed(), QString());
    rig.press("0000000145");
    rig.press("E");
    QCOMPARE(rig.window->state().CurrentFrequency, 145.0);
}

QTEST_MAIN(TestFrequencyEntry)
#include "tst_frequencyentry.moc"
