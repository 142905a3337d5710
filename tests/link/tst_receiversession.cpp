#include "../support/fakecontrols.h"
#include "../support/ptyread.h"
#include "codelog.h"
#include "linklog.h"
#include "memoryfile.h"
#include "receiversession.h"
#include "sweepplan.h"
#include "tunedstate.h"
#include "tuner.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

using State = ReceiverSession::State;

const QByteArray kPowerOnBytes("RMT\rCOR 1\rAFC/\rAGC/\r"
                               "FRQ 0105.900;FM;BW3\rFRQ 0105.900;FM;BW3\rFRQ 0105.900;FM;BW3\r");

// A session without a window: the controls are plain values and the receiver is the far side of
// a pseudo-terminal.
struct Rig
{
    Rig()
    {
        tuned.CurrentFrequency = 105.9;
        tuned.StepSize = 0.1;
        tuned.ModeCommand = "FM";
        tuned.FilterCommand = "BW3";
    }

    void powerOn(bool withPoll = true)
    {
        if (!withPoll)
            session.setPollInterval(3600 * 1000);
        session.PowerOn(pty.slavePath());
        QCOMPARE(pty.read(), kPowerOnBytes);
    }

    void loadBank(const std::vector<std::string> &frequencies)
    {
        for (size_t n = 0; n < frequencies.size(); ++n)
            tuned.MemFrequency[n + 1] = frequencies[n];
    }

    PseudoTerminal pty;
    TunedState tuned;
    FakeControls controls;
    ReceiverSession session {tuned, controls};
};

} // namespace

class TestReceiverSession : public QObject
{
    Q_OBJECT

private slots:
    void powerOnSendsThePanelStateThenPolls();
    void openFailuresAreReportedByKind_data();
    void openFailuresAreReportedByKind();
    void pollReadsTheReplyAndAnnouncesIt();
    void silentReceiverIsNoticedAndForgiven();
    void scansTakeTurnsWithThePoll();
    void scanStartedDuringPowerOnKeepsRunning();
    void powerOffDuringEachState_data();
    void powerOffDuringEachState();
    void portFailingInEachState_data();
    void portFailingInEachState();
    void sweepTakesTurnsWithTheScansAndEndsWithTheLink();
    void traceShowsEveryLine();
};

void TestReceiverSession::powerOnSendsThePanelStateThenPolls()
{
    Rig rig;
    QSignalSpy states(&rig.session, &ReceiverSession::stateChanged);
    rig.controls.squelch = 7;
    rig.controls.agc = true;
    rig.controls.mode = kModeUSB;
    rig.session.PowerOn(rig.pty.slavePath());
    QCOMPARE(rig.pty.read(),
        QByteArray("RMT\rCOR 7\rAFC/\rAGC\rFRQ 0105.900;USB;BW3\rFRQ 0105.900;USB;BW3\r"
                   "FRQ 0105.900;USB;BW3\r"));
    QCOMPARE(rig.session.codesOut().count(), 7);
    QCOMPARE(rig.session.state(), State::Polling);
    QCOMPARE(states.count(), 1);
    QCOMPARE(rig.controls.display, QStringLiteral(" 105.900.000"));
    // The poll's query follows, unlogged, every 800 ms.
    QCOMPARE(CollectUntil(rig.pty, "SS?\rSS?\r", 2500), QByteArray("SS?\rSS?\r"));
    QCOMPARE(rig.session.codesOut().count(), 7);
    // ON again while on does nothing.
    rig.session.PowerOn(rig.pty.slavePath());
    QCOMPARE(rig.session.codesOut().count(), 7);
}

void TestReceiverSession::openFailuresAreReportedByKind_data()
{
    QTest::addColumn<QString>("channel");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("error");
    QTest::newRow("no such device")
        << "/dev/qz-no-such-port"
        << "/dev/qz-no-such-port" << int(QSerialPort::DeviceNotFoundError);
    QTest::newRow("names no port") << "0"
                                   << "" << int(QSerialPort::DeviceNotFoundError);
    QTest::newRow("blank") << "  "
                           << "" << int(QSerialPort::DeviceNotFoundError);
}

