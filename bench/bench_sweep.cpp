// Prints what the band sweep achieves; asserts nothing.
//
//   bench_sweep [--seconds N] [--sweep START:STOP:STEP] [--dwell MS] [PATH-TO-qz-remote]
//       Rate and processor share: the bench plays the receiver (the simulated receiver, in this
//       process) and starts `qz-remote --port <its pty> --sweep ... --threshold 255`, so the window
//       is open and sweeping and no signal stops it. Steps are counted at the receiver (signal
//       queries answered) and set against what the serial line allows at the dwell: per step the
//       frequency command, "SS?" and the reply cross a 9600-baud line (960 bytes a second) one
//       after the other, plus the dwell. A pseudo-terminal has no line speed, so the sweep itself
//       counts the command's line time into the dwell, as it does on a real port.
//   bench_sweep --soak STEPS
//       Memory over a long run, compressed: the sweep and its open window in this process against
//       an instant stand-in receiver (no dwell, no line time), a signal every fourth step recorded
//       as a hit without holding (so the hits table fills to its cap). VmRSS every tenth of the
//       run. An hour at the line's pace is about 66,000 steps.
//   bench_sweep --screenshot FILE [--passes N]
//       The window over the simulated receiver after N sweeps of 100 to 160 MHz, saved as PNG.
#include "bandactivity.h"
#include "bandactivitywindow.h"
#include "bandsweep.h"
#include "benchsupport.h"
#include "frequencyformat.h"
#include "mainwindow.h"
#include "serialline.h"
#include "simreceiver.h"
#include "sweepoptions.h"
#include "sweepplot.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

pid_t Start(const std::string &program, const std::vector<std::string> &arguments)
{
    return bench::Spawn(program, arguments);
}

int Rate(const std::string &program, const QString &sweep, int dwellMs, int seconds)
{
    SimReceiver receiver;
    if (!receiver.isOpen()) {
        std::fprintf(stderr, "cannot open a pseudo-terminal\n");
        return 1;
    }
    // The receiver reads, acts and answers at 9600 baud, as hardware does.
    receiver.setTiming(SimReceiver::Timing::LineSpeed);
    const pid_t pid = Start(program,
        {"--port", receiver.slavePath().toStdString(), "--sweep", sweep.toStdString(), "--dwell",
            std::to_string(dwellMs), "--threshold", "255"});
    if (pid < 0)
        return 1;
    const QString id = QString::number(pid);
    bench::RunEventsFor(3000);
    const int queriesBefore = receiver.queriesAnswered();
    const double cpuBefore = bench::CpuSeconds(id);
    const long long wallBefore = bench::NowUs();
    bench::RunEventsFor(seconds * 1000);
    const double cpu = bench::CpuSeconds(id) - cpuBefore;
    const double wall = double(bench::NowUs() - wallBefore) / 1e6;
    const int steps = receiver.queriesAnswered() - queriesBefore;
    const long rss = bench::VmRssKb(id);
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);

    // Bytes on the line per step: the frequency command and CR, "SS?" and CR, "SS 0ddd" CR LF.
    const int tuneBytes = int(FrequencyCommand(145.0, "FM", "BW3").size()) + 1;
    const int queryBytes = 4;
    const int replyBytes = 9;
    const double lineMsPerStep
        = dwellMs + 1000.0 * (tuneBytes + queryBytes + replyBytes) / kLineBytesPerSecond;
    const double allowed = 1000.0 / lineMsPerStep;
    const double rate = double(steps) / wall;
    std::printf("sweep %s, dwell %d ms: %.2f steps/s (%d in %.1f s); the line allows %.2f steps/s "
                "(%d+%d+%d bytes at 960 B/s + dwell = %.1f ms a step): %.0f %%\n",
        qPrintable(sweep), dwellMs, rate, steps, wall, allowed, tuneBytes, queryBytes, replyBytes,
        lineMsPerStep, 100.0 * rate / allowed);
    // The receiver also takes its time to act on each of the two commands.
    const double withActing = 1000.0 / (lineMsPerStep + 2 * receiver.actMs());
    std::printf("counting the receiver's %d ms to act on each command: %.2f steps/s allowed, "
                "%.0f %%\n",
        receiver.actMs(), withActing, 100.0 * rate / withActing);
    std::printf("qz-remote with the window open and sweeping: CPU %.2f %% of one core (%.2f s "
                "user+sys in %.1f s), VmRSS %ld kB\n",
        100.0 * cpu / wall, cpu, wall, rss);
    return 0;
}

