#include "../support/linkrig.h"
#include "../support/ptyread.h"
#include "../support/slowreader.h"
#include "linepacer.h"
#include "serialline.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray Frequency(int i)
{
    return "FRQ " + QByteArray::number(100 + i).rightJustified(4, '0') + ".000;FM;BW3";
}

// The lines of what arrived, CR removed.
QList<QByteArray> WireLines(const QByteArray &wire)
{
    QList<QByteArray> lines = wire.split('\r');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QList<QByteArray> Latin1(const QStringList &texts)
{
    QList<QByteArray> out;
    for (const QString &text : texts)
        out << text.toLatin1();
    return out;
}

// Fills the pseudo-terminal through the port until the port itself holds bytes the driver would
// not take: the far side has stopped reading for long enough.
bool FillLine(LinkRig &rig)
{
    const QByteArray junk(1024, '#');
    for (int i = 0; i < 64 && rig.port.pendingBytes() == 0; ++i) {
        rig.port.write(junk);
        QCoreApplication::processEvents();
    }
    return rig.port.pendingBytes() > 0;
}

// The descriptors this process holds open on the given path.
QList<int> DescriptorsOn(const QString &path)
{
    QList<int> fds;
    const QDir dir(QStringLiteral("/proc/self/fd"));
    for (const QString &name : dir.entryList(QDir::Files | QDir::System)) {
        if (QFileInfo(dir.filePath(name)).symLinkTarget() == path)
            fds << name.toInt();
    }
    return fds;
}

} // namespace

class TestLinePacer : public QObject
{
    Q_OBJECT

private slots:
    void burstKeepsToTheLineAndTheLatestFrequencyWins();
    void otherLinesAreNeverDroppedAndKeepTheirOrder();
    void queryIsNotLoggedAndQueuesInOrder();
    void backlogStaysWithinALineOfItsAllowance();
    void stalledFarSideNeitherFailsNorGrowsTheQueue();
    void nothingFollowsRemoteOff();
    void closingLetsTheQueueOutFirst();
    void closingIsBoundedWhenTheLineIsStuck();
    void realWriteErrorClosesTheLink();
};

void TestLinePacer::burstKeepsToTheLineAndTheLatestFrequencyWins()
{
    LinkRig rig;
    QVERIFY(rig.port.open());
    // 40 frequency commands 10 ms apart: 800 bytes in 0.4 s, twice what 9600 baud carries.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 40; ++i) {
        rig.link.SendCommand(QString::fromLatin1(Frequency(i)));
        QTest::qWait(10);
    }
    const QByteArray wire = CollectUntil(rig.pty, Frequency(39) + '\r', 2000);
    const qint64 elapsedMs = clock.elapsed();
    const QList<QByteArray> lines = WireLines(wire);
    // What the log lists is exactly what went out, in order, the newest last.
    QCOMPARE(lines, Latin1(rig.codesOut.lines()));
    QCOMPARE(lines.last(), Frequency(39));
    QVERIFY(std::is_sorted(lines.begin(), lines.end()));
    QCOMPARE(lines.size() + int(rig.link.replacedCommands()), 40);
    QVERIFY2(rig.link.replacedCommands() > 0, "nothing was replaced");
    // Never more than the line carried plus the allowance handed ahead.
    const double carried = elapsedMs / 1000.0 * kLineBytesPerSecond;
    QVERIFY2(wire.size() <= carried + LinePacer::kAheadBytes + 21,
        qPrintable(QString("%1 bytes in %2 ms").arg(wire.size()).arg(elapsedMs)));
    QCOMPARE(rig.link.queuedBytes(), 0);
}

void TestLinePacer::otherLinesAreNeverDroppedAndKeepTheirOrder()
{
    LinkRig rig;
    QVERIFY(rig.port.open());
    QStringList sent;
    const QStringList others {"RMT", "COR 5", "AFC", "AGC/", "COR 40", "AFC/", "AGC", "RMT"};
    for (int i = 0; i < 47; ++i) {
        const QString line
            = i % 6 == 5 ? others[(i / 6) % others.size()] : QString::fromLatin1(Frequency(i));
        sent << line;
        rig.link.SendCommand(line);
        QTest::qWait(10);
    }
    const QByteArray wire = CollectUntil(rig.pty, Frequency(46) + '\r', 3000);
    const QList<QByteArray> lines = WireLines(wire);
    QCOMPARE(lines, Latin1(rig.codesOut.lines()));
    QVERIFY(rig.link.replacedCommands() > 0);
    // Every other line arrived, in the order sent; the frequency commands that went out are in
    // their order too, each after the lines sent before it.
    QStringList othersSent;
    for (const QString &line : sent) {
        if (!line.startsWith("FRQ "))
            othersSent << line;
    }
    QList<QByteArray> othersOnWire;
    for (const QByteArray &line : lines) {
        if (!line.startsWith("FRQ "))
            othersOnWire << line;
    }
    QCOMPARE(othersOnWire, Latin1(othersSent));
    int lastIndex = -1;
    for (const QByteArray &line : lines) {
        const int index = int(sent.indexOf(QString::fromLatin1(line), lastIndex + 1));
        QVERIFY2(index > lastIndex, line.constData());
        lastIndex = index;
    }
    QCOMPARE(lines.last(), Frequency(46));
}

