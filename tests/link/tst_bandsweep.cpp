#include "../support/fakecontrols.h"
#include "../support/panelfacts.h"
#include "bandsweep.h"
#include "hitslog.h"
#include "options.h"
#include "pseudoterminal.h"
#include "receiversession.h"
#include "serialline.h"
#include "simreceiver.h"
#include "tunedstate.h"
#include "tuner.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>
#include <unistd.h>

namespace {

// A receiver link made of plain values. Every question is answered from `reading` a
// millisecond later, or counted missing after the link's answer time when it gives nothing.
class FakePort : public QObject, public SweepPort
{
public:
    bool LinkIsOn() const override { return allowed; }
    void Tune(double frequencyMHz) override
    {
        events << QStringLiteral("tune %1").arg(frequencyMHz, 0, 'f', 3);
        tunedAt << clock.elapsed();
        tuned = frequencyMHz;
    }
    void AskSignal(std::function<void(std::optional<int>)> done) override
    {
        events << QStringLiteral("query");
        queriedAt << clock.elapsed();
        const std::optional<int> raw = reading ? reading(tuned) : std::nullopt;
        QTimer::singleShot(raw ? 1 : ReceiverSession::kAnswerTimeoutMs, this,
            [raw, done = std::move(done)] { done(raw); });
    }
    // A frequency command just queued takes 21 ms on the line.
    int LineBacklogMs() const override { return 21; }
    QString ModeWord() const override { return QStringLiteral("FM"); }
    QString FilterWord() const override { return QStringLiteral("BW3"); }

    QStringList tunes() const { return events.filter(QStringLiteral("tune")); }

    bool allowed = true;
    // The reading at the frequency tuned; nothing for no answer.
    std::function<std::optional<int>(double)> reading;
    double tuned = 0;
    QStringList events;
    QList<qint64> tunedAt;
    QList<qint64> queriedAt;
    QElapsedTimer clock;
};

SweepPlan Plan(const char *text)
{
    return *ParseSweepPlan(text).plan;
}

// The fake and the sweep it serves.
struct SweepRig
{
    SweepRig()
    {
        sweep = new BandSweep(port);
        port.clock.start();
        // A station of 120 on 144.050; the rest is noise.
        port.reading = [](double mhz) {
            return qAbs(mhz - 144.05) < 1e-6 ? 120 : 8;
        };
    }
    ~SweepRig() { delete sweep; }

    // Stops the sweep the moment it finishes this many sweeps, before another step is taken.
    void StopAfter(int passes)
    {
        QObject::connect(sweep, &BandSweep::sweepFinished, sweep, [this, passes](int pass) {
            if (pass == passes)
                sweep->Stop();
        });
    }

    FakePort port;
    BandSweep *sweep = nullptr;
};

// The sweep as the panel runs it: the receiver session (which tunes through the Tuner and hands
// the sweep every byte received) over the simulated receiver.
constexpr double kFastLineBytesPerSecond = 100 * kLineBytesPerSecond;

class SimRig : public QObject
{
public:
    SimRig()
    {
        // The simulated receiver takes the line at once unless a test asks for line speed: the
        // queue need not wait for a 9600-baud line that is not there.
        session.setLineBytesPerSecond(kFastLineBytesPerSecond);
        connect(&receiver, &SimReceiver::commandReceived, this, [this](const QString &line) {
            if (line.startsWith(QLatin1String("FRQ ")))
                frequencies << line.mid(4, 8);
        });
    }

    // ON, to the simulated receiver unless another device is named.
    bool PowerOn(const QString &device = QString())
    {
        controls.channel = device.isEmpty() ? receiver.slavePath() : device;
        return session.PowerOn();
    }

    // Stops the sweep the moment it finishes this many sweeps, before another step is taken.
    void StopAfter(int passes)
    {
        connect(&sweep, &BandSweep::sweepFinished, this, [this, passes](int pass) {
            if (pass == passes)
                sweep.Stop();
        });
    }

