#include "../support/answerer.h"
#include "../support/fakecontrols.h"
#include "../support/panelfacts.h"
#include "../support/ptyread.h"
#include "codelog.h"
#include "linklog.h"
#include "memoryfile.h"
#include "receiversession.h"
#include "simreceiver.h"
#include "sweepplan.h"
#include "tunedstate.h"
#include "tuner.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace {

using State = ReceiverSession::State;

// A session without a window: the controls are plain values and the receiver is the far side of
// a pseudo-terminal.
struct SessionRig
{
    SessionRig() { controls.channel = pty.slavePath(); }

    void powerOn(bool withPoll = true)
    {
        if (!withPoll)
            session.setPollInterval(3600 * 1000);
        session.PowerOn();
        QCOMPARE(pty.read(), kPowerOnBytes);
    }

    void loadBank(const std::vector<std::string> &frequencies)
    {
        for (size_t n = 0; n < frequencies.size(); ++n)
            tuned.MemFrequency[n + 1] = frequencies[n];
    }

    // Asks for a reading and waits for it; -1 when none came.
    int readSignal()
    {
        int got = -2;
        session.ReadSignal([&got](std::optional<int> raw) { got = raw.value_or(-1); });
        if (!QTest::qWaitFor([&got] { return got != -2; }, 2000))
            return -3;
        return got;
    }

    PseudoTerminal pty;
    TunedState tuned = StartTuned();
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
    void readingBelongsToItsQuestion();
    void answers_data();
    void answers();
    void answerWaitingAfterAStallIsTaken();
    void silentReceiverIsNoticedAndForgiven();
    void readingAfterARetuneIsOfTheNewFrequency();
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
    SessionRig rig;
    QSignalSpy states(&rig.session, &ReceiverSession::stateChanged);
    rig.controls.squelch = 7;
    rig.controls.agc = true;
    rig.controls.mode = kModeUSB;
    rig.session.PowerOn();
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
    rig.session.PowerOn();
    QCOMPARE(rig.session.codesOut().count(), 7);
}

void TestReceiverSession::openFailuresAreReportedByKind_data()
{
    QTest::addColumn<QString>("channel");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("error");
    QTest::newRow("no such device") << "/dev/qz-no-such-port"
                                    << "/dev/qz-no-such-port" << int(PortError::DeviceNotFound);
    QTest::newRow("names no port") << "0"
                                   << "" << int(PortError::DeviceNotFound);
    QTest::newRow("blank") << "  "
                           << "" << int(PortError::DeviceNotFound);
}

void TestReceiverSession::openFailuresAreReportedByKind()
{
    QFETCH(QString, channel);
    QFETCH(QString, port);
    QFETCH(int, error);
    SessionRig rig;
    QSignalSpy failures(&rig.session, &ReceiverSession::openFailed);
    rig.controls.channel = channel;
    QVERIFY(!rig.session.PowerOn());
    QCOMPARE(failures.count(), 1);
    QCOMPARE(failures.first().at(0).toString(), channel);
    QCOMPARE(failures.first().at(1).toString(), port);
    QCOMPARE(int(failures.first().at(2).value<PortError>()), error);
    QCOMPARE(rig.session.state(), State::Off);
    QVERIFY(!rig.session.isOn());
    QCOMPARE(rig.session.codesOut().count(), 0);
}

void TestReceiverSession::readingBelongsToItsQuestion()
{
    // A late reply waiting before the question goes out is logged, never taken as the answer; the
    // answer comes in two pieces and is taken once whole.
    SessionRig rig;
    rig.powerOn(false);
    rig.pty.write("SS 0200\r\n");
    QTest::qWait(20);
    Answerer answerer(rig.pty, {{"SS 0", "087\r\n"}}, 10);
    QCOMPARE(rig.readSignal(), 87);
    QCOMPARE(rig.session.codesIn().lines(), (QStringList {"SS 0", "200", "SS 0", "087"}));
}

