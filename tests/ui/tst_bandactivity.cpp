#include "../support/dialogs.h"
#include "bandactivity.h"
#include "bandactivitygroup.h"
#include "bandactivitywindow.h"
#include "bandsweep.h"
#include "codelog.h"
#include "mainwindow.h"
#include "replyparser.h"
#include "rigctldgroup.h"
#include "simreceiver.h"
#include "sweepoptions.h"
#include "sweepplot.h"
#include "sweeptrace.h"

#include <QCheckBox>
#include <QCommandLineParser>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

// A receiver link of plain values: each query is answered at once from `reading` (raw value for
// the frequency tuned; -1 sends nothing).
class FakePort : public SweepPort
{
public:
    bool LinkIsOn() const override { return allowed; }
    void Tune(double frequencyMHz) override
    {
        tuned = frequencyMHz;
        tunes << QString::number(frequencyMHz, 'f', 3);
    }
    void AskSignal(std::function<void(std::optional<int>)> done) override
    {
        const int raw = reading(tuned);
        QTimer::singleShot(
            raw >= 0 ? 1 : ReceiverSession::kAnswerTimeoutMs, sweep, [raw, done = std::move(done)] {
                done(raw >= 0 ? std::optional<int>(raw) : std::nullopt);
            });
    }
    int LineBacklogMs() const override { return 0; }
    QString ModeWord() const override { return QStringLiteral("AM"); }
    QString FilterWord() const override { return QStringLiteral("BW1"); }

    BandSweep *sweep = nullptr;
    bool allowed = true;
    double tuned = 0;
    QStringList tunes;
    // A station of 200 on 144.050, nothing on 144.025, noise elsewhere.
    std::function<int(double)> reading = [](double mhz) {
        if (qAbs(mhz - 144.05) < 1e-6)
            return 200;
        return qAbs(mhz - 144.025) < 1e-6 ? -1 : 8;
    };
};

struct WindowRig
{
    WindowRig()
    {
        port.sweep = &sweep;
        window.setPlan(*ParseSweepPlan("144:144.1:0.025").plan);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    template<typename T>
    T *find(const char *name)
    {
        return window.findChild<T *>(QString::fromLatin1(name));
    }
    void click(const char *name) { find<QPushButton>(name)->click(); }
    // Runs the sweep until it has finished this many sweeps.
    bool RunSweeps(int count)
    {
        // Measuring only, unless the test asked to record hits without holding.
        if (sweep.settings().holdMs > 0)
            find<QCheckBox>("StopOnSignal")->setChecked(false);
        QSignalSpy finished(&sweep, &BandSweep::sweepFinished);
        click("StartSweep");
        return QTest::qWaitFor([&] { return finished.count() >= count; }, 5000);
    }
    QPoint PlotPoint(int index, int raw) const
    {
        return {window.plot()->XForIndex(index), window.plot()->YForReading(raw)};
    }

    FakePort port;
    BandSweep sweep {port};
    BandActivityWindow window {sweep};
};

int CountColour(const QImage &image, int x, int top, int bottom, const QColor &colour)
{
    int n = 0;
    for (int y = top; y <= bottom; ++y)
        n += image.pixelColor(x, y) == colour;
    return n;
}

} // namespace

class TestBandActivity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<SweepHit>();
        // The file dialog keeps its history in the test locations, not the user's.
        QStandardPaths::setTestModeEnabled(true);
    }
    void drawsTheSweepAndItsWaterfall();
    void missingIsShownAsMissing();
    void clickTunesAndHolds();
    void draggingTheThresholdSetsIt();
    void hitsTableAndExport();
    void startNeedsAPlanAndTheLink();
    void groupOpensTheWindow();
    void clickingAHitTunesThere();
    void placedBesideThePanel_data();
    void placedBesideThePanel();
    void waterfallFillsInAMinute_data();
    void waterfallFillsInAMinute();
    void hitsLogThatCannotBeWritten_data();
    void hitsLogThatCannotBeWritten();
    void commandLine_data();
    void commandLine();
    void panelSweepsTheSimulatedReceiver();
    void offAndScanEndTheSweep();
    void aHoldRunsThePoll();
};