void TestReceiverSession::openFailuresAreReportedByKind()
{
    QFETCH(QString, channel);
    QFETCH(QString, port);
    QFETCH(int, error);
    Rig rig;
    QSignalSpy failures(&rig.session, &ReceiverSession::openFailed);
    rig.session.PowerOn(channel);
    QCOMPARE(failures.count(), 1);
    QCOMPARE(failures.first().at(0).toString(), channel);
    QCOMPARE(failures.first().at(1).toString(), port);
    QCOMPARE(int(failures.first().at(2).value<QSerialPort::SerialPortError>()), error);
    QCOMPARE(rig.session.state(), State::Off);
    QVERIFY(!rig.session.isOn());
    QCOMPARE(rig.session.codesOut().count(), 0);
}

void TestReceiverSession::pollReadsTheReplyAndAnnouncesIt()
{
    Rig rig;
    rig.powerOn(false);
    QSignalSpy levels(&rig.session, &ReceiverSession::signalLevelChanged);
    QSignalSpy codes(&rig.session, &ReceiverSession::codesReceived);
    rig.pty.write("SS 0087\r");
    QTest::qWait(30);
    rig.session.Poll();
    QCOMPARE(rig.pty.read(), QByteArray("SS?\r"));
    QCOMPARE(levels.count(), 1);
    QCOMPARE(levels.first().at(0).toInt(), 111);
    QCOMPARE(levels.first().at(1).toInt(), 87);
    QCOMPARE(rig.tuned.SignalLevel, 111);
    QCOMPARE(codes.count(), 1);
    QCOMPARE(codes.first().at(0).toStringList(), (QStringList {"SS 0", "087"}));
    QCOMPARE(rig.session.codesIn().lines(), (QStringList {"SS 0", "087"}));
    // A reply without a reading is logged and leaves the level alone.
    rig.pty.write("G0\r\n");
    QTest::qWait(30);
    rig.session.Poll();
    QCOMPARE(levels.count(), 1);
    QCOMPARE(rig.session.codesIn().last(), QStringLiteral("-> G0"));
}

void TestReceiverSession::silentReceiverIsNoticedAndForgiven()
{
    Rig rig;
    rig.powerOn(false);
    QSignalSpy answering(&rig.session, &ReceiverSession::answeringChanged);
    rig.session.Poll();
    rig.session.Poll();
    QVERIFY(rig.session.isAnswering());
    QCOMPARE(answering.count(), 0);
    rig.session.Poll(); // the third silent poll in a row
    QVERIFY(!rig.session.isAnswering());
    QCOMPARE(answering.count(), 1);
    QCOMPARE(answering.last().at(0).toBool(), false);
    rig.session.Poll(); // said once, not at every poll
    QCOMPARE(answering.count(), 1);
    rig.pty.write("SS 0010\r");
    QTest::qWait(30);
    rig.session.Poll();
    QVERIFY(rig.session.isAnswering());
    QCOMPARE(answering.count(), 2);
    QCOMPARE(answering.last().at(0).toBool(), true);
    // Any reply counts, and a fresh ON starts counting afresh.
    rig.session.Poll();
    rig.session.Poll();
    rig.session.PowerOff();
    rig.pty.read(60);
    rig.powerOn(false);
    rig.session.Poll();
    QVERIFY(rig.session.isAnswering());
}

void TestReceiverSession::scansTakeTurnsWithThePoll()
{
    Rig rig;
    rig.loadBank({"10", "", "20"});
    QSignalSpy states(&rig.session, &ReceiverSession::stateChanged);
    rig.session.ToggleScan(); // off: nothing happens
    rig.session.ToggleBankScan();
    QCOMPARE(states.count(), 0);
    rig.powerOn();
    rig.session.ToggleScan();
    QCOMPARE(rig.session.state(), State::Scanning);
    QVERIFY(CollectUntil(rig.pty, "FRQ 0106.100;FM;BW3\r")
                .startsWith("FRQ 0106.000;FM;BW3\rFRQ 0106.100;FM;BW3\r"));
    rig.session.ToggleBankScan(); // one scan ends where the other begins
    QCOMPARE(rig.session.state(), State::BankScanning);
    const QByteArray visits = CollectUntil(rig.pty,
        "FRQ 0010.000;FM;BW3\rFRQ 0020.000;FM;BW3\r"
        "FRQ 0010.000;FM;BW3\r");
    QVERIFY(visits.endsWith("FRQ 0010.000;FM;BW3\rFRQ 0020.000;FM;BW3\rFRQ 0010.000;FM;BW3\r"));
    QVERIFY(!visits.contains("SS?")); // the poll rests during a scan
    rig.session.StopScans();
    QCOMPARE(rig.session.state(), State::Polling);
    rig.pty.read(60);
    QVERIFY(CollectUntil(rig.pty, "SS?\r", 2000).endsWith("SS?\r"));
    QCOMPARE(states.count(), 4); // Polling, Scanning, BankScanning, Polling
}

