#include "afterfirstexposure.h"
#include "bandactivity.h"
#include "bandactivitygroup.h"
#include "commandline.h"
#include "fontconfiguration.h"
#include "linklog.h"
#include "mainwindow.h"
#include "memorytools.h"
#include "networkserver.h"
#include "optionspage.h"
#include "rigctldgroup.h"
#include "sessionrigtarget.h"
#include "simreceiver.h"
#include "sweepoptions.h"

#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QStyleFactory>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>

namespace {

// The set-up left until after the first frame is done by then at the latest.
constexpr int kLatestSetUpMs = 1000;
// --rigctld-idle: at most a day.
constexpr int kMostIdleSeconds = 86400;

void Complain(const QString &text)
{
    std::fprintf(stderr, "qz-remote: %s\n", qPrintable(text));
}

// Reads the command line; an exit status when the program ends here (help, version, mistakes).
std::optional<int> ReadCommandLine(const CommandLine &commandLine)
{
    switch (commandLine.outcome()) {
    case CommandLine::Outcome::ShowHelp:
        std::fputs(qPrintable(CommandLine::HelpText()), stdout);
        return 0;
    case CommandLine::Outcome::ShowVersion:
        std::fputs(qPrintable(CommandLine::VersionText()), stdout);
        return 0;
    case CommandLine::Outcome::Error:
        Complain(commandLine.errorText() + QStringLiteral("\nqz-remote --help lists the options."));
        return 1;
    case CommandLine::Outcome::Run:
        break;
    }
    bool idleSecondsOk = true;
    const int idleSeconds = commandLine.value("rigctld-idle").toInt(&idleSecondsOk);
    if (commandLine.isSet("rigctld-idle")
        && (!idleSecondsOk || idleSeconds < 0 || idleSeconds > kMostIdleSeconds)) {
        Complain(QStringLiteral("--rigctld-idle wants seconds from 0 to %1, not \"%2\"")
                     .arg(kMostIdleSeconds)
                     .arg(commandLine.value("rigctld-idle")));
        return 1;
    }
    // Without a display Qt would abort with a core dump; say why instead.
    if (!commandLine.isSet("platform") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        Complain(QStringLiteral(
            "no display to show the panel on (neither DISPLAY nor WAYLAND_DISPLAY is set)."));
        return 1;
    }
    return std::nullopt;
}

void SetUpApplication()
{
    QGuiApplication::setDesktopFileName(QStringLiteral(QZ_APP_ID));
    // The panel's coloured buttons and grey frames are drawn as designed by the Fusion style.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

// The receiver the panel talks to: the port the command line names, else a simulated receiver
// with --simulate, else (empty) the one chosen on the OPTIONS page in an earlier run. A port given
// on the command line wins over the chosen one and does not replace it.
std::optional<QString> ChooseChannel(
    const CommandLine &commandLine, std::unique_ptr<SimReceiver> &simulated)
{
    if (!commandLine.isSet("simulate"))
        return commandLine.isSet("port") ? commandLine.value("port") : QString();
    simulated = std::make_unique<SimReceiver>();
    if (!simulated->isOpen()) {
        Complain(QStringLiteral("cannot start the simulated receiver: %1")
                     .arg(simulated->errorString()));
        return std::nullopt;
    }
    // As a receiver on a real 9600-baud line takes and answers commands.
    simulated->setTiming(SimReceiver::Timing::LineSpeed);
    return simulated->slavePath();
}

// What the first frame does not show is set up right after it (within a second whatever happens:
// a server asked for on the command line must not wait for the window).
void SetUpAfterFirstFrame(MainWindow &window, const RigctldGroup::ServerSource &server,
    BandActivity &bandActivity, const CommandLine &commandLine,
    const SweepCommandLine &sweepOptions)
{
    new AfterFirstExposure(
        window.windowHandle(),
        [&window, server, &bandActivity, &commandLine, sweepOptions] {
            // Network control and band activity: groups on the OPTIONS page.
            RigctldGroup *rigctldGroup = nullptr;
            {
                const PanelFontWhileBuilding panelFont;
                rigctldGroup = new RigctldGroup(server);
                window.optionsPage().addGroup(rigctldGroup);
                window.optionsPage().addGroup(
                    new BandActivityGroup([&bandActivity] { bandActivity.OpenWindow(); }));
            }
            // The server --rigctld asks for, or the one left on at the last run.
            if (commandLine.isSet("rigctld")) {
                QString error;
                if (!rigctldGroup->ListenAt(commandLine.value("rigctld"), &error))
                    Complain(error);
            } else {
                rigctldGroup->Restore();
            }
            // The sweep --sweep asks for.
            if (sweepOptions.given)
                bandActivity.Apply(sweepOptions);
        },
        kLatestSetUpMs);
    if (commandLine.isSet("power-on"))
        new AfterFirstExposure(window.windowHandle(), [&window] { window.PowerOn(); });
    if (commandLine.isSet("exit-when-shown")) {
        // An absolute CLOCK_MONOTONIC reading rather than a duration: the caller subtracts the
        // reading it took before starting this process, so fork, exec and loading the libraries
        // are counted too, which a clock read at the top of main() would miss.
        new AfterFirstExposure(window.windowHandle(), [] {
            timespec now {};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("shown-at-us %lld\n",
                static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // The memory-file tools need no window: they run before the application, without a display.
    if (const int status = RunMemoryTool(argc, argv); status != kNotAMemoryTool)
        return status;

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // --rigctld may come without its value.
    const CommandLine commandLine(WithDefaultRigctldPort(arguments));
    if (const std::optional<int> status = ReadCommandLine(commandLine))
        return *status;
    // Band activity: --sweep, --dwell, --threshold, --hold, --hits-log.
    const SweepCommandLine sweepOptions = ReadSweepOptions(
        [&commandLine](const QString &name) { return commandLine.isSet(qPrintable(name)); },
        [&commandLine](const QString &name) { return commandLine.value(qPrintable(name)); });
    for (const QString &error : sweepOptions.errors)
        Complain(error);
    if (!sweepOptions.errors.isEmpty())
        return 2;

    // Read on a second thread while Qt connects to the display; the panel's first font waits.
    FontConfigurationReader fontConfiguration;
    // The settings file: ~/.config/qz-remote/qz-remote.conf.
    QApplication::setOrganizationName(QStringLiteral("qz-remote"));
    QApplication::setApplicationName(QStringLiteral("qz-remote"));
    QApplication::setApplicationVersion(QStringLiteral(QZ_VERSION));
    QApplication app(argc, argv);
    SetUpApplication();
    std::unique_ptr<SimReceiver> simulated;
    const std::optional<QString> channel = ChooseChannel(commandLine, simulated);
    if (!channel)
        return 1;
    if (commandLine.isSet("trace"))
        EnableLinkTrace();

    QSettings settings;
    fontConfiguration.Wait();
    MainWindow window(&settings, *channel);
    // Network clients and the band sweep drive the receiver session, as the panel does. The
    // network server, with Qt Network, is loaded when network control is first asked for.
    SessionRigTarget rigTarget(window.session(), window.controls());
    std::unique_ptr<NetworkServer> networkServer;
    const RigctldGroup::ServerSource networkServerOnFirstUse = [&](QString *why) {
        if (!networkServer) {
            networkServer = LoadNetworkServer(rigTarget, why);
            if (networkServer && commandLine.isSet("rigctld-idle"))
                networkServer->SetIdleTimeout(commandLine.value("rigctld-idle").toInt() * 1000);
        }
        return networkServer.get();
    };
    if (commandLine.isSet("rigctld")) {
        QString why;
        const NetworkServer *server = networkServerOnFirstUse(&why);
        if (!server) {
            Complain(QStringLiteral("network control is not available: %1").arg(why));
            return 1;
        }
        if (!server->ParsePlace(commandLine.value("rigctld"))) {
            Complain(QStringLiteral("--rigctld wants [ADDRESS:]PORT, not \"%1\"")
                         .arg(commandLine.value("rigctld")));
            return 1;
        }
    }
    BandActivity bandActivity(window.session());
    QObject::connect(window.panel().BandActivityButton, &QPushButton::clicked, &bandActivity,
        &BandActivity::OpenWindow);
    window.show();
    SetUpAfterFirstFrame(window, networkServerOnFirstUse, bandActivity, commandLine, sweepOptions);
    return app.exec();
}
