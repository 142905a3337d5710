// Prints how long a program takes from being started until its window is mapped on the X server,
// seen from outside the process as a user's eye would: an X client of its own watches the root
// window for the MapNotify of the new top-level window. The panel and a bare Qt window with as
// many widgets are started in turns in the same run. Asserts nothing; needs an X server (run
// under xvfb-run).
//
//   bench_mapstartup [--runs N] [PATH-TO-qz-remote [PATH-TO-bare_window]]
#include "benchsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <X11/Xlib.h>

#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

// Spawns argv and returns the milliseconds until a top-level window is mapped, or -1.
double TimeToMap(Display *display, const std::vector<std::string> &arguments)
{
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True); // drop anything from earlier runs
    std::vector<char *> argv;
    for (const std::string &a : arguments)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const long long start = bench::NowUs();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    double mappedMs = -1;
    const int fd = ConnectionNumber(display);
    while (mappedMs < 0 && bench::NowUs() - start < 10'000'000) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && !event.xmap.override_redirect) {
                mappedMs = double(bench::NowUs() - start) / 1000.0;
                break;
            }
        }
        if (mappedMs >= 0)
            break;
        pollfd pfd {fd, POLLIN, 0};
        ::poll(&pfd, 1, 100);
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return mappedMs;
}

void Report(const char *name, std::vector<double> runs)
{
    std::printf("%-28s median %7.1f ms   p10 %7.1f   p90 %7.1f   (%zu runs)\n", name,
        bench::Median(runs), bench::Percentile(runs, 10), bench::Percentile(runs, 90), runs.size());
}

} // namespace

int main(int argc, char *argv[])
{
    int runs = 15;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::atoi(argv[++i]);
        else
            paths.emplace_back(argv[i]);
    }
    const std::string panel = paths.size() > 0 ? paths[0] : QZ_REMOTE_PATH;
    const std::string bare = paths.size() > 1 ? paths[1] : BARE_WINDOW_PATH;
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_mapstartup: no X display (run under xvfb-run)\n");
        return 1;
    }
    // The panel starts where a full memory file is, as an operator's would.
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("QZMemory.txt")));
    if (file.open(QIODevice::WriteOnly))
        file.write(bench::MemoryFile(true));
    file.close();
    QDir::setCurrent(folder.path());

    bench::PrintMachine();
    // One warm-up run each, so the disk cache is equal for both.
    TimeToMap(display, {panel, "--port", "/dev/null"});
    TimeToMap(display, {bare, "170"});
    std::vector<double> panelRuns;
    std::vector<double> bareRuns;
    for (int i = 0; i < runs; ++i) {
        panelRuns.push_back(TimeToMap(display, {panel, "--port", "/dev/null"}));
        bareRuns.push_back(TimeToMap(display, {bare, "170"}));
    }
    Report("qz-remote (exec to map)", panelRuns);
    Report("bare Qt window, 170 widgets", bareRuns);
    std::printf("difference of the medians: %+.1f ms\n",
        bench::Median(panelRuns) - bench::Median(bareRuns));
    XCloseDisplay(display);
    return 0;
}