void TestBandActivity::drawsTheSweepAndItsWaterfall()
{
    WindowRig rig;
    QVERIFY(rig.RunSweeps(2));
    rig.sweep.Stop();
    SweepPlot *plot = rig.window.plot();
    const QImage shot = plot->grab().toImage();
    const QRect trace = plot->traceRect();
    // The station stands at 200 at its step, the noise at 8 elsewhere.
    const QPoint station = rig.PlotPoint(2, 200);
    QCOMPARE(shot.pixelColor(station), SweepPlot::kTraceColour);
    QCOMPARE(shot.pixelColor(rig.PlotPoint(4, 8)), SweepPlot::kTraceColour);
    QCOMPARE(
        CountColour(shot, station.x(), trace.top(), station.y() - 2, SweepPlot::kTraceColour), 0);
    // Two waterfall rows, coloured by level, and black below them.
    const QImage &water = plot->waterfallImage();
    const int x = plot->XForIndex(2) - plot->waterfallRect().left();
    QCOMPARE(water.pixel(x, 0), SweepPlot::LevelColour(200));
    QCOMPARE(water.pixel(x, 1), SweepPlot::LevelColour(200));
    QCOMPARE(water.pixel(0, 0), SweepPlot::LevelColour(8));
    QCOMPARE(water.pixel(x, 2), SweepPlot::LevelColour(kNotMeasured));
    QCOMPARE(
        shot.pixel(plot->waterfallRect().topLeft() + QPoint(x, 1)), SweepPlot::LevelColour(200));

    // A wider window draws the same rows at its new width.
    rig.window.resize(rig.window.width() + 200, rig.window.height());
    QTRY_COMPARE(water.width(), plot->waterfallRect().width());
    const int wider = plot->XForIndex(2) - plot->waterfallRect().left();
    QCOMPARE(plot->waterfallImage().pixel(wider, 1), SweepPlot::LevelColour(200));
    // The axis has readable frequency labels: whole ticks, no long decimals.
    QVERIFY(rig.window.statusText().startsWith(QStringLiteral("Stopped")));
}

void TestBandActivity::missingIsShownAsMissing()
{
    WindowRig rig;
    QVERIFY(rig.RunSweeps(1));
    rig.sweep.Stop();
    SweepPlot *plot = rig.window.plot();
    QTest::mouseMove(plot, rig.PlotPoint(1, 30));
    QCOMPARE(rig.window.pointerText(), QStringLiteral("144.025 MHz: no reading (missing)"));
    QTest::mouseMove(plot, rig.PlotPoint(2, 30));
    QCOMPARE(
        rig.window.pointerText(), QStringLiteral("144.050 MHz: reading 200 (meter 128), max 200"));
    QTest::mouseMove(plot, rig.PlotPoint(0, 30));
    QCOMPARE(rig.window.pointerText(), QStringLiteral("144.000 MHz: reading 8 (meter 10), max 8"));
    // On the plot: no trace at the step, a mark on the bottom edge instead, and its own colour
    // in the waterfall.
    const QImage shot = plot->grab().toImage();
    const int x = plot->XForIndex(1);
    const QRect trace = plot->traceRect();
    QVERIFY(
        CountColour(shot, x, trace.bottom() - 3, trace.bottom(), SweepPlot::kMissingColour) > 0);
    QCOMPARE(CountColour(shot, x, trace.top(), trace.bottom(), SweepPlot::kTraceColour), 0);
    QCOMPARE(plot->waterfallImage().pixel(x - plot->waterfallRect().left(), 0),
        SweepPlot::kMissingColour.rgb());
    QTest::mouseMove(&rig.window, QPoint(2, 2));
    QTRY_COMPARE(rig.window.pointerText(), QString());
}

