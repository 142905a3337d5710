#include "../support/answerer.h"
#include "../support/fakerig.h"
#include "../support/panelfacts.h"
#include "../support/ptyread.h"
#include "bandsweep.h"
#include "mainwindow.h"
#include "options.h"
#include "optionspage.h"
#include "rigctldgroup.h"
#include "rigctlserver.h"
#include "sessionrigtarget.h"
#include "simreceiver.h"
#include "sweepplan.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A port nobody listens on just now.
quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The group's server, already made.
RigctldGroup::ServerSource Serving(NetworkServer &server)
{
    return [&server](QString *) {
        return &server;
    };
}

// What reached the receiver, without the signal poll's queries.
QByteArray Commands(QByteArray bytes)
{
    return bytes.replace("SS?\r", "");
}

// The panel on a pseudo-terminal, with the server listening on a free loopback port.
struct ServerRig
{
    ServerRig()
    {
        server.Listen(QHostAddress::LocalHost, 0);
        port = server.port();
    }

    void powerOn()
    {
        window.panel().RadioOn->click();
        QCOMPARE(Commands(CollectUntil(pty, kPowerOnBytes)), kPowerOnBytes);
    }

    // What the receiver got until `until` arrived (or the time was up), poll queries left out.
    QByteArray received(const QByteArray &until, int timeoutMs = 3000)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs && !Commands(got).contains(until))
            got += CollectFor(pty, 10);
        return Commands(got);
    }

    PseudoTerminal pty;
    MainWindow window {pty.slavePath()};
    const Panel &p = window.panel();
    SessionRigTarget target {window.session(), window.controls()};
    RigctlServer server {target};
    quint16 port = 0;
};

// Hamlib 4.7.2's rigctl, built by scripts/peers.sh (test.sh builds it when it is missing);
// Debian's own is 4.5.4.
QString Hamlib47Prefix()
{
    return QDir::homePath() + QStringLiteral("/.cache/qz-peers/hamlib-4.7.2");
}

// Hamlib's command-line client, through its network rig (model 2): Debian's, or the one under
// `prefix`. The panel's event loop keeps running meanwhile; what the client printed on its
// standard output is returned (and its errors, with `errors`).
QByteArray RunRigctl(quint16 port, const QStringList &commands, const QString &prefix = {},
    QByteArray *errors = nullptr)
{
    QProcess rigctl;
    if (!prefix.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LD_LIBRARY_PATH", prefix + "/lib");
        rigctl.setProcessEnvironment(environment);
    }
    rigctl.start(prefix.isEmpty() ? QStringLiteral("rigctl") : prefix + "/bin/rigctl",
        QStringList {"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(port)} + commands);
    if (!rigctl.waitForStarted(5000))
        return "<rigctl did not start>";
    QElapsedTimer clock;
    clock.start();
    while (rigctl.state() != QProcess::NotRunning && clock.elapsed() < 20000)
        QTest::qWait(5);
    if (rigctl.state() != QProcess::NotRunning) {
        rigctl.kill();
        rigctl.waitForFinished();
        return "<rigctl did not finish>";
    }
    if (errors)
        *errors = rigctl.readAllStandardError();
    return rigctl.readAllStandardOutput();
}

// A plain TCP client, the way a logger or a tracker talks to the server.
class Client
{
public:
    explicit Client(quint16 port)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_socket.waitForConnected(3000);
    }

    void send(const QByteArray &bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }

    // Everything answered until `count` lines are complete, or until the time is up.
    QByteArray lines(int count, int timeoutMs = 3000)
    {
        QElapsedTimer clock;
        clock.start();
        while (m_received.count('\n') < count && clock.elapsed() < timeoutMs) {
            QTest::qWait(2);
            m_received += m_socket.readAll();
        }
        QByteArray taken;
        for (int i = 0; i < count && m_received.contains('\n'); ++i) {
            const qsizetype end = m_received.indexOf('\n') + 1;
            taken += m_received.left(end);
            m_received.remove(0, end);
        }
        return taken;
    }

    QByteArray ask(const QByteArray &line, int answerLines = 1)
    {
        send(line + '\n');
        return lines(answerLines);
    }

    // Everything that arrives until the connection has been quiet for quietMs.
    QByteArray quietAnswer(int quietMs = 80, int timeoutMs = 3000)
    {
        QElapsedTimer clock, quiet;
        clock.start();
        quiet.start();
        QByteArray got = std::exchange(m_received, {});
        while (clock.elapsed() < timeoutMs && (got.isEmpty() || quiet.elapsed() < quietMs)) {
            QTest::qWait(2);
            const QByteArray more = m_socket.readAll();
            if (!more.isEmpty()) {
                got += more;
                quiet.restart();
            }
        }
        return got;
    }

    bool closedByServer(int timeoutMs = 3000)
    {
        QElapsedTimer clock;
        clock.start();
        while (m_socket.state() != QAbstractSocket::UnconnectedState && clock.elapsed() < timeoutMs)
            QTest::qWait(2);
        m_received += m_socket.readAll();
        return m_socket.state() == QAbstractSocket::UnconnectedState;
    }

    QTcpSocket &socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
};

// The shape of one answer line: numbers by kind, other words as W, labels ("Frequency:") and
// "key=" kept, "RPRT n" kept whole; runs of the same kind count once.
QString LineShape(const QByteArray &line)
{
    if (line.startsWith("RPRT "))
        return QString::fromLatin1(line);
    static const QRegularExpression integer("^-?\\d+$"), real("^-?\\d+\\.\\d+$"),
        hex("^0x[0-9a-fA-F]+$");
    QStringList kinds;
    for (const QString &word : QString::fromLatin1(line).split(' ', Qt::SkipEmptyParts)) {
        QString kind = word.endsWith(':')    ? word
            : word.contains('=')             ? word.section('=', 0, 0) + '='
            : integer.match(word).hasMatch() ? QStringLiteral("I")
            : real.match(word).hasMatch()    ? QStringLiteral("R")
            : hex.match(word).hasMatch()     ? QStringLiteral("H")
                                             : QStringLiteral("W");
        if (kinds.isEmpty() || kinds.last() != kind)
            kinds << kind;
    }
    return kinds.join(' ');
}

QStringList AnswerShape(const QByteArray &answer, char separator)
{
    QStringList shape;
    for (const QByteArray &line : answer.split('\n')) {
        for (const QByteArray &part : line.split(separator))
            shape << LineShape(part);
    }
    return shape;
}

// Reads a "\dump_state" block the way Hamlib's network rig does when it connects; the keys of its
// "key=value" part go to `keys`. Empty when it reads through to "done", else what went wrong.
QString ReadDumpState(QByteArray block, QStringList *keys)
{
    QList<QByteArray> lines = block.split('\n');
    int at = 0;
    auto next = [&]() -> QByteArray {
        return at < lines.size() ? lines[at++] : "<end>";
    };
    auto count = [](const QByteArray &line) {
        return line.simplified().split(' ').size();
    };
    if (next() != "1")
        return "not protocol 1";
    next();
    next();
    for (int list = 0; list < 2; ++list) { // receive, then transmit ranges
        for (QByteArray line = next(); line != "0 0 0 0 0 0 0"; line = next()) {
            if (count(line) != 7)
                return "range line " + line;
        }
    }
    for (int list = 0; list < 2; ++list) { // tuning steps, then filters
        for (QByteArray line = next(); line != "0 0"; line = next()) {
            if (count(line) != 2)
                return "step or filter line " + line;
        }
    }
    for (int i = 0; i < 6; ++i) // RIT, XIT, IF shift, announces, preamplifiers, attenuators
        next();
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        next().toULongLong(&ok, 0);
        if (!ok)
            return QStringLiteral("mask %1").arg(i);
    }
    for (QByteArray line = next(); line != "done"; line = next()) {
        if (line == "<end>" || !line.contains('='))
            return "key line " + line;
        *keys << QString::fromLatin1(line.left(line.indexOf('=')));
    }
    return {};
}

