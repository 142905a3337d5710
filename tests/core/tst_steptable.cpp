#include "steptable.h"

#include <QTest>

class TestStepTable : public QObject
{
    Q_OBJECT

private slots:
    void captions();
    void wraps_data();
    void wraps();
    void doesNotSnapToTheStep();
};

void TestStepTable::captions()
{
    QCOMPARE(StepIndexForCaption("1 Hz"), 0);
    QCOMPARE(StepIndexForCaption("100 KHz"), kStartStepIndex);
    QCOMPARE(kStepTable[kStartStepIndex].sizeMHz, 0.1);
    QCOMPARE(StepIndexForCaption("10 MHz"), 20);
    QCOMPARE(StepIndexForCaption("6.25 KHz"), 9);
    QCOMPARE(StepIndexForCaption("100 kHz"), -1); // case matters
    QCOMPARE(StepIndexForCaption("100 KHz "), -1); // whole strings only
    QCOMPARE(StepIndexForCaption(""), -1);
}

void TestStepTable::wraps_data()
{
    QTest::addColumn<bool>("up");
    QTest::addColumn<double>("from");
    QTest::addColumn<QString>("step");
    QTest::addColumn<double>("to");
    QTest::newRow("top wraps to bottom") << true << 1100.0 << "1 Hz" << 0.1;
    QTest::newRow("reaches the top exactly") << true << 1099.9 << "100 KHz" << 1100.0;
    QTest::newRow("overshoot dropped") << true << 1099.95 << "100 KHz" << 0.1;
    QTest::newRow("bottom wraps to top") << false << 0.1 << "1 Hz" << 1100.0;
    QTest::newRow("just below bottom") << false << 0.15 << "50 KHz" << 1100.0;
    QTest::newRow("10 MHz below bottom") << false << 5.0 << "10 MHz" << 1100.0;
    QTest::newRow("plain down") << false << 105.9 << "100 KHz" << 105.9 - 0.1;
}

void TestStepTable::wraps()
{
    QFETCH(bool, up);
    QFETCH(double, from);
    QFETCH(QString, step);
    QFETCH(double, to);
    const double size = kStepTable[StepIndexForCaption(step.toStdString())].sizeMHz;
    QCOMPARE(up ? SteppedUp(from, size) : SteppedDown(from, size), to);
}

void TestStepTable::doesNotSnapToTheStep()
{
    const double step = kStepTable[StepIndexForCaption("6.25 KHz")].sizeMHz;
    const double once = SteppedUp(145.0, step);
    QCOMPARE(once, 145.0 + 0.00625);
    QCOMPARE(SteppedUp(once, step), 145.0 + 0.00625 + 0.00625);
    QVERIFY(qAbs(SteppedUp(once, step) - 145.0125) < 1e-9);
}

QTEST_GUILESS_MAIN(TestStepTable)
#include "tst_steptable.moc"