void TestReceiverSession::scanStartedDuringPowerOnKeepsRunning()
{
    Rig rig;
    // The SCAN button pressed while ON is still pacing its commands.
    QTimer::singleShot(25, &rig.session, [&] { rig.session.ToggleScan(); });
    rig.session.PowerOn(rig.pty.slavePath());
    QCOMPARE(rig.session.state(), State::Scanning);
    const QByteArray sent = CollectFor(rig.pty, 400);
    QVERIFY(sent.contains("FRQ 0106.000;FM;BW3\r"));
    QVERIFY(!sent.contains("SS?")); // the scan runs alone, without the poll
}

void TestReceiverSession::powerOffDuringEachState_data()
{
    QTest::addColumn<State>("running");
    QTest::newRow("polling") << State::Polling;
    QTest::newRow("scanning") << State::Scanning;
    QTest::newRow("bank scanning") << State::BankScanning;
}

void TestReceiverSession::powerOffDuringEachState()
{
    QFETCH(State, running);
    // Ten times over, since a step or a poll falling inside RMT/'s pause is a matter of timing.
    for (int attempt = 0; attempt < 10; ++attempt) {
        Rig rig;
        rig.loadBank({"10", "20"});
        rig.powerOn(running == State::Polling);
        if (running == State::Scanning)
            rig.session.ToggleScan();
        else if (running == State::BankScanning)
            rig.session.ToggleBankScan();
        QCOMPARE(rig.session.state(), running);
        QTest::qWait(30 + 17 * attempt % 50);
        rig.session.PowerOff();
        const QByteArray sent = CollectFor(rig.pty, 150);
        QVERIFY2(sent.endsWith("RMT/\r"), sent.right(60).constData());
        QCOMPARE(rig.session.state(), State::Off);
        QVERIFY(!rig.session.isOn());
        QCOMPARE(rig.session.codesOut().last(), QStringLiteral("RMT/"));
    }
}

void TestReceiverSession::portFailingInEachState_data()
{
    powerOffDuringEachState_data();
}

void TestReceiverSession::portFailingInEachState()
{
    QFETCH(State, running);
    Rig rig;
    rig.loadBank({"10", "20"});
    rig.powerOn();
    if (running == State::Scanning)
        rig.session.ToggleScan();
    else if (running == State::BankScanning)
        rig.session.ToggleBankScan();
    QSignalSpy failures(&rig.session, &ReceiverSession::linkFailed);
    QSignalSpy levels(&rig.session, &ReceiverSession::signalLevelChanged);
    CollectFor(rig.pty, 100);
    rig.pty.closeMaster(); // the adapter is pulled
    QTRY_COMPARE_WITH_TIMEOUT(failures.count(), 1, 5000);
    QCOMPARE(failures.first().at(0).toString(), rig.pty.slavePath());
    QCOMPARE(rig.session.state(), State::Off);
    QVERIFY(!rig.session.isOn());
    QVERIFY(!levels.isEmpty());
    QCOMPARE(levels.last().at(0).toInt(), 0); // the meter drops
    // Reported once; nothing is sent or logged afterwards, and the buttons do nothing.
    const int logged = rig.session.codesOut().count();
    rig.session.tuner().StepUp();
    rig.session.ToggleScan();
    QTest::qWait(300);
    QCOMPARE(failures.count(), 1);
    QCOMPARE(rig.session.codesOut().count(), logged);
    QCOMPARE(rig.session.state(), State::Off);
    // ON works again once a device is there.
    PseudoTerminal replacement;
    rig.session.PowerOn(replacement.slavePath());
    QVERIFY(replacement.read().startsWith("RMT\r"));
    QCOMPARE(rig.session.state(), State::Polling);
}