void TestLinePacer::queryIsNotLoggedAndQueuesInOrder()
{
    LinkRig rig;
    QVERIFY(rig.port.open());
    rig.link.SendQuery("SS?");
    rig.link.SendQuery("SS?"); // no pause of its own: both go out at once
    QCOMPARE(rig.pty.readAvailable(), QByteArray("SS?\rSS?\r"));
    // Behind a backlog it waits its turn and is never replaced.
    for (int i = 0; i < 12; ++i)
        rig.link.SendQuery(QString::fromLatin1(Frequency(i)));
    rig.link.SendQuery("SS?");
    rig.link.SendCommand("AFC");
    rig.link.SendQuery("SS?");
    const QByteArray wire = CollectUntil(rig.pty, "AFC\rSS?\r", 2000);
    QVERIFY2(wire.endsWith("SS?\rAFC\rSS?\r"), wire.constData());
    QCOMPARE(rig.codesOut.lines(), QStringList {"AFC"});
}

void TestLinePacer::backlogStaysWithinALineOfItsAllowance()
{
    LinkRig rig;
    SlowReader reader(rig.pty);
    QVERIFY(rig.port.open());
    // A frequency command every 10 ms for 3 s, against a far side that reads at 960 bytes a
    // second: the line stays busy and its backlog small.
    QElapsedTimer clock;
    clock.start();
    double mostAhead = 0;
    int i = 0;
    while (clock.elapsed() < 3000) {
        rig.link.SendCommand(QString::fromLatin1(Frequency(i++ % 900)));
        mostAhead = std::max(mostAhead, rig.link.aheadBytes());
        // One command having its pause, one waiting for the line: never more.
        QVERIFY(rig.link.queuedBytes() <= 2 * 20);
        QTest::qWait(10);
    }
    const QByteArray last = Frequency((i - 1) % 900);
    const qint64 lastSentMs = SlowReader::NowMs();
    QTRY_VERIFY_WITH_TIMEOUT(!reader.lines().isEmpty() && reader.lines().last().text == last, 1000);
    // Handed ahead: at most the allowance; waiting at the far side: that, a line being handed as
    // the far side looks, and the tens of milliseconds a loaded machine may delay a pty's bytes.
    QVERIFY2(mostAhead <= LinePacer::kAheadBytes, qPrintable(QString::number(mostAhead)));
    QVERIFY2(reader.maxBacklogBytes() <= LinePacer::kAheadBytes + 20 + 64,
        qPrintable(QString::number(reader.maxBacklogBytes())));
    // The last command reached the far side within the allowance's line time and its own.
    QVERIFY2(reader.lines().last().atMs - lastSentMs <= 100 + 21 + 40,
        qPrintable(QString::number(reader.lines().last().atMs - lastSentMs)));
    // The line was kept busy: nearly 960 bytes a second went out.
    QVERIFY2(reader.received().size() >= 0.85 * 3 * SlowReader::kLineBytesPerSecond,
        qPrintable(QString::number(reader.received().size())));
}

