#include "afterfirstexposure.h"
#include "bandactivity.h"
#include "bandactivitygroup.h"
#include "commandline.h"
#include "linklog.h"
#include "mainwindow.h"
#include "memorytools.h"
#include "optionspage.h"
#include "panelrigtarget.h"
#include "rigctldgroup.h"
#include "rigctlserver.h"
#include "simreceiver.h"
#include "sweepoptions.h"

#include <QApplication>
#include <QPushButton>
#include <QSettings>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <utility>

// The set-up left until after the first frame is done by then at the latest.
constexpr int kLatestSetUpMs = 1000;

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
    switch (commandLine.outcome()) {
    case CommandLine::Outcome::ShowHelp:
        std::fputs(qPrintable(CommandLine::HelpText()), stdout);
        return 0;
    case CommandLine::Outcome::ShowVersion:
        std::fputs(qPrintable(CommandLine::VersionText()), stdout);
        return 0;
    case CommandLine::Outcome::Error:
        std::fprintf(stderr, "qz-remote: %s\nqz-remote --help lists the options.\n",
            qPrintable(commandLine.errorText()));
        return 1;
    case CommandLine::Outcome::Run:
        break;
    }
    if (commandLine.isSet("rigctld") && !ParseListenAddress(commandLine.value("rigctld"))) {
        std::fprintf(stderr, "qz-remote: --rigctld wants [ADDRESS:]PORT, not \"%s\"\n",
            qPrintable(commandLine.value("rigctld")));
        return 1;
    }
    // Without a display Qt would abort with a core dump; say why instead.
    if (!commandLine.isSet("platform") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("qz-remote: no display to show the panel on (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set).\n",
            stderr);
        return 1;
    }

    // The settings file: ~/.config/qz-remote/qz-remote.conf.
    QApplication::setOrganizationName(QStringLiteral("qz-remote"));
    QApplication::setApplicationName(QStringLiteral("qz-remote"));
    QApplication::setApplicationVersion(QStringLiteral(QZ_VERSION));
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(QZ_APP_ID));
    // The panel's coloured buttons and grey frames are drawn as designed by the Fusion style.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    // A port given on the command line wins over the one chosen on the OPTIONS page, and does not
    // replace it: only "Use this port" remembers a port.
    QString channel;
    if (commandLine.isSet("port"))
        channel = commandLine.value("port");
    std::unique_ptr<SimReceiver> simulated;
    if (commandLine.isSet("simulate")) {
        simulated = std::make_unique<SimReceiver>();
        if (!simulated->isOpen()) {
            std::fprintf(stderr, "qz-remote: cannot start the simulated receiver: %s\n",
                qPrintable(simulated->errorString()));
            return 1;
        }
        // As a receiver on a real 9600-baud line takes and answers commands.
        simulated->setTiming(SimReceiver::Timing::LineSpeed);
        channel = simulated->slavePath();
    }

    // Band activity: --sweep, --dwell, --threshold, --hold, --hits-log.
    const SweepCommandLine sweepOptions = ReadSweepOptions(
        [&commandLine](const QString &name) { return commandLine.isSet(qPrintable(name)); },
        [&commandLine](const QString &name) { return commandLine.value(qPrintable(name)); });
    for (const QString &error : sweepOptions.errors)
        std::fprintf(stderr, "qz-remote: %s\n", qPrintable(error));
    if (!sweepOptions.errors.isEmpty())
        return 2;

    if (commandLine.isSet("trace"))
        EnableLinkTrace();

    QSettings settings;
    MainWindow window(&settings, channel);

    PanelRigTarget rigTarget(window);
    RigctlServer rigctlServer(rigTarget);
    BandActivity bandActivity(window);
    QObject::connect(window.panel().BandActivityButton, &QPushButton::clicked, &bandActivity,
        &BandActivity::OpenWindow);
    window.show();
    // What the first frame does not show is set up right after it (within a second whatever
    // happens: a server asked for on the command line must not wait for the window).
    new AfterFirstExposure(
        window.windowHandle(),
        [&] {
            // Network control: a group on the OPTIONS page, or the server --rigctld asks for.
            auto *rigctldGroup = new RigctldGroup(rigctlServer);
            window.optionsPage().addGroup(rigctldGroup);
            if (commandLine.isSet("rigctld")) {
                QString error;
                if (!rigctldGroup->ListenAt(commandLine.value("rigctld"), &error))
                    std::fprintf(stderr, "qz-remote: %s\n", qPrintable(error));
            } else {
                rigctldGroup->Restore();
            }
            // Band activity: a button on the OPTIONS page, or the sweep --sweep asks for.
            window.optionsPage().addGroup(
                new BandActivityGroup([&bandActivity] { bandActivity.OpenWindow(); }));
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
    return app.exec();
}