void TestReceiverSession::sweepTakesTurnsWithTheScansAndEndsWithTheLink()
{
    Rig rig;
    const SweepPlan plan = *ParseSweepPlan("144:146:0.025").plan;
    BandSweep &sweep = rig.session.sweep();
    QVERIFY(!rig.session.StartSweep(plan)); // off: nothing to sweep
    QCOMPARE(rig.session.state(), State::Off);
    rig.powerOn();

    // The sweep tunes and queries; the poll rests meanwhile.
    QVERIFY(rig.session.StartSweep(plan));
    QCOMPARE(rig.session.state(), State::Sweeping);
    QVERIFY(CollectUntil(rig.pty, "SS?\r").startsWith("FRQ 0144.000;FM;BW3\rSS?\r"));
    // A scan takes the receiver: the sweep ends. Starting the sweep again ends the scan.
    rig.session.ToggleScan();
    QCOMPARE(rig.session.state(), State::Scanning);
    QVERIFY(!sweep.isRunning());
    QVERIFY(rig.session.StartSweep(plan));
    QCOMPARE(rig.session.state(), State::Sweeping);
    // A network client's retune (StopScans) gives the receiver back to the poll.
    rig.session.StopScans();
    QCOMPARE(rig.session.state(), State::Polling);
    QVERIFY(!sweep.isRunning());
    // The sweep's own Stop does the same.
    QVERIFY(rig.session.StartSweep(plan));
    sweep.Stop();
    QCOMPARE(rig.session.state(), State::Polling);
    // OFF ends it, with "RMT/" last on the wire.
    QVERIFY(rig.session.StartSweep(plan));
    QTest::qWait(60);
    rig.session.PowerOff();
    QVERIFY(!sweep.isRunning());
    QCOMPARE(rig.session.state(), State::Off);
    QVERIFY(CollectFor(rig.pty, 150).endsWith("RMT/\r"));
    // So does a port that fails under it.
    rig.session.PowerOn(rig.pty.slavePath());
    QVERIFY(rig.pty.read().startsWith("RMT\r"));
    QVERIFY(rig.session.StartSweep(plan));
    QSignalSpy failures(&rig.session, &ReceiverSession::linkFailed);
    rig.pty.closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(failures.count(), 1, 5000);
    QCOMPARE(rig.session.state(), State::Off);
    QVERIFY(!sweep.isRunning());
}

void TestReceiverSession::traceShowsEveryLine()
{
    QStringList traced;
    static QStringList *sink = nullptr;
    sink = &traced;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &context, const QString &m) {
            if (context.category && QByteArray(context.category) == "qz.link")
                sink->append(m);
        });
    QLoggingCategory::setFilterRules(QStringLiteral("qz.link.debug=true"));
    {
        Rig rig;
        rig.powerOn(false);
        rig.pty.write("SS 0042\r\n");
        QTest::qWait(30);
        rig.session.Poll();
        rig.session.PowerOff();
    }
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    const QString all = traced.join(QLatin1Char('\n'));
    QVERIFY2(all.contains(QStringLiteral("out RMT\\x0d")), qPrintable(all));
    QVERIFY(all.contains(QStringLiteral("out FRQ 0105.900;FM;BW3\\x0d")));
    QVERIFY(all.contains(QStringLiteral("out SS?\\x0d")));
    QVERIFY(all.contains(QStringLiteral("in SS 0042\\x0d\\x0a")));
    QVERIFY(all.contains(QStringLiteral("out RMT/\\x0d")));
    QVERIFY(all.contains(QStringLiteral("open ")));
    QVERIFY(all.contains(QStringLiteral("close ")));
    QCOMPARE(LinkLogText(QByteArray("A\x01\\\xff", 4)), QStringLiteral("A\\x01\\x5c\\xff"));
}

QTEST_MAIN(TestReceiverSession)
#include "tst_receiversession.moc"
