// Prints the processor share and resident memory of an idle qz-remote; asserts nothing.
//
// The bench plays the receiver: it runs the simulated receiver in its own process and starts
// `qz-remote --port <its pseudo-terminal>`, so everything counted belongs to the panel alone.
// Three cases, one after the other: the link off (as started), the link on (started with
// --power-on, so the signal poll queries the receiver every 800 ms), and for comparison the bare
// Qt window doing what the design asks of an idle panel (bare_window --clock: a 300 ms timer, the
// time shown each second). Each is left 3 s to settle, then the processor time of all of its
// threads is read over the measuring window.
//
//   bench_idle [--seconds N] [PATH-TO-qz-remote [PATH-TO-bare_window]]
#include "benchsupport.h"
#include "simreceiver.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

pid_t Start(const std::string &program, const QString &port, bool powerOn)
{
    std::vector<std::string> arguments {"--port", port.toStdString()};
    if (powerOn)
        arguments.emplace_back("--power-on");
    return bench::Spawn(program, arguments);
}

// The processor time of all of a process's threads, to the nanosecond where the kernel keeps
// scheduler statistics (/proc/<pid>/stat counts in hundredths of a second: a third of an idle
// panel's figure over 30 s).
double CpuSecondsAllThreads(const QString &pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    double seconds = 0;
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (!file.open(QIODevice::ReadOnly))
            return bench::CpuSeconds(pid);
        seconds += file.readAll().split(' ').value(0).toDouble() / 1e9;
    }
    return seconds;
}

double Share(double cpuSeconds, double wallSeconds)
{
    return 100.0 * cpuSeconds / wallSeconds;
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
    const double cpuBefore = CpuSecondsAllThreads(id);
    const long long wallBefore = bench::NowUs();
    bench::RunEventsFor(seconds * 1000);
    const double cpuAfter = CpuSecondsAllThreads(id);
    const double wall = double(bench::NowUs() - wallBefore) / 1e6;
    const long rss = bench::VmRssKb(id);
    const long hwm = bench::StatusKb(id, "VmHWM");
    const int queries = receiver.queriesAnswered() - queriesBefore;
    Stop(pid);
    std::printf("%s: CPU %.3f %% of one core (%.3f s in %.1f s), VmRSS %ld kB "
                "(peak %ld kB), signal queries %d (%.2f/s)\n",
        label, Share(cpuAfter - cpuBefore, wall), cpuAfter - cpuBefore, wall, rss, hwm, queries,
        double(queries) / wall);
    return true;
}

bool MeasureBare(const std::string &bare, int seconds)
{
    const pid_t pid = bench::Spawn(bare, {"170", "--clock"});
    if (pid < 0)
        return false;
    const QString id = QString::number(pid);
    bench::RunEventsFor(3000);
    const double cpuBefore = CpuSecondsAllThreads(id);
    const long long wallBefore = bench::NowUs();
    bench::RunEventsFor(seconds * 1000);
    const double cpu = CpuSecondsAllThreads(id) - cpuBefore;
    const double wall = double(bench::NowUs() - wallBefore) / 1e6;
    Stop(pid);
    std::printf("bare Qt window, 300 ms timer and a clock: CPU %.3f %% of one core (%.3f s in "
                "%.1f s)\n",
        Share(cpu, wall), cpu, wall);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    int seconds = 30;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::max(1, std::atoi(argv[++i]));
        else
            paths.emplace_back(argv[i]);
    }
    const std::string program = paths.empty() ? QZ_REMOTE_PATH : paths.front();
    const std::string bare = paths.size() > 1 ? paths.back() : BARE_WINDOW_PATH;
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
    const bool bareShown = MeasureBare(bare, seconds);
    return off && on && bareShown ? 0 : 1;
}
