#include "portadvice.h"
#include "portlist.h"
#include "pseudoterminal.h"

#include <QProcess>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Advice that would make the device usable by everyone, which no message may give.
const QStringList kForbiddenAdvice {"chmod", "666", "a+rw", "o+rw", "world"};

// Opens the device with QSerialPort as the user nobody, in a child process, and returns what the
// child got: the error kind and the advice, or "opened".
QString OpenAsNobody(const QString &path, int *kind)
{
    const passwd *nobody = getpwnam("nobody");
    if (!nobody)
        return QStringLiteral("no user nobody");
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(2);
        QSerialPort port(path);
        QByteArray out = "opened";
        if (!port.open(QIODevice::ReadWrite))
            out = QByteArray::number(int(port.error())) + '\n'
                + PortOpenAdvice(path, PortError(port.error()), port.errorString()).toUtf8();
        if (write(pipeFds[1], out.constData(), size_t(out.size())) != out.size())
            _exit(3);
        _exit(0);
    }
    close(pipeFds[1]);
    QByteArray got;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        got.append(buffer, int(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("child failed: %1").arg(status);
    const int newline = got.indexOf('\n');
    *kind = got.left(newline).toInt();
    return QString::fromUtf8(got.mid(newline + 1));
}

} // namespace

class TestPorts : public QObject
{
    Q_OBJECT

private slots:
    void permissionNamesTheGroupAndTheFix_data();
    void permissionNamesTheGroupAndTheFix();
    void portInUseNamesTheProgramHoldingIt();
    void otherKindsInPlainWords_data();
    void otherKindsInPlainWords();
    void channelDescribed_data();
    void channelDescribed();
    void everyListedPortSaysWhatItIs();
};

void TestPorts::permissionNamesTheGroupAndTheFix_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("groupName");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("absent");

    QTest::newRow("group may use it")
        << 0660 << "dialout"
        << QStringList {"belongs to the group \"dialout\"", "sudo usermod -aG dialout $USER",
               "log out and log in again"}
        << QStringList {"Only its owner"};
    QTest::newRow("only the owner may") << 0600 << "root"
                                        << QStringList {"Only its owner, \"root\", may use it",
                                               "its group \"root\" has no access", "udev rule"}
                                        << QStringList {"usermod"};
}

void TestPorts::permissionNamesTheGroupAndTheFix()
{
    QFETCH(int, mode);
    QFETCH(QString, groupName);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, absent);
    if (geteuid() != 0)
        QSKIP("needs root: the device is made another user's, and the open runs as nobody");
    const struct group *entry = getgrnam(groupName.toLocal8Bit().constData());
    if (!entry)
        QSKIP("this system has no group of that name");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
    const QString device = dir.filePath(QStringLiteral("ttyQZ0"));
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QByteArray path = QFile::encodeName(device);
    QVERIFY(chown(path.constData(), 0, entry->gr_gid) == 0);
    QVERIFY(chmod(path.constData(), mode_t(mode)) == 0);

    int kind = -1;
    const QString advice = OpenAsNobody(device, &kind);
    QCOMPARE(kind, int(PortError::Permission));
    QVERIFY2(advice.startsWith(QStringLiteral("The serial port %1 cannot be opened.").arg(device)),
        qPrintable(advice));
    for (const QString &text : std::as_const(expected))
        QVERIFY2(advice.contains(text), qPrintable(advice));
    for (const QString &text : std::as_const(absent) + kForbiddenAdvice)
        QVERIFY2(!advice.contains(text), qPrintable(advice));
}

void TestPorts::portInUseNamesTheProgramHoldingIt()
{
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyQZ1"));
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(ProcessesHoldingDevice(device).isEmpty());

    // One program holds the device, another one does not.
    QProcess holder;
    holder.setStandardInputFile(device);
    holder.start(QStandardPaths::findExecutable("sleep"), {"30"});
    QProcess bystander;
    bystander.start(QStandardPaths::findExecutable("sleep"), {"30"});
    QVERIFY(holder.waitForStarted() && bystander.waitForStarted());
    // Until exec the child is still this test program.
    QTRY_COMPARE(ProcessesHoldingDevice(device).size(), 1);
    const PortHolder found = ProcessesHoldingDevice(device).constFirst();
    QCOMPARE(found.pid, holder.processId());
    QCOMPARE(found.name, QStringLiteral("sleep"));

    for (const auto kind : {PortError::Open, PortError::Permission}) {
        const QString advice = PortOpenAdvice(device, kind, "Permission error while locking");
        QCOMPARE(advice,
            QStringLiteral("The serial port %1 cannot be opened.\n\nIt is in use by sleep (process "
                           "%2). Close that program, then press ON again.")
                .arg(device)
                .arg(holder.processId()));
    }
    holder.kill();
    bystander.kill();
    holder.waitForFinished();
    bystander.waitForFinished();
    QVERIFY(ProcessesHoldingDevice(device).isEmpty());
    // Nobody to name: the message says so rather than guessing.
    QVERIFY(PortOpenAdvice(device, PortError::Open)
                .contains("the system does not show this user which program holds it"));
}

