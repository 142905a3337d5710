#include "../support/answerer.h"
#include "../support/dialogs.h"
#include "../support/panelrig.h"
#include "../support/ptyread.h"
#include "afterfirstexposure.h"
#include "codelog.h"
#include "keyboardpoll.h"
#include "mainwindow.h"
#include "options.h"
#include "receiversession.h"
#include "seriallink.h"
#include "statusbarrefresh.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

namespace {

using State = ReceiverSession::State;

// The shared panel rig; here ON is checked against what ON writes, and keeps the poll unless
// asked not to (the test then polls by hand).
struct MainWindowRig : PanelRig
{
    void powerOn(bool withPoll = true)
    {
        PanelRig::powerOn(withPoll);
        QCOMPARE(written, kPowerOnBytes);
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void startUpState();
    void powerOnSendsThePanelState();
    void powerOnAndOffAreIdempotent();
    void optionsSetBeforeOnReachTheReceiver();
    void optionControlsSendTheirCommands();
    void pollRunsEvery800msAndIsNotLogged();
    void pollReply_data();
    void pollReply();
    void pollSurvivesGarbage();
    void silentReceiverIsNamedInTheStatusBar();
    void linkStateHasAPanelOfItsOwn();
    void steppingWrapsAndStepChangeSendsNothing();
    void portThatDoesNotExist();
    void channelNamingNoPort();
    void exitAsksFirst();
    void yesEndsWithoutLeavingRemote();
    void unpluggedDeviceGoesOff();
    void logFollowsTheNewestLineOnlyOnScreen();
    void setUpAfterTheFirstFrameRunsOnceAndWithoutIt();
};

void TestMainWindow::startUpState()
{
    const QFont desktopFont = QApplication::font();
    MainWindowRig rig;
    // The panel's font stands in while the panel is built: dialogs keep the desktop's.
    QCOMPARE(QApplication::font(), desktopFont);
    QCOMPARE(rig.p().DisplayFrequency->line(), QStringLiteral(" 105.900.000"));
    QCOMPARE(rig.p().OnOffLabel->color(), kRed);
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QCOMPARE(rig.p().SquelchFrame->title(), QStringLiteral("Squelch 1"));
    QCOMPARE(rig.p().SSTab1->currentIndex(), 0);
    QCOMPARE(rig.p().SSTab1->tabText(0), QStringLiteral(" &MAIN"));
    QCOMPARE(rig.p().SignalStrengthMeter->line(), QStringLiteral(" "));
    QCOMPARE(rig.p().SignalStrengthMeter->textColor(), kBlue);
    QVERIFY(rig.p().Mode[kModeFM]->isChecked());
    QVERIFY(rig.p().Filter[kFilter3]->isChecked());
    QCOMPARE(rig.p().TuningStep->currentText(), QStringLiteral("100 KHz"));
    QCOMPARE(rig.window->state().StepSize, 0.1);
    QCOMPARE(rig.window->state().ModeCommand, std::string("FM"));
    QCOMPARE(rig.window->state().FilterCommand, std::string("BW3"));
    QVERIFY(rig.p().TuningKnobMark[0]->isVisibleTo(rig.p().TuningKnob));
    for (int i = 1; i < 12; ++i)
        QVERIFY(!rig.p().TuningKnobMark[size_t(i)]->isVisibleTo(rig.p().TuningKnob));
    QVERIFY(rig.window->keyboardPoll().isRunning());
    QVERIFY(rig.window->statusRefresh().isRunning());
    QCOMPARE(rig.session().state(), State::Off);
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("QZ SERIAL REMOTE CONTROL"));
    QCOMPARE(CollectFor(rig.pty, 200), QByteArray());
    QCOMPARE(rig.session().codesOut().count(), 0);
}

void TestMainWindow::powerOnSendsThePanelState()
{
    MainWindowRig rig;
    rig.powerOn();
    QCOMPARE(rig.session().codesOut().lines(),
        (QStringList {"RMT", "COR 1", "AFC/", "AGC/", "FRQ 0105.900;FM;BW3", "FRQ 0105.900;FM;BW3",
            "FRQ 0105.900;FM;BW3"}));
    QCOMPARE(rig.p().OnOffLabel->color(), kGreen);
    QCOMPARE(rig.session().state(), State::Polling);
}

void TestMainWindow::powerOnAndOffAreIdempotent()
{
    MainWindowRig rig;
    rig.p().RadioOff->click(); // off while off
    QCOMPARE(rig.p().OnOffLabel->color(), kRed);
    rig.powerOn();
    rig.p().RadioOn->click(); // on while on
    QCOMPARE(rig.pty.read(150), QByteArray());
    rig.p().RadioOff->click();
    QCOMPARE(rig.pty.read(), QByteArray("RMT/\r"));
    QVERIFY(!rig.session().isOn());
    QCOMPARE(rig.p().OnOffLabel->color(), kRed);
    QCOMPARE(rig.session().state(), State::Off);
    rig.p().RadioOff->click();
    QCOMPARE(CollectFor(rig.pty, 150), QByteArray());
    QCOMPARE(rig.session().codesOut().count(), 8);
    // And on again: the log is never cleared.
    rig.powerOn();
    QCOMPARE(rig.session().codesOut().count(), 15);
}

void TestMainWindow::optionsSetBeforeOnReachTheReceiver()
{
    MainWindowRig rig;
    rig.p().Mode[kModeLSB]->click();
    rig.p().AFC->click();
    rig.p().Squelch->setValue(40);
    QCOMPARE(rig.p().DisplayFrequency->line(), QStringLiteral(" 105.900.000"));
    QCOMPARE(rig.p().SquelchFrame->title(), QStringLiteral("Squelch 40"));
    QCOMPARE(rig.pty.read(150), QByteArray());
    rig.p().RadioOn->click();
    QCOMPARE(rig.pty.read(),
        QByteArray("RMT\rCOR 40\rAFC\rAGC/\rFRQ 0105.900;LSB;BW3\r"
                   "FRQ 0105.900;LSB;BW3\rFRQ 0105.900;LSB;BW3\r"));
}

void TestMainWindow::optionControlsSendTheirCommands()
{
    MainWindowRig rig;
    rig.powerOn(false);
    rig.p().Squelch->setValue(12);
    QTest::mouseClick(rig.p().Dot[3], Qt::LeftButton);
    QTest::mouseClick(rig.p().Dot[3], Qt::LeftButton); // already at 40: nothing more
    QTest::mouseClick(rig.p().Dot[2], Qt::LeftButton);
    rig.p().AFC->click();
    rig.p().AFC->click();
    rig.p().AGC->click();
    rig.p().Mode[kModeWFM]->click();
    rig.p().Filter[kFilter5]->click();
    QCOMPARE(rig.pty.read(),
        QByteArray("COR 12\rCOR 40\rCOR 0\rAFC\rAFC/\rAGC\r"
                   "FRQ 0105.900;PLS;BW3\rFRQ 0105.900;PLS;BW5\r"));
    QCOMPARE(rig.p().SquelchFrame->title(), QStringLiteral("Squelch 0"));
    QVERIFY(!rig.p().AFC->isChecked());
    QVERIFY(rig.p().AGC->isChecked());
}

void TestMainWindow::pollRunsEvery800msAndIsNotLogged()
{
    MainWindowRig rig;
    rig.powerOn();
    const QByteArray two = CollectUntil(rig.pty, "SS?\rSS?\r", 3000);
    QCOMPARE(two, QByteArray("SS?\rSS?\r"));
    QVERIFY(!rig.session().codesOut().lines().contains("SS?"));
    QCOMPARE(rig.session().codesOut().count(), 7);
    rig.p().RadioOff->click();
    CollectFor(rig.pty, 50);
    QCOMPARE(CollectFor(rig.pty, 1000), QByteArray());
}

void TestMainWindow::pollReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("logged");
    QTest::addColumn<int>("level"); // -1: meter unchanged
    QTest::newRow("100") << QByteArray("SS 0100\r") << QStringList {"SS 0", "100"} << 128;
    QTest::newRow("86 blue") << QByteArray("SS 0086\r") << QStringList {"SS 0", "086"} << 110;
    QTest::newRow("87 red") << QByteArray("SS 0087\r") << QStringList {"SS 0", "087"} << 111;
    QTest::newRow("300 rejected") << QByteArray("SS 0300\r") << QStringList {"SS 0", "300"} << -1;
    QTest::newRow("one digit") << QByteArray("SS 01") << QStringList {"SS 0", "1"} << 1;
    QTest::newRow("empty field") << QByteArray("SS ") << QStringList {"SS"} << -1;
    QTest::newRow("first of two") << QByteArray("SS 0010\r\nSS 0090\r\n")
                                  << QStringList {"SS 0", "010S", "S 00", "90"} << 13;
    QTest::newRow("G0") << QByteArray("G0\r\n") << QStringList {"-> G0"} << -1;
    QTest::newRow("I0 I1") << QByteArray("I0\r\nI1\r\n") << QStringList {"---------> I0I1"} << -1;
    QTest::newRow("nothing") << QByteArray() << QStringList {} << -1;
    QTest::newRow("letter in field") << QByteArray("SS 01x5") << QStringList {"SS 0", "1x5"} << -1;
    QTest::newRow("fraction dropped") << QByteArray("SS 01.5") << QStringList {"SS 0", "1.5"} << 1;
    QTest::newRow("point at the end") << QByteArray("SS 010.") << QStringList {"SS 0", "10."} << 13;
}

