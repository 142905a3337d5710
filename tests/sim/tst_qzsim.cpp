#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class TestQzSim : public QObject
{
    Q_OBJECT

private slots:
    void answersOnItsDeviceAndStopsCleanly_data();
    void answersOnItsDeviceAndStopsCleanly();
    void options_data();
    void options();
    void takesTheLineAtItsSpeedUnlessInstant_data();
    void takesTheLineAtItsSpeedUnlessInstant();
};

void TestQzSim::answersOnItsDeviceAndStopsCleanly_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestQzSim::answersOnItsDeviceAndStopsCleanly()
{
    QFETCH(int, signal);
    QProcess sim;
    sim.start(QStringLiteral(QZ_SIM_PATH), {"--verbose", "--seed", "7"});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY(sim.canReadLine());
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QVERIFY2(path.startsWith("/dev/"), qPrintable(path));

    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    termios tio {};
    QCOMPARE(::tcgetattr(fd, &tio), 0);
    ::cfmakeraw(&tio);
    QCOMPARE(::tcsetattr(fd, TCSANOW, &tio), 0);
    const QByteArray lines = "RMT\r\x1b[2J\rFRQ 0105.900;FM;BW3\rSS?\r";
    QCOMPARE(::write(fd, lines.constData(), size_t(lines.size())), ssize_t(lines.size()));

    QByteArray in;
    const auto readSome = [fd, &in] {
        char buffer[256];
        ssize_t n = 0;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            in.append(buffer, int(n));
        return in;
    };
    QTRY_VERIFY(readSome().endsWith("\r\n"));
    ::close(fd);
    QVERIFY(QRegularExpression("^SS .\\d{3}\r\n$").match(QString::fromLatin1(in)).hasMatch());
    // --verbose echoes each line to stderr, control bytes escaped.
    QByteArray err;
    QTRY_VERIFY((err += sim.readAllStandardError()).contains("SS?\n"));
    QCOMPARE(err, QByteArray("RMT\n\\x1b[2J\nFRQ 0105.900;FM;BW3\nSS?\n"));

    ::kill(pid_t(sim.processId()), signal);
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

void TestQzSim::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::newRow("help") << QStringList {"--help"} << 0 << "--babble";
    QTest::newRow("version") << QStringList {"--version"} << 0 << "1.0.0";
    QTest::newRow("bad seed") << QStringList {"--seed", "x"} << 2 << "--seed";
    QTest::newRow("negative seed") << QStringList {"--seed", "-1"} << 2 << "--seed";
    QTest::newRow("unknown option") << QStringList {"--frobnicate"} << 1 << "frobnicate";
}

void TestQzSim::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QProcess sim;
    sim.start(QStringLiteral(QZ_SIM_PATH), arguments);
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), exitCode);
    const QString all
        = QString::fromLocal8Bit(sim.readAllStandardOutput() + sim.readAllStandardError());
    QVERIFY2(all.contains(output), qPrintable(all));
}

void TestQzSim::takesTheLineAtItsSpeedUnlessInstant_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("lineSpeed");
    QTest::newRow("default") << QStringList {} << true;
    QTest::newRow("--instant") << QStringList {"--instant"} << false;
}

void TestQzSim::takesTheLineAtItsSpeedUnlessInstant()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, lineSpeed);
    QProcess sim;
    sim.start(QStringLiteral(QZ_SIM_PATH), arguments);
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY(sim.canReadLine());
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    termios tio {};
    QCOMPARE(::tcgetattr(fd, &tio), 0);
    ::cfmakeraw(&tio);
    QCOMPARE(::tcsetattr(fd, TCSANOW, &tio), 0);
    // 40 queries: 164 bytes in and 360 bytes of replies out; the replies alone take 375 ms at
    // 9600 baud.
    const QByteArray lines = "RMT\r" + QByteArray("SS?\r").repeated(40);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::write(fd, lines.constData(), size_t(lines.size())), ssize_t(lines.size()));
    QByteArray in;
    const auto readSome = [fd, &in] {
        char buffer[512];
        ssize_t n = 0;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            in.append(buffer, int(n));
        return in.size();
    };
    QTRY_COMPARE_WITH_TIMEOUT(readSome(), 40 * 9, 5000);
    const qint64 elapsed = clock.elapsed();
    ::close(fd);
    if (lineSpeed)
        QVERIFY2(elapsed >= 360, qPrintable(QString::number(elapsed)));
    else
        QVERIFY2(elapsed < 300, qPrintable(QString::number(elapsed)));
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(TestQzSim)
#include "tst_qzsim.moc"
