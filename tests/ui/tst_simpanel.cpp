#include "codelog.h"
#include "mainwindow.h"
#include "simreceiver.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

// The whole panel against the simulated receiver: what a newcomer sees with no receiver at hand.
class TestSimPanel : public QObject
{
    Q_OBJECT

private slots:
    void meterFollowsARetune_data();
    void meterFollowsARetune();
};

void TestSimPanel::meterFollowsARetune_data()
{
    QTest::addColumn<SimReceiver::Timing>("timing");
    QTest::newRow("instant") << SimReceiver::Timing::Instant;
    QTest::newRow("line speed, as with --simulate") << SimReceiver::Timing::LineSpeed;
}

void TestSimPanel::meterFollowsARetune()
{
    QFETCH(SimReceiver::Timing, timing);
    SimReceiver receiver;
    QVERIFY(receiver.isOpen());
    receiver.setSeed(7);
    receiver.setTiming(timing);
    MainWindow window(receiver.slavePath());
    const Panel &p = window.panel();
    p.RadioOn->click();
    QTRY_VERIFY(receiver.isRemote());
    QTRY_COMPARE(receiver.frequencyMHz(), 105.9);
    QCOMPARE(receiver.mode(), QStringLiteral("FM"));
    // On a strong station the meter fills and turns red.
    QTRY_VERIFY_WITH_TIMEOUT(window.state().SignalLevel > 110, 4000);
    QCOMPARE(p.SignalStrengthMeter->textColor(), QColor(255, 0, 0));
    QVERIFY(window.session().codesIn().count() > 0);

    // Two megahertz away there is only noise.
    p.TuningStep->setCurrentIndex(p.TuningStep->findText("1 MHz"));
    p.FrequencyUp->click();
    p.FrequencyUp->click();
    QTRY_COMPARE(receiver.frequencyMHz(), 107.9);
    QTRY_VERIFY_WITH_TIMEOUT(window.state().SignalLevel < 30, 4000);
    QCOMPARE(p.SignalStrengthMeter->textColor(), QColor(0, 0, 255));
    QCOMPARE(p.SignalStrengthMeter->line().size(), window.state().SignalLevel + 1);

    p.RadioOff->click();
    QTRY_VERIFY(!receiver.isRemote());
    QCOMPARE(p.SignalStrengthMeter->line(), QStringLiteral(" "));
}

QTEST_MAIN(TestSimPanel)
#include "tst_simpanel.moc"