void TestLinePacer::stalledFarSideNeitherFailsNorGrowsTheQueue()
{
    LinkRig rig;
    QVERIFY(rig.port.open());
    QSignalSpy failures(&rig.port, &SerialLink::failed);
    QVERIFY(FillLine(rig));
    // The driver is full and takes nothing: the commands wait, the newest frequency only.
    for (int i = 0; i < 50; ++i) {
        rig.link.SendCommand(QString::fromLatin1(Frequency(i)));
        if (i == 25)
            rig.link.SendCommand("COR 9");
        QTest::qWait(i == 25 ? 20 : 10);
        QVERIFY(rig.link.queuedBytes() <= 2 * 20 + 6);
    }
    QVERIFY(rig.port.isOpen());
    QCOMPARE(failures.count(), 0);
    QVERIFY(rig.port.pendingBytes() <= LinePacer::kAheadBytes + 1024);
    QVERIFY(rig.link.replacedCommands() > 0);
    // Once the far side reads again what was handed over goes out, the squelch among it and the
    // newest frequency last; the log lists exactly that.
    QByteArray wire = CollectUntil(rig.pty, Frequency(49) + '\r', 5000);
    wire.replace('#', "");
    QCOMPARE(WireLines(wire), Latin1(rig.codesOut.lines()));
    QVERIFY(WireLines(wire).contains("COR 9"));
    QVERIFY(wire.endsWith(Frequency(49) + '\r'));
    QCOMPARE(failures.count(), 0);
}

void TestLinePacer::nothingFollowsRemoteOff()
{
    LinkRig rig;
    QVERIFY(rig.port.open());
    rig.link.SendCommand("RMT");
    // A scan tick that falls inside the pause of "RMT/".
    QTimer::singleShot(2, &rig.link, [&] { rig.link.SendCommand("FRQ 0107.000;FM;BW3"); });
    rig.link.SendCommand("RMT/");
    QVERIFY(!rig.link.isOpen());
    rig.link.SendQuery("SS?");
    rig.link.CloseWhenDrained();
    QCOMPARE(rig.pty.read(), QByteArray("RMT\rRMT/\r"));
    QTRY_VERIFY(!rig.port.isOpen());
    QCOMPARE(rig.codesOut.lines(), (QStringList {"RMT", "RMT/"}));
    // The next opening starts afresh.
    QVERIFY(rig.port.open());
    rig.link.SendCommand("RMT");
    QCOMPARE(rig.pty.read(), QByteArray("RMT\r"));
}

void TestLinePacer::closingLetsTheQueueOutFirst()
{
    LinkRig rig;
    QVERIFY(rig.port.open());
    QByteArray expected;
    for (int i = 0; i < 30; ++i) {
        const QString line = QStringLiteral("COR %1").arg(i);
        rig.link.SendQuery(line);
        expected += line.toLatin1() + '\r';
    }
    rig.link.SendCommand("RMT/");
    expected += "RMT/\r";
    QVERIFY(rig.link.queuedBytes() > 0);
    QElapsedTimer clock;
    clock.start();
    rig.link.CloseWhenDrained();
    QByteArray wire;
    while (rig.port.isOpen() && clock.elapsed() < 2000)
        wire += rig.pty.read(5, 1);
    // 197 bytes take about 0.2 s on the line; closing waited for them, and no longer than needed.
    QVERIFY2(clock.elapsed() < 400, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(wire + rig.pty.read(), expected);
    QCOMPARE(rig.codesOut.last(), QStringLiteral("RMT/"));
}

void TestLinePacer::closingIsBoundedWhenTheLineIsStuck()
{
    LinkRig rig;
    QVERIFY(rig.port.open());
    QVERIFY(FillLine(rig));
    rig.link.SendCommand("RMT/");
    QElapsedTimer clock;
    clock.start();
    rig.link.CloseWhenDrained(300);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.port.isOpen(), 2000);
    QVERIFY(clock.elapsed() >= 290);
    QVERIFY(clock.elapsed() < 1000);
    QVERIFY(!rig.port.isOpen());
}

void TestLinePacer::realWriteErrorClosesTheLink()
{
    LinkRig rig;
    const QList<int> before = DescriptorsOn(rig.pty.slavePath());
    QVERIFY(rig.port.open());
    QList<int> opened = DescriptorsOn(rig.pty.slavePath());
    for (int fd : before)
        opened.removeAll(fd);
    QCOMPARE(opened.size(), 1);
    // The port's descriptor now leads to a device on which every write fails (ENOSPC).
    const int full = ::open("/dev/full", O_WRONLY | O_NONBLOCK);
    QVERIFY(full >= 0);
    QVERIFY(::dup2(full, opened.first()) >= 0);
    ::close(full);
    QSignalSpy failures(&rig.port, &SerialLink::failed);
    rig.link.SendCommand("RMT");
    QTRY_COMPARE(failures.count(), 1);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.link.isOpen());
    rig.link.SendCommand("AFC");
    QTest::qWait(50);
    QCOMPARE(failures.count(), 1);
    QCOMPARE(rig.codesOut.lines(), QStringList {"RMT"});
}

QTEST_GUILESS_MAIN(TestLinePacer)
#include "tst_linepacer.moc"
