#include "mainwindow.h"
#include "optionspage.h"
#include "simreceiver.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

// Pictures of the panel for the README, taken as the program draws itself on the display it is
// given (Xvfb in the test run). They are written to docs/ in the build tree;
// scripts/screenshots.sh copies them into the source tree's docs/.
class TestScreenshot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void panelOnTheSimulatedReceiver();

private:
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
    window.optionsPage().setPortLister([&receiver] {
        QList<PortEntry> ports = SystemPorts();
        ports << PortEntry {
            receiver.slavePath(), "Simulated receiver (qz-sim)", "QZ Remote", "", ""};
        return ports;
    });
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
    QVERIFY(panel.save(m_out + QStringLiteral("/panel.png")));

    p.SSTab1->setCurrentIndex(5);
    auto *list = window.findChild<QTreeWidget *>(QStringLiteral("PortList"));
    const QList<QTreeWidgetItem *> rows
        = list->findItems(receiver.slavePath(), Qt::MatchExactly, 0);
    QCOMPARE(rows.size(), 1);
    rows.front()->setSelected(true);
    QTest::qWait(50);
    const QImage options = window.grab().toImage();
    QVERIFY(options != panel);
    QVERIFY(options.save(m_out + QStringLiteral("/options.png")));
    p.SSTab1->setCurrentIndex(0);
    p.RadioOff->click();
}

// On the display it is given (xcb under Xvfb); offscreen where there is none.
#include "../support/xtestmain.h"

QZ_X11_TEST_MAIN(TestScreenshot)

#include "tst_screenshot.moc"