void TestBandActivity::clickTunesAndHolds()
{
    WindowRig rig;
    rig.find<QSpinBox>("SweepThreshold")->setValue(250);
    rig.click("StartSweep");
    QTRY_VERIFY(rig.port.tunes.size() >= 2);
    QVERIFY(!rig.find<QPushButton>("ResumeSweep")->isEnabled());
    QTest::mouseClick(rig.window.plot(), Qt::LeftButton, {}, rig.PlotPoint(3, 120));
    QCOMPARE(rig.port.tunes.last(), QStringLiteral("144.075"));
    QVERIFY(rig.sweep.isHolding());
    QCOMPARE(rig.window.statusText(), QStringLiteral("Holding on 144.075 MHz until Resume."));
    QVERIFY(rig.find<QPushButton>("ResumeSweep")->isEnabled());
    const int tunes = rig.port.tunes.size();
    QTest::qWait(100);
    QCOMPARE(rig.port.tunes.size(), tunes);
    rig.click("ResumeSweep");
    QTRY_COMPARE(rig.port.tunes.value(tunes), QStringLiteral("144.100"));
    QVERIFY(rig.window.statusText().startsWith(QStringLiteral("Sweeping 144.000–144.100 MHz by "
                                                              "25 KHz, sweep ")));
    rig.click("StopSweep");
    QVERIFY(!rig.sweep.isRunning());
    QVERIFY(!rig.find<QPushButton>("StopSweep")->isEnabled());
}

void TestBandActivity::draggingTheThresholdSetsIt()
{
    WindowRig rig;
    SweepPlot *plot = rig.window.plot();
    QCOMPARE(plot->threshold(), 50);
    const QPoint on = rig.PlotPoint(2, 50);
    QTest::mousePress(plot, Qt::LeftButton, {}, on);
    QTest::mouseMove(plot, rig.PlotPoint(2, 150));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, rig.PlotPoint(2, 150));
    // To the pixel: a pixel is a little more than one unit of the reading.
    const int dragged = rig.find<QSpinBox>("SweepThreshold")->value();
    QVERIFY2(qAbs(dragged - 150) <= 1, qPrintable(QString::number(dragged)));
    QCOMPARE(rig.sweep.settings().threshold, dragged);
    QVERIFY(rig.port.tunes.isEmpty()); // a drag is not a click
    // The line is drawn where it now stands.
    const QImage shot = plot->grab().toImage();
    const int y = plot->YForReading(dragged);
    int dashes = 0;
    for (int x = plot->traceRect().left(); x < plot->traceRect().right(); ++x)
        dashes += shot.pixelColor(x, y) == SweepPlot::kThresholdColour;
    QVERIFY(dashes > plot->traceRect().width() / 3);
    // And the spin box moves it too.
    rig.find<QSpinBox>("SweepThreshold")->setValue(90);
    QCOMPARE(plot->threshold(), 90);
}

