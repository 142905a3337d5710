// Prints how long qz-remote takes from being started to showing its window; asserts nothing.
//
// Each run starts `qz-remote --simulate --exit-when-shown` in a folder holding a full memory file.
// The program prints the monotonic clock once its first frame is drawn; the time counted here runs
// from just before the process is spawned, so fork, exec, loading the libraries, building the
// panel and loading bank 1 are all in it. Without DISPLAY the offscreen platform is used; under
// xvfb-run the real X11 one.
//
//   bench_startup [--runs N] [PATH-TO-qz-remote]
#include "benchsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

struct Run
{
    double shownMs = -1;
    double exitedMs = -1;
};

// Reads one line from fd, waiting at most timeoutMs in all.
std::string ReadLine(int fd, int timeoutMs)
{
    std::string line;
    const long long deadline = bench::NowUs() + timeoutMs * 1000LL;
    while (line.find('\n') == std::string::npos) {
        const long long left = (deadline - bench::NowUs()) / 1000;
        pollfd pfd {fd, POLLIN, 0};
        if (left <= 0 || ::poll(&pfd, 1, int(left)) <= 0)
            break;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        line.append(buffer, size_t(n));
    }
    return line;
}

Run StartOnce(const char *program, char **env)
{
    Run run;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char *argv[] = {const_cast<char *>(program), const_cast<char *>("--simulate"),
        const_cast<char *>("--exit-when-shown"), nullptr};

    const long long start = bench::NowUs();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, env);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", program, std::strerror(spawned));
        ::close(out[0]);
        return run;
    }
    const std::string line = ReadLine(out[0], 60000);
    ::close(out[0]);
    const std::string key = "shown-at-us ";
    if (line.rfind(key, 0) == 0)
        run.shownMs = double(std::atoll(line.c_str() + key.size()) - start) / 1000.0;
    else
        ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitedMs = double(bench::NowUs() - start) / 1000.0;
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    int runs = 9;
    std::string program = QZ_REMOTE_PATH;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            program = argv[i];
    }

    // Start-up loads bank 1 from the working folder's memory file: give it a full one.
    QTemporaryDir folder;
    QFile memory(folder.filePath(QStringLiteral("QZMemory.txt")));
    if (!folder.isValid() || !memory.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write a memory file in a temporary folder\n");
        return 1;
    }
    memory.write(bench::MemoryFile(false));
    memory.close();
    QDir::setCurrent(folder.path());

    std::vector<std::string> envText;
    for (char **e = environ; *e; ++e)
        envText.emplace_back(*e);
    const bool x11 = std::getenv("DISPLAY") != nullptr;
    if (!x11 && !std::getenv("QT_QPA_PLATFORM"))
        envText.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char *> env;
    for (std::string &e : envText)
        env.push_back(e.data());
    env.push_back(nullptr);

    bench::PrintMachine();
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    std::printf("program: %s --simulate --exit-when-shown (platform %s)\n", program.c_str(),
        platform ? platform : (x11 ? "xcb" : "offscreen"));

    // The first start fills the page cache with the program and its libraries; it is shown but
    // not counted.
    const Run warm = StartOnce(program.c_str(), env.data());
    std::printf("warm-up run: shown %.1f ms, exited %.1f ms\n", warm.shownMs, warm.exitedMs);

    std::vector<double> shown;
    std::vector<double> exited;
    for (int i = 0; i < runs; ++i) {
        const Run run = StartOnce(program.c_str(), env.data());
        std::printf("run %d: shown %.1f ms, exited %.1f ms\n", i + 1, run.shownMs, run.exitedMs);
        if (run.shownMs < 0) {
            std::printf("  (the window was never reported shown)\n");
            continue;
        }
        shown.push_back(run.shownMs);
        exited.push_back(run.exitedMs);
    }
    if (shown.empty())
        return 1;
    std::printf("start to window shown: median %.1f ms, min %.1f, max %.1f over %zu runs\n",
        bench::Median(shown), bench::Percentile(shown, 0), bench::Percentile(shown, 100),
        shown.size());
    std::printf("start to process ended: median %.1f ms\n", bench::Median(exited));
    return 0;
}
