#include "../support/fakecontrols.h"
#include "../support/linkrig.h"
#include "../support/panelfacts.h"
#include "options.h"
#include "steptable.h"
#include "tunedstate.h"
#include "tuner.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// The link with a tuner on it, from the start-up values.
struct TunerRig : LinkRig
{
    TunedState state = StartTuned();
    FakeControls controls;
    Tuner tuner {state, link, controls};
};

} // namespace

class TestCommandLink : public QObject
{
    Q_OBJECT

private slots:
    void workedExample();
    void everyCommandByteForByte_data();
    void everyCommandByteForByte();
    void commandsKeepTheirPause();
    void closedPortDropsButStateChanges();
    void logKeepsEveryEntryAcrossCycles();
    void logDropsTheOldestBeyondItsCapacity();
    void openFailureGivesTheReason();
    void vanishedDeviceIsReportedOnceAndClosed();
    void fullTransmitBufferIsNotAFailure();
    void channelNames_data();
    void channelNames();
};

void TestCommandLink::workedExample()
{
    TunerRig rig;
    QVERIFY(rig.port.open());
    rig.state.CurrentFrequency = 145.5;
    rig.tuner.SendFrequency();
    const QByteArray expected = QByteArray::fromHex("465251203031343"
                                                    "52E3530303B464D3B4257330D");
    QCOMPARE(expected.size(), 20);
    QCOMPARE(rig.pty.read(), expected);
    QCOMPARE(rig.controls.display, QStringLiteral(" 145.500.000"));
    QCOMPARE(rig.codesOut.last(), QStringLiteral("FRQ 0145.500;FM;BW3"));
}

void TestCommandLink::everyCommandByteForByte_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("squelch 0") << "squelch0" << QByteArray("COR 0\r");
    QTest::newRow("squelch 40") << "squelch40" << QByteArray("COR 40\r");
    QTest::newRow("AFC on") << "afcOn" << QByteArray("AFC\r");
    QTest::newRow("AFC off") << "afcOff" << QByteArray("AFC/\r");
    QTest::newRow("AGC on") << "agcOn" << QByteArray("AGC\r");
    QTest::newRow("AGC off") << "agcOff" << QByteArray("AGC/\r");
    QTest::newRow("mode PLS") << "pls" << QByteArray("FRQ 0105.900;PLS;BW3\r");
    QTest::newRow("mode USB") << "usb" << QByteArray("FRQ 0105.900;USB;BW3\r");
    QTest::newRow("filter 1 MHz") << "bw5" << QByteArray("FRQ 0105.900;FM;BW5\r");
    QTest::newRow("bottom AM BW2") << "bottom" << QByteArray("FRQ 0000.100;AM;BW2\r");
    QTest::newRow("top FM BW4") << "top" << QByteArray("FRQ 1100.000;FM;BW4\r");
    QTest::newRow("step up wraps") << "wrapUp" << QByteArray("FRQ 0000.100;FM;BW3\r");
    QTest::newRow("remote on") << "rmt" << QByteArray("RMT\r");
    QTest::newRow("remote off") << "rmtOff" << QByteArray("RMT/\r");
}

