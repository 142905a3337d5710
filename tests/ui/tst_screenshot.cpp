#include "bandactivity.h"
#include "bandactivitygroup.h"
#include "bandactivitywindow.h"
#include "bandsweep.h"
#include "mainwindow.h"
#include "optionspage.h"
#include "rigctldgroup.h"
#include "rigctlserver.h"
#include "sessionrigtarget.h"
#include "simreceiver.h"
#include "sweepoptions.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

// Pictures of every page of the panel and of band activity beside it for the README, taken as the
// program draws itself on the display it is given (Xvfb in the test run). They are written to docs/
// in the build tree; scripts/screenshots.sh copies them into the source tree's docs/.
class TestScreenshot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void panelOnTheSimulatedReceiver();

private:
    void Save(QWidget &window, const QString &name);

    QString m_out;
};

void TestScreenshot::initTestCase()
{
    // As the program itself starts.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    m_out = QStringLiteral(QZ_BINARY_DIR "/docs");
    QVERIFY(QDir().mkpath(m_out));
    // Bank 01 of the example memory file, as ./run.sh shows it.
    QVERIFY(QDir::setCurrent(QStringLiteral(QZ_SOURCE_DIR "/examples")));
}

void TestScreenshot::panelOnTheSimulatedReceiver()
{
    SimReceiver receiver;
    QVERIFY(receiver.isOpen());
    MainWindow window(receiver.slavePath());
    window.optionsPage().setPortLister([&receiver](QString *) {
        QList<PortEntry> ports = SystemPorts();
        ports << PortEntry {
            receiver.slavePath(), "Simulated receiver (qz-sim)", "QZ Remote", "", ""};
        return ports;
    });
    // The OPTIONS page as the program fills it.
    SessionRigTarget rigTarget(window.session(), window.controls());
    RigctlServer server(rigTarget);
    BandActivity bandActivity(window.session());
    window.optionsPage().addGroup(
        new RigctldGroup([&server](QString *) -> NetworkServer * { return &server; }));
    window.optionsPage().addGroup(
        new BandActivityGroup([&bandActivity] { bandActivity.OpenWindow(); }));
    QObject::connect(window.panel().BandActivityButton, &QPushButton::clicked, &bandActivity,
        &BandActivity::OpenWindow);
    window.move(0, 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.panel().RadioOn->click();
    // Tuned a little beside the station on 105.9 MHz, so the meter shows a middling signal.
    for (int i = 0; i < 3; ++i)
        window.panel().FrequencyUp->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.panel().SignalStrengthMeter->line().count('|') > 20, 5000);

    const QImage panel = window.grab().toImage();
    QCOMPARE(panel.size(), window.size());
    const Panel &p = window.panel();
    QCOMPARE(panel.pixelColor(p.OnOffLabel->geometry().center()), QColor(0, 255, 0));
    QCOMPARE(panel.pixelColor(p.ScanLabel->geometry().center()), QColor(255, 0, 0));
    const QRect meter = p.SignalStrengthMeter->geometry();
    // The bars are blue, or red above level 110 (the simulated signal has noise on it).
    int bars = 0;
    for (int x = meter.left(); x <= meter.right(); ++x) {
        const QColor c = panel.pixelColor(x, meter.center().y());
        bars += c == QColor(0, 0, 255) || c == QColor(255, 0, 0) ? 1 : 0;
    }
    QVERIFY2(bars > 20, qPrintable(QString::number(bars)));
    QTRY_COMPARE(p.LinkStatePanel->text(), QStringLiteral("On"));
    QVERIFY(panel.save(m_out + QStringLiteral("/panel.png")));

    // Every other page, each checked for what it is there to show.
    p.SSTab1->setCurrentIndex(1);
    QVERIFY(p.CodesOut->model()->rowCount() > 0 && p.CodesIn->model()->rowCount() > 0);
    Save(window, QStringLiteral("codes.png"));
    p.SSTab1->setCurrentIndex(2);
    Save(window, QStringLiteral("keypad.png"));
    p.SSTab1->setCurrentIndex(3);
    QCOMPARE(p.MemoryBanks->currentText(), QStringLiteral("MEMORY BANK #01"));
    QVERIFY(p.Memory[1]->text() != QStringLiteral("EMPTY"));
    Save(window, QStringLiteral("memory.png"));
    p.SSTab1->setCurrentIndex(4);
    Save(window, QStringLiteral("load.png"));

    p.SSTab1->setCurrentIndex(5);
    auto *list = window.findChild<QTreeWidget *>(QStringLiteral("PortList"));
    const QList<QTreeWidgetItem *> rows
        = list->findItems(receiver.slavePath(), Qt::MatchExactly, 0);
    QCOMPARE(rows.size(), 1);
    rows.front()->setSelected(true);
    Save(window, QStringLiteral("options.png"));
    // Every group of the page in view without scrolling.
    for (const char *name :
        {"SerialPortGroup", "KeyboardGroup", "RigctldGroup", "BandActivityGroup"}) {
        auto *group = window.findChild<QWidget *>(QString::fromLatin1(name));
        QVERIFY2(group && group->isVisible(), name);
        const QRect inTab(group->mapTo(p.OptionsTab, QPoint(0, 0)), group->size());
        QVERIFY2(p.OptionsTab->rect().contains(inTab), name);
    }

    // Band activity, opened from MAIN, beside the panel and sweeping.
    p.SSTab1->setCurrentIndex(0);
    QCommandLineParser parser;
    AddSweepOptions(parser);
    QVERIFY(parser.parse({"qz-remote", "--sweep", "100:160:0.5", "--dwell", "0", "--hold", "0",
        "--threshold", "100"}));
    const SweepCommandLine options = ReadSweepOptions(parser);
    bandActivity.Apply(SweepCommandLine {std::nullopt, options.settings, {}, true, {}});
    p.BandActivityButton->click();
    BandActivityWindow &activity = bandActivity.window();
    QVERIFY(QTest::qWaitForWindowExposed(&activity));
    QVERIFY(!activity.frameGeometry().intersects(window.frameGeometry()));
    activity.setPlan(*options.plan);
    window.session().setLineBytesPerSecond(1e6); // the picture need not wait for the line
    activity.findChild<QPushButton *>(QStringLiteral("StartSweep"))->click();
    QSignalSpy finished(&window.session().sweep(), &BandSweep::sweepFinished);
    const bool swept = QTest::qWaitFor(
        [&] { return finished.count() >= 2 && activity.hitCount() >= 8; }, 120000);
    window.session().sweep().Stop();
    QTest::qWait(100);
    const QRect both = window.frameGeometry().united(activity.frameGeometry());
    const QImage beside
        = window.screen()->grabWindow(0, both.x(), both.y(), both.width(), both.height()).toImage();
    if (!beside.isNull() && beside.size() == both.size())
        QVERIFY(beside.save(m_out + QStringLiteral("/band-activity.png")));
    else
        QVERIFY(activity.grab().save(m_out + QStringLiteral("/band-activity.png")));
    QVERIFY2(swept,
        qPrintable(
            QStringLiteral("%1 sweeps, %2 hits").arg(finished.count()).arg(activity.hitCount())));
    p.RadioOff->click();
}

void TestScreenshot::Save(QWidget &window, const QString &name)
{
    QTest::qWait(50);
    QVERIFY(window.grab().save(m_out + QLatin1Char('/') + name));
}

// On the display it is given (xcb under Xvfb); offscreen where there is none.
#include "../support/xtestmain.h"

QZ_X11_TEST_MAIN(TestScreenshot)

#include "tst_screenshot.moc"
