#include "../support/ptyread.h"
#include "commandline.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs qz-remote as from a terminal with no display at all.
Run RunWithoutDisplay(const QStringList &arguments, const QString &configHome = QString(),
    const QString &folder = QString(), const QString &program = QStringLiteral(QZ_REMOTE_PATH))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    if (!configHome.isEmpty())
        environment.insert("XDG_CONFIG_HOME", configHome);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// The program alone in FOLDER/bin, without the modules it loads on first use.
QString CopyWithoutModules(const QTemporaryDir &folder)
{
    const QString program = folder.filePath(QStringLiteral("bin/qz-remote"));
    if (!QDir(folder.path()).mkpath(QStringLiteral("bin"))
        || !QFile::copy(QStringLiteral(QZ_REMOTE_PATH), program))
        return QString();
    return program;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void helpListsEveryOptionOnOneLine();
    void versionWithoutADisplay();
    void mistakesAreReportedWithoutADisplay_data();
    void mistakesAreReportedWithoutADisplay();
    void missingNetworkModuleIsSaid();
    void missingSerialPortModuleIsSaid();
    void qtsOwnOptionsReachQt();
    void rememberedPortUnlessOneIsGiven();
    void networkServerOpenToOthersIsSaid();
};

void TestCommandLine::helpListsEveryOptionOnOneLine()
{
    for (const char *help : {"--help", "-h"}) {
        const Run run = RunWithoutDisplay({help});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        const QStringList lines = run.out.split('\n');
        QVERIFY(lines.first().startsWith("Usage: qz-remote"));
        for (const CommandOption &row : kOptionTable) {
            const QString name = QStringLiteral("--") + QLatin1String(row.name);
            QStringList found;
            for (const QString &line : lines) {
                if (line.contains(QRegularExpression(
                        QRegularExpression::escape(name) + QStringLiteral("(\\s|$)"))))
                    found << line;
            }
            if (row.hidden) {
                QVERIFY2(found.isEmpty(), qPrintable(name));
                continue;
            }
            // One line carries the option, its value's name and its whole description.
            QCOMPARE(found.size(), 1);
            QVERIFY2(found.first().startsWith("  -"), qPrintable(found.first()));
            QVERIFY2(found.first().endsWith(QLatin1String(row.help)), qPrintable(found.first()));
            if (row.valueName)
                QVERIFY(found.first().contains(name + ' ' + QLatin1String(row.valueName)));
        }
    }
}

// Started from a folder that holds a file named like one of its libraries, the program still loads
// the system's.
void TestCommandLine::versionWithoutADisplay()
{
    QTemporaryDir folder;
    QFile decoy(folder.filePath(QStringLiteral("libQt6Core.so.6")));
    QVERIFY(decoy.open(QIODevice::WriteOnly));
    decoy.write("not a library");
    decoy.close();
    for (const char *version : {"--version", "-v"}) {
        const Run run = RunWithoutDisplay({version}, QString(), folder.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("qz-remote " QZ_VERSION "\n"));
    }
}

void TestCommandLine::mistakesAreReportedWithoutADisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option")
        << QStringList {"--prot", "1"} << "qz-remote: Unknown option 'prot'.";
    QTest::newRow("port without a device")
        << QStringList {"--port"} << "qz-remote: Missing value after '--port'.";
    QTest::newRow("idle time not a number") << QStringList {"--rigctld-idle",
        "soon"} << "qz-remote: --rigctld-idle wants seconds from 0 to 86400, not \"soon\"";
    // Found in the network module, which the program has to find for it.
    QTest::newRow("listen address not one") << QStringList {"-platform", "offscreen", "--rigctld",
        "x:y"} << "qz-remote: --rigctld wants [ADDRESS:]PORT, not \"x:y\"";
    QTest::newRow("stray argument")
        << QStringList {"/dev/ttyUSB0"} << "qz-remote: unexpected argument \"/dev/ttyUSB0\"";
    QTest::newRow("no display") << QStringList {"--port", "1"}
                                << "qz-remote: no display to show the panel on (neither DISPLAY "
                                   "nor WAYLAND_DISPLAY is set).";
}

