#include "axisticks.h"
#include "steptable.h"
#include "stoponsignal.h"
#include "sweephit.h"
#include "sweepplan.h"
#include "sweeptrace.h"

#include <QTest>

// The band sweep's plan, readings, waterfall, stop-on-signal decisions and hit records.
class TestSweep : public QObject
{
    Q_OBJECT

private slots:
    void parsesPlans_data();
    void parsesPlans();
    void stepsLandOnWholeHertz();
    void nearestStep_data();
    void nearestStep();
    void settingsOptions_data();
    void settingsOptions();
    void traceKeepsLatestAndMax();
    void waterfallIsBoundedAndKeepsNarrowSignals();
    void stopsOncePerSignal_data();
    void stopsOncePerSignal();
    void skipLocksOutTheWholeSignal();
    void hitLines_data();
    void hitLines();
    void hitHeader();
    void utcTimes_data();
    void utcTimes();
    void megahertzTexts_data();
    void megahertzTexts();
    void axisTicks_data();
    void axisTicks();
};

void TestSweep::parsesPlans_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("last");
    QTest::addColumn<QString>("step"); // caption, or empty when refused
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("error"); // part of the refusal
    QTest::newRow("2 m band") << "144:146:0.025" << 144.0 << 146.0 << "25 KHz" << 81 << "";
    QTest::newRow("blanks") << " 144 : 146 : 0.025 " << 144.0 << 146.0 << "25 KHz" << 81 << "";
    QTest::newRow("stop off the grid")
        << "144:145.01:0.025" << 144.0 << 145.0 << "25 KHz" << 41 << "";
    QTest::newRow("6.25 kHz") << "145:145.1:0.00625" << 145.0 << 145.1 << "6.25 KHz" << 17 << "";
    QTest::newRow("whole range by 10 MHz")
        << "0.1:1100:10" << 0.1 << 1090.1 << "10 MHz" << 110 << "";
    QTest::newRow("ends included") << "0.1:1100:1" << 0.1 << 1099.1 << "1 MHz" << 1100 << "";
    QTest::newRow("not a step") << "144:146:0.03333" << 0.0 << 0.0 << "" << 0 << "tuning steps";
    QTest::newRow("below range") << "0.05:1:0.1" << 0.0 << 0.0 << "" << 0 << "0.1 and 1100";
    QTest::newRow("above range") << "1000:1100.5:1" << 0.0 << 0.0 << "" << 0 << "0.1 and 1100";
    QTest::newRow("backwards") << "146:144:0.025" << 0.0 << 0.0 << "" << 0 << "must lie below";
    QTest::newRow("empty range") << "145:145:0.025" << 0.0 << 0.0 << "" << 0 << "must lie below";
    QTest::newRow("one step only") << "145:145.01:0.025" << 0.0 << 0.0 << "" << 0 << "two steps";
    QTest::newRow("too many steps") << "0.1:1100:0.000001" << 0.0 << 0.0 << "" << 0 << "at most";
    QTest::newRow("two fields") << "144:146" << 0.0 << 0.0 << "" << 0 << "START:STOP:STEP";
    QTest::newRow("four fields") << "1:2:3:4" << 0.0 << 0.0 << "" << 0 << "START:STOP:STEP";
    QTest::newRow("comma") << "144,5:146:0.025" << 0.0 << 0.0 << "" << 0 << "numbers";
    QTest::newRow("sign") << "-1:146:0.025" << 0.0 << 0.0 << "" << 0 << "numbers";
    QTest::newRow("exponent") << "1e2:146:0.025" << 0.0 << 0.0 << "" << 0 << "numbers";
    QTest::newRow("two points") << "144.0.1:146:0.025" << 0.0 << 0.0 << "" << 0 << "numbers";
    QTest::newRow("empty field") << "144::0.025" << 0.0 << 0.0 << "" << 0 << "numbers";
    QTest::newRow("huge") << "99999999999999999999:1:1" << 0.0 << 0.0 << "" << 0 << "numbers";
    QTest::newRow("empty") << "" << 0.0 << 0.0 << "" << 0 << "START:STOP:STEP";
}

void TestSweep::parsesPlans()
{
    QFETCH(QString, text);
    QFETCH(double, start);
    QFETCH(double, last);
    QFETCH(QString, step);
    QFETCH(int, points);
    QFETCH(QString, error);
    const SweepPlanResult result = ParseSweepPlan(text.toStdString());
    if (step.isEmpty()) {
        QVERIFY(!result.plan);
        QVERIFY2(QString::fromStdString(result.error).contains(error), result.error.c_str());
        return;
    }
    QVERIFY2(result.plan, result.error.c_str());
    QCOMPARE(result.plan->FrequencyAt(0), start);
    QCOMPARE(result.plan->PointCount(), points);
    QCOMPARE(result.plan->lastMHz(), last);
    QCOMPARE(QString::fromLatin1(kStepTable[size_t(result.plan->stepIndex)].caption), step);
}

