#include "waittimer.h"

#include <QElapsedTimer>
#include <QtTest>

class TestWaitTimer : public QObject
{
    Q_OBJECT

private slots:
    void waitsAboutItsLength();
    void zeroWaitProcessesNoEvent();
    void nestedWaitsEndTogether();
    void zeroWaitInsideAnotherEndsIt();
    void stopEndsAWait();
};

void TestWaitTimer::waitsAboutItsLength()
{
    WaitTimer wait;
    int ticks = 0;
    connect(&wait, &WaitTimer::ticked, this, [&] { ++ticks; });
    QElapsedTimer clock;
    clock.start();
    wait.Delay(0.05);
    QVERIFY(clock.elapsed() >= 45);
    QCOMPARE(ticks, 1);
    QCOMPARE(wait.intervalMs(), 0);
    QVERIFY(!wait.isActive());
    QCOMPARE(wait.depth(), 0);
}

void TestWaitTimer::zeroWaitProcessesNoEvent()
{
    WaitTimer wait;
    bool ran = false;
    QTimer::singleShot(0, this, [&] { ran = true; });
    wait.Delay(0);
    wait.Delay(0.0004); // rounds to 0 ms
    QVERIFY(!ran);
    wait.Delay(0.001);
    QVERIFY(ran);
}

void TestWaitTimer::nestedWaitsEndTogether()
{
    // A 150 ms wait interrupted by a command's 10 ms wait from a timer tick ends with it.
    WaitTimer wait;
    int innerDepth = 0;
    QTimer::singleShot(20, this, [&] {
        innerDepth = wait.depth() + 1;
        wait.Delay(0.01);
    });
    QElapsedTimer clock;
    clock.start();
    wait.Delay(0.15);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(innerDepth, 2);
    QVERIFY2(elapsed < 120, qPrintable(QString::number(elapsed)));
    QCOMPARE(wait.depth(), 0);
    QVERIFY(!wait.isActive());
}

void TestWaitTimer::zeroWaitInsideAnotherEndsIt()
{
    WaitTimer wait;
    QTimer::singleShot(10, this, [&] { wait.Delay(0); });
    QElapsedTimer clock;
    clock.start();
    wait.Delay(5.0);
    QVERIFY(clock.elapsed() < 2000);
}

void TestWaitTimer::stopEndsAWait()
{
    WaitTimer wait;
    QTimer::singleShot(10, this, [&] { wait.Stop(); });
    QElapsedTimer clock;
    clock.start();
    wait.Delay(5.0);
    QVERIFY(clock.elapsed() < 2000);
    QVERIFY(!wait.isActive());
}

QTEST_GUILESS_MAIN(TestWaitTimer)
#include "tst_waittimer.moc"