void TestCommandLine::mistakesAreReportedWithoutADisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = RunWithoutDisplay(arguments);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.split('\n').contains(message), qPrintable(run.err));
}

// Installed without its network module, the program asked for network control says so and ends:
// it neither crashes nor runs on without the server the operator asked for.
void TestCommandLine::missingNetworkModuleIsSaid()
{
    QTemporaryDir folder;
    const QString program = CopyWithoutModules(folder);
    QVERIFY(!program.isEmpty());
    const Run run
        = RunWithoutDisplay({"-platform", "offscreen", "--port", "/dev/null", "--rigctld", "4532"},
            folder.path(), folder.path(), program);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("qz-remote: network control is not available: ")),
        qPrintable(run.err));
}

void TestCommandLine::missingSerialPortModuleIsSaid()
{
    // The panel starts without it; ON then says why the port does not open.
    QTemporaryDir folder;
    const QString program = CopyWithoutModules(folder);
    QVERIFY(!program.isEmpty());
    QProcess panel;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", folder.path());
    panel.setProcessEnvironment(environment);
    panel.setWorkingDirectory(folder.path());
    panel.start(
        program, {"-platform", "offscreen", "--port", "/dev/null", "--power-on", "--trace"});
    QString err;
    QTRY_VERIFY_WITH_TIMEOUT(
        (err += QString::fromLocal8Bit(panel.readAllStandardError())).contains("cannot open"),
        20000);
    QVERIFY2(err.contains("This installation cannot use serial ports ("), qPrintable(err));
    QCOMPARE(panel.state(), QProcess::Running);
    panel.kill();
    QVERIFY(panel.waitForFinished());
}

void TestCommandLine::qtsOwnOptionsReachQt()
{
    // -platform is Qt's: accepted here, and it lets the panel start without a display.
    QTemporaryDir config;
    const Run run = RunWithoutDisplay(
        {"-platform", "offscreen", "--simulate", "--exit-when-shown"}, config.path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith("shown-at-us "), qPrintable(run.out + run.err));
    // Starting and looking stores nothing.
    QVERIFY(!QFileInfo::exists(config.filePath("qz-remote/qz-remote.conf")));
}

void TestCommandLine::rememberedPortUnlessOneIsGiven()
{
    // The settings file as the OPTIONS page leaves it after "Use this port".
    PseudoTerminal remembered;
    PseudoTerminal given;
    QTemporaryDir config;
    QVERIFY(QDir(config.path()).mkpath("qz-remote"));
    QFile file(config.filePath("qz-remote/qz-remote.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[serial]\nport=" + remembered.slavePath().toUtf8() + "\n");
    file.close();

    for (const bool withPort : {false, true}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", config.path());
        QProcess panel;
        panel.setProcessEnvironment(environment);
        QStringList arguments {"--power-on"};
        if (withPort)
            arguments << "--port" << given.slavePath();
        panel.start(QStringLiteral(QZ_REMOTE_PATH), arguments);
        QVERIFY(panel.waitForStarted());
        PseudoTerminal &used = withPort ? given : remembered;
        PseudoTerminal &unused = withPort ? remembered : given;
        QVERIFY(CollectUntil(used, "RMT\r", 10000).startsWith("RMT\r"));
        QCOMPARE(unused.readAvailable(), QByteArray());
        panel.kill();
        panel.waitForFinished();
    }
}

void TestCommandLine::networkServerOpenToOthersIsSaid()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::Any, 0));
    const QString where = QStringLiteral("0.0.0.0:%1").arg(probe.serverPort());
    probe.close();
    QTemporaryDir config;
    const Run run = RunWithoutDisplay(
        {"-platform", "offscreen", "--simulate", "--rigctld", where, "--exit-when-shown"},
        config.path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains("qz-remote: rigctld on " + where
                 + " is reachable from the network: anyone who can reach this port can tune and "
                   "switch the receiver\n"),
        qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