void TestReceiverSession::answers_data()
{
    QTest::addColumn<QByteArray>("before"); // arrives before the question goes out
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<int>("reading");
    QTest::newRow("whole") << QByteArray() << QList<QByteArray> {"SS 0123\r\n"} << 123;
    QTest::newRow("cut after the S") << QByteArray() << QList<QByteArray> {"S", "S 0099\r"} << 99;
    QTest::newRow("short field ends its line")
        << QByteArray() << QList<QByteArray> {"SS 01\r\n"} << 1;
    QTest::newRow("status codes around it")
        << QByteArray("G0\r\n") << QList<QByteArray> {"I0\r\nSS 0042\r\nI1\r\n"} << 42;
    QTest::newRow("garbage before the reading")
        << QByteArray() << QList<QByteArray> {QByteArray("SS \xff\r\n\0SS 0", 11), "077\r\n"} << 77;
    QTest::newRow("out of range") << QByteArray() << QList<QByteArray> {"SS 0300\r\n"} << -1;
    QTest::newRow("not a number") << QByteArray() << QList<QByteArray> {"SS 01x3\r\n"} << -1;
    // Taken as the poll always took a short field, once the answer's time is up.
    QTest::newRow("cut off for good") << QByteArray() << QList<QByteArray> {"SS 01"} << 1;
    QTest::newRow("nothing") << QByteArray("SS 0200\r\n") << QList<QByteArray>() << -1;
}

void TestReceiverSession::answers()
{
    QFETCH(QByteArray, before);
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(int, reading);
    SessionRig rig;
    rig.powerOn(false);
    rig.pty.write(before);
    QTest::qWait(20);
    QList<QList<QByteArray>> replies;
    if (!chunks.isEmpty())
        replies << chunks;
    Answerer answerer(rig.pty, replies);
    QCOMPARE(rig.readSignal(), reading);
}

void TestReceiverSession::answerWaitingAfterAStallIsTaken()
{
    // The program stalls past the answer's deadline while the receiver answers: the answer is
    // waiting when it comes back, and counts.
    SessionRig rig;
    rig.powerOn(false);
    // The stall begins once the answer is at the port, however slow the machine: the receiver's
    // side answers and stalls the program in one go.
    QByteArray heard;
    QSocketNotifier receiver(rig.pty.masterFd(), QSocketNotifier::Read);
    QObject::connect(&receiver, &QSocketNotifier::activated, [&] {
        heard += rig.pty.readAvailable();
        if (!heard.contains("SS?\r"))
            return;
        receiver.setEnabled(false);
        rig.pty.write("SS 0077\r\n");
        QThread::msleep(300);
    });
    int got = -2;
    rig.session.ReadSignal([&got](std::optional<int> raw) { got = raw.value_or(-1); });
    QTRY_VERIFY(got != -2);
    QCOMPARE(got, 77);
}

