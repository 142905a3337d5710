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
#include <QEventLoop>
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

void Stop(pid_t pid)
{
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// What a started, settled process used over the measuring window.
struct Reading
{
    double cpu = 0; // seconds
    double wall = 0; // seconds
    long rssKb = 0;
    long peakKb = 0;
};

Reading Watch(const QString &pid, int seconds)
{
    const double cpuBefore = bench::CpuSeconds(pid);
    const long long wallBefore = bench::NowUs();
    bench::RunEventsFor(seconds * 1000);
    return {bench::CpuSeconds(pid) - cpuBefore, double(bench::NowUs() - wallBefore) / 1e6,
        bench::VmRssKb(pid), bench::StatusKb(pid, "VmHWM")};
}

// Prints the reading; the caller ends the line.
void Print(const char *label, const Reading &r)
{
    std::printf("%s: CPU %.3f %% of one core (%.3f s in %.1f s), VmRSS %ld kB (peak %ld kB)", label,
        100.0 * r.cpu / r.wall, r.cpu, r.wall, r.rssKb, r.peakKb);
}

bool Measure(
    const char *label, const std::string &program, SimReceiver &receiver, bool powerOn, int seconds)
{
    const pid_t pid = Start(program, receiver.slavePath(), powerOn);
    if (pid < 0)
        return false;
    bench::RunEventsFor(3000);
    if (powerOn && !receiver.isRemote()) {
        std::printf("%s: the panel did not switch the receiver to remote control\n", label);
        Stop(pid);
        return false;
    }
    const int queriesBefore = receiver.queriesAnswered();
    const Reading reading = Watch(QString::number(pid), seconds);
    const int queries = receiver.queriesAnswered() - queriesBefore;
    Stop(pid);
    Print(label, reading);
    std::printf(", signal queries %d (%.2f/s)\n", queries, double(queries) / reading.wall);
    return true;
}

bool MeasureBare(const std::string &bare, int seconds)
{
    const pid_t pid = bench::Spawn(bare, {"170", "--clock"});
    if (pid < 0)
        return false;
    bench::RunEventsFor(3000);
    const Reading reading = Watch(QString::number(pid), seconds);
    Stop(pid);
    Print("bare Qt window, 300 ms timer and a clock", reading);
    std::printf("\n");
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