void TestBandActivity::hitsTableAndExport()
{
    WindowRig rig;
    rig.find<QSpinBox>("SweepThreshold")->setValue(100);
    rig.find<QDoubleSpinBox>("SweepHold")->setValue(0); // record and go on
    QVERIFY(rig.RunSweeps(3));
    rig.sweep.Stop();
    QAbstractItemModel *table = rig.window.hitsTable()->model();
    QCOMPARE(table->rowCount(), 3);
    QStringList row;
    for (int column = 1; column < 5; ++column)
        row << table->index(0, column).data().toString();
    QCOMPARE(row, (QStringList {"144.050", "200", "AM", "10 KHz"}));
    QCOMPARE(table->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Peak reading"));
    // Newest first.
    QVERIFY(table->index(0, 0).data().toString() >= table->index(2, 0).data().toString());

    QTemporaryDir folder;
    rig.window.setExportFolder(folder.path());
    const QString path = folder.filePath(QStringLiteral("hits.csv"));
    DialogAnswerer answer([path](QWidget *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        QVERIFY(files);
        files->selectFile(path);
        static_cast<QDialog *>(files)->accept();
    });
    rig.click("ExportHits");
    QCOMPARE(answer.answered(), 1);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0], QByteArray("time_utc,frequency_mhz,peak_reading,mode,filter"));
    QVERIFY(lines[1].endsWith(",144.050000,200,AM,10 KHz"));
    // The notice goes beside the hits; the sweep's own line still says where the sweep is.
    QVERIFY(rig.window.noticeText().contains(path));
    QVERIFY(rig.window.statusText().startsWith(QStringLiteral("Stopped")));

    // A folder that does not exist: the operator is told, nothing is lost.
    const QString nowhere = folder.filePath(QStringLiteral("missing/hits.csv"));
    QString error;
    QVERIFY(!rig.window.ExportHits(nowhere, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(rig.window.hitCount(), 3);

    // With the operator's S-meter table, each reading in dB over S9 beside it.
    QSettings().setValue(RigctldGroup::kStrengthTableKey, "0:-54 100:0 250:30");
    QVERIFY(rig.window.ExportHits(path, &error));
    QCOMPARE(table->headerData(5, Qt::Horizontal).toString(), QStringLiteral("dB over S9"));
    QCOMPARE(table->index(0, 5).data().toInt(), 20);
    QFile again(path);
    QVERIFY(again.open(QIODevice::ReadOnly));
    const QList<QByteArray> calibrated = again.readAll().split('\n');
    QCOMPARE(
        calibrated[0], QByteArray("time_utc,frequency_mhz,peak_reading,mode,filter,strength_db"));
    QVERIFY(calibrated[1].endsWith(",144.050000,200,AM,10 KHz,20"));
    QSettings().remove(RigctldGroup::kStrengthTableKey);
}

void TestBandActivity::startNeedsAPlanAndTheLink()
{
    WindowRig rig;
    rig.find<QDoubleSpinBox>("SweepStop")->setValue(143);
    rig.click("StartSweep");
    QVERIFY(!rig.sweep.isRunning());
    QVERIFY(rig.window.statusText().contains(QStringLiteral("must lie below")));
    rig.find<QDoubleSpinBox>("SweepStop")->setValue(146);
    rig.port.allowed = false;
    rig.click("StartSweep");
    QVERIFY(!rig.sweep.isRunning());
    QVERIFY(rig.window.statusText().contains(QStringLiteral("press ON")));
    QVERIFY(rig.port.tunes.isEmpty());
}

void TestBandActivity::groupOpensTheWindow()
{
    FakePort port;
    BandSweep sweep(port);
    BandActivityWindow window(sweep);
    BandActivityGroup group([&window] { ShowAndRaise(&window); });
    QCOMPARE(group.title(), QStringLiteral("Band activity"));
    QCOMPARE(group.button()->text(), QStringLiteral("Band activity…"));
    QVERIFY(!window.isVisible());
    group.button()->click();
    QVERIFY(window.isVisible());
    QVERIFY(window.isWindow());
    QCOMPARE(window.windowTitle(), QStringLiteral("Band activity"));
    // Closing it hides it; the program's end is the panel's business.
    QVERIFY(!window.testAttribute(Qt::WA_QuitOnClose));
    window.close();
    QVERIFY(!window.isVisible());
}

void TestBandActivity::clickingAHitTunesThere()
{
    WindowRig rig;
    rig.find<QSpinBox>("SweepThreshold")->setValue(100);
    rig.find<QDoubleSpinBox>("SweepHold")->setValue(0);
    QVERIFY(rig.RunSweeps(1));
    rig.sweep.Stop();
    QTableView *hits = rig.window.hitsTable();
    const int rowHeight = hits->verticalHeader()->defaultSectionSize();
    QVERIFY(hits->viewport()->height() >= BandActivityWindow::kVisibleHitRows * rowHeight);
    const QPoint row = hits->visualRect(hits->model()->index(0, 1)).center();

    // Stopped: the window asks for the hit's frequency, once for a double-click too.
    QSignalSpy tune(&rig.window, &BandActivityWindow::tuneRequested);
    QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, row);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseDClick(hits->viewport(), Qt::LeftButton, {}, row);
    QCOMPARE(tune.count(), 2);
    QCOMPARE(tune.at(1).at(0).toDouble(), 144.05);

    // Sweeping: the sweep holds on the hit, as a click on the plot does.
    rig.find<QSpinBox>("SweepThreshold")->setValue(250);
    rig.click("StartSweep");
    QTRY_VERIFY(rig.port.tunes.size() >= 2);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, row);
    QVERIFY(rig.sweep.isHolding());
    QCOMPARE(rig.port.tunes.last(), QStringLiteral("144.050"));
    QCOMPARE(tune.count(), 2);
}

