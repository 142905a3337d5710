#include "directentry.h"
#include "leadingnumber.h"

#include <QTest>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <stdexcept>

Q_DECLARE_METATYPE(DirectEntryAction)

class TestDirectEntry : public QObject
{
    Q_OBJECT

private slots:
    void defaultText_data();
    void defaultText();
    void defaultReadsBackAsTheRoundedFrequency();
    void defaultIgnoresTheLocale();
    void judges_data();
    void judges();
    void longAndForeignTexts_data();
    void longAndForeignTexts();
    void promptTexts();
};

void TestDirectEntry::defaultText_data()
{
    QTest::addColumn<double>("frequency");
    QTest::addColumn<QString>("text");
    QTest::newRow("105.9") << 105.9 << "105.9";
    QTest::newRow("whole number") << 7.0 << "7";
    QTest::newRow("rounded up") << 145.00625 << "145.01";
    QTest::newRow("exact half to even, down") << 0.125 << "0.12";
    QTest::newRow("exact half to even, up") << 0.375 << "0.38";
    QTest::newRow("exact half, 2.5 hundredths") << 1.625 << "1.62";
    QTest::newRow("bottom") << 0.1 << "0.1";
    QTest::newRow("top") << 1100.0 << "1100";
    QTest::newRow("rounds to the top") << 1099.999 << "1100";
    QTest::newRow("two decimals kept") << 7.05 << "7.05";
    QTest::newRow("trailing zero dropped") << 7.50 << "7.5";
    QTest::newRow("tiny step off") << 145.0 + 0.00625 + 0.00625 << "145.01";
    QTest::newRow("rounding drops the decimals") << 10.004 << "10";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("rounds to zero") << 0.004 << "0";
    QTest::newRow("tiny negative is not -0") << -0.001 << "0";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "";
}

void TestDirectEntry::defaultText()
{
    QFETCH(double, frequency);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(DirectEntryDefault(frequency)), text);
}

void TestDirectEntry::defaultReadsBackAsTheRoundedFrequency()
{
    // Offered and then accepted unchanged, the default tunes to the rounded frequency.
    const DirectEntryVerdict verdict = JudgeDirectEntry(DirectEntryDefault(145.00625));
    QVERIFY(verdict.action == DirectEntryAction::Tune);
    QCOMPARE(verdict.frequencyMHz, 145.01);

    for (double f = 0.1; f <= 1100.0; f = f * 1.37 + 0.0033) {
        const std::string text = DirectEntryDefault(f);
        QVERIFY2(std::abs(LeadingNumber(text) - f) <= 0.005 + 1e-9, text.c_str());
        QVERIFY(text.find(',') == std::string::npos);
    }
    // The widest double still gives a plain number, not an exponent form.
    const std::string widest = DirectEntryDefault(DBL_MAX);
    QVERIFY(widest.size() > 300);
    QVERIFY(widest.find_first_not_of("0123456789") == std::string::npos);
}

void TestDirectEntry::defaultIgnoresTheLocale()
{
    const char *set = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!set)
        set = std::setlocale(LC_ALL, "fr_FR.UTF-8");
    if (!set)
        QSKIP("no locale with a decimal comma is installed");
    std::locale previous;
    try {
        previous = std::locale::global(std::locale(set));
    } catch (const std::runtime_error &) { }
    const std::string text = DirectEntryDefault(105.9);
    const std::string half = DirectEntryDefault(0.125);
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    QCOMPARE(text, std::string("105.9"));
    QCOMPARE(half, std::string("0.12"));
}

