#include "bandplan.h"
#include "steptable.h"

#include <QTest>

#include <cfloat>
#include <cmath>
#include <limits>

class TestBandPlan : public QObject
{
    Q_OBJECT

private slots:
    void chooses_data();
    void chooses();
    void outsideChangesNothing_data();
    void outsideChangesNothing();
    void everyStepCaptionIsInTheList();
    void rowsCoverTheRangeWithoutGaps();
    void neverChoosesTheUnusualOptions();
};

void TestBandPlan::chooses_data()
{
    // Expected: mode word, filter word and step caption, as "FM BW2 5 KHz".
    QTest::addColumn<double>("frequency");
    QTest::addColumn<QString>("options");
    QTest::newRow("0.1 bottom") << 0.1 << "CW BW1 5 KHz";
    QTest::newRow("0.54 shared bound, lower band") << 0.54 << "CW BW1 5 KHz";
    QTest::newRow("0.541") << 0.541 << "AM BW2 5 KHz";
    QTest::newRow("just above 0.54") << std::nextafter(0.54, 1.0) << "AM BW2 5 KHz";
    QTest::newRow("1.68 shared bound") << 1.68 << "AM BW2 5 KHz";
    QTest::newRow("1.7") << 1.7 << "AM BW1 5 KHz";
    QTest::newRow("30") << 30.0 << "AM BW1 5 KHz";
    QTest::newRow("30.001") << 30.001 << "FM BW3 10 KHz";
    QTest::newRow("76") << 76.0 << "FM BW3 10 KHz";
    QTest::newRow("88") << 88.0 << "FM BW4 100 KHz";
    QTest::newRow("108") << 108.0 << "FM BW4 100 KHz";
    QTest::newRow("just above 108") << std::nextafter(108.0, 200.0) << "AM BW2 25 KHz";
    QTest::newRow("118") << 118.0 << "AM BW2 25 KHz";
    QTest::newRow("136") << 136.0 << "AM BW2 25 KHz";
    QTest::newRow("145") << 145.0 << "FM BW2 5 KHz";
    QTest::newRow("170") << 170.0 << "FM BW2 5 KHz";
    QTest::newRow("200") << 200.0 << "FM BW3 50 KHz";
    QTest::newRow("225") << 225.0 << "FM BW3 50 KHz";
    QTest::newRow("433") << 433.0 << "FM BW3 10 KHz";
    QTest::newRow("800") << 800.0 << "FM BW3 10 KHz";
    QTest::newRow("900") << 900.0 << "FM BW3 12.5 KHz";
    QTest::newRow("950") << 950.0 << "FM BW3 12.5 KHz";
    QTest::newRow("1000") << 1000.0 << "FM BW3 10 KHz";
    QTest::newRow("1100") << 1100.0 << "FM BW3 10 KHz";
    QTest::newRow("1300 top of the table") << 1300.0 << "FM BW3 10 KHz";
}

void TestBandPlan::chooses()
{
    QFETCH(double, frequency);
    QFETCH(QString, options);
    const std::optional<BandRow> row = BandPlanLookup(frequency);
    QVERIFY(row.has_value());
    const QString chosen = QString("%1 %2 %3")
                               .arg(kModeTable[size_t(row->modeIndex)].word,
                                   kFilterTable[size_t(row->filterIndex)].word, row->stepCaption);
    QCOMPARE(chosen, options);
}

void TestBandPlan::outsideChangesNothing_data()
{
    QTest::addColumn<double>("frequency");
    QTest::newRow("0.05") << 0.05;
    QTest::newRow("just below 0.1") << std::nextafter(0.1, 0.0);
    QTest::newRow("0") << 0.0;
    QTest::newRow("negative") << -145.0;
    QTest::newRow("1300.5") << 1300.5;
    QTest::newRow("just above 1300") << std::nextafter(1300.0, 2000.0);
    QTest::newRow("largest double") << DBL_MAX;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity();
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
}

void TestBandPlan::outsideChangesNothing()
{
    QFETCH(double, frequency);
    QVERIFY(!BandPlanLookup(frequency).has_value());
}

void TestBandPlan::everyStepCaptionIsInTheList()
{
    for (const BandRow &row : kBandPlan) {
        const int index = StepIndexForCaption(row.stepCaption);
        QVERIFY2(index >= 0, row.stepCaption);
    }
    const auto sizeOf = [](double f) {
        const std::optional<BandRow> row = BandPlanLookup(f);
        const int index = row ? StepIndexForCaption(row->stepCaption) : -1;
        return index >= 0 ? kStepTable[size_t(index)].sizeMHz : -1.0;
    };
    QCOMPARE(sizeOf(0.1), 0.005);
    QCOMPARE(sizeOf(50.0), 0.01);
    QCOMPARE(sizeOf(100.0), 0.1);
    QCOMPARE(sizeOf(120.0), 0.025);
    QCOMPARE(sizeOf(200.0), 0.05);
    QCOMPARE(sizeOf(900.0), 0.0125);
}

void TestBandPlan::rowsCoverTheRangeWithoutGaps()
{
    QCOMPARE(kBandPlan.front().lowerMHz, 0.1);
    QCOMPARE(kBandPlan.back().upperMHz, 1300.0);
    for (size_t i = 1; i < kBandPlan.size(); ++i)
        QCOMPARE(kBandPlan[i].lowerMHz, kBandPlan[i - 1].upperMHz);
}

void TestBandPlan::neverChoosesTheUnusualOptions()
{
    for (const BandRow &row : kBandPlan) {
        QVERIFY(row.modeIndex == kModeAM || row.modeIndex == kModeFM || row.modeIndex == kModeCW);
        QVERIFY(row.filterIndex >= kFilter1 && row.filterIndex <= kFilter4);
    }
}

QTEST_GUILESS_MAIN(TestBandPlan)
#include "tst_bandplan.moc"