// Answers every query at once: a signal of 180 on every fourth step, noise elsewhere.
class InstantPort : public SweepPort
{
public:
    bool LinkIsOn() const override { return true; }
    void Tune(double frequencyMHz) override { m_index = int(std::lround(frequencyMHz * 1000)); }
    void AskSignal(std::function<void(std::optional<int>)> done) override
    {
        const int reading = m_index % 100 == 0 ? 180 : 9;
        QTimer::singleShot(0, sweep, [reading, done = std::move(done)] { done(reading); });
    }
    int LineBacklogMs() const override { return 0; }
    QString ModeWord() const override { return QStringLiteral("FM"); }
    QString FilterWord() const override { return QStringLiteral("BW3"); }
    BandSweep *sweep = nullptr;

private:
    int m_index = 0;
};

int Soak(long long steps)
{
    InstantPort port;
    BandSweep sweep(port);
    port.sweep = &sweep;
    sweep.setDwellMs(0);
    sweep.setHoldMs(0);
    sweep.setThreshold(100);
    BandActivityWindow window(sweep);
    window.setPlan(*ParseSweepPlan("144:146:0.025").plan);
    window.show();
    bench::RunEventsFor(200);
    const long startRss = bench::VmRssKb();
    std::printf("soak: %lld steps of 144-146 MHz by 25 kHz (81 steps a sweep), window open; "
                "VmRSS at start %ld kB\n",
        steps, startRss);
    window.StartSweep();
    const long long start = bench::NowUs();
    long long reported = 0;
    while (sweep.stepsTaken() < steps && sweep.isRunning()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (sweep.stepsTaken() >= reported + steps / 10) {
            reported = sweep.stepsTaken();
            std::printf("  %7lld steps: VmRSS %ld kB, waterfall rows %d (of %lld sweeps), hits "
                        "kept %d, %.1f s\n",
                reported, bench::VmRssKb(), sweep.waterfall().rowCount(),
                sweep.waterfall().totalRows(), window.hitCount(),
                double(bench::NowUs() - start) / 1e6);
            std::fflush(stdout);
        }
    }
    sweep.Stop();
    return 0;
}

int Screenshot(const QString &file, int passes)
{
    SimReceiver receiver;
    receiver.setSeed(16);
    MainWindow panel(receiver.slavePath());
    panel.show();
    BandActivity bandActivity(panel.session());
    QCommandLineParser parser;
    AddSweepOptions(parser);
    parser.parse({"qz-remote", "--sweep", "100:160:0.1", "--threshold", "150", "--hold", "0"});
    // Faster than the line for the picture: no dwell, and a line far faster than 9600 baud.
    panel.session().setLineBytesPerSecond(1e6);
    SweepCommandLine options = ReadSweepOptions(parser);
    options.settings.dwellMs = 0;
    bandActivity.Apply(options);
    BandActivityWindow &window = bandActivity.window();
    window.resize(1000, 720);
    QSignalSpy finished(&panel.session().sweep(), &BandSweep::sweepFinished);
    while (finished.count() < passes)
        bench::RunEventsFor(100);
    // Stop half way through the next sweep, the pointer over 145.5 MHz.
    while (panel.session().sweep().currentIndex() < 300)
        bench::RunEventsFor(10);
    panel.session().sweep().Stop();
    SweepPlot *plot = window.plot();
    QTest::mouseMove(plot, QPoint(plot->XForIndex(455), plot->YForReading(120)));
    bench::RunEventsFor(200);
    const bool saved = window.grab().save(file);
    std::printf("%s %s (%d sweeps)\n", saved ? "saved" : "could not save", qPrintable(file),
        int(finished.count()));
    panel.PowerOff();
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    int seconds = 30;
    int dwellMs = SweepSettings::kDefaultDwellMs;
    int passes = 12;
    long long soakSteps = 0;
    QString sweep = QStringLiteral("144:146:0.025");
    QString screenshot;
    std::string program = QZ_REMOTE_PATH;
    for (int i = 1; i < argc; ++i) {
        const auto is = [&](const char *name) {
            return std::strcmp(argv[i], name) == 0 && i + 1 < argc;
        };
        if (is("--seconds"))
            seconds = std::max(1, std::atoi(argv[++i]));
        else if (is("--dwell"))
            dwellMs = std::max(0, std::atoi(argv[++i]));
        else if (is("--sweep"))
            sweep = QString::fromLocal8Bit(argv[++i]);
        else if (is("--soak"))
            soakSteps = std::max(1LL, std::atoll(argv[++i]));
        else if (is("--screenshot"))
            screenshot = QString::fromLocal8Bit(argv[++i]);
        else if (is("--passes"))
            passes = std::max(1, std::atoi(argv[++i]));
        else
            program = argv[i];
    }
    bench::UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    bench::PrintMachine();
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    if (!screenshot.isEmpty())
        return Screenshot(screenshot, passes);
    if (soakSteps > 0)
        return Soak(soakSteps);
    return Rate(program, sweep, dwellMs, seconds);
}