    SimReceiver receiver;
    TunedState tuned = StartTuned();
    FakeControls controls;
    ReceiverSession session {tuned, controls};
    BandSweep &sweep = session.sweep();
    QStringList frequencies; // the frequency fields the receiver was sent, in order
};

struct Station
{
    double mhz;
    int strength;
};

} // namespace

class TestBandSweep : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<SweepHit>(); }
    void stepsThroughThePlanAndStartsAgain();
    void dwellCountsFromTheLine();
    void missingReadingIsMissing();
    void holdsOnASignalForTheHoldTime();
    void skipLocksTheSignalOut();
    void clickHoldsUntilResume();
    void holdZeroOnlyRecords();
    void stopDuringAHoldRecordsTheHit();
    void endsWhenTheLinkGoesOff();
    void everyStepLockedOutStops();
    void findsEachStationOnTheSimulatedReceiver_data();
    void findsEachStationOnTheSimulatedReceiver();
    void stopsAtEachStationAndLogsHits();
    void skipLeavesAStationOut();
    void noAnswersAreMissing_data();
    void noAnswersAreMissing();
    void noFalseHitFromTheStationTunedBefore();
};

void TestBandSweep::stepsThroughThePlanAndStartsAgain()
{
    SweepRig rig;
    rig.sweep->setStopOnSignal(false);
    QSignalSpy finished(rig.sweep, &BandSweep::sweepFinished);
    QSignalSpy readings(rig.sweep, &BandSweep::readingTaken);
    rig.StopAfter(2);
    QVERIFY(rig.sweep->Start(Plan("144:144.1:0.025")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 3000);
    const QStringList once = {"tune 144.000", "query", "tune 144.025", "query", "tune 144.050",
        "query", "tune 144.075", "query", "tune 144.100", "query"};
    QCOMPARE(rig.port.events.mid(0, 10), once);
    QCOMPARE(rig.port.events.mid(10, 10), once);
    QCOMPARE(finished.at(0).at(0).toInt(), 1);
    QCOMPARE(finished.at(1).at(0).toInt(), 2);
    QCOMPARE(readings.at(2).at(0).toInt(), 2);
    QCOMPARE(readings.at(2).at(1).toDouble(), 144.05);
    QCOMPARE(readings.at(2).at(2).toInt(), 120);
    QCOMPARE(rig.sweep->trace().At(2), std::int16_t(120));
    QCOMPARE(rig.sweep->trace().At(0), std::int16_t(8));
    QCOMPARE(rig.sweep->waterfall().rowCount(), 2);
    QCOMPARE(rig.sweep->waterfall().Row(0)[2], std::int16_t(120));
    QCOMPARE(rig.sweep->missingCount(), 0);
}

void TestBandSweep::dwellCountsFromTheLine()
{
    SweepRig rig;
    rig.sweep->setStopOnSignal(false);
    rig.sweep->setDwellMs(30);
    QSignalSpy finished(rig.sweep, &BandSweep::sweepFinished);
    rig.StopAfter(1);
    QVERIFY(rig.sweep->Start(Plan("144:144.1:0.025")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 3000);
    // "FRQ 0144.000;FM;BW3" and CR are 20 bytes: 21 ms at 960 bytes a second, then the dwell.
    for (int i = 0; i < 5; ++i)
        QVERIFY2(rig.port.queriedAt[i] - rig.port.tunedAt[i] >= 21 + 30,
            qPrintable(QString::number(rig.port.queriedAt[i] - rig.port.tunedAt[i])));
}

void TestBandSweep::missingReadingIsMissing()
{
    SweepRig rig;
    rig.port.reading = [](double mhz) -> std::optional<int> {
        if (qAbs(mhz - 144.025) < 1e-6)
            return std::nullopt;
        return 0;
    };
    QSignalSpy finished(rig.sweep, &BandSweep::sweepFinished);
    rig.StopAfter(1);
    QVERIFY(rig.sweep->Start(Plan("144:144.1:0.025")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 3000);
    QCOMPARE(rig.sweep->trace().At(1), kReadingMissing);
    QCOMPARE(rig.sweep->trace().At(0), std::int16_t(0)); // a true zero stays zero
    QCOMPARE(rig.sweep->waterfall().Row(0)[1], kReadingMissing);
    QCOMPARE(rig.sweep->missingCount(), 1);
    // The step waited for the link's answer time before going on.
    QVERIFY(rig.port.tunedAt[2] - rig.port.queriedAt[1] >= ReceiverSession::kAnswerTimeoutMs);
    QVERIFY(rig.port.tunedAt[3] - rig.port.queriedAt[2] < 100);
}

void TestBandSweep::holdsOnASignalForTheHoldTime()
{
    SweepRig rig;
    rig.sweep->setHoldMs(400);
    rig.sweep->setThreshold(100);
    QSignalSpy holds(rig.sweep, &BandSweep::holdStarted);
    QSignalSpy ends(rig.sweep, &BandSweep::holdEnded);
    QSignalSpy poll(rig.sweep, &BandSweep::signalPollWanted);
    QSignalSpy hits(rig.sweep, &BandSweep::hitRecorded);
    QVERIFY(rig.sweep->Start(Plan("144:144.1:0.025")));
    QTRY_COMPARE_WITH_TIMEOUT(holds.count(), 1, 2000);
    QCOMPARE(holds.first().at(0).toDouble(), 144.05);
    QCOMPARE(holds.first().at(1).toInt(), 120);
    QCOMPARE(poll.count(), 1);
    QCOMPARE(poll.first().first().toBool(), true);
    QVERIFY(rig.sweep->isHolding());
    const int tunes = rig.port.tunes().size();
    // The poll's readings while held raise the hit's peak.
    rig.sweep->HeldReading(141);
    rig.sweep->HeldReading(130);
    QTest::qWait(250);
    QCOMPARE(rig.port.tunes().size(), tunes); // still there
    QVERIFY(hits.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 1000);
    const qint64 held = rig.port.tunedAt[tunes] - rig.port.queriedAt[tunes - 1];
    QVERIFY2(held >= 400, qPrintable(QString::number(held)));
    QCOMPARE(poll.count(), 2);
    QCOMPARE(poll.last().first().toBool(), false);
    QCOMPARE(rig.port.tunes().value(tunes), QStringLiteral("tune 144.075"));
    QCOMPARE(hits.count(), 1);
    const SweepHit hit = hits.first().first().value<SweepHit>();
    QCOMPARE(hit.frequencyMHz, 144.05);
    QCOMPARE(hit.peakReading, 141);
    QCOMPARE(hit.mode, std::string("FM"));
    QCOMPARE(hit.filter, std::string("BW3"));
    QVERIFY(qAbs(hit.timeMsUtc - QDateTime::currentMSecsSinceEpoch()) < 5000);
    QCOMPARE(rig.sweep->trace().MaxAt(2), std::int16_t(141));
    rig.sweep->Stop();
}

void TestBandSweep::skipLocksTheSignalOut()
{
    SweepRig rig;
    rig.sweep->setThreshold(100);
    // A signal over three steps, 144.025 to 144.075.
    rig.port.reading = [](double mhz) {
        return mhz > 144.01 && mhz < 144.09 ? 150 : 5;
    };
    QSignalSpy holds(rig.sweep, &BandSweep::holdStarted);
    QSignalSpy finished(rig.sweep, &BandSweep::sweepFinished);
    QSignalSpy locked(rig.sweep, &BandSweep::lockedOut);
    QVERIFY(rig.sweep->Start(Plan("144:144.1:0.025")));
    QTRY_COMPARE_WITH_TIMEOUT(holds.count(), 1, 2000);
    QCOMPARE(holds.first().at(0).toDouble(), 144.025);
    rig.StopAfter(2);
    rig.sweep->Skip();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 3000);
    QCOMPARE(holds.count(), 1);
    QCOMPARE(locked.count(), 3);
    QCOMPARE(rig.sweep->lockedOutCount(), 3);
    // The second sweep tunes only the two free steps.
    const QStringList tunes = rig.port.tunes();
    QCOMPARE(tunes.mid(5, 2), (QStringList {"tune 144.000", "tune 144.100"}));
    QCOMPARE(rig.sweep->waterfall().Row(0),
        (std::vector<std::int16_t> {5, kLockedOut, kLockedOut, kLockedOut, 5}));
}

void TestBandSweep::clickHoldsUntilResume()
{
    SweepRig rig;
    rig.sweep->setHoldMs(100);
    rig.sweep->setThreshold(200);
    QSignalSpy holds(rig.sweep, &BandSweep::holdStarted);
    QSignalSpy hits(rig.sweep, &BandSweep::hitRecorded);
    QSignalSpy poll(rig.sweep, &BandSweep::signalPollWanted);
    QVERIFY(rig.sweep->Start(Plan("144:144.1:0.025")));
    QTRY_VERIFY_WITH_TIMEOUT(rig.port.tunes().size() >= 2, 1000);
    rig.sweep->HoldAt(144.058);
    QCOMPARE(rig.port.tunes().last(), QStringLiteral("tune 144.050"));
    QCOMPARE(holds.count(), 1);
    QCOMPARE(holds.first().at(1).toInt(), -1);
    QCOMPARE(poll.count(), 1);
    const int tunes = rig.port.tunes().size();
    QTest::qWait(400); // well past the hold time: a hold by hand waits for Resume
    QCOMPARE(rig.port.tunes().size(), tunes);
    rig.sweep->Resume();
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.tunes().value(tunes), QStringLiteral("tune 144.075"), 1000);
    QVERIFY(hits.isEmpty());
    rig.sweep->Stop();

    // With no sweep running a click only tunes, to the nearest step of the last plan.
    rig.sweep->HoldAt(144.01);
    QCOMPARE(rig.port.tunes().last(), QStringLiteral("tune 144.000"));
    QVERIFY(!rig.sweep->isRunning());
}

void TestBandSweep::holdZeroOnlyRecords()
{
    SweepRig rig;
    rig.sweep->setHoldMs(0);
    rig.sweep->setThreshold(100);
    QSignalSpy holds(rig.sweep, &BandSweep::holdStarted);
    QSignalSpy hits(rig.sweep, &BandSweep::hitRecorded);
    QSignalSpy finished(rig.sweep, &BandSweep::sweepFinished);
    rig.StopAfter(2);
    QVERIFY(rig.sweep->Start(Plan("144:144.1:0.025")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 3000);
    QCOMPARE(hits.count(), 2); // one a sweep
    QVERIFY(holds.isEmpty());
}

void TestBandSweep::stopDuringAHoldRecordsTheHit()
{
    SweepRig rig;
    rig.sweep->setThreshold(100);
    QSignalSpy holds(rig.sweep, &BandSweep::holdStarted);
    QSignalSpy ends(rig.sweep, &BandSweep::holdEnded);
    QSignalSpy hits(rig.sweep, &BandSweep::hitRecorded);
    QSignalSpy stopped(rig.sweep, &BandSweep::stopped);
    QVERIFY(rig.sweep->Start(Plan("144:144.1:0.025")));
    QTRY_COMPARE_WITH_TIMEOUT(holds.count(), 1, 2000);
    rig.sweep->Stop();
    QCOMPARE(hits.count(), 1);
    QCOMPARE(ends.count(), 1);
    QCOMPARE(stopped.count(), 1);
    QCOMPARE(stopped.first().first().toString(), QString());
    QVERIFY(!rig.sweep->isRunning());
    QCOMPARE(rig.sweep->currentIndex(), -1);
}

void TestBandSweep::endsWhenTheLinkGoesOff()
{
    SweepRig rig;
    rig.port.allowed = false;
    QSignalSpy started(rig.sweep, &BandSweep::started);
    QVERIFY(!rig.sweep->Start(Plan("144:144.1:0.025")));
    QVERIFY(started.isEmpty());

    rig.port.allowed = true;
    rig.sweep->setStopOnSignal(false);
    QSignalSpy stopped(rig.sweep, &BandSweep::stopped);
    QVERIFY(rig.sweep->Start(Plan("144:144.1:0.025")));
    QTRY_VERIFY_WITH_TIMEOUT(rig.port.tunes().size() >= 2, 1000);
    rig.port.allowed = false;
    QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 1000);
    QVERIFY(!stopped.first().first().toString().isEmpty());
    const int events = rig.port.events.size();
    QTest::qWait(200);
    QCOMPARE(rig.port.events.size(), events);
}

void TestBandSweep::everyStepLockedOutStops()
{
    SweepRig rig;
    rig.sweep->setThreshold(1);
    QSignalSpy holds(rig.sweep, &BandSweep::holdStarted);
    QSignalSpy stopped(rig.sweep, &BandSweep::stopped);
    QVERIFY(rig.sweep->Start(Plan("144:144.025:0.025")));
    QTRY_COMPARE_WITH_TIMEOUT(holds.count(), 1, 2000);
    rig.sweep->Skip(); // the next step is still at or above 1: locked out with it
    QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 2000);
    QVERIFY(stopped.first().first().toString().contains(QLatin1String("locked out")));
}