// Starts Hamlib's own daemon with its dummy rig on a free port and ends it when destroyed.
struct HamlibDummyDaemon
{
    HamlibDummyDaemon()
    {
        port = FreePort();
        process.start(
            QStringLiteral("rigctld"), {"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port)});
        process.waitForStarted(5000);
    }
    ~HamlibDummyDaemon()
    {
        process.kill();
        process.waitForFinished(3000);
    }
    QProcess process;
    quint16 port = 0;
};

} // namespace

class TestRigctlServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void hamlibClientTunesThePanel();
    void hamlibClientSwitchesOffAndOn();
    void answersHaveHamlibsShape();
    void offAnswersAsAPoweredOffRig();
    void retuneStopsAScanOrBankScan();
    void severalClientsAtOnce();
    void failedSwitchOnIsTheClientsToHear();
    void readingDuringASweepIsTheSweeps();
    void seventeenthClientIsTurnedAway();
    void overlongAndMalformedLines();
    void vanishedClientsDisturbNobody();
    void readingsAnsweredLaterKeepTheirPlace();
    void clientsAsTheyTalk_data();
    void clientsAsTheyTalk();
    void hamlibVersionsTuneAFreshPanel_data();
    void hamlibVersionsTuneAFreshPanel();
    void idleClientsAreDropped();
    void reachableFromTheNetworkIsSaid();
    void switchOnWhenAClientConnects();
    void listenAddress_data();
    void listenAddress();
    void defaultPortForTheFlag_data();
    void defaultPortForTheFlag();
    void optionsGroupRemembersTheOperatorsChoice();
    void optionsGroupTakesIPv6Addresses_data();
    void optionsGroupTakesIPv6Addresses();
    void commandLineServerIsNotRemembered();
    void serverModuleIsLoadedOnFirstUse_data();
    void serverModuleIsLoadedOnFirstUse();
};

void TestRigctlServer::initTestCase()
{
    // The settings tests write must not reach the user's own.
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
    QVERIFY2(!QStandardPaths::findExecutable("rigctl").isEmpty()
            && !QStandardPaths::findExecutable("rigctld").isEmpty(),
        "Hamlib's rigctl and rigctld are needed: install libhamlib-utils (scripts/deps.sh)");
}

void TestRigctlServer::hamlibClientTunesThePanel()
{
    ServerRig rig;
    rig.powerOn();

    QCOMPARE(RunRigctl(rig.port, {"F", "145500000"}), QByteArray());
    QCOMPARE(rig.received("FRQ 0145.500;FM;BW3\r"), QByteArray("FRQ 0145.500;FM;BW3\r"));
    QCOMPARE(rig.p.DisplayFrequency->line(), QStringLiteral(" 145.500.000"));
    QCOMPARE(RunRigctl(rig.port, {"f"}), QByteArray("145500000\n"));

    // A mode and a passband: the mode button, then the nearest filter button, as clicks would.
    QCOMPARE(RunRigctl(rig.port, {"M", "USB", "2400"}), QByteArray());
    QCOMPARE(rig.received("BW1\r"), QByteArray("FRQ 0145.500;USB;BW3\rFRQ 0145.500;USB;BW1\r"));
    QVERIFY(rig.p.Mode[kModeUSB]->isChecked());
    QVERIFY(rig.p.Filter[kFilter1]->isChecked());
    QCOMPARE(RunRigctl(rig.port, {"m"}), QByteArray("USB\n10000\n"));
    QCOMPARE(RunRigctl(rig.port, {"M", "WFM", "0"}), QByteArray());
    QCOMPARE(rig.received("PLS;BW1\r"), QByteArray("FRQ 0145.500;PLS;BW1\r"));
    QCOMPARE(RunRigctl(rig.port, {"m"}), QByteArray("WFM\n10000\n"));

    // The squelch bar, as a fraction.
    QCOMPARE(RunRigctl(rig.port, {"L", "SQL", "0.5"}), QByteArray());
    QCOMPARE(rig.received("COR 20\r"), QByteArray("COR 20\r"));
    QCOMPARE(rig.p.SquelchFrame->title(), QStringLiteral("Squelch 20"));
    QCOMPARE(RunRigctl(rig.port, {"l", "SQL"}), QByteArray("0.500000\n"));

    // The receiver reports S9 (raw 75): the meter shows 96 bars, the client reads 0 dB.
    {
        Answerer receiver(rig.pty, QList<QList<QByteArray>>(100, {"SS 0075\r"}));
        QTRY_COMPARE_WITH_TIMEOUT(rig.p.SignalStrengthMeter->line().size(), 97, 3000);
        QCOMPARE(RunRigctl(rig.port, {"l", "STRENGTH"}), QByteArray("0\n"));
        QCOMPARE(RunRigctl(rig.port, {"l", "RAWSTR"}), QByteArray("75\n"));
    }

    // Out of range: refused, nothing sent, the display unchanged.
    Client client(rig.port);
    QCOMPARE(client.ask("F 1100000001"), QByteArray("RPRT -1\n"));
    QCOMPARE(rig.received("FRQ", 300), QByteArray());
    QCOMPARE(rig.p.DisplayFrequency->line(), QStringLiteral(" 145.500.000"));
}

