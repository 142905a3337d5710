#include "leadingnumber.h"

#include <QTest>

#include <cfloat>
#include <clocale>

class TestLeadingNumber : public QObject
{
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
    void ignoresTheLocale();
    void survivesHugeAndLongTexts();
};

void TestLeadingNumber::reads_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << QByteArray("145.5") << 145.5;
    QTest::newRow("comma stops") << QByteArray("1,5") << 1.0;
    QTest::newRow("leading space") << QByteArray(" 7.05") << 7.05;
    QTest::newRow("second point stops") << QByteArray("12.5.3") << 12.5;
    QTest::newRow("letters") << QByteArray("abc") << 0.0;
    QTest::newRow("empty") << QByteArray("") << 0.0;
    QTest::newRow("exponent E") << QByteArray("1E3") << 1000.0;
    QTest::newRow("exponent D") << QByteArray("2D-1") << 0.2;
    QTest::newRow("lower-case exponent") << QByteArray("3e2") << 300.0;
    QTest::newRow("sign then blank") << QByteArray("- 3") << -3.0;
    QTest::newRow("plus sign") << QByteArray("+4") << 4.0;
    QTest::newRow("blanks between digits") << QByteArray("1 4\t5\n.5") << 145.5;
    QTest::newRow("blanks in exponent") << QByteArray("1 E 2") << 100.0;
    QTest::newRow("tail ignored") << QByteArray("145.5 MHz") << 145.5;
    QTest::newRow("bare point") << QByteArray(".") << 0.0;
    QTest::newRow("point first") << QByteArray(".5") << 0.5;
    QTest::newRow("point last") << QByteArray("5.") << 5.0;
    QTest::newRow("exponent without digits") << QByteArray("7E") << 7.0;
    QTest::newRow("exponent sign without digits") << QByteArray("7E-x") << 7.0;
    QTest::newRow("leading zeros") << QByteArray("0000000000") << 0.0;
    QTest::newRow("zeros then digits") << QByteArray("000145.000") << 145.0;
    QTest::newRow("sign alone") << QByteArray("-") << 0.0;
    QTest::newRow("carriage return is not a blank") << QByteArray("\r12") << 0.0;
    QTest::newRow("non-ASCII") << QByteArray("\xc3\xa9"
                                             "12")
                               << 0.0;
    QTest::newRow("frequency field") << QByteArray("145.5      ") << 145.5;
    const QByteArray zeros(400, '0');
    QTest::newRow("tiny without exponent") << "0." + zeros + "1" << 0.0;
    QTest::newRow("tiny without exponent, negative") << "-." + zeros + "1" << 0.0;
    QTest::newRow("huge with negative exponent") << "1" + zeros + "E-5" << DBL_MAX;
    QTest::newRow("huge with negative exponent, negative") << "-1" + zeros + "D-5" << -DBL_MAX;
    QTest::newRow("huge with positive exponent") << "1" + zeros + "E+1" << DBL_MAX;
    QTest::newRow("tiny with positive exponent") << "0." + zeros + "1E+5" << 0.0;
    QTest::newRow("long fraction brought back into range") << "0." + zeros + "1E400" << 0.1;
    QTest::newRow("long whole brought back into range") << "1" + zeros + "E-399" << 10.0;
    QTest::newRow("leading zeros then huge") << "000" + zeros + "1E400" << DBL_MAX;
}

void TestLeadingNumber::reads()
{
    QFETCH(QByteArray, text);
    QFETCH(double, value);
    QCOMPARE(LeadingNumber(std::string_view(text.constData(), size_t(text.size()))), value);
}

void TestLeadingNumber::ignoresTheLocale()
{
    const char *set = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!set)
        set = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    QCOMPARE(LeadingNumber("1,5"), 1.0);
    QCOMPARE(LeadingNumber("1.5"), 1.5);
    std::setlocale(LC_ALL, "C");
}

void TestLeadingNumber::survivesHugeAndLongTexts()
{
    QCOMPARE(LeadingNumber("1E400"), DBL_MAX);
    QCOMPARE(LeadingNumber("-1D99999999999"), -DBL_MAX);
    QCOMPARE(LeadingNumber("1E-400"), 0.0);
    const std::string digits(100000, '9');
    QVERIFY(LeadingNumber(digits) > 1e99);
    const std::string zeros = std::string(100000, '0') + "7.25";
    QCOMPARE(LeadingNumber(zeros), 7.25);
}

QTEST_GUILESS_MAIN(TestLeadingNumber)
#include "tst_leadingnumber.moc"