void TestBandSweep::findsEachStationOnTheSimulatedReceiver_data()
{
    QTest::addColumn<bool>("lineSpeed");
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("lastShown");
    QTest::addColumn<QList<int>>("stations"); // indices into the station list below
    QTest::newRow("instant receiver") << false << "104:158:0.1"
                                      << " 158.000.000" << QList<int> {0, 1, 2, 3};
    // At 9600 baud each way, as hardware runs: about 54 ms a step.
    QTest::newRow("receiver at line speed") << true << "140:157:0.1"
                                            << " 157.000.000" << QList<int> {2, 3};
}

void TestBandSweep::findsEachStationOnTheSimulatedReceiver()
{
    QFETCH(bool, lineSpeed);
    QFETCH(QString, range);
    QFETCH(QString, lastShown);
    QFETCH(QList<int>, stations);
    SimRig rig;
    QVERIFY(rig.receiver.isOpen());
    rig.receiver.setSeed(16);
    if (lineSpeed) {
        rig.receiver.setTiming(SimReceiver::Timing::LineSpeed);
        rig.session.setLineBytesPerSecond(kLineBytesPerSecond);
    }
    QVERIFY(rig.PowerOn());
    rig.sweep.setStopOnSignal(false);
    rig.sweep.setDwellMs(5);
    QSignalSpy finished(&rig.sweep, &BandSweep::sweepFinished);
    QString shownAtTheEnd;
    connect(
        &rig.sweep, &BandSweep::sweepFinished, &rig, [&] { shownAtTheEnd = rig.controls.display; });
    rig.StopAfter(1);
    const SweepPlan plan = Plan(qPrintable(range));
    QVERIFY(rig.sweep.Start(plan));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    QCOMPARE(rig.sweep.missingCount(), 0);
    // The display followed the sweep.
    QCOMPARE(shownAtTheEnd, lastShown);

    // The peaks of the sweep are the stations in the range, each at its level (the receiver adds
    // up to 3 of noise).
    const Station kStations[] = {{105.9, 230}, {118.1, 120}, {145.5, 170}, {156.8, 140}};
    const std::vector<std::int16_t> &r = rig.sweep.trace().latest();
    QList<int> peaks;
    for (int i = 1; i + 1 < int(r.size()); ++i) {
        if (r[size_t(i)] > 30 && r[size_t(i)] >= r[size_t(i - 1)]
            && r[size_t(i)] > r[size_t(i + 1)])
            peaks << i;
    }
    QCOMPARE(peaks.size(), stations.size());
    for (int s = 0; s < int(stations.size()); ++s) {
        const Station &station = kStations[stations[s]];
        const double found = plan.FrequencyAt(peaks[s]);
        QVERIFY2(qAbs(found - station.mhz) <= 0.1 + 1e-9, qPrintable(QString::number(found)));
        QVERIFY2(qAbs(r[size_t(peaks[s])] - station.strength) <= 3,
            qPrintable(QString::number(r[size_t(peaks[s])])));
    }
}