void TestSweep::stepsLandOnWholeHertz()
{
    const SweepPlan plan = *ParseSweepPlan("144:146:0.025").plan;
    // Adding 0.025 forty times in floating point misses 145 by a few units of the last place.
    QCOMPARE(plan.FrequencyAt(40), 145.0);
    QCOMPARE(plan.FrequencyAt(20), 144.5);
    const SweepPlan fine = *ParseSweepPlan("0.1:0.19:0.000001").plan;
    QCOMPARE(fine.PointCount(), 90001);
    QCOMPARE(fine.FrequencyAt(12345), 0.112345);
}

void TestSweep::nearestStep_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("index");
    QTest::newRow("on a step") << 145.0 << 40;
    QTest::newRow("just below a step") << 144.9876 << 40;
    QTest::newRow("just above a step") << 145.0124 << 40;
    QTest::newRow("below the start") << 100.0 << 0;
    QTest::newRow("above the stop") << 500.0 << 80;
    QTest::newRow("not a number") << qQNaN() << 0;
}

void TestSweep::nearestStep()
{
    QFETCH(double, frequency);
    QFETCH(int, index);
    QCOMPARE(ParseSweepPlan("144:146:0.025").plan->IndexNearest(frequency), index);
}

void TestSweep::settingsOptions_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: refused
    QTest::newRow("dwell") << "dwell"
                           << "20" << 20;
    QTest::newRow("dwell zero") << "dwell"
                                << "0" << 0;
    QTest::newRow("dwell most") << "dwell"
                                << "10000" << 10000;
    QTest::newRow("dwell too long") << "dwell"
                                    << "10001" << -1;
    QTest::newRow("dwell fraction") << "dwell"
                                    << "2.5" << -1;
    QTest::newRow("dwell negative") << "dwell"
                                    << "-5" << -1;
    QTest::newRow("dwell word") << "dwell"
                                << "fast" << -1;
    QTest::newRow("threshold") << "threshold"
                               << "87" << 87;
    QTest::newRow("threshold top") << "threshold"
                                   << "255" << 255;
    QTest::newRow("threshold over") << "threshold"
                                    << "256" << -1;
    QTest::newRow("threshold trailing text") << "threshold"
                                             << "87x" << -1;
    QTest::newRow("hold") << "hold"
                          << "5" << 5000;
    QTest::newRow("hold fraction") << "hold"
                                   << "0.25" << 250;
    QTest::newRow("hold zero") << "hold"
                               << "0" << 0;
    QTest::newRow("hold an hour") << "hold"
                                  << "3600" << 3600000;
    QTest::newRow("hold longer") << "hold"
                                 << "3600.5" << -1;
    QTest::newRow("hold empty") << "hold"
                                << "" << -1;
}

void TestSweep::settingsOptions()
{
    QFETCH(QString, option);
    QFETCH(QString, text);
    QFETCH(int, value);
    const std::string t = text.toStdString();
    const std::optional<int> got = option == "dwell" ? ParseDwellMs(t)
        : option == "threshold"                      ? ParseThreshold(t)
                                                     : ParseHoldMs(t);
    QCOMPARE(got.value_or(-1), value);
}

void TestSweep::traceKeepsLatestAndMax()
{
    SweepTrace trace;
    trace.Reset(3);
    QCOMPARE(trace.At(1), kNotMeasured);
    trace.Set(1, 120);
    trace.Set(1, 40);
    trace.Set(1, kReadingMissing);
    QCOMPARE(trace.At(1), kReadingMissing); // missing, not zero
    QCOMPARE(trace.MaxAt(1), std::int16_t(120));
    QCOMPARE(trace.MaxAt(0), kNotMeasured);
    trace.Set(3, 99); // out of range: ignored
    trace.Set(-1, 99);
    trace.ClearMaxHold();
    QCOMPARE(trace.MaxAt(1), kNotMeasured);
    QCOMPARE(trace.At(1), kReadingMissing);
    trace.Set(2, 7);
    QCOMPARE(trace.MaxAt(2), std::int16_t(7));
}

