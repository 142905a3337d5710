// qz-sim: a simulated receiver on a pseudo-terminal, for trying the panel without the hardware.
#include "simreceiver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalFds[2] = {-1, -1};

// Lines come straight off the serial line; escape control bytes so they cannot drive the
// terminal the log is printed on.
QString printable(const QString &line)
{
    QString out;
    for (const QChar ch : line) {
        if (ch.unicode() < 0x20 || (ch.unicode() >= 0x7f && ch.unicode() < 0xa0) || ch == '\\')
            out += QStringLiteral("\\x%1").arg(ch.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += ch;
    }
    return out;
}

// Only async-signal-safe work here: wake the event loop, which then quits normally.
void onTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &byte, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qz-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated receiver. Prints the serial device to open and runs until "
                       "interrupted."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption verbose(
        QStringLiteral("verbose"), QStringLiteral("Print each command line received."));
    const QCommandLineOption babble(
        QStringLiteral("babble"), QStringLiteral("Surround every reply with garbage."));
    const QCommandLineOption seed(QStringLiteral("seed"),
        QStringLiteral("Seed the signal noise with <n>."), QStringLiteral("n"));
    const QCommandLineOption instant(QStringLiteral("instant"),
        QStringLiteral("Take and answer every line at once, instead of at the pace of a 9600-baud "
                       "line and a receiver that needs a few milliseconds a command."));
    parser.addOptions({verbose, babble, seed, instant});
    parser.process(app);

    QTextStream err(stderr);
    SimReceiver receiver;
    if (!receiver.isOpen()) {
        err << "qz-sim: cannot open a pseudo-terminal: " << receiver.errorString() << Qt::endl;
        return 1;
    }
    if (parser.isSet(seed)) {
        bool ok = false;
        const uint value = parser.value(seed).toUInt(&ok);
        if (!ok) {
            err << "qz-sim: --seed needs a whole number from 0 to 4294967295" << Qt::endl;
            return 2;
        }
        receiver.setSeed(value);
    }
    receiver.setBabble(parser.isSet(babble));
    receiver.setTiming(
        parser.isSet(instant) ? SimReceiver::Timing::Instant : SimReceiver::Timing::LineSpeed);
    if (parser.isSet(verbose)) {
        QObject::connect(&receiver, &SimReceiver::commandReceived, &receiver,
            [&err](const QString &line) { err << printable(line) << Qt::endl; });
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) {
        err << "qz-sim: cannot set up signal handling" << Qt::endl;
        return 1;
    }
    QSocketNotifier terminate(g_signalFds[1], QSocketNotifier::Read);
    QObject::connect(&terminate, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action
    {
    };
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);

    QTextStream(stdout) << receiver.slavePath() << Qt::endl;
    return app.exec();
}