void TestBandActivity::placedBesideThePanel_data()
{
    QTest::addColumn<QRect>("panel");
    QTest::addColumn<QRect>("expected");
    // On a 1920 × 1080 screen, a window of 780 × 640, at least 560 wide.
    QTest::newRow("right") << QRect(0, 900, 640, 520) << QRect(648, 440, 780, 640);
    QTest::newRow("left") << QRect(1200, 100, 640, 520) << QRect(412, 100, 780, 640);
    QTest::newRow("narrowed") << QRect(0, 0, 1300, 520) << QRect(1308, 0, 612, 640);
    QTest::newRow("no room") << QRect(500, 0, 1000, 520) << QRect(1140, 0, 780, 640);
}

void TestBandActivity::placedBesideThePanel()
{
    QFETCH(QRect, panel);
    QFETCH(QRect, expected);
    QCOMPARE(
        PlaceBeside(panel, QSize(780, 640), QSize(560, 480), QRect(0, 0, 1920, 1080)), expected);
}

void TestBandActivity::waterfallFillsInAMinute_data()
{
    QTest::addColumn<int>("passMs");
    QTest::newRow("10 s, held on signals") << 10000;
    QTest::newRow("0.4 s") << 400;
}

void TestBandActivity::waterfallFillsInAMinute()
{
    QFETCH(int, passMs);
    SweepTrace trace;
    SweepWaterfall rows;
    rows.Reset(81);
    SweepPlot plot;
    plot.resize(760, 440);
    plot.setSources(&trace, &rows);
    plot.setPlan(*ParseSweepPlan("144:146:0.025").plan);
    std::vector<std::int16_t> readings(81, 200);
    for (int pass = 1; pass <= SweepPlot::kWaterfallSpanMs / passMs; ++pass) {
        rows.AddRow(readings);
        plot.RowAdded(passMs);
    }
    const QImage &image = plot.waterfallImage();
    QCOMPARE(image.height(), plot.waterfallRect().height());
    QCOMPARE(image.pixel(10, image.height() - 1), SweepPlot::LevelColour(200));
    // "MHz" stays in the margin left of the plot, whatever the font.
    QFont font = plot.font();
    font.setPointSize(24);
    plot.setFont(font);
    QVERIFY(QFontMetrics(font).horizontalAdvance(QStringLiteral("MHz")) < plot.traceRect().left());
}

void TestBandActivity::hitsLogThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("where");
    QTest::newRow("a folder that does not exist") << QStringLiteral("missing/hits.csv");
    QTest::newRow("a folder in its place") << QStringLiteral("folder");
}

void TestBandActivity::hitsLogThatCannotBeWritten()
{
    QFETCH(QString, where);
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("folder")));
    const QString path = folder.filePath(where);
    // Said at once on standard error, before any hit.
    QProcess program;
    program.start(QStringLiteral(QZ_REMOTE_PATH),
        {"-platform", "offscreen", "--hits-log", path, "--exit-when-shown"});
    QVERIFY(program.waitForFinished(20000));
    const QString error = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(error.contains(QStringLiteral("The hits log %1 cannot be written").arg(path)),
        qPrintable(error));
    // And in the window, while the hits go on into the table.
    SimReceiver receiver;
    MainWindow panel(receiver.slavePath());
    BandActivity bandActivity(panel.session());
    QCommandLineParser parser;
    AddSweepOptions(parser);
    QVERIFY(parser.parse({"qz-remote", "--sweep", "145.4:145.6:0.1", "--hold", "0", "--threshold",
        "100", "--hits-log", path}));
    bandActivity.Apply(ReadSweepOptions(parser));
    QTRY_VERIFY_WITH_TIMEOUT(bandActivity.window().hitCount() >= 1, 10000);
    QVERIFY(bandActivity.window().noticeText().contains(QStringLiteral("cannot be written")));
    panel.PowerOff();
}

