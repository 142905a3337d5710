// Prints what the panel gets through a 9600-baud line; asserts nothing.
//
// A window runs in this process and the simulated receiver, at line speed (960 bytes a second
// each way, a few milliseconds a command), on a thread of its own, which notes the time each
// command is acted on.
//
// Knob: the left button is held on the tuning knob (100 kHz steps) five times. After the fifteen
// paced steps the hold runs fast, each step a 20-byte frequency command, more than the line
// carries (at most 48 a second); the fast phase's frequency commands per second at the receiver
// are counted, then the button is released and the time until the receiver acts on the displayed
// frequency is taken.
//
// Bank scan: bank 1 holds 32 channels that change mode, filter and step at every recall (three
// frequency commands per step); steps per second are counted at the receiver, as in bench_scan.
//
//   bench_line [--seconds N]
#include "benchsupport.h"
#include "codelog.h"
#include "commandlink.h"
#include "mainwindow.h"
#include "receiversession.h"
#include "serialline.h"
#include "simreceiver.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMutex>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstring>

namespace {

constexpr int kFrequencyCommandBytes = 20;
constexpr double kDesignStepsPerSecond = 1000.0 / 50.0;

struct Acted
{
    long long atUs;
    QString line;
};

// What the receiver acted on, with when; written on the receiver's thread.
class ReceiverLog
{
public:
    void add(const QString &line)
    {
        const long long at = bench::NowUs();
        QMutexLocker lock(&m_mutex);
        m_lines.push_back({at, line});
    }
    std::vector<Acted> since(long long fromUs) const
    {
        QMutexLocker lock(&m_mutex);
        std::vector<Acted> out;
        for (const Acted &acted : m_lines) {
            if (acted.atUs >= fromUs)
                out.push_back(acted);
        }
        return out;
    }

private:
    mutable QMutex m_mutex;
    std::vector<Acted> m_lines;
};

bool IsFrequency(const QString &line)
{
    return line.startsWith(QLatin1String("FRQ "));
}

// "FRQ 0145.500;FM;BW3" and the display " 145.500.000" name the same frequency.
bool SameFrequency(const QString &command, const QString &display)
{
    return command.mid(4, 8) == display.left(8).replace(QLatin1Char(' '), QLatin1Char('0'));
}

void Knob(MainWindow &window, const ReceiverLog &log)
{
    const Panel &p = window.panel();
    p.TuningStep->setCurrentIndex(p.TuningStep->findText(QStringLiteral("100 KHz")));
    constexpr int kHolds = 5;
    constexpr int kHoldMs = 6000;
    constexpr int kFastFromMs = 2600; // after the fifteen paced steps of 0.15 s
    std::vector<double> rates;
    std::vector<double> lags;
    const double lineLimit = kLineBytesPerSecond / kFrequencyCommandBytes;
    for (int hold = 1; hold <= kHolds; ++hold) {
        long long fastFrom = 0;
        long long releasedAt = 0;
        double fastFromMHz = 0;
        double fastToMHz = 0;
        QTimer::singleShot(kFastFromMs, &window, [&] {
            fastFrom = bench::NowUs();
            fastFromMHz = window.state().CurrentFrequency;
        });
        QTimer::singleShot(kHoldMs, &window, [&] {
            releasedAt = bench::NowUs();
            fastToMHz = window.state().CurrentFrequency;
            QTest::mouseRelease(p.TuningKnob, Qt::LeftButton);
        });
        const qint64 replacedBefore = window.session().link().replacedCommands();
        QTest::mousePress(p.TuningKnob, Qt::LeftButton);
        QTest::qWait(kHoldMs + 1000); // the hold, then the line drains
        int commands = 0;
        for (const Acted &acted : log.since(fastFrom)) {
            if (IsFrequency(acted.line) && acted.atUs < releasedAt)
                ++commands;
        }
        const double fastSeconds = double(releasedAt - fastFrom) / 1e6;
        const double rate = commands / fastSeconds;
        const double steps = (fastToMHz - fastFromMHz) / 0.1 / fastSeconds;
        // The last command the receiver acted on, which must be the displayed frequency.
        const QString display = p.DisplayFrequency->line();
        double lagMs = -1;
        for (const Acted &acted : log.since(releasedAt)) {
            if (IsFrequency(acted.line))
                lagMs = SameFrequency(acted.line, display) ? double(acted.atUs - releasedAt) / 1e3
                                                           : -1;
        }
        rates.push_back(rate);
        if (lagMs >= 0)
            lags.push_back(lagMs);
        std::printf("knob hold %d: fast phase %.1f s, %.1f frequency commands/s at the receiver "
                    "(line limit %.0f/s = %.0f %%), %.1f steps/s on the display, %lld replaced; "
                    "release to the receiver acting on the displayed frequency: %s\n",
            hold, fastSeconds, rate, lineLimit, 100.0 * rate / lineLimit, steps,
            static_cast<long long>(window.session().link().replacedCommands() - replacedBefore),
            lagMs >= 0 ? qPrintable(QStringLiteral("%1 ms").arg(lagMs, 0, 'f', 1))
                       : "never (it ended elsewhere)");
    }
    std::printf("knob summary: median %.1f frequency commands/s (line limit %.0f/s); release to "
                "last command acted on: median %.1f ms, max %.1f ms (%zu of %d holds ended on the "
                "display)\n",
        bench::Median(rates), lineLimit, bench::Median(lags),
        lags.empty() ? 0.0 : *std::max_element(lags.begin(), lags.end()), lags.size(), kHolds);
}

void BankScan(MainWindow &window, const ReceiverLog &log, int seconds)
{
    const Panel &p = window.panel();
    p.ScanBank->click();
    QTest::qWait(500); // past the first step
    const long long start = bench::NowUs();
    const qint64 replacedBefore = window.session().link().replacedCommands();
    QTest::qWait(seconds * 1000);
    const long long end = bench::NowUs();
    p.ScanBank->click();
    QTest::qWait(500);
    int commands = 0;
    int moves = 0;
    QString lastFrequency;
    for (const Acted &acted : log.since(start)) {
        if (acted.atUs >= end || !IsFrequency(acted.line))
            continue;
        ++commands;
        const QString frequency = acted.line.section(QLatin1Char(';'), 0, 0);
        if (frequency != lastFrequency)
            ++moves;
        lastFrequency = frequency;
    }
    const double wall = double(end - start) / 1e6;
    std::printf("bank scan, mode+filter+step, line speed: %.2f steps/s (%d in %.1f s; design "
                "%.0f/s = %.0f %%), %.2f frequency commands/s at the receiver (line limit %.0f/s), "
                "%lld replaced\n",
        moves / wall, moves, wall, kDesignStepsPerSecond,
        100.0 * moves / wall / kDesignStepsPerSecond, commands / wall,
        kLineBytesPerSecond / kFrequencyCommandBytes,
        static_cast<long long>(window.session().link().replacedCommands() - replacedBefore));
}

} // namespace

