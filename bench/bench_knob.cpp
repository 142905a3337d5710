// Prints the processor share and step rate of a held tuning knob with the link off; asserts
// nothing.
//
// A window runs in this process with its port never opened and the tuning step at 1 kHz (so the
// count cannot wrap round the range). The left button is held on the knob: after the fifteen paced
// steps (2.25 s) the hold runs fast, and the fast phase is measured for 3 s with getrusage().
// With the link on, each fast step is paced by its frequency command's 10 ms wait; with it off the
// same pace is expected, not a spinning loop.
//
//   bench_knob
#include "benchsupport.h"
#include "mainwindow.h"
#include "panelwidgets.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

namespace {

double CpuSecondsSelf()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    bench::UseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    MainWindow window(QStringLiteral("/dev/null"));
    window.show();
    const Panel &p = window.panel();
    p.TuningStep->setCurrentIndex(p.TuningStep->findText(QStringLiteral("1 KHz")));

    double cpuStart = 0;
    double frequencyStart = 0;
    long long wallStart = 0;
    double cpu = 0;
    double steps = 0;
    long long wall = 0;
    QTimer::singleShot(2500, &window, [&] {
        cpuStart = CpuSecondsSelf();
        frequencyStart = window.state().CurrentFrequency;
        wallStart = bench::NowUs();
    });
    QTimer::singleShot(5500, &window, [&] {
        cpu = CpuSecondsSelf() - cpuStart;
        steps = (window.state().CurrentFrequency - frequencyStart) / 0.001;
        wall = bench::NowUs() - wallStart;
        QTest::mouseRelease(p.TuningKnob, Qt::LeftButton);
    });
    QTest::mousePress(p.TuningKnob, Qt::LeftButton);

    bench::PrintMachine();
    const double seconds = double(wall) / 1e6;
    std::printf("knob held, link off, fast phase %.1f s: CPU %.0f %% of one core, %.0f steps/s\n",
        seconds, 100.0 * cpu / seconds, steps / seconds);
    return 0;
}