void TestSweep::waterfallIsBoundedAndKeepsNarrowSignals()
{
    SweepWaterfall waterfall(3, 4);
    waterfall.Reset(10); // 10 steps into 4 bins
    QCOMPARE(waterfall.bins(), 4);
    // Bins of steps 0-2, 3-4, 5-7 and 8-9.
    std::vector<std::int16_t> row(10, 5);
    row[6] = 200; // a one-step signal
    row[0] = kReadingMissing;
    row[1] = kLockedOut;
    row[2] = kNotMeasured;
    row[8] = kLockedOut;
    row[9] = kLockedOut;
    for (int i = 0; i < 5; ++i) {
        row[3] = std::int16_t(i);
        waterfall.AddRow(row);
    }
    QCOMPARE(waterfall.rowCount(), 3);
    QCOMPARE(waterfall.totalRows(), 5LL);
    QCOMPARE(waterfall.Row(0), (std::vector<std::int16_t> {kReadingMissing, 5, 200, kLockedOut}));
    QCOMPARE(waterfall.Row(0)[waterfall.BinForIndex(3)], std::int16_t(5)); // max of 4 and 5
    QCOMPARE(waterfall.MaxOver(0, 6, 6), std::int16_t(200));
    QCOMPARE(waterfall.MaxOver(0, 0, 1), kReadingMissing);
    QCOMPARE(waterfall.MaxOver(2, 0, 9), std::int16_t(200));

    // Fewer steps than bins: one bin a step.
    waterfall.Reset(2);
    QCOMPARE(waterfall.rowCount(), 0);
    QCOMPARE(waterfall.bins(), 2);
    waterfall.AddRow({kNotMeasured, 9});
    QCOMPARE(waterfall.Row(0), (std::vector<std::int16_t> {kNotMeasured, 9}));
}

void TestSweep::stopsOncePerSignal_data()
{
    // Readings of consecutive steps ("-" missing, "|" the end of a sweep), threshold 50.
    QTest::addColumn<QString>("readings");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("holds"); // positions in the list that stop the sweep
    QTest::newRow("quiet") << "10 20 30 49" << true << "";
    QTest::newRow("at the threshold") << "10 50 10" << true << "1";
    QTest::newRow("one stop per signal") << "10 60 90 70 10" << true << "1";
    QTest::newRow("two signals") << "60 70 10 80 10 55" << true << "0 3 5";
    QTest::newRow("missing does not re-arm") << "60 - 70 10 70" << true << "0 4";
    QTest::newRow("missing never stops") << "- - 10 -" << true << "";
    QTest::newRow("each sweep stops again") << "10 90 | 10 90 | 90 90" << true << "1 3 4";
    QTest::newRow("switched off") << "10 90 10 90" << false << "";
}

void TestSweep::stopsOncePerSignal()
{
    QFETCH(QString, readings);
    QFETCH(bool, enabled);
    QFETCH(QString, holds);
    StopOnSignal stops;
    stops.Reset(100);
    stops.setThreshold(50);
    stops.setEnabled(enabled);
    QStringList held;
    int position = 0;
    for (const QString &word : readings.split(' ')) {
        if (word == "|") {
            stops.NewPass();
            continue;
        }
        const std::optional<int> reading
            = word == "-" ? std::nullopt : std::optional<int>(word.toInt());
        if (stops.Reading(position, reading) == StopOnSignal::Decision::Hold)
            held << QString::number(position);
        ++position;
    }
    QCOMPARE(held.join(' '), holds);
}

void TestSweep::skipLocksOutTheWholeSignal()
{
    StopOnSignal stops;
    stops.Reset(8);
    stops.setThreshold(50);
    // Steps 2 to 4 carry a signal; step 6 another.
    const int first[] = {10, 10, 90, 120, 70, 10, 80, 10};
    QCOMPARE(stops.Reading(0, first[0]), StopOnSignal::Decision::GoOn);
    QCOMPARE(stops.Reading(1, first[1]), StopOnSignal::Decision::GoOn);
    QCOMPARE(stops.Reading(2, first[2]), StopOnSignal::Decision::Hold);
    stops.Skip(2);
    QVERIFY(stops.IsLockedOut(2));
    QCOMPARE(stops.Reading(3, first[3]), StopOnSignal::Decision::GoOn);
    QCOMPARE(stops.newlyLockedOut(), std::vector<int> {3});
    QCOMPARE(stops.Reading(4, std::nullopt), StopOnSignal::Decision::GoOn); // missing: no change
    QCOMPARE(stops.Reading(4, first[4]), StopOnSignal::Decision::GoOn);
    QCOMPARE(stops.Reading(5, first[5]), StopOnSignal::Decision::GoOn);
    QVERIFY(stops.newlyLockedOut().empty());
    QCOMPARE(stops.Reading(6, first[6]), StopOnSignal::Decision::Hold); // the other signal
    QCOMPARE(stops.lockedOutCount(), 3);

    // The next sweep steps over the locked-out ones.
    bool wrapped = false;
    QCOMPARE(stops.NextIndex(7, &wrapped), 0);
    QVERIFY(wrapped);
    QCOMPARE(stops.NextIndex(1, &wrapped), 5);
    QVERIFY(!wrapped);
    // A new run forgets them.
    stops.Reset(8);
    QCOMPARE(stops.NextIndex(1, &wrapped), 2);
}

