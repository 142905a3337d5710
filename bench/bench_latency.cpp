// Prints how long an UP click takes to put its frequency command on the line; asserts nothing.
//
// A window runs in this process on a pseudo-terminal with the link on and the signal poll
// stopped. A reader thread sits in poll() on the master side and stamps the arrival of every CR
// ending an "FRQ" line; the main thread stamps the moment before each click. The click handler
// goes on to wait 10 ms after the write, so the click's own duration is printed apart. Clicks
// come no faster than the line carries their commands (20 bytes take 21 ms at 9600 baud), as an
// operator's do: back to back they would outrun the line, wait in the program's queue and all but
// the newest be replaced, and a click would no longer have a CR of its own to time.
//
//   bench_latency [--clicks N]
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

// The click returns at once; a 20-byte command takes 21 ms on the line and 10 ms of pause follow
// it: this far apart each click finds the line idle.
constexpr int kGapAfterClickMs = 30;

// Stamps the CR of every "FRQ" line that reaches the master side, until told to stop.
class LineStamper
{
public:
    LineStamper(int fd, size_t capacity)
        : m_fd(fd)
        , m_stamps(capacity)
    { }
    ~LineStamper() { stop(); }

    void start()
    {
        m_count = 0;
        m_run = true;
        m_thread = std::thread([this] { loop(); });
    }
    void stop()
    {
        m_run = false;
        if (m_thread.joinable())
            m_thread.join();
    }
    size_t count() const { return m_count.load(); }
    long long stamp(size_t i) const { return m_stamps[i]; }

private:
    void loop()
    {
        std::string line;
        while (m_run) {
            pollfd pfd {m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, 20) <= 0)
                continue;
            const long long now = bench::NowUs();
            char buffer[4096];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i) {
                if (buffer[i] != '\r') {
                    line += buffer[i];
                    continue;
                }
                const size_t c = m_count.load();
                if (line.rfind("FRQ ", 0) == 0 && c < m_stamps.size()) {
                    m_stamps[c] = now;
                    m_count = c + 1;
                }
                line.clear();
            }
        }
    }

    int m_fd;
    std::vector<long long> m_stamps;
    std::atomic<size_t> m_count {0};
    std::atomic<bool> m_run {false};
    std::thread m_thread;
};

void Report(const char *how, bool mouse, int clicks, QPushButton *up, int masterFd)
{
    LineStamper stamper(masterFd, size_t(clicks));
    std::vector<long long> clickedAt(static_cast<size_t>(clicks));
    std::vector<double> handler;
    stamper.start();
    for (int i = 0; i < clicks; ++i) {
        clickedAt[size_t(i)] = bench::NowUs();
        if (mouse)
            QTest::mouseClick(up, Qt::LeftButton);
        else
            up->click();
        handler.push_back(double(bench::NowUs() - clickedAt[size_t(i)]));
        QTest::qWait(kGapAfterClickMs);
    }
    const long long deadline = bench::NowUs() + 2000000;
    while (stamper.count() < size_t(clicks) && bench::NowUs() < deadline)
        QTest::qWait(10);
    stamper.stop();

    std::vector<double> latency;
    for (size_t i = 0; i < stamper.count(); ++i)
        latency.push_back(double(stamper.stamp(i) - clickedAt[i]));
    std::printf("UP by %s, %d clicks, %zu commands seen: click to CR median %.0f us, p90 %.0f us, "
                "p99 %.0f us, max %.0f us; whole click handler median %.0f us\n",
        how, clicks, latency.size(), bench::Median(latency), bench::Percentile(latency, 90),
        bench::Percentile(latency, 99), bench::Percentile(latency, 100), bench::Median(handler));
}

} // namespace

int main(int argc, char *argv[])
{
    int clicks = 1000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--clicks") == 0 && i + 1 < argc)
            clicks = std::max(1, std::atoi(argv[++i]));
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
    const Panel &p = window.panel();
    // Only the clicks' commands are wanted on the line: one hour between polls.
    window.session().setPollInterval(3600 * 1000);
    p.RadioOn->click();
    QTest::qWait(100);
    pty.readAvailable();

    bench::PrintMachine();
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    Report("click()", false, clicks, p.FrequencyUp, pty.masterFd());
    Report("QTest::mouseClick", true, clicks, p.FrequencyUp, pty.masterFd());
    // After a long session the sent-codes log is at its cap and every command drops its oldest
    // line as well.
    CodeLog &log = window.session().codesOut();
    for (int i = log.count(); i < log.capacity(); ++i)
        log.append(QStringLiteral("FRQ 0105.900;FM;BW3"));
    QTest::qWait(100);
    Report("click(), sent-codes log full", false, clicks, p.FrequencyUp, pty.masterFd());
    // The CODES page: the log's frame sits on it.
    p.SSTab1->setCurrentWidget(p.CodesOutFrame->parentWidget());
    QTest::qWait(100);
    Report(
        "click(), sent-codes log full and on screen", false, clicks, p.FrequencyUp, pty.masterFd());
    return 0;
}