void TestMainWindow::pollReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, logged);
    QFETCH(int, level);
    MainWindowRig rig;
    rig.powerOn(false); // the test polls by hand
    // A known meter reading first, so "unchanged" can be seen.
    QCOMPARE(AskAnswered(rig.session(), rig.pty, "SS 0050\r"), QByteArray("SS?\r"));
    QCOMPARE(rig.window->state().SignalLevel, 64);
    const int before = rig.session().codesIn().count();

    QCOMPARE(AskAnswered(rig.session(), rig.pty, reply), QByteArray("SS?\r"));
    QStringList got = rig.session().codesIn().lines().mid(before);
    QCOMPARE(got, logged);
    const int expected = level < 0 ? 64 : level;
    QCOMPARE(rig.window->state().SignalLevel, expected);
    QCOMPARE(rig.p().SignalStrengthMeter->line(),
        QLatin1Char(' ') + QString(expected, QLatin1Char('|')));
    QCOMPARE(rig.p().SignalStrengthMeter->textColor(), expected <= 110 ? kBlue : kRed);
}

void TestMainWindow::pollSurvivesGarbage()
{
    MainWindowRig rig;
    rig.powerOn(false);
    QByteArray garbage("\0\0\xff\xfeSS 0\0\x01 SS 01x5 I1\r\n", 21);
    for (int i = 0; i < 2000; ++i)
        garbage += char(i * 37 % 256);
    AskAnswered(rig.session(), rig.pty, garbage);
    QVERIFY(rig.window->state().SignalLevel >= 0 && rig.window->state().SignalLevel <= 128);
    QVERIFY(rig.session().codesIn().count() > 0);
    QVERIFY(rig.session().isOn());
}