void TestCommandLink::everyCommandByteForByte()
{
    QFETCH(QString, operation);
    QFETCH(QByteArray, bytes);
    TunerRig rig;
    QVERIFY(rig.port.open());
    Tuner &t = rig.tuner;
    FakeControls &c = rig.controls;
    if (operation == "squelch0") {
        c.squelch = 0;
        t.SendSquelch();
        QCOMPARE(c.squelchCaption, QStringLiteral("Squelch 0"));
    } else if (operation == "squelch40") {
        c.squelch = 40;
        t.SendSquelch();
        QCOMPARE(c.squelchCaption, QStringLiteral("Squelch 40"));
    } else if (operation == "afcOn" || operation == "afcOff") {
        c.afc = operation == "afcOn";
        t.SendAfc();
    } else if (operation == "agcOn" || operation == "agcOff") {
        c.agc = operation == "agcOn";
        t.SendAgc();
    } else if (operation == "pls") {
        c.mode = kModeWFM;
        t.ApplyMode();
        QCOMPARE(rig.state.ModeCommand, std::string("PLS"));
    } else if (operation == "usb") {
        c.mode = kModeUSB;
        t.ApplyMode();
    } else if (operation == "bw5") {
        c.filter = kFilter5;
        t.ApplyFilter();
    } else if (operation == "bottom") {
        rig.state.ModeCommand = "AM";
        rig.state.FilterCommand = "BW2";
        t.TuneTo(0.1);
        QCOMPARE(c.display, QStringLiteral("   0.100.000"));
    } else if (operation == "top") {
        rig.state.FilterCommand = "BW4";
        t.TuneTo(1100);
        QCOMPARE(c.display, QStringLiteral("1100.000.000"));
    } else if (operation == "wrapUp") {
        rig.state.CurrentFrequency = 1100;
        t.StepUp();
    } else if (operation == "rmt") {
        rig.link.SendCommand("RMT");
    } else if (operation == "rmtOff") {
        rig.link.SendCommand("RMT/");
    }
    QCOMPARE(rig.pty.read(), bytes);
    QCOMPARE(rig.codesOut.last().toLatin1() + '\r', bytes);
}

void TestCommandLink::commandsKeepTheirPause()
{
    // The receiver expects 10 ms between commands: a burst queued at once must still arrive
    // spaced, each line logged as it leaves.
    TunerRig rig;
    QVERIFY(rig.port.open());
    QElapsedTimer clock;
    clock.start();
    rig.link.SendCommand("RMT");
    rig.link.SendCommand("AFC");
    rig.link.SendCommand("AGC");
    QCOMPARE(rig.codesOut.lines(), QStringList {"RMT"});
    QCOMPARE(rig.pty.readAvailable(), QByteArray::fromHex("524D540D"));
    QList<qint64> arrivals;
    QByteArray rest;
    while (rest.size() < 8 && clock.elapsed() < 1000) {
        const QByteArray got = rig.pty.readAvailable();
        if (!got.isEmpty())
            arrivals << clock.elapsed();
        rest += got;
        QTest::qWait(1);
    }
    QCOMPARE(rest, QByteArray("AFC\rAGC\r"));
    QCOMPARE(arrivals.size(), 2);
    // Counted from the start: a busy machine may see the first line late, never either early.
    QVERIFY2(arrivals[0] >= 10 && arrivals[1] >= 19,
        qPrintable(QStringLiteral("%1 ms, %2 ms").arg(arrivals[0]).arg(arrivals[1])));
    QCOMPARE(rig.codesOut.lines(), (QStringList {"RMT", "AFC", "AGC"}));
}

void TestCommandLink::closedPortDropsButStateChanges()
{
    TunerRig rig;
    rig.link.SendCommand("AFC");
    rig.controls.mode = kModeLSB;
    rig.tuner.ApplyMode();
    rig.controls.squelch = 7;
    rig.tuner.SendSquelch();
    rig.tuner.StepUp();
    QCOMPARE(rig.codesOut.count(), 0);
    QCOMPARE(rig.state.ModeCommand, std::string("LSB"));
    QCOMPARE(rig.controls.squelchCaption, QStringLiteral("Squelch 7"));
    QCOMPARE(rig.controls.display, QStringLiteral(" 106.000.000"));
    QCOMPARE(rig.pty.read(200), QByteArray());
}

void TestCommandLink::logKeepsEveryEntryAcrossCycles()
{
    TunerRig rig;
    for (int cycle = 0; cycle < 3; ++cycle) {
        QVERIFY(rig.port.open());
        rig.link.SendCommand("RMT");
        rig.link.SendCommand("RMT/");
        rig.link.CloseWhenDrained();
        QTRY_VERIFY(!rig.port.isOpen());
    }
    QCOMPARE(rig.codesOut.count(), 6);
    QCOMPARE(rig.pty.read(), QByteArray("RMT\rRMT/\r").repeated(3));
}

