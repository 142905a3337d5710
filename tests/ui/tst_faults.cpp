#include "../support/dialogs.h"
#include "../support/panelfacts.h"
#include "../support/ptyread.h"
#include "codelog.h"
#include "mainwindow.h"
#include "seriallink.h"
#include "simreceiver.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Off, as the operator must see it after the device went away.
void VerifyOff(MainWindow &window)
{
    const Panel &p = window.panel();
    QVERIFY(!window.session().isOn());
    QCOMPARE(window.session().state(), ReceiverSession::State::Off);
    QCOMPARE(p.OnOffLabel->color(), kRed);
    QCOMPARE(p.ScanLabel->color(), kRed);
    QCOMPARE(p.SignalStrengthMeter->line(), QStringLiteral(" "));
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void deviceVanishes_data();
    void deviceVanishes();
    void floodingReceiverKeepsThePanelResponsive();
};

void TestFaults::initTestCase()
{
    // A bank to scan, in a folder of the test's own.
    static QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    QFile file("QZMemory.txt");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        " MEMORY BANK #01 FREQUENCY=145.5      \r\n MEMORY BANK #01 FREQUENCY=118.1      \r\n");
}

void TestFaults::deviceVanishes_data()
{
    QTest::addColumn<QString>("activity");
    QTest::newRow("polling") << "poll";
    QTest::newRow("frequency scan") << "scan";
    QTest::newRow("bank scan") << "bank";
}

void TestFaults::deviceVanishes()
{
    QFETCH(QString, activity);
    auto pty = std::make_unique<PseudoTerminal>();
    MainWindow window(pty->slavePath());
    const Panel &p = window.panel();
    p.RadioOn->click();
    QCOMPARE(p.OnOffLabel->color(), kGreen);
    if (activity == "scan")
        p.Scan->click();
    else if (activity == "bank")
        p.ScanBank->click();
    CollectFor(*pty, 200);

    DialogAnswerer answer([](QWidget *box) { DialogAnswerer::Press(box, QMessageBox::Ok); });
    const QString path = pty->slavePath();
    pty->closeMaster(); // the adapter is pulled
    QTRY_COMPARE_WITH_TIMEOUT(answer.answered(), 1, 5000);
    QVERIFY(answer.texts().first().contains(path));
    VerifyOff(window);
    QTest::qWait(400);
    QCOMPARE(answer.answered(), 1); // reported once
    const int logged = window.session().codesOut().count();

    // Nothing is written to the dead port, and ON works again once a device is back.
    p.Scan->click();
    p.FrequencyUp->click();
    QCOMPARE(window.session().codesOut().count(), logged);
    PseudoTerminal replacement;
    p.Channelnum->setText(replacement.slavePath());
    p.RadioOn->click();
    QVERIFY(replacement.read().startsWith("RMT\rCOR 1\r"));
    QCOMPARE(p.OnOffLabel->color(), kGreen);
    QCOMPARE(window.session().state(), ReceiverSession::State::Polling);
}

void TestFaults::floodingReceiverKeepsThePanelResponsive()
{
    SimReceiver receiver;
    receiver.setBabble(true);
    MainWindow window(receiver.slavePath());
    const Panel &p = window.panel();
    p.RadioOn->click();
    QTRY_VERIFY(receiver.isRemote());
    // Several megabytes of garbage with NULs, high bytes and no line end, between the polls.
    receiver.floodBytes(8 * 1024 * 1024);
    QElapsedTimer clock;
    clock.start();
    int clicks = 0;
    double expected = window.state().CurrentFrequency;
    while (clock.elapsed() < 6000) {
        QTest::qWait(100);
        p.FrequencyUp->click();
        expected += 0.1;
        ++clicks;
    }
    // Every click reached the receiver, and the logs kept to their capacity.
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(receiver.frequencyMHz() - expected) < 0.0005, 2000);
    QCOMPARE(window.session().codesOut().count(), 7 + clicks);
    QVERIFY(window.session().codesIn().count() <= window.session().codesIn().capacity());
    QVERIFY(window.session().codesIn().totalAppended() > window.session().codesIn().capacity());
    QVERIFY(window.session().isOn());
    QVERIFY(window.state().SignalLevel >= 0 && window.state().SignalLevel <= 128);
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
