#include "memoryfile.h"
#include "options.h"
#include "recall.h"
#include "steptable.h"

#include <QTest>

#include <cmath>
#include <fstream>
#include <iterator>

class TestRecall : public QObject
{
    Q_OBJECT

private slots:
    void frequencies_data();
    void frequencies();
    void outOfRangeIgnoresEverything();
    void settings_data();
    void settings();
    void everyTableEntryRecalls();
    void exampleFileRecallsCleanly();
};

void TestRecall::frequencies_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("frequency");
    QTest::newRow("plain") << "145.5" << true << 145.5;
    QTest::newRow("top of the range") << "1100" << true << 1100.0;
    QTest::newRow("just above the top") << "1100.001" << false << 0.0;
    QTest::newRow("far above") << "1200" << false << 0.0;
    QTest::newRow("zero") << "0" << true << 0.0;
    QTest::newRow("below the tuning range") << "0.05" << true << 0.05;
    QTest::newRow("negative") << "-0.001" << false << 0.0;
    QTest::newRow("comma reads the integer part") << "145,5" << true << 145.0;
    QTest::newRow("letters read as zero") << "ABC" << true << 0.0;
    QTest::newRow("empty reads as zero") << "" << true << 0.0;
    QTest::newRow("padded") << "  118.7    " << true << 118.7;
    QTest::newRow("exponent") << "1.1E3" << true << 1100.0;
    QTest::newRow("huge exponent") << "1E999" << false << 0.0;
    QTest::newRow("unit after the number") << "7.05MHz" << true << 7.05;
}

void TestRecall::frequencies()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, frequency);
    const auto decision = DecideRecall(text.toStdString(), "", "", "");
    QCOMPARE(decision.has_value(), accepted);
    if (decision) {
        QCOMPARE(decision->frequencyMHz, frequency);
        QVERIFY(!std::signbit(decision->frequencyMHz));
        QCOMPARE(decision->modeIndex, -1);
        QCOMPARE(decision->filterIndex, -1);
        QCOMPARE(decision->stepIndex, -1);
    }
}

void TestRecall::outOfRangeIgnoresEverything()
{
    QVERIFY(!DecideRecall("1100.5", "AM", "10 KHz", "25 KHz"));
    QVERIFY(!DecideRecall("-5", "FM", "50 KHz", "1 MHz"));
    const auto inRange = DecideRecall("1100", "AM", "10 KHz", "25 KHz");
    QVERIFY(inRange);
    QCOMPARE(inRange->modeIndex, kModeAM);
    QCOMPARE(inRange->filterIndex, kFilter1);
    QCOMPARE(inRange->stepIndex, StepIndexForCaption("25 KHz"));
    // "-0" is zero: tuned, and shown without a sign.
    const auto negativeZero = DecideRecall("-0", "", "", "");
    QVERIFY(negativeZero);
    QVERIFY(!std::signbit(negativeZero->frequencyMHz));
}

// Each setting is judged on its own: a text outside its table leaves that setting alone.
void TestRecall::settings_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("modeIndex");
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<int>("stepIndex");
    QTest::newRow("all three") << "AM"
                               << "10 KHz"
                               << "12.5 KHz" << kModeAM << kFilter1 << 12;
    QTest::newRow("PLS selects WFM") << "PLS"
                                     << ""
                                     << "" << kModeWFM << -1 << -1;
    QTest::newRow("WFM selects nothing") << "WFM"
                                         << ""
                                         << "" << -1 << -1 << -1;
    QTest::newRow("lower case") << "usb"
                                << "300 kHz"
                                << "1 khz" << -1 << -1 << -1;
    QTest::newRow("padded") << " CW "
                            << "  100 KHz "
                            << " 1 MHz  " << kModeCW << kFilter3 << 19;
    QTest::newRow("tab is not trimmed") << "\tFM"
                                        << ""
                                        << "" << -1 << -1 << -1;
    QTest::newRow("cut into the next key") << "CWF"
                                           << "1 MHz S"
                                           << "" << -1 << -1 << -1;
    QTest::newRow("receiver word is not a caption") << ""
                                                    << "BW3"
                                                    << "" << -1 << -1 << -1;
    QTest::newRow("unknown step leaves it") << "FM"
                                            << ""
                                            << "7 KHz" << kModeFM << -1 << -1;
    QTest::newRow("step with a comma") << ""
                                       << ""
                                       << "12,5 KHz" << -1 << -1 << -1;
}