void TestBandActivity::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("plan"); // first and last step and the count, or empty
    QTest::addColumn<int>("dwell");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("hold");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("errors");
    QTest::newRow("none") << QStringList() << "" << 20 << 50 << 5000 << ""
                          << "";
    QTest::newRow("all") << QStringList {"--sweep", "144:146:0.025", "--dwell", "35", "--threshold",
        "90", "--hold", "2.5", "--hits-log", "/tmp/h.csv"}
                         << "144 146 81" << 35 << 90 << 2500 << "/tmp/h.csv"
                         << "";
    QTest::newRow("bad values") << QStringList {"--sweep", "144:146:0.033", "--dwell", "-1",
        "--threshold", "256", "--hold", "1h"}
                                << "" << 20 << 50 << 5000 << ""
                                << "--sweep 144:146:0.033|--dwell -1|--threshold 256|--hold 1h";
}

void TestBandActivity::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, plan);
    QFETCH(int, dwell);
    QFETCH(int, threshold);
    QFETCH(int, hold);
    QFETCH(QString, log);
    QFETCH(QString, errors);
    QCommandLineParser parser;
    AddSweepOptions(parser);
    QVERIFY(parser.parse(QStringList {"qz-remote"} + arguments));
    const SweepCommandLine options = ReadSweepOptions(parser);
    QCOMPARE(options.given, !arguments.isEmpty());
    QString got;
    if (options.plan)
        got = QStringLiteral("%1 %2 %3")
                  .arg(options.plan->startMHz())
                  .arg(options.plan->lastMHz())
                  .arg(options.plan->PointCount());
    QCOMPARE(got, plan);
    QCOMPARE(options.settings.dwellMs, dwell);
    QCOMPARE(options.settings.threshold, threshold);
    QCOMPARE(options.settings.holdMs, hold);
    QCOMPARE(options.hitsLogPath, log);
    QStringList starts;
    for (const QString &error : options.errors)
        starts << error.left(error.indexOf(QLatin1String(": ")));
    QCOMPARE(starts.join(QLatin1Char('|')), errors);
}

void TestBandActivity::panelSweepsTheSimulatedReceiver()
{
    SimReceiver receiver;
    QVERIFY(receiver.isOpen());
    MainWindow panel(receiver.slavePath());
    panel.show();
    BandActivity bandActivity(panel.session());
    QTemporaryDir folder;
    QCommandLineParser parser;
    AddSweepOptions(parser);
    QVERIFY(parser.parse({"qz-remote", "--sweep", "145:146:0.1", "--dwell", "5", "--hold", "0",
        "--threshold", "100", "--hits-log", folder.filePath("hits.csv")}));
    bandActivity.Apply(ReadSweepOptions(parser));
    // --sweep opens the window, switches the link on and starts.
    QVERIFY(bandActivity.window().isVisible());
    QTRY_VERIFY(panel.session().sweep().isRunning());
    QTRY_VERIFY(receiver.isRemote());
    QCOMPARE(bandActivity.window().findChild<QSpinBox *>("SweepDwell")->value(), 5);
    QCOMPARE(panel.session().state(), ReceiverSession::State::Sweeping); // the poll pauses
    QSignalSpy finished(&panel.session().sweep(), &BandSweep::sweepFinished);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 10000);
    // The display followed, the codes the receiver sent are in the log, the station is a hit.
    QVERIFY(panel.session().codesIn().count() > 0);
    QCOMPARE(panel.session().sweep().missingCount(), 0);
    const int station = panel.session().sweep().plan().IndexNearest(145.5);
    QVERIFY(qAbs(panel.session().sweep().trace().At(station) - 170) <= 3);
    QVERIFY(bandActivity.window().hitCount() >= 2);
    QFile log(folder.filePath("hits.csv"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count('\n'), bandActivity.window().hitCount() + 1);
    panel.PowerOff();
}