void TestRigctlServer::hamlibClientSwitchesOffAndOn()
{
    ServerRig rig;
    rig.powerOn();
    QCOMPARE(RunRigctl(rig.port, {"set_powerstat", "0"}), QByteArray());
    QCOMPARE(rig.received("RMT/\r"), QByteArray("RMT/\r"));
    QCOMPARE(rig.p.OnOffLabel->color(), kRed);
    // Hamlib's client reads "RPRT -20" as a receiver that is off.
    const QByteArray whileOff = RunRigctl(rig.port, {"f"});
    QVERIFY2(whileOff.contains("Rig is not powered on"), whileOff.constData());
    QVERIFY(!whileOff.contains("105900000"));
    QCOMPARE(rig.received("FRQ", 300), QByteArray());

    QCOMPARE(RunRigctl(rig.port, {"set_powerstat", "1"}), QByteArray());
    QCOMPARE(rig.received(kPowerOnBytes), kPowerOnBytes);
    QCOMPARE(rig.p.OnOffLabel->color(), kGreen);
    QCOMPARE(RunRigctl(rig.port, {"f"}), QByteArray("105900000\n"));
    // (Hamlib 4.5's client reports every answer to "\get_powerstat" as on, so it is read here.)
    Client client(rig.port);
    QCOMPARE(client.ask("\\get_powerstat"), QByteArray("1\n"));
    rig.p.RadioOff->click();
    QCOMPARE(client.ask("\\get_powerstat"), QByteArray("0\n"));
}

void TestRigctlServer::answersHaveHamlibsShape()
{
    HamlibDummyDaemon hamlib;
    ServerRig rig;
    rig.powerOn();
    // The receiver reports S9, so the panel has a reading to give.
    Answerer receiver(rig.pty, QList<QList<QByteArray>>(1000, {"SS 0075\r"}));
    QTRY_COMPARE_WITH_TIMEOUT(rig.p.SignalStrengthMeter->line().size(), 97, 3000);
    Client ours(rig.port);
    std::unique_ptr<Client> theirs;
    QElapsedTimer clock;
    clock.start();
    do {
        QTest::qWait(50);
        theirs = std::make_unique<Client>(hamlib.port);
    } while (theirs->socket().state() != QAbstractSocket::ConnectedState && clock.elapsed() < 5000);
    QVERIFY2(theirs->socket().state() == QAbstractSocket::ConnectedState, "rigctld -m 1 runs");

    // What loggers, trackers and digital-mode programs send. Left out: "t" (Hamlib's dummy has no
    // PTT and answers "RPRT -11"), "M" with a passband (the dummy keeps odd ones), and
    // "\chk_vfo" with a separator, which leaves Hamlib's daemon in the extended form.
    const QList<QByteArray> script {"\\chk_vfo", "\\dump_state", "f", "F 145500000", "f",
        "\\get_freq", "\\set_freq 7100000", "m", "M USB 0", "\\get_mode", "M ?", "v", "V VFOA",
        "\\get_vfo", "s", "S 0 VFOA", "\\get_split_vfo", "l STRENGTH", "l SQL", "L SQL 0.5",
        "\\get_level SQL", "\\get_powerstat", "\\get_info", "_", "F abc", "l NOPE", "+f", ";f",
        "|m", ",s", "+F 145000000", ";L SQL 0.25", "+l STRENGTH", "+\\get_powerstat", "+_",
        "+\\dump_state", "+M ?", "\\get_lock_mode", "+\\get_lock_mode", "+\\chk_vfo", "q"};
    for (const QByteArray &line : script) {
        ours.send(line + '\n');
        theirs->send(line + '\n');
        const QByteArray mine = ours.quietAnswer();
        const QByteArray hamlibs = theirs->quietAnswer();
        const char separator = QByteArray(";|,").contains(line[0]) ? line[0] : '\n';
        if (line.endsWith("dump_state")) {
            QStringList myKeys, hamlibKeys;
            QByteArray myBlock = mine, hamlibBlock = hamlibs;
            if (line.startsWith('+')) { // a header line before, "RPRT 0" after
                QCOMPARE(mine.left(mine.indexOf('\n')), hamlibs.left(hamlibs.indexOf('\n')));
                QVERIFY(mine.endsWith("done\nRPRT 0\n") && hamlibs.endsWith("done\nRPRT 0\n"));
                myBlock = mine.mid(mine.indexOf('\n') + 1).chopped(7);
                hamlibBlock = hamlibs.mid(hamlibs.indexOf('\n') + 1).chopped(7);
            }
            QCOMPARE(ReadDumpState(myBlock, &myKeys), QString());
            QCOMPARE(ReadDumpState(hamlibBlock, &hamlibKeys), QString());
            for (const QString &key : myKeys)
                QVERIFY2(hamlibKeys.contains(key), qPrintable(key));
            continue;
        }
        QVERIFY2(AnswerShape(mine, separator) == AnswerShape(hamlibs, separator),
            qPrintable(QStringLiteral("%1: ours %2, Hamlib's %3")
                           .arg(QString::fromLatin1(line),
                               QString::fromLatin1(mine.toPercentEncoding(" :;|,")),
                               QString::fromLatin1(hamlibs.toPercentEncoding(" :;|,")))));
    }
    QVERIFY(ours.closedByServer());
    QVERIFY(theirs->closedByServer());
}

void TestRigctlServer::offAnswersAsAPoweredOffRig()
{
    ServerRig rig;
    Client client(rig.port);
    QCOMPARE(client.ask("f"), QByteArray("RPRT -20\n"));
    QCOMPARE(client.ask("F 145500000"), QByteArray("RPRT -20\n"));
    QCOMPARE(client.ask("\\get_powerstat"), QByteArray("0\n"));
    QCOMPARE(client.ask("\\chk_vfo"), QByteArray("0\n"));
    QCOMPARE(client.ask("\\set_powerstat 1"), QByteArray("RPRT 0\n"));
    QCOMPARE(rig.received(kPowerOnBytes), kPowerOnBytes);
    QCOMPARE(rig.p.DisplayFrequency->line(), QStringLiteral(" 105.900.000"));
}