void TestCommandLink::logDropsTheOldestBeyondItsCapacity()
{
    CodeLog log(5);
    for (int i = 1; i <= 7; ++i)
        log.append(QString::number(i));
    QCOMPARE(log.lines(), (QStringList {"3", "4", "5", "6", "7"}));
    QStringList batch;
    for (int i = 8; i <= 20; ++i)
        batch << QString::number(i);
    log.append(batch);
    QCOMPARE(log.lines(), (QStringList {"16", "17", "18", "19", "20"}));
    QCOMPARE(log.rowCount(), 5);
    QCOMPARE(log.data(log.index(0)).toString(), QStringLiteral("16"));
    QCOMPARE(log.totalAppended(), qint64(20));
}

void TestCommandLink::openFailureGivesTheReason()
{
    SerialLink port;
    port.setPortName(QStringLiteral("/dev/qz-no-such-port"));
    QVERIFY(!port.open());
    QVERIFY(!port.isOpen());
    QVERIFY(!port.errorString().isEmpty());
    QVERIFY(!port.write("RMT\r"));
}

void TestCommandLink::vanishedDeviceIsReportedOnceAndClosed()
{
    TunerRig rig;
    QVERIFY(rig.port.open());
    QSignalSpy failures(&rig.port, &SerialLink::failed);
    rig.pty.closeMaster();
    // Whether the hang-up shows first as a read error or at the next write, it is one report.
    for (int i = 0; i < 20 && rig.port.isOpen(); ++i) {
        rig.link.SendCommand("SS?");
        QTest::qWait(20);
    }
    QTest::qWait(100);
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(failures.count(), 1);
    QVERIFY(failures.first().first().value<PortError>() != PortError::None);
    rig.link.SendCommand("RMT");
    QCOMPARE(failures.count(), 1);
}

void TestCommandLink::fullTransmitBufferIsNotAFailure()
{
    TunerRig rig;
    QVERIFY(rig.port.open());
    QSignalSpy failures(&rig.port, &SerialLink::failed);
    // The far side stops reading: a pseudo-terminal takes some twenty kilobytes, then a write would
    // block ("Resource temporarily unavailable"). That is the line being busy, not a dead port.
    QByteArray sent;
    for (int i = 0; i < 2000; ++i) {
        const QByteArray line = "FRQ " + QByteArray::number(1000 + i) + ".000;FM;BW3\r";
        QVERIFY(rig.port.write(line));
        sent += line;
        if (i % 20 == 0)
            QCoreApplication::processEvents();
    }
    QVERIFY(rig.port.isOpen());
    QCOMPARE(failures.count(), 0);
    // Nothing was lost or reordered once the far side reads again.
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < sent.size() && clock.elapsed() < 5000) {
        got += rig.pty.readAvailable();
        QTest::qWait(5);
    }
    QCOMPARE(got.size(), sent.size());
    QVERIFY(got == sent);
    QCOMPARE(failures.count(), 0);
}

void TestCommandLink::channelNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("port");
    QTest::newRow("1") << "1"
                       << "/dev/ttyS0";
    QTest::newRow("2 with blanks") << " 2 "
                                   << "/dev/ttyS1";
    QTest::newRow("half to even") << "2.5"
                                  << "/dev/ttyS1";
    QTest::newRow("path") << "/dev/ttyUSB0"
                          << "/dev/ttyUSB0";
    QTest::newRow("zero") << "0"
                          << "";
    QTest::newRow("negative") << "-3"
                              << "";
    QTest::newRow("too large") << "70000"
                               << "";
    QTest::newRow("blank") << "  "
                           << "";
}

void TestCommandLink::channelNames()
{
    QFETCH(QString, text);
    QFETCH(QString, port);
    QCOMPARE(PortNameForChannel(text), port);
}

QTEST_GUILESS_MAIN(TestCommandLink)
#include "tst_commandlink.moc"
