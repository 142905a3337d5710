// A one-hour frequency scan, compressed: prints resident memory and the time per step as 72,000
// scan steps (an hour at one step per 50 ms) run back to back; asserts nothing.
//
// A shown window runs in this process with the link on to a pseudo-terminal whose master side a
// thread drains and counts. The signal poll is stopped and the scan step is called directly, as
// fast as its own two 10 ms pacing waits allow, so the run takes some 25 minutes. Resident memory
// should level off and the time per step stay flat; the sent-codes log must stay at its cap.
//
// With --codes-page the CODES page is on screen, so the sent-codes log is laid out as it fills.
//
//   bench_soak [--steps N] [--codes-page]
#include "benchsupport.h"
#include "codelog.h"
#include "mainwindow.h"
#include "pseudoterminal.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <atomic>
#include <cstring>
#include <poll.h>

namespace {

// Reads the master side so the line never fills, counting the command lines that arrive.
class Drain
{
public:
    explicit Drain(int fd)
        : m_fd(fd)
        , m_thread([this] { loop(); })
    { }
    ~Drain()
    {
        m_run = false;
        m_thread.join();
    }
    long long lines() const { return m_lines.load(); }

private:
    void loop()
    {
        while (m_run) {
            pollfd pfd {m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] == '\r')
                    ++m_lines;
            }
        }
    }

    int m_fd;
    std::atomic<bool> m_run {true};
    std::atomic<long long> m_lines {0};
    std::thread m_thread;
};

} // namespace

int main(int argc, char *argv[])
{
    int steps = 72000;
    bool codesPage = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--steps") == 0 && i + 1 < argc)
            steps = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--codes-page") == 0)
            codesPage = true;
    }
    bench::UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);

    PseudoTerminal pty;
    if (!pty.isOpen()) {
        std::fprintf(stderr, "cannot open a pseudo-terminal: %s\n", qPrintable(pty.errorString()));
        return 1;
    }
    MainWindow window(pty.slavePath());
    window.show();
    if (codesPage)
        window.panel().SSTab1->setCurrentWidget(window.panel().CodesOutFrame->parentWidget());
    // One hour between polls: only the scan's commands are wanted on the line.
    window.session().setPollInterval(3600 * 1000);
    window.panel().RadioOn->click();
    Drain drain(pty.masterFd());
    QTest::qWait(200);

    bench::PrintMachine();
    std::printf("platform %s, %d scan steps, %s page on screen\n",
        qPrintable(QGuiApplication::platformName()), steps, codesPage ? "CODES" : "MAIN");
    const long startRss = bench::VmRssKb();
    std::printf(
        "%8s %10s %12s %14s %10s\n", "steps", "VmRSS kB", "ms/step", "CodesOut lines", "received");
    std::printf("%8d %10ld %12s %14d %10lld\n", 0, startRss, "-",
        window.session().codesOut().count(), drain.lines());

    ReceiverSession &session = window.session();
    const long long start = bench::NowUs();
    long long blockStart = start;
    int blockFirst = 0;
    for (int i = 1; i <= steps; ++i) {
        session.ScanStep();
        if (i % 10000 == 0 || i == steps) {
            const long long now = bench::NowUs();
            std::printf("%8d %10ld %12.3f %14d %10lld\n", i, bench::VmRssKb(),
                double(now - blockStart) / 1000.0 / double(i - blockFirst),
                window.session().codesOut().count(), drain.lines());
            std::fflush(stdout);
            blockStart = now;
            blockFirst = i;
        }
    }
    const double total = double(bench::NowUs() - start) / 1e6;
    QTest::qWait(200);
    std::printf("total %.1f s, %.3f ms/step; VmRSS %ld -> %ld kB (peak %ld kB); CodesOut %d lines "
                "kept of %lld appended (cap %d); %lld lines reached the receiver\n",
        total, total * 1000.0 / steps, startRss, bench::VmRssKb(),
        bench::StatusKb(QStringLiteral("self"), "VmHWM"), window.session().codesOut().count(),
        static_cast<long long>(window.session().codesOut().totalAppended()),
        window.session().codesOut().capacity(), drain.lines());
    return 0;
}