void TestMainWindow::silentReceiverIsNamedInTheStatusBar()
{
    MainWindowRig rig;
    rig.powerOn(false);
    for (int i = 0; i < 3; ++i)
        AskAnswered(rig.session(), rig.pty, {});
    QCOMPARE(rig.p().StatusBar1->currentMessage(),
        QStringLiteral("No reply from the receiver on %1: check the cable, its power and 9600 baud")
            .arg(rig.pty.slavePath()));
    QCOMPARE(QApplication::activeModalWidget(), nullptr); // no box to click away
    AskAnswered(rig.session(), rig.pty, "SS 0010\r");
    QCOMPARE(rig.p().StatusBar1->currentMessage(), QString());
    // Going off clears it too.
    for (int i = 0; i < 3; ++i)
        AskAnswered(rig.session(), rig.pty, {});
    QVERIFY(!rig.p().StatusBar1->currentMessage().isEmpty());
    rig.p().RadioOff->click();
    QCOMPARE(rig.p().StatusBar1->currentMessage(), QString());
}

void TestMainWindow::linkStateHasAPanelOfItsOwn()
{
    MainWindowRig rig;
    QLabel *panel = rig.p().LinkStatePanel;
    QStringList seen;
    const auto look = [&] {
        seen << panel->text();
        // In view beside the others, and not cut off.
        QVERIFY(panel->isVisibleTo(rig.window.get()));
        QVERIFY2(
            panel->fontMetrics().horizontalAdvance(panel->text()) <= panel->contentsRect().width(),
            qPrintable(QStringLiteral("%1: %2 px of %3")
                           .arg(panel->text())
                           .arg(panel->fontMetrics().horizontalAdvance(panel->text()))
                           .arg(panel->contentsRect().width())));
    };
    look();
    rig.powerOn(false);
    look();
    rig.p().Scan->click();
    look();
    rig.p().Scan->click();
    look();
    // A silent receiver: said in the link's panel, which stays in view beside the message.
    for (int i = 0; i < 3; ++i)
        AskAnswered(rig.session(), rig.pty, {});
    QVERIFY(!rig.p().StatusBar1->currentMessage().isEmpty());
    look();
    AskAnswered(rig.session(), rig.pty, "SS 0010\r");
    look();
    QVERIFY(rig.session().sweep().Start(*MakeSweepPlan(144, 146, 14).plan));
    look();
    rig.p().RadioOff->click();
    look();
    QCOMPARE(
        seen, (QStringList {"Off", "On", "Scanning", "On", "No reply", "On", "Sweeping", "Off"}));
}

