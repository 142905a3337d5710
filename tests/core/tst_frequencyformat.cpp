#include "frequencyformat.h"

#include <QTest>

#include <clocale>

class TestFrequencyFormat : public QObject
{
    Q_OBJECT

private slots:
    void renders_data();
    void renders();
    void commandLine();
    void pointWhateverTheLocale();
};

void TestFrequencyFormat::renders_data()
{
    QTest::addColumn<double>("mhz");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("field");
    QTest::newRow("start-up") << 105.9 << " 105.900.000"
                              << "0105.900";
    QTest::newRow("bottom") << 0.1 << "   0.100.000"
                            << "0000.100";
    QTest::newRow("top") << 1100.0 << "1100.000.000"
                         << "1100.000";
    QTest::newRow("zero") << 0.0 << "   0.000.000"
                          << "0000.000";
    QTest::newRow("145.5") << 145.5 << " 145.500.000"
                           << "0145.500";
    QTest::newRow("hertz shown") << 145.5125 << " 145.512.500"
                                 << "0145.513";
    QTest::newRow("rounds up to kHz") << 105.9006 << " 105.900.600"
                                      << "0105.901";
    QTest::newRow("rounds down to kHz") << 105.9004 << " 105.900.400"
                                        << "0105.900";
    QTest::newRow("one digit") << 7.05 << "   7.050.000"
                               << "0007.050";
    QTest::newRow("carry into MHz") << 144.9999996 << " 145.000.000"
                                    << "0145.000";
}

void TestFrequencyFormat::renders()
{
    QFETCH(double, mhz);
    QFETCH(QString, display);
    QFETCH(QString, field);
    QCOMPARE(QString::fromStdString(FormatDisplayFrequency(mhz)), display);
    QCOMPARE(QString::fromStdString(FormatFrequencyField(mhz)), field);
}

void TestFrequencyFormat::commandLine()
{
    QCOMPARE(FrequencyCommand(145.5, "FM", "BW3"), std::string("FRQ 0145.500;FM;BW3"));
    QCOMPARE(FrequencyCommand(0.1, "AM", "BW2"), std::string("FRQ 0000.100;AM;BW2"));
    QCOMPARE(FrequencyCommand(1100, "FM", "BW4"), std::string("FRQ 1100.000;FM;BW4"));
}

void TestFrequencyFormat::pointWhateverTheLocale()
{
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8"))
        std::setlocale(LC_NUMERIC, "C.UTF-8");
    QCOMPARE(FormatDisplayFrequency(145.5), std::string(" 145.500.000"));
    QCOMPARE(FormatFrequencyField(145.5), std::string("0145.500"));
    std::setlocale(LC_ALL, "C");
}

QTEST_GUILESS_MAIN(TestFrequencyFormat)
#include "tst_frequencyformat.moc"