void TestRigctlServer::retuneStopsAScanOrBankScan()
{
    QTemporaryDir folder;
    const QString before = QDir::currentPath();
    QDir::setCurrent(folder.path());
    QFile memory(folder.filePath("QZMemory.txt"));
    QVERIFY(memory.open(QIODevice::WriteOnly));
    memory.write(" MEMORY BANK #01 FREQUENCY=118.1      \r\n"
                 " MEMORY BANK #01 FREQUENCY=121.5      \r\n");
    memory.close();
    ServerRig rig;
    QDir::setCurrent(before);
    rig.powerOn();
    Client client(rig.port);

    rig.p.Scan->click();
    QCOMPARE(rig.window.session().state(), ReceiverSession::State::Scanning);
    QVERIFY(!rig.received("FRQ", 300).isEmpty()); // it scans
    QCOMPARE(client.ask("F 145500000"), QByteArray("RPRT 0\n"));
    QCOMPARE(rig.window.session().state(), ReceiverSession::State::Polling); // the poll resumes
    QCOMPARE(rig.p.ScanLabel->color(), kRed);
    QVERIFY(rig.received("FRQ 0145.500;FM;BW3\r").endsWith("FRQ 0145.500;FM;BW3\r"));
    QCOMPARE(rig.received("FRQ", 300), QByteArray()); // and stays there
    QCOMPARE(client.ask("f"), QByteArray("145500000\n"));

    QVERIFY(rig.p.ScanBank->isEnabled());
    rig.p.ScanBank->click();
    QCOMPARE(rig.window.session().state(), ReceiverSession::State::BankScanning);
    QVERIFY(!rig.received("FRQ", 300).isEmpty());
    QCOMPARE(client.ask("F 7100000"), QByteArray("RPRT 0\n"));
    QCOMPARE(rig.window.session().state(), ReceiverSession::State::Polling);
    QCOMPARE(rig.p.ScanLabel->color(), kRed);
    // The recalled channel chose the mode and filter; the retune keeps them.
    const QByteArray sent = rig.received("FRQ 0007.100;");
    QVERIFY2(sent.mid(sent.lastIndexOf("FRQ")).startsWith("FRQ 0007.100;"), sent.constData());
    QCOMPARE(rig.received("FRQ", 300), QByteArray());
    QCOMPARE(rig.p.DisplayFrequency->line(), QStringLiteral("   7.100.000"));
}

void TestRigctlServer::severalClientsAtOnce()
{
    ServerRig rig;
    rig.powerOn();
    QList<int> counts;
    rig.server.OnChange([&] { counts << rig.server.clientCount(); });
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < RigctlServer::kMaxClients; ++i)
        clients.push_back(std::make_unique<Client>(rig.port));
    QTRY_COMPARE(rig.server.clientCount(), RigctlServer::kMaxClients);
    QCOMPARE(counts.last(), RigctlServer::kMaxClients);

    // Every client sends before any is answered: each gets its own answers, in order, and each
    // "f" reads one of the frequencies the clients set.
    QSet<QByteArray> sent;
    for (int i = 0; i < RigctlServer::kMaxClients; ++i) {
        const QByteArray hz = QByteArray::number(100000000 + i * 1000000);
        sent << hz + '\n';
        clients[size_t(i)]->send("F " + hz + "\nf\n");
    }
    for (auto &client : clients) {
        const QByteArray answer = client->lines(2);
        QVERIFY2(answer.startsWith("RPRT 0\n"), answer.constData());
        QVERIFY2(sent.contains(answer.mid(7)), answer.constData());
    }
    // Sixteen frequency commands at once outrun a 9600-baud line: older ones still queued give
    // way to newer ones, and the receiver ends on the frequency the panel shows.
    const QByteArray shownHz
        = QByteArray::number(qint64(std::llround(rig.window.state().CurrentFrequency * 1e6)));
    QVERIFY(sent.contains(shownHz + '\n'));
    const QByteArray shownCommand = QByteArray("FRQ ")
        + QByteArray::number(rig.window.state().CurrentFrequency, 'f', 3).rightJustified(8, '0')
        + ";FM;BW3\r";
    const QByteArray last = rig.received(shownCommand);
    QVERIFY(last.count("FRQ") >= 1 && last.count("FRQ") <= RigctlServer::kMaxClients);
    QVERIFY2(last.endsWith(shownCommand), last.constData());

    // A line split across packets waits for its end; another client is answered meanwhile.
    clients[0]->send("F 1455");
    const QByteArray now
        = QByteArray::number(qint64(std::llround(rig.window.state().CurrentFrequency * 1e6)));
    QCOMPARE(clients[1]->ask("f"), now + '\n');
    clients[0]->send("00000\n");
    QCOMPARE(clients[0]->lines(1), QByteArray("RPRT 0\n"));
    QCOMPARE(rig.p.DisplayFrequency->line(), QStringLiteral(" 145.500.000"));

    clients.clear();
    QTRY_COMPARE(rig.server.clientCount(), 0);
    QCOMPARE(counts.last(), 0);
}

void TestRigctlServer::failedSwitchOnIsTheClientsToHear()
{
    // Every client that asks for ON while the port cannot be opened hears why; the operator gets
    // one line in the status bar, not a box per client to click away.
    ServerRig rig;
    rig.p.Channelnum->setText(QStringLiteral("/dev/qz-no-such-port"));
    const int windowsBefore = int(QApplication::topLevelWidgets().size());
    std::vector<std::unique_ptr<Client>> clients;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < RigctlServer::kMaxClients; ++i)
            clients.push_back(std::make_unique<Client>(rig.port));
        for (auto &client : clients)
            client->send("\\set_powerstat 1\n");
        for (auto &client : clients)
            QCOMPARE(client->lines(1), QByteArray("RPRT -6\n"));
        clients.clear();
        QTRY_COMPARE(rig.server.clientCount(), 0);
    }
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(int(QApplication::topLevelWidgets().size()), windowsBefore);
    QVERIFY2(rig.p.StatusBar1->currentMessage().contains(QStringLiteral("/dev/qz-no-such-port")),
        qPrintable(rig.p.StatusBar1->currentMessage()));
    QVERIFY(!rig.window.session().isOn());
}