void TestDirectEntry::judges_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<DirectEntryAction>("action");
    QTest::addColumn<double>("frequency");
    const auto leave = DirectEntryAction::Leave;
    const auto again = DirectEntryAction::AskAgain;
    const auto tune = DirectEntryAction::Tune;
    QTest::newRow("empty leaves") << QByteArray("") << leave << 0.0;
    QTest::newRow("too high") << QByteArray("2000") << again << 0.0;
    QTest::newRow("letters") << QByteArray("abc") << again << 0.0;
    QTest::newRow("too low") << QByteArray("0.05") << again << 0.0;
    QTest::newRow("negative") << QByteArray("-5") << again << 0.0;
    QTest::newRow("zero") << QByteArray("0") << again << 0.0;
    QTest::newRow("blank only") << QByteArray(" ") << again << 0.0;
    QTest::newRow("just over the top") << QByteArray("1100.000001") << again << 0.0;
    QTest::newRow("just under the bottom") << QByteArray("0.0999999") << again << 0.0;
    QTest::newRow("huge exponent") << QByteArray("1E400") << again << 0.0;
    QTest::newRow("leading space") << QByteArray(" 7.05") << tune << 7.05;
    QTest::newRow("comma stops") << QByteArray("1,5") << tune << 1.0;
    QTest::newRow("unit after the number") << QByteArray("145.5 MHz") << tune << 145.5;
    QTest::newRow("bottom") << QByteArray("0.1") << tune << 0.1;
    QTest::newRow("top") << QByteArray("1100") << tune << 1100.0;
    QTest::newRow("exponent") << QByteArray("1.45E2") << tune << 145.0;
    QTest::newRow("the offered default") << QByteArray("145.01") << tune << 145.01;
    QTest::newRow("carriage return first") << QByteArray("\r145") << again << 0.0;
    QTest::newRow("embedded nul ends the number") << QByteArray("14\0"
                                                                "5",
        4) << tune << 14.0;
}

void TestDirectEntry::judges()
{
    QFETCH(QByteArray, typed);
    QFETCH(DirectEntryAction, action);
    QFETCH(double, frequency);
    const DirectEntryVerdict verdict
        = JudgeDirectEntry(std::string_view(typed.constData(), size_t(typed.size())));
    QCOMPARE(int(verdict.action), int(action));
    if (action == DirectEntryAction::Tune)
        QCOMPARE(verdict.frequencyMHz, frequency);
}

void TestDirectEntry::longAndForeignTexts_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<DirectEntryAction>("action");
    QTest::addColumn<double>("frequency");
    const int megabyte = 1 << 20;
    QTest::newRow("1 MB of digits")
        << QByteArray(megabyte, '9') << DirectEntryAction::AskAgain << 0.0;
    QTest::newRow("1 MB of letters")
        << QByteArray(megabyte, 'x') << DirectEntryAction::AskAgain << 0.0;
    QTest::newRow("1 MB of zeros, then 7")
        << QByteArray(megabyte, '0') + "7" << DirectEntryAction::Tune << 7.0;
    QTest::newRow("1 MB of blanks, then 433")
        << QByteArray(megabyte, ' ') + "433" << DirectEntryAction::Tune << 433.0;
    QTest::newRow("number, then 1 MB of letters")
        << "145" + QByteArray(megabyte, 'x') << DirectEntryAction::Tune << 145.0;
    QTest::newRow("point and 1 MB of digits")
        << "0." + QByteArray(megabyte, '5') << DirectEntryAction::Tune << 0.5555555555555556;
    QTest::newRow("accented letters")
        << QByteArray("\xc3\xa9\xc3\xa8") << DirectEntryAction::AskAgain << 0.0;
    QTest::newRow("number, then a unit in Cyrillic")
        << QByteArray("145.5 \xd0\x9c\xd0\x93\xd1\x86") << DirectEntryAction::Tune << 145.5;
    QTest::newRow("Arabic-Indic digits")
        << QByteArray("\xd9\xa1\xd9\xa4\xd9\xa5") << DirectEntryAction::AskAgain << 0.0;
    QTest::newRow("no-break space first") << QByteArray("\xc2\xa0"
                                                        "7")
                                          << DirectEntryAction::AskAgain << 0.0;
    QTest::newRow("broken UTF-8") << QByteArray("\xff\xfe\x80"
                                                "12")
                                  << DirectEntryAction::AskAgain << 0.0;
}

void TestDirectEntry::longAndForeignTexts()
{
    judges();
}

void TestDirectEntry::promptTexts()
{
    QCOMPARE(QString(kDirectEntryTitle), QString("Input Direct Frequency"));
    QCOMPARE(QString(kDirectEntryPrompt), QString("Enter Frequency in MHz (From 0.1 To 1100) :"));
}

QTEST_GUILESS_MAIN(TestDirectEntry)
#include "tst_directentry.moc"