int main(int argc, char *argv[])
{
    int seconds = 20;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::max(1, std::atoi(argv[++i]));
    }
    bench::UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);

    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("QZMemory.txt")));
    if (!folder.isValid() || !file.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write a memory file in a temporary folder\n");
        return 1;
    }
    file.write(bench::MemoryFile(true));
    file.close();
    QDir::setCurrent(folder.path());

    // The receiver lives on its own thread, so that the panel's work cannot delay the line.
    QThread simThread;
    QObject anchor;
    anchor.moveToThread(&simThread);
    simThread.start();
    SimReceiver *receiver = nullptr;
    ReceiverLog log;
    QMetaObject::invokeMethod(
        &anchor,
        [&] {
            receiver = new SimReceiver;
            receiver->setTiming(SimReceiver::Timing::LineSpeed);
            QObject::connect(receiver, &SimReceiver::commandReceived, receiver,
                [&log](const QString &line) { log.add(line); });
        },
        Qt::BlockingQueuedConnection);
    if (!receiver->isOpen()) {
        std::fprintf(
            stderr, "cannot open a pseudo-terminal: %s\n", qPrintable(receiver->errorString()));
        return 1;
    }

    int status = 0;
    {
        MainWindow window(receiver->slavePath());
        window.show();
        const Panel &p = window.panel();
        p.RadioOn->click();
        QTest::qWait(500);
        if (log.since(0).empty() || log.since(0).front().line != QLatin1String("RMT")) {
            std::fprintf(stderr, "the receiver did not go into remote control\n");
            status = 1;
        } else {
            bench::PrintMachine();
            std::printf("platform %s, receiver at line speed (%.0f bytes/s each way, %d ms a "
                        "command)\n",
                qPrintable(QGuiApplication::platformName()), kLineBytesPerSecond,
                SimReceiver::kDefaultActMs);
            Knob(window, log);
            BankScan(window, log, seconds);
        }
        p.RadioOff->click();
    }
    QMetaObject::invokeMethod(
        &anchor, [&] { delete receiver; }, Qt::BlockingQueuedConnection);
    simThread.quit();
    simThread.wait();
    return status;
}
