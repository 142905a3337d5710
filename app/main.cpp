#include "mainwindow.h"
#include "simreceiver.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStyleFactory>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <utility>

namespace {

// Runs an action once, just after the window's first exposure has been handled: a widget window
// paints its first frame while handling that event, so by then the operator would see the panel.
class AfterFirstExposure : public QObject
{
public:
    AfterFirstExposure(QWindow *window, std::function<void()> action)
        : QObject(window)
        , m_window(window)
        , m_action(std::move(action))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Expose && m_window->isExposed()
            && m_action) {
            m_window->removeEventFilter(this);
            QTimer::singleShot(0, this, std::exchange(m_action, nullptr));
        }
        return false;
    }

private:
    QWindow *m_window;
    std::function<void()> m_action;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qz-remote"));
    QApplication::setApplicationVersion(QStringLiteral(QZ_VERSION));
    // The panel's coloured buttons and grey frames are drawn as designed by the Fusion style.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Front panel for a serial remote-controlled receiver."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
        QStringLiteral("Serial port: a port number (1 is the first port) or a device such as "
                       "/dev/ttyUSB0."),
        QStringLiteral("DEVICE"));
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"), QStringLiteral("Start a simulated receiver and use its port."));
    // For the bench programs; not listed by --help.
    QCommandLineOption exitWhenShownOption(QStringLiteral("exit-when-shown"),
        QStringLiteral("Print the monotonic clock in microseconds once the window is shown, "
                       "then exit."));
    exitWhenShownOption.setFlags(QCommandLineOption::HiddenFromHelp);
    QCommandLineOption powerOnOption(
        QStringLiteral("power-on"), QStringLiteral("Press ON once the window is shown."));
    powerOnOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(portOption);
    parser.addOption(simulateOption);
    parser.addOption(exitWhenShownOption);
    parser.addOption(powerOnOption);
    parser.process(app);

    QString channel = QStringLiteral("1");
    if (parser.isSet(portOption))
        channel = parser.value(portOption);
    std::unique_ptr<SimReceiver> simulated;
    if (parser.isSet(simulateOption)) {
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

    MainWindow window(channel);
    window.show();
    if (parser.isSet(powerOnOption))
        new AfterFirstExposure(window.windowHandle(), [&window] { window.PowerOn(); });
    if (parser.isSet(exitWhenShownOption)) {
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