void TestRigctlServer::readingDuringASweepIsTheSweeps()
{
    // While the band sweep measures, "l RAWSTR" gives its newest reading, not "no reading".
    SimReceiver receiver;
    receiver.setSeed(5);
    MainWindow window(receiver.slavePath());
    SessionRigTarget target(window.session(), window.controls());
    RigctlServer server(target);
    QVERIFY(server.Listen(QHostAddress::LocalHost, 0));
    window.panel().RadioOn->click();
    BandSweep &sweep = window.session().sweep();
    sweep.setStopOnSignal(false);
    sweep.setDwellMs(5);
    QList<int> readings;
    connect(&sweep, &BandSweep::readingTaken, this,
        [&readings](int, double, int reading) { readings << reading; });
    QVERIFY(sweep.Start(*ParseSweepPlan("145.4:145.6:0.025").plan));
    QTRY_VERIFY(readings.size() >= 3);
    Client client(server.port());
    for (int i = 0; i < 5; ++i) {
        const QByteArray answer = client.ask("l RAWSTR");
        QVERIFY2(readings.contains(answer.trimmed().toInt()) && !answer.startsWith("RPRT"),
            answer.constData());
    }
    QVERIFY(sweep.isRunning());
    sweep.Stop();
}

void TestRigctlServer::seventeenthClientIsTurnedAway()
{
    ServerRig rig;
    rig.powerOn();
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < RigctlServer::kMaxClients; ++i)
        clients.push_back(std::make_unique<Client>(rig.port));
    QTRY_COMPARE(rig.server.clientCount(), RigctlServer::kMaxClients);
    Client extra(rig.port);
    QVERIFY(extra.closedByServer());
    QCOMPARE(extra.lines(1, 100), QByteArray("RPRT -21\n"));
    QCOMPARE(rig.server.clientCount(), RigctlServer::kMaxClients);
    // The others carry on, and a place that frees up can be taken again.
    QCOMPARE(clients.back()->ask("f"), QByteArray("105900000\n"));
    clients.pop_back();
    QTRY_COMPARE(rig.server.clientCount(), RigctlServer::kMaxClients - 1);
    Client next(rig.port);
    QCOMPARE(next.ask("f"), QByteArray("105900000\n"));
}

void TestRigctlServer::overlongAndMalformedLines()
{
    ServerRig rig;
    rig.powerOn();
    Client bystander(rig.port);

    Client garbage(rig.port);
    QCOMPARE(garbage.ask(QByteArray("\x01\xff\x7f\x00z", 5)), QByteArray("RPRT -11\n"));
    QCOMPARE(garbage.ask("F 145.5.5"), QByteArray("RPRT -1\n"));
    QCOMPARE(garbage.ask("\\set_freq"), QByteArray("RPRT -1\n"));
    QCOMPARE(garbage.ask("M\tUSB\t0\r"), QByteArray("RPRT 0\n")); // tabs and CR LF are blanks
    QCOMPARE(rig.received("USB;BW3\r"), QByteArray("FRQ 0105.900;USB;BW3\r"));
    QCOMPARE(garbage.ask("\r\n\r\nm", 2), QByteArray("USB\n100000\n"));

    // A line of exactly 1 KiB is answered; one byte more closes the connection.
    Client longLines(rig.port);
    QCOMPARE(longLines.ask("f" + QByteArray(RigctlServer::kMaxLineBytes - 1, ' ')),
        QByteArray("105900000\n"));
    longLines.send("f" + QByteArray(RigctlServer::kMaxLineBytes, ' ') + '\n');
    QVERIFY(longLines.closedByServer());
    QCOMPARE(longLines.lines(1, 100), QByteArray("RPRT -1\n"));

    // So does an endless line without its end.
    Client endless(rig.port);
    for (int i = 0; i < 64; ++i)
        endless.send(QByteArray(1000, 'F'));
    QVERIFY(endless.closedByServer());
    QCOMPARE(endless.lines(1, 100), QByteArray("RPRT -1\n"));

    // A flood of commands is answered in turns and leaves the others answered too.
    Client flood(rig.port);
    QByteArray lines;
    for (int i = 0; i < 2000; ++i)
        lines += "f\n";
    flood.send(lines);
    QCOMPARE(bystander.ask("m", 2), QByteArray("USB\n100000\n"));
    QCOMPARE(flood.lines(2000, 10000).count('\n'), 2000);

    // A client that asks and asks but never reads its answers is cut off.
    Client deaf(rig.port);
    deaf.socket().setReadBufferSize(1);
    deaf.socket().setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    QByteArray questions;
    // (more answers than the operating system's socket buffers hold)
    for (int i = 0; i < 12000; ++i)
        questions += "\\dump_state\n";
    QTRY_COMPARE(rig.server.clientCount(), 4);
    deaf.send(questions);
    QTRY_COMPARE_WITH_TIMEOUT(rig.server.clientCount(), 3, 10000);
    deaf.socket().setReadBufferSize(0);
    QVERIFY(deaf.closedByServer());

    QCOMPARE(bystander.ask("f"), QByteArray("105900000\n"));
    QCOMPARE(rig.received("FRQ", 300).count("FRQ"), 0);
    QCOMPARE(rig.server.clientCount(), 3); // bystander, garbage, flood
}

