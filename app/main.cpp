#include "mainwindow.h"
#include "simreceiver.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QStyleFactory>

#include <cstdio>
#include <memory>

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
    parser.addOption(portOption);
    parser.addOption(simulateOption);
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
        channel = simulated->slavePath();
    }

    MainWindow window(channel);
    window.show();
    return app.exec();
}