void TestRecall::settings()
{
    QFETCH(QString, mode);
    QFETCH(QString, filter);
    QFETCH(QString, step);
    QFETCH(int, modeIndex);
    QFETCH(int, filterIndex);
    QFETCH(int, stepIndex);
    const auto decision
        = DecideRecall("100", mode.toStdString(), filter.toStdString(), step.toStdString());
    QVERIFY(decision);
    QCOMPARE(decision->frequencyMHz, 100.0);
    QCOMPARE(decision->modeIndex, modeIndex);
    QCOMPARE(decision->filterIndex, filterIndex);
    QCOMPARE(decision->stepIndex, stepIndex);
}

void TestRecall::everyTableEntryRecalls()
{
    for (size_t i = 0; i < kModeTable.size(); ++i)
        QCOMPARE(DecideRecall("1", kModeTable[i].word, "", "")->modeIndex, int(i));
    for (size_t i = 0; i < kFilterTable.size(); ++i)
        QCOMPARE(DecideRecall("1", "", kFilterTable[i].caption, "")->filterIndex, int(i));
    for (size_t i = 0; i < kStepTable.size(); ++i)
        QCOMPARE(DecideRecall("1", "", "", kStepTable[i].caption)->stepIndex, int(i));
}

// The shipped example must read back exactly: every value padded to its width, so every slot
// tunes with a valid mode, filter and step.
void TestRecall::exampleFileRecallsCleanly()
{
    std::ifstream in(QZ_EXAMPLE_MEMORY_FILE, std::ios::binary);
    QVERIFY(in);
    const std::string file {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    // Carriage return and line feed, always together.
    for (size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '\n')
            QVERIFY(i > 0 && file[i - 1] == '\r');
        if (file[i] == '\r')
            QVERIFY(i + 1 < file.size() && file[i + 1] == '\n');
    }

    int banksWithChannels = 0;
    for (int bank = 1; bank <= kBankCount; ++bank) {
        const std::vector<ChannelFields> channels = LoadBank(file, BankName(bank));
        if (channels.empty())
            continue;
        ++banksWithChannels;
        // Every channel line of the bank stands in its one run.
        const std::string marker = "\n " + BankName(bank) + " ";
        size_t lines = 0;
        for (size_t at = file.find(marker); at != std::string::npos; at = file.find(marker, at + 1))
            ++lines;
        QCOMPARE(channels.size(), lines);
        for (const ChannelFields &channel : channels) {
            const QString where = QString::fromStdString(BankName(bank) + " " + channel.frequency);
            QVERIFY2(!channel.name.empty() && channel.name.find('=') == std::string::npos,
                qPrintable(where));
            QVERIFY2(channel.frequency.find_first_not_of("0123456789.") == std::string::npos,
                qPrintable(where));
            const auto decision
                = DecideRecall(channel.frequency, channel.mode, channel.filter, channel.step);
            QVERIFY2(decision, qPrintable(where));
            QVERIFY2(decision->frequencyMHz >= kLowestFrequencyMHz, qPrintable(where));
            QVERIFY2(decision->modeIndex >= 0, qPrintable(where));
            QVERIFY2(decision->filterIndex >= 0, qPrintable(where));
            QVERIFY2(decision->stepIndex >= 0, qPrintable(where));
        }
    }
    QVERIFY(banksWithChannels >= 3);
}

QTEST_GUILESS_MAIN(TestRecall)
#include "tst_recall.moc"