void TestRigctlServer::vanishedClientsDisturbNobody()
{
    ServerRig rig;
    rig.powerOn();
    Client bystander(rig.port);

    // Gone mid-line, with and without saying goodbye: the half line is dropped, not carried out.
    {
        Client torn(rig.port);
        torn.send("F 14550");
        QTRY_COMPARE(rig.server.clientCount(), 2);
        torn.socket().abort();
    }
    {
        Client torn(rig.port);
        torn.send("\\set_powerstat");
        QTRY_COMPARE(rig.server.clientCount(), 2);
        torn.socket().disconnectFromHost();
    }
    QTRY_COMPARE(rig.server.clientCount(), 1);

    // Hamlib's client killed in the middle of its session.
    QProcess rigctl;
    rigctl.start(QStringLiteral("rigctl"),
        {"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(rig.port), "-"});
    QVERIFY(rigctl.waitForStarted(5000));
    QTRY_COMPARE(rig.server.clientCount(), 2);
    rigctl.write("F 145500000\n");
    QVERIFY(rig.received("FRQ 0145.500;FM;BW3\r").endsWith("FRQ 0145.500;FM;BW3\r"));
    rigctl.kill();
    QVERIFY(rigctl.waitForFinished(3000));
    QTRY_COMPARE(rig.server.clientCount(), 1);

    QCOMPARE(bystander.ask("f"), QByteArray("145500000\n"));
    QCOMPARE(rig.p.OnOffLabel->color(), kGreen);
    QCOMPARE(rig.received("FRQ", 300), QByteArray());
}

void TestRigctlServer::readingsAnsweredLaterKeepTheirPlace()
{
    FakeRig target;
    target.holdReadings = true;
    RigctlServer server(target);
    QVERIFY(server.Listen(QHostAddress::LocalHost, 0));
    Client asker(server.port()), other(server.port()), leaver(server.port());

    // The question behind a reading waits for it; another client is answered meanwhile.
    asker.send("l STRENGTH\nf\n");
    QTRY_COMPARE(int(target.questions.size()), 1);
    QCOMPARE(other.ask("f"), QByteArray("105900000\n"));
    QCOMPARE(asker.lines(1, 100), QByteArray());
    target.Read(75);
    QCOMPARE(asker.lines(2), QByteArray("0\n105900000\n"));

    // No reading in time: a timeout, the client's next command answered after it.
    asker.send("+l RAWSTR\nf\n");
    QTRY_COMPARE(int(target.questions.size()), 1);
    target.Read(std::nullopt);
    QCOMPARE(asker.lines(3), QByteArray("get_level: RAWSTR\nRPRT -5\n105900000\n"));

    // A client gone before its reading comes: the reading finds nobody, and its retune queued
    // behind the reading is not carried out.
    leaver.send("l RAWSTR\nF 145500000\n");
    QTRY_COMPARE(int(target.questions.size()), 1);
    leaver.socket().abort();
    QTRY_COMPARE(server.clientCount(), 2);
    target.Read(200);
    QCOMPARE(other.ask("f"), QByteArray("105900000\n"));
}

void TestRigctlServer::clientsAsTheyTalk_data()
{
    // What each kind of program sends, one packet at a time, and the answer each packet must get
    // (matched whole).
    QTest::addColumn<QList<QByteArray>>("packets");
    QTest::addColumn<QStringList>("answers");
    QTest::newRow("satellite tracker")
        << QList<QByteArray> {"\\set_vfo_opt 1\n", "\\chk_vfo\n", "F  145800000\n", "f\n",
               "T 1\nq\n"}
        << QStringList {"RPRT 0\n", "0\n", "RPRT 0\n", "145800000\n", "RPRT -11\nRPRT 0\n"};
    QTest::newRow("logger") << QList<QByteArray> {"+\\chk_vfo\n", "+\\dump_caps\n", "+f +m +v\n"}
                            << QStringList {"ChkVFO: 0\n",
                                   "dump_caps:\nCaps dump for model: 2\n.*RPRT 0\n",
                                   "get_freq:\nFrequency: 105900000\nRPRT 0\nget_mode:\nMode: FM\n"
                                   "Passband: 100000\nRPRT 0\nget_vfo:\nVFO: VFOA\nRPRT 0\n"};
}

void TestRigctlServer::clientsAsTheyTalk()
{
    QFETCH(QList<QByteArray>, packets);
    QFETCH(QStringList, answers);
    ServerRig rig;
    rig.powerOn();
    Client client(rig.port);
    for (qsizetype i = 0; i < packets.size(); ++i) {
        client.send(packets[i]);
        const QByteArray answer = client.quietAnswer(60);
        const QRegularExpression expected(QRegularExpression::anchoredPattern(answers[i]),
            QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(expected.match(QString::fromLatin1(answer)).hasMatch(),
            qPrintable(QString::fromLatin1(packets[i] + " answered " + answer)));
    }
}

void TestRigctlServer::hamlibVersionsTuneAFreshPanel_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::newRow("4.5.4") << QString();
    QTest::newRow("4.7.2") << Hamlib47Prefix();
}

void TestRigctlServer::hamlibVersionsTuneAFreshPanel()
{
    QFETCH(QString, prefix);
    QVERIFY2(prefix.isEmpty() || QFile::exists(prefix + "/bin/rigctl"),
        "Hamlib 4.7.2 is missing: run scripts/peers.sh (test.sh does)");
    SimReceiver receiver;
    MainWindow window(receiver.slavePath());
    SessionRigTarget target(window.session(), window.controls());
    RigctlServer server(target);
    QVERIFY(server.Listen(QHostAddress::LocalHost, 0));

    // The README's example on a panel just started, still off.
    QByteArray errors;
    // (Hamlib's client answers "m" from what it set itself, the passband included.)
    const QByteArray opened = RunRigctl(server.port(),
        {"set_powerstat", "1", "F", "145500000", "f", "M", "PKTUSB", "-1", "m"}, prefix, &errors);
    QVERIFY2(opened.startsWith("145500000\nPKTUSB\n"), opened.constData());
    QVERIFY2(!errors.contains("error"), errors.constData());
    QCOMPARE(window.panel().DisplayFrequency->line(), QStringLiteral(" 145.500.000"));
    QVERIFY(window.panel().Mode[kModeUSB]->isChecked());

    // Every mode, and the S-meter once the receiver has been read.
    // (Hamlib's client prints PKTFM as "FM-D".)
    const QList<QPair<QString, QByteArray>> modes {{"AM", "AM"}, {"FM", "FM"}, {"WFM", "WFM"},
        {"USB", "USB"}, {"LSB", "LSB"}, {"CW", "CW"}, {"PKTLSB", "PKTLSB"}, {"PKTFM", "FM-D"},
        {"CWR", "CWR"}};
    for (const auto &[mode, printed] : modes) {
        const QByteArray answer = RunRigctl(server.port(), {"M", mode, "0", "m"}, prefix, &errors);
        QCOMPARE(answer.split('\n').first(), printed);
        QVERIFY2(!errors.contains("error"), errors.constData());
    }
    static const QRegularExpression number("^-?\\d+\n$");
    const QByteArray strength = RunRigctl(server.port(), {"l", "STRENGTH"}, prefix, &errors);
    QVERIFY2(
        number.match(QString::fromLatin1(strength)).hasMatch(), (strength + errors).constData());

    // Split off naming VFO B, as callers of the library do: at worst "not available", which they
    // forgive, never "invalid".
    RunRigctl(server.port(), {"S", "0", "VFOB"}, prefix, &errors);
    QVERIFY2(!errors.contains("Invalid parameter"), errors.constData());
}

void TestRigctlServer::idleClientsAreDropped()
{
    FakeRig target;
    target.holdReadings = true;
    RigctlServer server(target);
    server.SetIdleTimeout(400);
    QVERIFY(server.Listen(QHostAddress::LocalHost, 0));
    QLoggingCategory::setFilterRules(QStringLiteral("qz.link.debug=true"));
    const auto traceOff = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
    QTest::ignoreMessage(QtDebugMsg,
        QRegularExpression("rigctl client 127.0.0.1 dropped: nothing received for 0.4 s"));
    QElapsedTimer clock;
    clock.start();
    Client halfLine(server.port()), polling(server.port());
    halfLine.send("F 1455");
    // A client that keeps asking stays however long it stays.
    while (halfLine.socket().state() == QAbstractSocket::ConnectedState && clock.elapsed() < 3000)
        QCOMPARE(polling.ask("f"), QByteArray("105900000\n"));
    QVERIFY(halfLine.closedByServer(100));
    QVERIFY(clock.elapsed() >= 380); // (a timer this long may run 5 % early)
    QCOMPARE(server.clientCount(), 1);
    QCOMPARE(target.FrequencyMHz(), 105.9);
}

void TestRigctlServer::reachableFromTheNetworkIsSaid()
{
    QSettings().clear();
    FakeRig target;
    target.holdReadings = true;
    RigctlServer server(target);
    RigctldGroup group(Serving(server));
    group.Restore();
    auto *exposure = group.findChild<QLabel *>("RigctldExposure");
    const quint16 port = FreePort();
    QVERIFY(group.ListenAt(QString::number(port), nullptr));
    QCOMPARE(exposure->text(), QString());
    QVERIFY(group.ListenAt(QStringLiteral("0.0.0.0:%1").arg(port), nullptr));
    QCOMPARE(exposure->text(),
        QStringLiteral("Listening on 0.0.0.0:%1 is reachable from the network: anyone who can "
                       "reach this port can tune and switch the receiver")
            .arg(port));

    // The operator's S-meter table, and power kept from clients.
    auto *table = group.findChild<QLineEdit *>("RigctldStrengthTable");
    table->setText("0:-60 100:40");
    emit table->editingFinished();
    group.findChild<QCheckBox *>("RigctldRefusePower")->click();
    Client client(port);
    client.send("l STRENGTH\n\\set_powerstat 0\n");
    QTRY_COMPARE(int(target.questions.size()), 1);
    target.Read(50);
    QCOMPARE(client.lines(2), QByteArray("-10\nRPRT -22\n"));
    table->setText("0:-60 100");
    emit table->editingFinished();
    QCOMPARE(group.findChild<QLabel *>("RigctldStrengthProblem")->text(),
        QStringLiteral("Not used: \"100\" is not RAW:DB"));
    QSettings().clear();
}

void TestRigctlServer::switchOnWhenAClientConnects()
{
    QSettings().clear();
    ServerRig rig;
    RigctldGroup group(Serving(rig.server));
    group.Restore();
    QVERIFY(group.ListenAt(QString::number(rig.port), nullptr));
    // Off unless chosen: a fresh panel stays off when a client comes.
    {
        Client client(rig.port);
        QCOMPARE(client.ask("\\get_powerstat"), QByteArray("0\n"));
    }
    group.findChild<QCheckBox *>("RigctldSwitchOn")->click();
    Client client(rig.port);
    QCOMPARE(rig.received(kPowerOnBytes), kPowerOnBytes);
    QCOMPARE(client.ask("\\get_powerstat"), QByteArray("1\n"));
    QCOMPARE(rig.p.OnOffLabel->color(), kGreen);
    QSettings().clear();
}

void TestRigctlServer::listenAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address"); // empty: refused
    QTest::addColumn<int>("port");
    QTest::newRow("port alone") << "4532"
                                << "127.0.0.1" << 4532;
    QTest::newRow("loopback") << "127.0.0.1:4600"
                              << "127.0.0.1" << 4600;
    QTest::newRow("every network") << "0.0.0.0:4532"
                                   << "0.0.0.0" << 4532;
    QTest::newRow("one network") << " 192.168.1.20:4532 "
                                 << "192.168.1.20" << 4532;
    QTest::newRow("IPv6") << "[::1]:4533"
                          << "::1" << 4533;
    QTest::newRow("localhost") << "localhost:1"
                               << "127.0.0.1" << 1;
    QTest::newRow("highest port") << "65535"
                                  << "127.0.0.1" << 65535;
    QTest::newRow("empty") << ""
                           << "" << 0;
    QTest::newRow("port 0") << "0"
                            << "" << 0;
    QTest::newRow("port too big") << "65536"
                                  << "" << 0;
    QTest::newRow("signed port") << "+4532"
                                 << "" << 0;
    QTest::newRow("no port") << "127.0.0.1:"
                             << "" << 0;
    QTest::newRow("no address") << ":4532"
                                << "" << 0;
    QTest::newRow("not an address") << "rig.example:4532"
                                    << "" << 0;
    QTest::newRow("IPv6 without brackets") << "::1:4532"
                                           << "" << 0;
    QTest::newRow("words") << "abc"
                           << "" << 0;
}

void TestRigctlServer::listenAddress()
{
    QFETCH(QString, text);
    QFETCH(QString, address);
    QFETCH(int, port);
    const std::optional<ListenAddress> parsed = ParseListenAddress(text);
    QCOMPARE(parsed.has_value(), !address.isEmpty());
    if (parsed) {
        QCOMPARE(parsed->address, QHostAddress(address));
        QCOMPARE(int(parsed->port), port);
    }
}

void TestRigctlServer::defaultPortForTheFlag_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("result");
    QTest::newRow("flag last") << QStringList {"qz-remote", "--rigctld"}
                               << QStringList {"qz-remote", "--rigctld", "4532"};
    QTest::newRow("flag before another option") << QStringList {"qz-remote", "--rigctld",
        "--simulate"} << QStringList {"qz-remote", "--rigctld", "4532", "--simulate"};
    QTest::newRow("with a value") << QStringList {"qz-remote", "--rigctld", "0.0.0.0:4600"}
                                  << QStringList {"qz-remote", "--rigctld", "0.0.0.0:4600"};
    QTest::newRow("value after =") << QStringList {"qz-remote", "--rigctld=4600"}
                                   << QStringList {"qz-remote", "--rigctld=4600"};
    QTest::newRow("after --") << QStringList {"qz-remote", "--", "--rigctld"}
                              << QStringList {"qz-remote", "--", "--rigctld"};
    QTest::newRow("absent") << QStringList {"qz-remote", "--simulate"}
                            << QStringList {"qz-remote", "--simulate"};
}

