// Prints the processor share and resident memory of an idle qz-remote; asserts nothing.
//
// The bench plays the receiver: it runs the simulated receiver in its own process and starts
// `qz-remote --port <its pseudo-terminal>`, so everything counted belongs to the panel alone.
// Two cases, one after the other: the link off (as started), and the link on (started with
// --power-on, so the signal poll queries the receiver every 800 ms). Each is left 3 s to settle,
// then user plus system time is read from /proc/<pid>/stat over the measuring window.
//
//   bench_idle [--seconds N] [PATH-TO-qz-remote]
#include "benchsupport.h"
#include "simreceiver.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

pid_t Start(const std::string &program, const QString &port, bool powerOn)
{
    std::vector<std::string> arguments {"--port", port.toStdString()};
    if (powerOn)
        arguments.emplace_back("--power-on");
    return bench::Spawn(program, arguments);
}

void Stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

bool Measure(
    const char *label, const std::string &program, SimReceiver &receiver, bool powerOn, int seconds)
{
    const pid_t pid = Start(program, receiver.slavePath(), powerOn);
    if (pid < 0)
        return false;
    const QString id = QString::number(pid);
    bench::RunEventsFor(3000);
    if (powerOn && !receiver.isRemote()) {
        std::printf("%s: the panel did not switch the receiver to remote control\n", label);
        Stop(pid);
        return false;
    }
    const int queriesBefore = receiver.queriesAnswered();
    const double cpuBefore = bench::CpuSeconds(id);
    const long long wallBefore = bench::NowUs();
    bench::RunEventsFor(seconds * 1000);
    const double cpuAfter = bench::CpuSeconds(id);
    const double wall = double(bench::NowUs() - wallBefore) / 1e6;
    const long rss = bench::VmRssKb(id);
    const long hwm = bench::StatusKb(id, "VmHWM");
    const int queries = receiver.queriesAnswered() - queriesBefore;
    Stop(pid);
    std::printf("%s: CPU %.2f %% of one core (%.2f s user+sys in %.1f s), VmRSS %ld kB "
                "(peak %ld kB), signal queries %d (%.2f/s)\n",
        label, 100.0 * (cpuAfter - cpuBefore) / wall, cpuAfter - cpuBefore, wall, rss, hwm, queries,
        double(queries) / wall);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    int seconds = 30;
    std::string program = QZ_REMOTE_PATH;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::max(1, std::atoi(argv[++i]));
        else
            program = argv[i];
    }
    QCoreApplication app(argc, argv);
    SimReceiver receiver;
    if (!receiver.isOpen()) {
        std::fprintf(
            stderr, "cannot open a pseudo-terminal: %s\n", qPrintable(receiver.errorString()));
        return 1;
    }
    bench::PrintMachine();
    std::printf("program: %s --port %s [--power-on], %d s per case after 3 s to settle\n",
        program.c_str(), qPrintable(receiver.slavePath()), seconds);
    const bool off = Measure("link off", program, receiver, false, seconds);
    const bool on = Measure("link on, polling", program, receiver, true, seconds);
    return off && on ? 0 : 1;
}