void TestMainWindow::steppingWrapsAndStepChangeSendsNothing()
{
    MainWindowRig rig;
    rig.powerOn(false);
    rig.p().TuningStep->setCurrentIndex(rig.p().TuningStep->findText("10 MHz"));
    QCOMPARE(rig.window->state().StepSize, 10.0);
    QCOMPARE(CollectFor(rig.pty, 100), QByteArray());
    rig.window->state().CurrentFrequency = 5;
    rig.p().FrequencyDown->click();
    QCOMPARE(rig.p().DisplayFrequency->line(), QStringLiteral("1100.000.000"));
    rig.p().FrequencyUp->click();
    QCOMPARE(rig.p().DisplayFrequency->line(), QStringLiteral("   0.100.000"));
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 1100.000;FM;BW3\rFRQ 0000.100;FM;BW3\r"));
}

void TestMainWindow::portThatDoesNotExist()
{
    MainWindowRig rig;
    rig.p().Channelnum->setText("/dev/qz-no-such-port");
    DialogAnswerer answer([](QWidget *box) { DialogAnswerer::Press(box, QMessageBox::Ok); });
    rig.p().RadioOn->click();
    QCOMPARE(answer.answered(), 1);
    QVERIFY(answer.texts().first().contains("/dev/qz-no-such-port"));
    QVERIFY(!rig.session().isOn());
    QCOMPARE(rig.p().OnOffLabel->color(), kRed);
    QCOMPARE(rig.session().state(), State::Off);
    QCOMPARE(rig.session().codesOut().count(), 0);
    // The right port typed afterwards works at the next ON.
    rig.p().Channelnum->setText(rig.pty.slavePath());
    rig.powerOn();
}

void TestMainWindow::channelNamingNoPort()
{
    MainWindowRig rig;
    rig.p().Channelnum->setText("0");
    DialogAnswerer answer([](QWidget *box) { DialogAnswerer::Press(box, QMessageBox::Ok); });
    rig.p().RadioOn->click();
    QCOMPARE(answer.answered(), 1);
    QVERIFY(answer.texts().first().contains("\"0\""));
    QVERIFY(!rig.session().isOn());
}

void TestMainWindow::exitAsksFirst()
{
    MainWindowRig rig;
    rig.window->show();
    rig.powerOn();
    DialogAnswerer answer([](QWidget *box) { DialogAnswerer::Press(box, QMessageBox::No); });
    QVERIFY(!rig.window->close());
    QCOMPARE(answer.answered(), 1);
    QCOMPARE(answer.texts().first(), QStringLiteral("Do you really want to exit ?"));
    QCOMPARE(answer.titles().first(), QStringLiteral("QZ SERIAL REMOTE CONTROL"));
    QVERIFY(rig.window->isVisible());
    QVERIFY(rig.session().isOn());
    QCOMPARE(rig.session().state(), State::Polling);
    QVERIFY(rig.window->keyboardPoll().isRunning());
}

