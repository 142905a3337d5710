// Prints how long a program takes from being started until its window is mapped on the X server,
// seen from outside the process as a user's eye would: an X client of its own watches the root
// window for the MapNotify of the new top-level window. The panel and a bare Qt window with as
// many widgets are started in turns in the same run; with several builds of the panel (before and
// after a change), each takes its turn beside the bare window. Asserts nothing; needs an X server
// (run under xvfb-run).
//
//   bench_mapstartup [--runs N] [PATH-TO-qz-remote... PATH-TO-bare_window]
#include "benchsupport.h"

#include <QDir>
#include <QFileInfo>
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

// The runs whose window was mapped; a program that failed to start or to show is left out.
std::vector<double> Mapped(const std::vector<double> &runs)
{
    std::vector<double> mapped;
    for (const double ms : runs)
        if (ms >= 0)
            mapped.push_back(ms);
    return mapped;
}

void Report(const char *name, const std::vector<double> &runs)
{
    const std::vector<double> mapped = Mapped(runs);
    std::printf("%-28s median %7.1f ms   p10 %7.1f   p90 %7.1f   (%zu runs", name,
        bench::Median(mapped), bench::Percentile(mapped, 10), bench::Percentile(mapped, 90),
        mapped.size());
    if (mapped.size() < runs.size())
        std::printf(", %zu never mapped a window", runs.size() - mapped.size());
    std::printf(")\n");
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
            // The bench works in a folder of its own: a path relative to here would name nothing.
            paths.push_back(
                QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath().toStdString());
    }
    // The last path is the bare window's when two or more are given.
    const std::string bare = paths.size() > 1 ? paths.back() : BARE_WINDOW_PATH;
    if (paths.size() > 1)
        paths.pop_back();
    if (paths.empty())
        paths.emplace_back(QZ_REMOTE_PATH);
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
    // One warm-up run each, so the disk cache is equal for all.
    for (const std::string &panel : paths)
        TimeToMap(display, {panel, "--port", "/dev/null"});
    TimeToMap(display, {bare, "170"});
    std::vector<std::vector<double>> panelRuns(paths.size());
    std::vector<double> bareRuns;
    for (int i = 0; i < runs; ++i) {
        for (std::size_t p = 0; p < paths.size(); ++p)
            panelRuns[p].push_back(TimeToMap(display, {paths[p], "--port", "/dev/null"}));
        bareRuns.push_back(TimeToMap(display, {bare, "170"}));
    }
    // One panel is named as before; several by their paths.
    const auto name = [&](std::size_t p) {
        return paths.size() == 1 ? std::string("qz-remote (exec to map)") : paths[p];
    };
    for (std::size_t p = 0; p < paths.size(); ++p)
        Report(name(p).c_str(), panelRuns[p]);
    Report("bare Qt window, 170 widgets", bareRuns);
    for (std::size_t p = 0; p < paths.size(); ++p) {
        const std::vector<double> mapped = Mapped(panelRuns[p]);
        if (mapped.empty() || Mapped(bareRuns).empty())
            std::printf("difference of the medians, %s: none, a window was never mapped\n",
                name(p).c_str());
        else
            std::printf("difference of the medians, %s: %+.1f ms\n", name(p).c_str(),
                bench::Median(mapped) - bench::Median(Mapped(bareRuns)));
    }
    XCloseDisplay(display);
    return 0;
}