void TestPorts::otherKindsInPlainWords_data()
{
    QTest::addColumn<QString>("device"); // "FILE": a plain file
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("systemText");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing") << "/dev/ttyQZ-none" << int(PortError::DeviceNotFound) << ""
                             << "There is no such device. If the receiver is connected through a "
                                "USB adapter, check that the adapter is plugged in; the OPTIONS "
                                "page lists the serial ports the system offers.";
    QTest::newRow("not a serial port")
        << "FILE" << int(PortError::UnsupportedOperation) << "Inappropriate ioctl"
        << "FILE is not a serial port: the system cannot set its line speed. Choose a port on the "
           "OPTIONS page.";
    QTest::newRow("no serial port module")
        << "/dev/ttyQZ9" << int(PortError::ModuleMissing)
        << "This installation cannot use serial ports (no module)."
        << "This installation cannot use serial ports (no module).";
    QTest::newRow("anything else quotes the system")
        << "/dev/ttyQZ9" << int(PortError::Unknown) << "Input/output error"
        << "The system says: Input/output error";
}

void TestPorts::otherKindsInPlainWords()
{
    QFETCH(QString, device);
    QFETCH(int, kind);
    QFETCH(QString, systemText);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("not-a-tty"));
    if (device == QLatin1String("FILE")) {
        QFile plain(file);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        device = file;
        expected.replace(QLatin1String("FILE"), file);
        // The kind is what QSerialPort itself reports for such a device.
        QSerialPort port(file);
        QVERIFY(!port.open(QIODevice::ReadWrite));
        QCOMPARE(int(port.error()), kind);
    }
    const QString advice = PortOpenAdvice(device, PortError(kind), systemText);
    QCOMPARE(
        advice, QStringLiteral("The serial port %1 cannot be opened.\n\n").arg(device) + expected);
}

void TestPorts::channelDescribed_data()
{
    QTest::addColumn<QString>("channel"); // PTY and LINK stand for the test's devices
    QTest::addColumn<QString>("expected");

    QTest::newRow("listed device")
        << "PTY"
        << "Channel \"PTY\": Test receiver, QZ tests, serial number T-0001, USB 0403:6001.";
    QTest::newRow("link to a listed device")
        << "LINK"
        << "Channel \"LINK\": Test receiver, QZ tests, serial number T-0001, USB "
           "0403:6001, now PTY.";
    QTest::newRow("port number") << " 2 "
                                 << "Channel \"2\" is /dev/ttyS1, which does not exist "
                                    "at the moment.";
    QTest::newRow("missing device") << "/dev/ttyQZ-none"
                                    << "Channel \"/dev/ttyQZ-none\" does not exist at the moment.";
    QTest::newRow("not a serial port")
        << "/dev/null"
        << "Channel \"/dev/null\" is not a serial port the system lists.";
    // The system describes the common ports with nothing; the list still says what they are.
    QTest::newRow("listed without a description") << "/dev/ttyQZ-bare"
                                                  << "Channel \"/dev/ttyQZ-bare\": Serial port.";
    QTest::newRow("zero") << "0"
                          << "Channel \"0\" names no serial port: ON has no port to open.";
    QTest::newRow("empty") << "  "
                           << "The Channel box is empty: ON has no port to open.";
}

void TestPorts::channelDescribed()
{
    QFETCH(QString, channel);
    QFETCH(QString, expected);
    PseudoTerminal pty;
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("by-id-receiver"));
    QVERIFY(QFile::link(pty.slavePath(), link));
    const QList<PortEntry> ports {
        {"/dev/ttyQZ-other", "Other adapter", "", "", ""},
        {"/dev/ttyQZ-bare", "", "", "", ""},
        {pty.slavePath(), "Test receiver", "QZ tests", "T-0001", "0403:6001"},
    };
    // /dev/ttyS1 may exist on this machine; then it is found, listed or not.
    if (channel.trimmed() == QLatin1String("2") && QFileInfo::exists("/dev/ttyS1"))
        QSKIP("this machine has a /dev/ttyS1");
    channel.replace(QLatin1String("PTY"), pty.slavePath()).replace(QLatin1String("LINK"), link);
    expected.replace(QLatin1String("PTY"), pty.slavePath()).replace(QLatin1String("LINK"), link);
    QCOMPARE(DescribeChannel(channel, ports), expected);
}

void TestPorts::everyListedPortSaysWhatItIs()
{
    // Built-in ports come with no description from the system: the list names their kind.
    const QList<PortEntry> ports = SystemPorts();
    if (ports.isEmpty())
        QSKIP("this machine lists no serial port");
    for (const PortEntry &port : ports)
        QVERIFY2(!port.description.isEmpty(), qPrintable(port.device));
}

QTEST_GUILESS_MAIN(TestPorts)
#include "tst_ports.moc"
