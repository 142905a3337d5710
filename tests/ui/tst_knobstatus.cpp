#include "../support/dialogs.h"
#include "../support/panelrig.h"
#include "../support/ptyread.h"
#include "codelog.h"
#include "knobcontrol.h"
#include "mainwindow.h"
#include "options.h"
#include "statusbarrefresh.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>

#include <cmath>

namespace {

struct KnobRig : PanelRig
{
    explicit KnobRig(bool on = true)
    {
        if (on)
            powerOn();
    }
    const Panel &p = window->panel();

    int litMark() const
    {
        int lit = -1;
        for (int i = 0; i < 12; ++i) {
            if (p.TuningKnobMark[size_t(i)]->isVisibleTo(p.TuningKnob)) {
                if (lit != -1)
                    return -2; // more than one lit
                lit = i;
            }
        }
        return lit;
    }
    // A press on the knob released before the hold's next pass.
    void click(Qt::MouseButton button)
    {
        QTest::mousePress(p.TuningKnob, button);
        QTest::mouseRelease(p.TuningKnob, button);
    }
};

} // namespace

class TestKnobStatus : public QObject
{
    Q_OBJECT

private slots:
    void clickMakesOneStep();
    void marksWrapRound();
    void middleButtonChangesNoFrequency();
    void wheelStepsOncePerNotch();
    void holdIsPacedThenFast();
    void holdKeepsTheWindowAlive();
    void fastHoldWaitsWithTheLinkOff();
    void releaseTakenByADialogEndsTheHold_data();
    void releaseTakenByADialogEndsTheHold();
    void statusBarShowsTheControls();
    void aNewTimeRepaintsOnlyTheClock();
};

void TestKnobStatus::clickMakesOneStep()
{
    KnobRig rig;
    QCOMPARE(rig.litMark(), 0);
    rig.click(Qt::LeftButton);
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0106.000;FM;BW3\r"));
    QCOMPARE(rig.litMark(), 1);
    QCOMPARE(rig.window->state().KnobMarkIndex, 1);
    QCOMPARE(rig.window->state().KnobHeld, 0);
    rig.click(Qt::RightButton);
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0105.900;FM;BW3\r"));
    QCOMPARE(rig.litMark(), 0);
}

void TestKnobStatus::marksWrapRound()
{
    KnobRig rig(false); // the knob tunes with the link off too
    rig.click(Qt::RightButton);
    QCOMPARE(rig.litMark(), 11);
    QCOMPARE(rig.p.DisplayFrequency->line(), QStringLiteral(" 105.800.000"));
    rig.click(Qt::LeftButton);
    QCOMPARE(rig.litMark(), 0);
    rig.window->state().CurrentFrequency = 1100;
    rig.click(Qt::LeftButton);
    QCOMPARE(rig.p.DisplayFrequency->line(), QStringLiteral("   0.100.000"));
}

void TestKnobStatus::middleButtonChangesNoFrequency()
{
    KnobRig rig;
    rig.click(Qt::MiddleButton);
    QCOMPARE(rig.window->state().CurrentFrequency, 105.9);
    QCOMPARE(rig.litMark(), 0);
    QCOMPARE(CollectFor(rig.pty, 50), QByteArray());
}

