// A bare Qt 6 window for comparison with the panel's start-up: a QMainWindow with a status bar
// and as many plain widgets as the panel has (labels, buttons, option buttons, lists), laid out
// by hand, and nothing else. It shows itself and runs until killed, or with --exit-when-shown
// until its first frame has been drawn (for profiling it next to the panel). With --clock it does
// at idle what the panel's design asks of it: a timer every 300 ms, and the time shown in a
// status bar panel when the second has changed (for the idle figure next to the panel's).
//
//   bare_window [WIDGETS] [--exit-when-shown | --clock]
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QWindow>

#include <cstdlib>
#include <cstring>

namespace {

class QuitWhenExposed : public QObject
{
public:
    explicit QuitWhenExposed(QWindow *window)
        : QObject(window)
    {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed())
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int widgets = argc > 1 ? std::atoi(argv[1]) : 200;
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare window"));
    auto *client = new QWidget(&window);
    for (int i = 0; i < widgets; ++i) {
        QWidget *w = nullptr;
        switch (i % 4) {
        case 0:
            w = new QLabel(QStringLiteral("Label %1").arg(i), client);
            break;
        case 1:
            w = new QPushButton(QStringLiteral("Button %1").arg(i), client);
            break;
        case 2:
            w = new QRadioButton(QStringLiteral("Option %1").arg(i), client);
            break;
        default:
            w = new QCheckBox(QStringLiteral("Check %1").arg(i), client);
            break;
        }
        w->setGeometry((i % 8) * 78, (i / 8) * 18 % 460, 76, 17);
    }
    window.setCentralWidget(client);
    window.statusBar()->showMessage(QStringLiteral("ready"));
    auto *clock = new QLabel(window.statusBar());
    clock->setFixedSize(93, 15);
    window.statusBar()->addPermanentWidget(clock);
    window.setFixedSize(631, 500);
    window.show();
    const char *mode = argc > 2 ? argv[2] : "";
    if (std::strcmp(mode, "--exit-when-shown") == 0)
        new QuitWhenExposed(window.windowHandle());
    QTimer tick;
    int shownSecond = -1;
    if (std::strcmp(mode, "--clock") == 0) {
        QObject::connect(&tick, &QTimer::timeout, clock, [&] {
            const QTime now = QTime::currentTime();
            if (now.second() != shownSecond) {
                shownSecond = now.second();
                clock->setText(now.toString());
            }
        });
        tick.start(300);
    }
    return app.exec();
}