void TestRigctlServer::defaultPortForTheFlag()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, result);
    QCOMPARE(WithDefaultRigctldPort(arguments), result);
}

void TestRigctlServer::optionsGroupRemembersTheOperatorsChoice()
{
    QSettings().clear();
    const quint16 port = FreePort();
    {
        ServerRig rig;
        auto *group = new RigctldGroup(Serving(rig.server));
        rig.window.optionsPage().addGroup(group);
        QCOMPARE(rig.p.SSTab1->tabText(5), QStringLiteral(" O&PTIONS"));
        QVERIFY(rig.p.SSTab1->widget(5)->isAncestorOf(group));
        rig.server.Stop();
        group->Restore(); // nothing remembered yet: off, on the default address
        auto *enable = group->findChild<QCheckBox *>("RigctldEnable");
        auto *address = group->findChild<QLineEdit *>("RigctldAddress");
        auto *portBox = group->findChild<QSpinBox *>("RigctldPort");
        auto *status = group->findChild<QLabel *>("RigctldStatus");
        QVERIFY(!rig.server.isListening());
        QVERIFY(!enable->isChecked());
        QCOMPARE(address->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(portBox->value(), 4532);
        QCOMPARE(status->text(), QStringLiteral("Off"));

        // An address that is none: refused, shown, nothing remembered.
        address->setText("nowhere");
        enable->click();
        QVERIFY(!rig.server.isListening());
        QVERIFY(!enable->isChecked());
        QVERIFY(status->text().contains("nowhere"));
        QVERIFY(!QSettings().contains(RigctldGroup::kEnabledKey));

        address->setText("127.0.0.1");
        portBox->setValue(port);
        enable->click();
        QVERIFY(rig.server.isListening());
        QCOMPARE(rig.server.port(), port);
        QVERIFY(!address->isEnabled());
        QCOMPARE(status->text(),
            QStringLiteral("Listening on 127.0.0.1:%1, no clients connected").arg(port));
        Client client(port);
        QTRY_COMPARE(status->text(),
            QStringLiteral("Listening on 127.0.0.1:%1, 1 client connected").arg(port));
        Client second(port);
        QTRY_COMPARE(status->text(),
            QStringLiteral("Listening on 127.0.0.1:%1, 2 clients connected").arg(port));
    }
    QVERIFY(QSettings().fileName().contains(".qttest"));
    {
        // The next run starts where the operator left it.
        ServerRig rig;
        rig.server.Stop();
        RigctldGroup group(Serving(rig.server));
        group.Restore();
        QVERIFY(rig.server.isListening());
        QCOMPARE(rig.server.port(), port);
        QCOMPARE(rig.server.address(), QHostAddress(QHostAddress::LocalHost));
        Client client(port);
        QCOMPARE(client.ask("f"), QByteArray("RPRT -20\n"));
        group.findChild<QCheckBox *>("RigctldEnable")->click();
        QVERIFY(!rig.server.isListening());
        QVERIFY(client.closedByServer());
    }
    {
        ServerRig rig;
        rig.server.Stop();
        RigctldGroup group(Serving(rig.server));
        group.Restore();
        QVERIFY(!rig.server.isListening());
    }
}

void TestRigctlServer::commandLineServerIsNotRemembered()
{
    QSettings().clear();
    ServerRig rig;
    rig.server.Stop();
    RigctldGroup group(Serving(rig.server));
    const quint16 port = FreePort();
    QString error;
    QVERIFY(group.ListenAt(QString::number(port), &error));
    QVERIFY(error.isEmpty());
    QVERIFY(rig.server.isListening());
    QCOMPARE(rig.server.address(), QHostAddress(QHostAddress::LocalHost));
    QVERIFY(group.findChild<QCheckBox *>("RigctldEnable")->isChecked());
    QVERIFY(!QSettings().contains(RigctldGroup::kEnabledKey));

    // A port someone else holds: the reason is told.
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
    QVERIFY(!group.ListenAt(QStringLiteral("127.0.0.1:%1").arg(holder.serverPort()), &error));
    QVERIFY2(error.contains(QString::number(holder.serverPort())), qPrintable(error));
    QVERIFY(!rig.server.isListening());
    QVERIFY(!group.ListenAt("x:y", &error));
}

// An IPv6 address typed in the group, with or without its brackets, is listened on and shown in
// brackets before the port.
void TestRigctlServer::optionsGroupTakesIPv6Addresses_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("bare") << "::1";
    QTest::newRow("in brackets") << "[::1]";
}

