// Prints how many steps per second the frequency scan and the bank scan make; asserts nothing.
//
// A window and the simulated receiver run in this process; the working folder is a temporary one
// holding a generated memory file. After ON, SCAN (then Scan Bank) is clicked and left running.
// A step is counted at the receiver: every frequency command that tunes somewhere new. The bank
// scan runs twice: over channels that carry only a frequency (one command per step), and over
// channels that change mode, filter and step every time (up to three commands per step).
// The design rate is one step per 50 ms tick, 20 steps per second.
//
//   bench_scan [--seconds N]
#include "benchsupport.h"
#include "codelog.h"
#include "mainwindow.h"
#include "simreceiver.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

constexpr double kDesignStepsPerSecond = 1000.0 / 50.0;

// Counts the receiver's frequency commands, and the ones that moved it.
struct TuneCounter
{
    int commands = 0;
    int moves = 0;
    QString lastFrequency;

    void seen(const QString &line)
    {
        if (!line.startsWith(QLatin1String("FRQ ")))
            return;
        ++commands;
        const QString frequency = line.section(QLatin1Char(';'), 0, 0);
        if (frequency != lastFrequency)
            ++moves;
        lastFrequency = frequency;
    }
};

void Run(
    const char *label, MainWindow &window, QPushButton *button, int seconds, TuneCounter &counter)
{
    button->click();
    QTest::qWait(500); // past the first step
    const TuneCounter before = counter;
    const qint64 loggedBefore = window.session().codesOut().totalAppended();
    const long long start = bench::NowUs();
    QTest::qWait(seconds * 1000);
    const double wall = double(bench::NowUs() - start) / 1e6;
    const int steps = counter.moves - before.moves;
    const int commands = counter.commands - before.commands;
    const qint64 logged = window.session().codesOut().totalAppended() - loggedBefore;
    button->click();
    QTest::qWait(200);
    std::printf("%s: %.2f steps/s (%d steps in %.1f s; design %.0f/s = %.0f %%), %.2f commands/s "
                "at the receiver, %lld lines logged\n",
        label, double(steps) / wall, steps, wall, kDesignStepsPerSecond,
        100.0 * double(steps) / wall / kDesignStepsPerSecond, double(commands) / wall,
        static_cast<long long>(logged));
}

bool WriteMemoryFile(const QTemporaryDir &folder, bool mixedModes)
{
    QFile file(folder.filePath(QStringLiteral("QZMemory.txt")));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bench::MemoryFile(mixedModes));
    return true;
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
    if (!folder.isValid() || !WriteMemoryFile(folder, false)) {
        std::fprintf(stderr, "cannot write a memory file in a temporary folder\n");
        return 1;
    }
    QDir::setCurrent(folder.path());

    SimReceiver receiver;
    if (!receiver.isOpen()) {
        std::fprintf(
            stderr, "cannot open a pseudo-terminal: %s\n", qPrintable(receiver.errorString()));
        return 1;
    }
    TuneCounter counter;
    QObject::connect(&receiver, &SimReceiver::commandReceived, &receiver,
        [&counter](const QString &line) { counter.seen(line); });

    MainWindow window(receiver.slavePath());
    window.show();
    const Panel &p = window.panel();
    p.RadioOn->click();
    QTest::qWait(300);
    if (!receiver.isRemote()) {
        std::fprintf(stderr, "the receiver did not go into remote control\n");
        return 1;
    }

    bench::PrintMachine();
    std::printf(
        "platform %s, %d s per scan\n", qPrintable(QGuiApplication::platformName()), seconds);
    Run("frequency scan", window, p.Scan, seconds, counter);
    Run("bank scan, frequency only", window, p.ScanBank, seconds, counter);
    // Reload bank 1 from a file whose channels change mode, filter and step.
    WriteMemoryFile(folder, true);
    p.MemoryBanks->setCurrentIndex(1);
    p.MemoryBanks->setCurrentIndex(0);
    Run("bank scan, mode+filter+step", window, p.ScanBank, seconds, counter);
    std::printf("receiver: %d lines, %d rejected, %d queries answered\n", receiver.linesReceived(),
        receiver.linesRejected(), receiver.queriesAnswered());
    return 0;
}