void TestReceiverSession::silentReceiverIsNoticedAndForgiven()
{
    SessionRig rig;
    rig.powerOn(false);
    QSignalSpy answering(&rig.session, &ReceiverSession::answeringChanged);
    // A question without an answer counts as missing once its time is up, not at once and not
    // never.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(rig.readSignal(), -1);
    QVERIFY2(clock.elapsed() >= ReceiverSession::kAnswerTimeoutMs && clock.elapsed() < 1000,
        qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(rig.readSignal(), -1);
    QVERIFY(rig.session.isAnswering());
    QCOMPARE(answering.count(), 0);
    QCOMPARE(rig.readSignal(), -1); // the third silent question in a row
    QVERIFY(!rig.session.isAnswering());
    QCOMPARE(answering.count(), 1);
    QCOMPARE(answering.last().at(0).toBool(), false);
    QCOMPARE(rig.readSignal(), -1); // said once, not at every question
    QCOMPARE(answering.count(), 1);
    {
        Answerer answerer(rig.pty, {{"SS 0010\r"}}, 5);
        QCOMPARE(rig.readSignal(), 10);
    }
    QVERIFY(rig.session.isAnswering());
    QCOMPARE(answering.count(), 2);
    QCOMPARE(answering.last().at(0).toBool(), true);
    // A fresh ON starts counting afresh.
    rig.readSignal();
    rig.readSignal();
    rig.session.PowerOff();
    QTRY_VERIFY(rig.pty.read(60).isEmpty());
    QCOMPARE(rig.readSignal(), -1); // off: nothing to ask
    rig.powerOn(false);
    rig.readSignal();
    QVERIFY(rig.session.isAnswering());
}

void TestReceiverSession::readingAfterARetuneIsOfTheNewFrequency()
{
    // A network client's "F" then "l STRENGTH", against a receiver at line speed: each reading
    // is of the frequency just tuned, never of the one before.
    SimReceiver receiver;
    receiver.setSeed(7);
    receiver.setTiming(SimReceiver::Timing::LineSpeed);
    SessionRig rig;
    rig.controls.channel = receiver.slavePath();
    rig.session.setPollInterval(3600 * 1000);
    QVERIFY(rig.session.PowerOn());
    const double quiet = 300.0;
    const double station = 145.5;
    const int quietRaw = SimReceiver::signalReading(quiet, QStringLiteral("BW3"), 0);
    const int stationRaw = SimReceiver::signalReading(station, QStringLiteral("BW3"), 0);
    QVERIFY(stationRaw - quietRaw > 100);
    const double frequencies[] = {quiet, station, quiet, station};
    for (const double mhz : frequencies) {
        rig.session.tuner().TuneTo(mhz);
        const int raw = rig.readSignal();
        const int expected = mhz == station ? stationRaw : quietRaw;
        QVERIFY2(qAbs(raw - expected) < 20,
            qPrintable(QStringLiteral("%1 MHz read %2").arg(mhz).arg(raw)));
    }
}

void TestReceiverSession::scansTakeTurnsWithThePoll()
{
    SessionRig rig;
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
    SessionRig rig;
    // The SCAN button pressed while ON is still pacing its commands.
    rig.session.PowerOn();
    QTest::qWait(25);
    rig.session.ToggleScan();
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
    // Ten times over, since a step or a poll falling just before OFF is a matter of timing.
    for (int attempt = 0; attempt < 10; ++attempt) {
        SessionRig rig;
        rig.loadBank({"10", "20"});
        rig.powerOn(running == State::Polling);
        if (running == State::Scanning)
            rig.session.ToggleScan();
        else if (running == State::BankScanning)
            rig.session.ToggleBankScan();
        QCOMPARE(rig.session.state(), running);
        QTest::qWait(30 + 17 * attempt % 50);
        rig.session.PowerOff();
        QCOMPARE(rig.session.state(), State::Off);
        QVERIFY(!rig.session.isOn());
        const QByteArray sent = CollectFor(rig.pty, 150);
        QVERIFY2(sent.endsWith("RMT/\r"), sent.right(60).constData());
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
    SessionRig rig;
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
    rig.controls.channel = replacement.slavePath();
    QVERIFY(rig.session.PowerOn());
    QVERIFY(replacement.read().startsWith("RMT\r"));
    QCOMPARE(rig.session.state(), State::Polling);
}

void TestReceiverSession::sweepTakesTurnsWithTheScansAndEndsWithTheLink()
{
    SessionRig rig;
    const SweepPlan plan = *ParseSweepPlan("144:146:0.025").plan;
    BandSweep &sweep = rig.session.sweep();
    QVERIFY(!sweep.Start(plan)); // off: nothing to sweep
    QCOMPARE(rig.session.state(), State::Off);
    rig.powerOn();

    // The sweep tunes and queries; the poll rests meanwhile.
    QVERIFY(sweep.Start(plan));
    QCOMPARE(rig.session.state(), State::Sweeping);
    QVERIFY(CollectUntil(rig.pty, "SS?\r").startsWith("FRQ 0144.000;FM;BW3\rSS?\r"));
    // A scan takes the receiver: the sweep ends. Starting the sweep again ends the scan.
    rig.session.ToggleScan();
    QCOMPARE(rig.session.state(), State::Scanning);
    QVERIFY(!sweep.isRunning());
    QVERIFY(sweep.Start(plan));
    QCOMPARE(rig.session.state(), State::Sweeping);
    // A network client's retune (StopScans) gives the receiver back to the poll.
    rig.session.StopScans();
    QCOMPARE(rig.session.state(), State::Polling);
    QVERIFY(!sweep.isRunning());
    // The sweep's own Stop does the same.
    QVERIFY(sweep.Start(plan));
    sweep.Stop();
    QCOMPARE(rig.session.state(), State::Polling);
    // OFF ends it, with "RMT/" last on the wire.
    QVERIFY(sweep.Start(plan));
    QTest::qWait(60);
    rig.session.PowerOff();
    QVERIFY(!sweep.isRunning());
    QCOMPARE(rig.session.state(), State::Off);
    QVERIFY(CollectFor(rig.pty, 150).endsWith("RMT/\r"));
    // So does a port that fails under it.
    QTRY_VERIFY(rig.pty.read(60).isEmpty());
    QVERIFY(rig.session.PowerOn());
    QVERIFY(rig.pty.read().startsWith("RMT\r"));
    QVERIFY(sweep.Start(plan));
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
        SessionRig rig;
        rig.powerOn(false);
        Answerer answerer(rig.pty, {{"SS 0042\r\n"}}, 5);
        QCOMPARE(rig.readSignal(), 42);
        rig.session.PowerOff();
        QTRY_VERIFY(rig.pty.read(60).isEmpty());
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