void TestBandSweep::stopsAtEachStationAndLogsHits()
{
    SimRig rig;
    QVERIFY(rig.PowerOn());
    QTemporaryDir folder;
    HitsLog log(folder.filePath(QStringLiteral("hits.csv")));
    connect(&rig.sweep, &BandSweep::hitRecorded, &rig,
        [&log](const SweepHit &hit) { QVERIFY(log.Append(hit)); });
    rig.sweep.setDwellMs(5);
    rig.sweep.setThreshold(100);
    rig.sweep.setHoldMs(300);
    QElapsedTimer clock;
    clock.start();
    QList<qint64> holdTimes;
    connect(&rig.sweep, &BandSweep::holdStarted, &rig, [&] { holdTimes << clock.elapsed(); });
    connect(&rig.sweep, &BandSweep::holdEnded, &rig, [&] { holdTimes << clock.elapsed(); });
    QSignalSpy hits(&rig.sweep, &BandSweep::hitRecorded);
    QSignalSpy finished(&rig.sweep, &BandSweep::sweepFinished);
    rig.StopAfter(1);
    QVERIFY(rig.sweep.Start(Plan("145:157:0.1")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);

    // Two stations, 145.5 (170) and 156.8 (140): one stop each, held for the hold time.
    QCOMPARE(hits.count(), 2);
    QCOMPARE(holdTimes.size(), 4);
    QVERIFY(holdTimes[1] - holdTimes[0] >= 300);
    QVERIFY(holdTimes[3] - holdTimes[2] >= 300);
    const SweepHit first = hits.at(0).first().value<SweepHit>();
    const SweepHit second = hits.at(1).first().value<SweepHit>();
    QVERIFY(first.frequencyMHz > 145.2 && first.frequencyMHz <= 145.5);
    QVERIFY(second.frequencyMHz > 156.5 && second.frequencyMHz <= 156.8);
    QVERIFY(first.peakReading >= 100);

    QFile file(log.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 4); // header, two hits, and the end of the last line
    QCOMPARE(lines[0], QByteArray("time_utc,frequency_mhz,peak_reading,mode,filter"));
    QCOMPARE(lines[1], QByteArray::fromStdString(HitCsvLine(first)));
    QVERIFY(lines[2].endsWith(",FM,100 KHz"));
    QVERIFY(lines[3].isEmpty());

    // A log that cannot be written says why.
    HitsLog nowhere(folder.filePath(QStringLiteral("missing/hits.csv")));
    QVERIFY(!nowhere.Append(first));
    QVERIFY(!nowhere.errorString().isEmpty());
}

void TestBandSweep::skipLeavesAStationOut()
{
    SimRig rig;
    QVERIFY(rig.PowerOn());
    rig.sweep.setDwellMs(5);
    rig.sweep.setThreshold(100);
    rig.sweep.setHoldMs(60000); // the test decides when to go on
    QList<double> holds;
    connect(&rig.sweep, &BandSweep::holdStarted, &rig, [&](double mhz) {
        holds << mhz;
        // Skip 145.5 and listen past 156.8.
        QTimer::singleShot(10, &rig.sweep, [&rig, mhz] {
            if (mhz < 150)
                rig.sweep.Skip();
            else
                rig.sweep.Resume();
        });
    });
    QSignalSpy finished(&rig.sweep, &BandSweep::sweepFinished);
    int sentInFirst = 0;
    connect(&rig.sweep, &BandSweep::sweepFinished, &rig,
        [&](int pass) { sentInFirst = pass == 1 ? int(rig.frequencies.size()) : sentInFirst; });
    rig.StopAfter(2);
    const SweepPlan plan = Plan("145:157:0.1");
    QVERIFY(rig.sweep.Start(plan));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 30000);

    QCOMPARE(holds.size(), 3); // 145.5 once, 156.8 in both sweeps
    QVERIFY(holds[0] < 150 && holds[1] > 150 && holds[2] > 150);
    const QStringList second = rig.frequencies.mid(sentInFirst);
    QVERIFY(!second.contains(QStringLiteral("0145.500")));
    QVERIFY(second.contains(QStringLiteral("0145.000")));
    QVERIFY(second.contains(QStringLiteral("0156.800")));
    QCOMPARE(rig.sweep.trace().At(plan.IndexNearest(145.5)), kLockedOut);
    QVERIFY(rig.sweep.lockedOutCount() >= 3);
}