void TestRigctlServer::optionsGroupTakesIPv6Addresses()
{
    QFETCH(QString, typed);
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHostIPv6, 0))
        QSKIP("this machine has no IPv6 loopback");
    const quint16 port = probe.serverPort();
    probe.close();
    ServerRig rig;
    rig.server.Stop();
    auto *group = new RigctldGroup(Serving(rig.server));
    rig.window.optionsPage().addGroup(group);
    group->findChild<QLineEdit *>("RigctldAddress")->setText(typed);
    group->findChild<QSpinBox *>("RigctldPort")->setValue(port);
    group->findChild<QCheckBox *>("RigctldEnable")->click();
    QVERIFY(rig.server.isListening());
    QCOMPARE(rig.server.address(), QHostAddress(QHostAddress::LocalHostIPv6));
    QCOMPARE(group->findChild<QLabel *>("RigctldStatus")->text(),
        QStringLiteral("Listening on [::1]:%1, no clients connected").arg(port));
    QSettings().clear();
}

void TestRigctlServer::serverModuleIsLoadedOnFirstUse_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("status"); // what the group says once ON is clicked
    QTest::newRow("built") << QZ_MODULE_BUILD_DIR << "Listening on 127.0.0.1:";
    QTest::newRow("missing") << QZ_MODULE_BUILD_DIR "/none"
                             << "Network control is not available: Cannot load library";
}

void TestRigctlServer::serverModuleIsLoadedOnFirstUse()
{
    // A panel that serves no clients never loads the server (nor Qt Network); what the operator
    // chose before reaches it once loaded; a missing module is said, not a crash.
    QFETCH(QString, folder);
    QFETCH(QString, status);
    QSettings().clear();
    FakeRig target;
    std::unique_ptr<NetworkServer> loaded;
    RigctldGroup group([&](QString *why) {
        loaded = LoadNetworkServer(target, why, folder);
        return loaded.get();
    });
    group.Restore();
    group.findChild<QCheckBox *>("RigctldRefusePower")->click();
    const quint16 port = FreePort();
    group.findChild<QSpinBox *>("RigctldPort")->setValue(port);
    QVERIFY(!loaded);
    group.findChild<QCheckBox *>("RigctldEnable")->click();
    const QString shown = group.findChild<QLabel *>("RigctldStatus")->text();
    QVERIFY2(shown.startsWith(status), qPrintable(shown));
    if (loaded)
        QCOMPARE(Client(port).ask("\\set_powerstat 1"), QByteArray("RPRT -22\n"));
    QSettings().clear();
}

QTEST_MAIN(TestRigctlServer)
#include "tst_rigctlserver.moc"