void TestMainWindow::yesEndsWithoutLeavingRemote()
{
    MainWindowRig rig;
    rig.window->show();
    rig.powerOn(false);
    DialogAnswerer answer([](QWidget *box) { DialogAnswerer::Press(box, QMessageBox::Yes); });
    QVERIFY(rig.window->close());
    QCOMPARE(answer.answered(), 1);
    QVERIFY(!rig.window->isVisible());
    QVERIFY(!rig.session().isOn());
    QVERIFY(!rig.window->keyboardPoll().isRunning());
    QCOMPARE(rig.session().state(), State::Off);
    QCOMPARE(CollectFor(rig.pty, 100), QByteArray());
}

void TestMainWindow::unpluggedDeviceGoesOff()
{
    MainWindowRig rig;
    rig.powerOn();
    DialogAnswerer answer([](QWidget *box) { DialogAnswerer::Press(box, QMessageBox::Ok); });
    rig.pty.closeMaster();
    QTRY_VERIFY_WITH_TIMEOUT(answer.answered() == 1, 4000);
    QVERIFY(!rig.session().isOn());
    QCOMPARE(rig.p().OnOffLabel->color(), kRed);
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QCOMPARE(rig.session().state(), State::Off);
    QCOMPARE(rig.p().SignalStrengthMeter->line(), QStringLiteral(" "));
    QVERIFY(answer.texts().first().contains(rig.pty.slavePath()));
    QTest::qWait(300);
    QCOMPARE(answer.answered(), 1);
}

void TestMainWindow::logFollowsTheNewestLineOnlyOnScreen()
{
    MainWindowRig rig;
    rig.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
    QListView *view = rig.p().CodesOut;
    QScrollBar *bar = view->verticalScrollBar();
    CodeLog &log = rig.session().codesOut();
    const auto newestInView = [&] {
        return view->viewport()->rect().contains(view->visualRect(log.index(log.count() - 1, 0)));
    };

    // With the CODES page hidden, lines pile up without the list being laid out for each one: a
    // full log made every command pay for laying out all of its rows.
    QCOMPARE(rig.p().SSTab1->currentIndex(), 0);
    for (int i = 0; i < 500; ++i)
        log.append(QStringLiteral("FRQ %1").arg(i));
    QCoreApplication::processEvents();
    QCOMPARE(bar->maximum(), 0);

    // Shown, the log comes up at its newest line, and keeps following.
    rig.p().SSTab1->setCurrentWidget(rig.p().CodesOutFrame->parentWidget());
    QTRY_VERIFY(bar->maximum() > 0);
    QTRY_COMPARE(bar->value(), bar->maximum());
    QVERIFY(newestInView());
    const int maximum = bar->maximum();
    log.append(QStringList {QStringLiteral("FRQ a"), QStringLiteral("FRQ b")});
    QTRY_VERIFY(bar->maximum() > maximum);
    QTRY_COMPARE(bar->value(), bar->maximum());
    QVERIFY(newestInView());
}

void TestMainWindow::setUpAfterTheFirstFrameRunsOnceAndWithoutIt()
{
    // Shown: the action runs once, after the first frame, and the deadline does not run it again.
    QWidget shown;
    shown.winId();
    int afterShow = 0;
    new AfterFirstExposure(
        shown.windowHandle(), [&] { ++afterShow; }, 300);
    shown.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shown));
    QTRY_COMPARE(afterShow, 1);
    QTest::qWait(400);
    QCOMPARE(afterShow, 1);

    // Never shown (a window started minimised): the deadline runs it, and only with one.
    QWidget hidden;
    hidden.winId();
    int withDeadline = 0;
    int withoutDeadline = 0;
    new AfterFirstExposure(
        hidden.windowHandle(), [&] { ++withDeadline; }, 50);
    new AfterFirstExposure(hidden.windowHandle(), [&] { ++withoutDeadline; });
    QTRY_COMPARE(withDeadline, 1);
    QTest::qWait(100);
    QCOMPARE(withDeadline, 1);
    QCOMPARE(withoutDeadline, 0);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