void TestKnobStatus::wheelStepsOncePerNotch()
{
    KnobRig rig;
    const QPointF at = rig.p.TuningKnob->rect().center();
    auto turn = [&](int eighths) {
        QWheelEvent wheel(at, rig.p.TuningKnob->mapToGlobal(at), QPoint(), QPoint(0, eighths),
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(rig.p.TuningKnob, &wheel);
    };
    turn(120); // one notch away from the operator: up
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0106.000;FM;BW3\r"));
    QCOMPARE(rig.litMark(), 1);
    turn(-360); // three notches down in one event
    QCOMPARE(rig.pty.read(),
        QByteArray("FRQ 0105.900;FM;BW3\rFRQ 0105.800;FM;BW3\rFRQ 0105.700;FM;BW3\r"));
    QCOMPARE(rig.litMark(), 10);
    QCOMPARE(rig.p.DisplayFrequency->line(), QStringLiteral(" 105.700.000"));
    // A fine wheel reports parts of a notch: a step for each whole notch's worth, none for less,
    // and a turn back cancels what was not yet a step.
    turn(60);
    turn(-30);
    QCOMPARE(CollectFor(rig.pty, 50), QByteArray());
    turn(60);
    turn(30);
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0105.800;FM;BW3\r"));
    QCOMPARE(rig.litMark(), 11);
    QCOMPARE(rig.window->state().KnobHeld, 0);
}

void TestKnobStatus::holdIsPacedThenFast()
{
    KnobRig rig;
    QElapsedTimer clock;
    clock.start();
    QList<qint64> sentAt;
    connect(&rig.window->session().codesOut(), &CodeLog::rowsInserted, this, [&] {
        sentAt << clock.elapsed();
        if (sentAt.size() == 20)
            QTest::mouseRelease(rig.p.TuningKnob, Qt::LeftButton);
    });
    QTest::mousePress(rig.p.TuningKnob, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(sentAt.size(), 20, 5000);
    QTest::qWait(100); // nothing follows the release
    QCOMPARE(sentAt.size(), 20);
    QCOMPARE(rig.window->state().KnobMarkIndex, 20 % 12);
    QVERIFY(qAbs(rig.window->state().CurrentFrequency - (105.9 + 20 * 0.1)) < 1e-9);
    // Steps 1 to 15 are each followed by the 0.15 s pause, later ones are not.
    for (int i = 0; i < 15; ++i)
        QVERIFY2(sentAt[i + 1] - sentAt[i] >= 140,
            qPrintable(QString("gap %1: %2 ms").arg(i + 1).arg(sentAt[i + 1] - sentAt[i])));
    for (int i = 15; i < 19; ++i)
        QVERIFY2(sentAt[i + 1] - sentAt[i] < 100,
            qPrintable(QString("gap %1: %2 ms").arg(i + 1).arg(sentAt[i + 1] - sentAt[i])));
    // Pressing again starts the pacing afresh.
    sentAt.clear();
    clock.restart();
    QTest::mousePress(rig.p.TuningKnob, Qt::LeftButton);
    QTest::qWait(100);
    QTest::mouseRelease(rig.p.TuningKnob, Qt::LeftButton);
    QTest::qWait(200);
    QCOMPARE(sentAt.size(), 1);
}

void TestKnobStatus::holdKeepsTheWindowAlive()
{
    KnobRig rig;
    rig.window->session().setPollInterval(ReceiverSession::kPollIntervalMs);
    QTest::mousePress(rig.p.TuningKnob, Qt::LeftButton);
    QTest::qWait(300);
    rig.p.Mode[kModeUSB]->click(); // another control works during the hold
    QTest::qWait(700);
    QTest::mouseRelease(rig.p.TuningKnob, Qt::LeftButton);
    const QByteArray sent = CollectFor(rig.pty, 100);
    QVERIFY(sent.contains(";USB;BW3\r"));
    QVERIFY(sent.contains("SS?\r")); // the poll kept running
    rig.window->statusRefresh().Refresh();
    QCOMPARE(rig.p.StatusPanel[5]->text(), QStringLiteral("USB"));
}

void TestKnobStatus::fastHoldWaitsWithTheLinkOff()
{
    // Nothing is sent with the link off, so no command paces the fast steps: each pass must still
    // take as long as one, or the hold spins the processor and retunes as fast as it can.
    KnobRig rig(false);
    // A small step, so that even a spinning hold cannot wrap round the range within the test.
    rig.p.TuningStep->setCurrentIndex(rig.p.TuningStep->findText("1 KHz"));
    const int fastMs = 500;
    const int heldMs = KnobControl::kPacedSteps * (KnobControl::kPacedPauseMs + 10) + fastMs;
    QTest::mousePress(rig.p.TuningKnob, Qt::LeftButton);
    QTest::qWait(heldMs);
    QTest::mouseRelease(rig.p.TuningKnob, Qt::LeftButton);
    const double steps = std::round((rig.window->state().CurrentFrequency - 105.9) / 0.001);
    // The paced steps, then one every 10 ms at most.
    QVERIFY2(steps >= 10 && steps <= KnobControl::kPacedSteps + fastMs / 10 + 2,
        qPrintable(QString("%1 steps in %2 ms").arg(steps).arg(heldMs)));
    QCOMPARE(CollectFor(rig.pty, 50), QByteArray());
}

void TestKnobStatus::releaseTakenByADialogEndsTheHold_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::newRow("exit question") << "exit";
    QTest::newRow("link lost") << "lost";
}

void TestKnobStatus::releaseTakenByADialogEndsTheHold()
{
    QFETCH(QString, dialog);
    auto pty = std::make_unique<PseudoTerminal>();
    MainWindow window(pty->slavePath());
    const Panel &p = window.panel();
    window.session().setPollInterval(PanelRig::kQuietPollMs);
    p.RadioOn->click();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    p.SSTab1->setCurrentIndex(2); // KEYPAD
    QWindow *handle = window.windowHandle();
    const QPoint knob = p.TuningKnob->mapTo(&window, p.TuningKnob->rect().center());

    // Through the platform's input, as a real mouse: a modal dialog blocks the window then, and
    // the release made while it is open never reaches the knob.
    QTimer::singleShot(400, &window, [&] {
        if (dialog == "exit")
            window.close();
        else
            pty->closeMaster();
    });
    double atDialog = 0;
    DialogAnswerer answer([&](QWidget *box) {
        atDialog = window.state().CurrentFrequency;
        QTest::mouseRelease(handle, Qt::LeftButton, {}, knob);
        QTest::qWait(100);
        DialogAnswerer::Press(box, dialog == "exit" ? QMessageBox::No : QMessageBox::Ok);
    });
    QTest::mousePress(handle, Qt::LeftButton, {}, knob);
    QTRY_COMPARE_WITH_TIMEOUT(answer.answered(), 1, 5000);
    // It stepped while held; no step followed once the dialog had the mouse, nor after it closed.
    QVERIFY(atDialog > 105.9 + 0.05);
    QTest::qWait(300);
    QCOMPARE(window.state().CurrentFrequency, atDialog);
    QCOMPARE(window.state().KnobHeld, 0);
}

void TestKnobStatus::statusBarShowsTheControls()
{
    KnobRig rig(false);
    QTRY_COMPARE_WITH_TIMEOUT(rig.p.StatusPanel[4]->text(), QStringLiteral("100 KHz"), 1000);
    QCOMPARE(rig.p.StatusPanel[1]->text(), QString());
    QCOMPARE(rig.p.StatusPanel[5]->text(), QStringLiteral("FM"));
    QCOMPARE(rig.p.StatusPanel[6]->text(), QStringLiteral("100 KHz"));
    QCOMPARE(rig.p.StatusPanel[7]->text(), QStringLiteral("MEMORY BANK #01"));
    QCOMPARE(rig.p.StatusPanel[2]->text(),
        QLocale().toString(QDate::currentDate(), QLocale::LongFormat));
    QVERIFY(!rig.p.StatusPanel[3]->text().isEmpty());
    rig.p.Mode[kModeWFM]->click();
    rig.p.Filter[kFilter5]->click();
    rig.p.TuningStep->setCurrentIndex(rig.p.TuningStep->findText("10 MHz"));
    rig.p.MemoryBanks->setCurrentIndex(98);
    QTRY_COMPARE_WITH_TIMEOUT(rig.p.StatusPanel[5]->text(), QStringLiteral("PLS"), 1000);
    QCOMPARE(rig.p.StatusPanel[6]->text(), QStringLiteral("1 MHz"));
    QCOMPARE(rig.p.StatusPanel[4]->text(), QStringLiteral("10 MHz"));
    QCOMPARE(rig.p.StatusPanel[7]->text(), QStringLiteral("MEMORY BANK #99"));
}

// Counts the paint events of the widgets it is installed on.
struct PaintCount : QObject
{
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The clock's text changes every second: when a panel's new text made the whole status bar
// repaint, that was most of what an idle panel did.
void TestKnobStatus::aNewTimeRepaintsOnlyTheClock()
{
    KnobRig rig(false);
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    QLabel *clock = rig.p.StatusPanel[3];
    QTRY_VERIFY_WITH_TIMEOUT(!clock->text().isEmpty(), 1000);
    PaintCount clockPaints;
    PaintCount otherPaints;
    clock->installEventFilter(&clockPaints);
    for (QLabel *panel : rig.p.StatusPanel)
        if (panel && panel != clock)
            panel->installEventFilter(&otherPaints);
    rig.p.LinkStatePanel->installEventFilter(&otherPaints);
    clock->setText(clock->text() + QStringLiteral(" "));
    QTRY_VERIFY_WITH_TIMEOUT(clockPaints.paints > 0, 1000);
    QTest::qWait(50);
    QCOMPARE(otherPaints.paints, 0);
}

QTEST_MAIN(TestKnobStatus)
#include "tst_knobstatus.moc"