void TestBandSweep::noAnswersAreMissing_data()
{
    QTest::addColumn<bool>("pollQuestionOut");
    QTest::newRow("line idle") << false;
    // The sweep's first question then waits for the poll's to go unanswered, and must still go.
    QTest::newRow("a poll's question still out") << true;
}

void TestBandSweep::noAnswersAreMissing()
{
    QFETCH(bool, pollQuestionOut);
    SimRig rig;
    // A port with nothing that answers.
    PseudoTerminal silent;
    QVERIFY(rig.PowerOn(silent.slavePath()));
    if (pollQuestionOut)
        rig.session.Poll();
    rig.sweep.setDwellMs(5);
    QSignalSpy readings(&rig.sweep, &BandSweep::readingTaken);
    QVERIFY(rig.sweep.Start(Plan("145:145.2:0.1")));
    QTRY_COMPARE_WITH_TIMEOUT(readings.count(), 3, 3000);
    rig.sweep.Stop();
    for (const QList<QVariant> &reading : readings)
        QCOMPARE(reading.at(2).toInt(), int(kReadingMissing));
    QCOMPARE(rig.sweep.missingCount(), 3);
}

void TestBandSweep::noFalseHitFromTheStationTunedBefore()
{
    // The panel sits on the strongest station with the poll asking as fast as the line allows;
    // the sweep starts over a quiet range while a poll's answer is still on its way. That answer
    // belongs to the poll, not to the sweep's first step.
    for (int attempt = 0; attempt < 5; ++attempt) {
        SimRig rig;
        rig.receiver.setSeed(3);
        rig.receiver.setTiming(SimReceiver::Timing::LineSpeed);
        rig.session.setLineBytesPerSecond(kLineBytesPerSecond);
        rig.session.setPollInterval(15);
        QVERIFY(rig.PowerOn());
        QTest::qWait(150 + 7 * attempt);
        QSignalSpy readings(&rig.sweep, &BandSweep::readingTaken);
        QSignalSpy holds(&rig.sweep, &BandSweep::holdStarted);
        QVERIFY(rig.sweep.Start(Plan("300:300.2:0.1")));
        QTRY_COMPARE_WITH_TIMEOUT(readings.count(), 3, 3000);
        rig.sweep.Stop();
        QVERIFY2(readings.first().at(2).toInt() < 30,
            qPrintable(QString::number(readings.first().at(2).toInt())));
        QCOMPARE(holds.count(), 0);
    }
}

QTEST_GUILESS_MAIN(TestBandSweep)
#include "tst_bandsweep.moc"