void TestSweep::hitLines_data()
{
    QTest::addColumn<qint64>("time");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("peak");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("line");
    QTest::newRow("2 m") << qint64(1714566896789) << 145.5 << 170 << "FM"
                         << "BW3"
                         << "2024-05-01T12:34:56.789Z,145.500000,170,FM,100 KHz";
    QTest::newRow("hertz") << qint64(0) << 7.050125 << 45 << "USB"
                           << "BW1"
                           << "1970-01-01T00:00:00.000Z,7.050125,45,USB,10 KHz";
    QTest::newRow("odd words quoted") << qint64(86400000) << 1100.0 << 255 << "A,M"
                                      << "B\"W"
                                      << "1970-01-02T00:00:00.000Z,1100.000000,255,\"A,M\","
                                         "\"B\"\"W\"";
}

void TestSweep::hitLines()
{
    QFETCH(qint64, time);
    QFETCH(double, frequency);
    QFETCH(int, peak);
    QFETCH(QString, mode);
    QFETCH(QString, filter);
    QFETCH(QString, line);
    const SweepHit hit {time, frequency, peak, mode.toStdString(), filter.toStdString()};
    QCOMPARE(QString::fromStdString(HitCsvLine(hit)), line);
}

void TestSweep::hitHeader()
{
    QCOMPARE(QString::fromStdString(HitCsvHeader()),
        QStringLiteral("time_utc,frequency_mhz,peak_reading,mode,filter"));
}

void TestSweep::utcTimes_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("epoch") << qint64(0) << "1970-01-01T00:00:00.000Z";
    QTest::newRow("leap day") << qint64(951782400000) << "2000-02-29T00:00:00.000Z";
    QTest::newRow("end of a year") << qint64(1704067199999) << "2023-12-31T23:59:59.999Z";
    QTest::newRow("before 1970") << qint64(-1) << "1969-12-31T23:59:59.999Z";
}

void TestSweep::utcTimes()
{
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FormatUtcTime(ms)), text);
    QCOMPARE(QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
                 .toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzzZ")),
        text);
}

void TestSweep::megahertzTexts_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("three") << 145.5 << 3 << "145.500";
    QTest::newRow("hertz shown") << 145.50625 << 3 << "145.50625";
    QTest::newRow("six") << 0.1 << 6 << "0.100000";
    QTest::newRow("rounded to the hertz") << 144.0249999999 << 3 << "144.025";
    QTest::newRow("none") << 1100.0 << 0 << "1100";
}

void TestSweep::megahertzTexts()
{
    QFETCH(double, frequency);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FormatMHz(frequency, decimals)), text);
}

void TestSweep::axisTicks_data()
{
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<int>("maxTicks");
    QTest::addColumn<QString>("labels");
    QTest::newRow("2 m band") << 144.0 << 146.0 << 8 << "144 144.5 145 145.5 146";
    QTest::newRow("finer") << 144.0 << 146.0 << 12
                           << "144 144.2 144.4 144.6 144.8 145 145.2 "
                              "145.4 145.6 145.8 146";
    QTest::newRow("narrow") << 145.01 << 145.09 << 5 << "145.02 145.04 145.06 145.08";
    QTest::newRow("whole range") << 0.1 << 1100.0 << 6 << "200 400 600 800 1000";
    QTest::newRow("one tick") << 7.0 << 7.2 << 1 << "7";
    QTest::newRow("empty range") << 5.0 << 5.0 << 4 << "";
    QTest::newRow("no ticks wanted") << 1.0 << 2.0 << 0 << "";
}

void TestSweep::axisTicks()
{
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(int, maxTicks);
    QFETCH(QString, labels);
    QStringList got;
    for (const AxisTick &tick : AxisTicks(lo, hi, maxTicks)) {
        QVERIFY(tick.value >= lo - 1e-9 && tick.value <= hi + 1e-9);
        got << QString::fromStdString(tick.label);
    }
    QCOMPARE(got.join(' '), labels);
    QVERIFY(got.size() <= maxTicks);
}

QTEST_GUILESS_MAIN(TestSweep)
#include "tst_sweep.moc"