void TestBandActivity::offAndScanEndTheSweep()
{
    SimReceiver receiver;
    MainWindow panel(receiver.slavePath());
    BandActivity bandActivity(panel.session());
    const Panel &p = panel.panel();
    const SweepPlan plan = *ParseSweepPlan("145:146:0.1").plan;

    // Without the link there is nothing to sweep.
    QVERIFY(!panel.session().sweep().Start(plan));
    p.RadioOn->click();
    QTRY_VERIFY(receiver.isRemote());
    QVERIFY(panel.session().sweep().Start(plan));
    QTRY_VERIFY(receiver.queriesAnswered() > 3);
    p.Scan->click();
    QVERIFY(!panel.session().sweep().isRunning());
    QCOMPARE(panel.session().state(), ReceiverSession::State::Scanning);
    QCOMPARE(bandActivity.window().statusText(), QStringLiteral("Stopped"));

    // Starting the sweep stops the scan; OFF ends the sweep.
    QVERIFY(panel.session().sweep().Start(plan));
    QCOMPARE(panel.session().state(), ReceiverSession::State::Sweeping);
    QTRY_VERIFY(panel.session().sweep().stepsTaken() > 2);
    p.RadioOff->click();
    QVERIFY(!panel.session().sweep().isRunning());
    QTRY_VERIFY(!receiver.isRemote());
    QCOMPARE(panel.session().state(), ReceiverSession::State::Off);

    // A stop button gives the receiver back to the poll.
    p.RadioOn->click();
    QVERIFY(panel.session().sweep().Start(plan));
    QTRY_VERIFY(panel.session().sweep().stepsTaken() > 2);
    bandActivity.window().findChild<QPushButton *>("StopSweep")->click();
    QCOMPARE(panel.session().state(), ReceiverSession::State::Polling);
    p.RadioOff->click();
}

void TestBandActivity::aHoldRunsThePoll()
{
    SimReceiver receiver;
    MainWindow panel(receiver.slavePath());
    BandActivity bandActivity(panel.session());
    panel.panel().RadioOn->click();
    QTRY_VERIFY(receiver.isRemote());
    BandSweep &sweep = panel.session().sweep();
    sweep.setDwellMs(5);
    sweep.setThreshold(100);
    sweep.setHoldMs(2000);
    QSignalSpy holds(&sweep, &BandSweep::holdStarted);
    QVERIFY(sweep.Start(*ParseSweepPlan("145.3:145.6:0.025").plan));
    QTRY_COMPARE_WITH_TIMEOUT(holds.count(), 1, 5000);
    QCOMPARE(panel.session().state(), ReceiverSession::State::Sweeping);
    // The meter moves with the poll while the sweep holds. The hold began on a reading of at
    // least 100, which may have been the noise's most above the station; a poll's may be its
    // most below.
    panel.state().SignalLevel = 0;
    QTRY_VERIFY_WITH_TIMEOUT(
        panel.state().SignalLevel >= SignalLevelForReading(100 - 2 * SimReceiver::kReadingNoise),
        4000);
    sweep.Resume();
    QCOMPARE(panel.session().state(), ReceiverSession::State::Sweeping);
    QVERIFY(sweep.isRunning());
    sweep.Stop();
    QCOMPARE(panel.session().state(), ReceiverSession::State::Polling);
    panel.panel().RadioOff->click();
}

QTEST_MAIN(TestBandActivity)
#include "tst_bandactivity.moc"
