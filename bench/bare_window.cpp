// A bare Qt 6 window for comparison with the panel's start-up: a QMainWindow with a status bar
// and as many plain widgets as the panel has (labels, buttons, option buttons, lists), laid out
// by hand, and nothing else. It shows itself and runs until killed, or with --exit-when-shown
// until its first frame has been drawn (for profiling it next to the panel).
//
//   bare_window [WIDGETS] [--exit-when-shown]
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

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
    window.setFixedSize(631, 500);
    window.show();
    if (argc > 2 && std::strcmp(argv[2], "--exit-when-shown") == 0)
        new QuitWhenExposed(window.windowHandle());
    return app.exec();
}
