#include "replyparser.h"

#include <QTest>

#include <limits>

Q_DECLARE_METATYPE(std::optional<int>)

namespace {
QStringList Lines(const QByteArray &text)
{
    QStringList out;
    for (const std::string &line :
        ReceivedCodeLines(std::string_view(text.constData(), size_t(text.size()))))
        out << QString::fromLatin1(line.c_str(), qsizetype(line.size()));
    return out;
}
std::optional<int> Reading(const QByteArray &text)
{
    return SignalReading(std::string_view(text.constData(), size_t(text.size())));
}
} // namespace

class TestReplyParser : public QObject
{
    Q_OBJECT

private slots:
    void codeLines_data();
    void codeLines();
    void reading_data();
    void reading();
    void levels_data();
    void levels();
    void meterLine();
};

void TestReplyParser::codeLines_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("reading") << QByteArray("SS 0100\r") << QStringList {"SS 0", "100"};
    QTest::newRow("G0") << QByteArray("G0\r\n") << QStringList {"-> G0"};
    QTest::newRow("I2") << QByteArray("I2\r\n") << QStringList {"-> I2"};
    QTest::newRow("I0 and I1 join")
        << QByteArray("I0\r\nI1\r\n") << QStringList {"---------> I0I1"};
    QTest::newRow("I1 then more") << QByteArray("I1abcdef") << QStringList {"-----> I1ab", "cdef"};
    QTest::newRow("leading space") << QByteArray(" G0\r\n") << QStringList {" G0"};
    QTest::newRow("empty") << QByteArray() << QStringList {};
    QTest::newRow("blanks only") << QByteArray("    ") << QStringList {};
    QTest::newRow("line ends only") << QByteArray("\r\n\r\n") << QStringList {};
    QTest::newRow("case matters") << QByteArray("g0i1") << QStringList {"g0i1"};
    QTest::newRow("NUL kept") << QByteArray("AB\0C", 4)
                              << QStringList {QString::fromLatin1("AB\0C", 4)};
}

void TestReplyParser::codeLines()
{
    QFETCH(QByteArray, received);
    QFETCH(QStringList, lines);
    QCOMPARE(Lines(received), lines);
}

void TestReplyParser::reading_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("reading"); // -1: no usable reading
    QTest::newRow("100") << QByteArray("SS 0100\r") << 100;
    QTest::newRow("086") << QByteArray("SS 0086\r\n") << 86;
    QTest::newRow("300 out of range") << QByteArray("SS 0300\r") << -1;
    QTest::newRow("256 out of range") << QByteArray("SS 0256") << -1;
    QTest::newRow("one digit") << QByteArray("SS 01") << 1;
    QTest::newRow("two digits") << QByteArray("SS 025") << 25;
    QTest::newRow("7 compares above 255") << QByteArray("SS 07") << -1;
    QTest::newRow("empty field") << QByteArray("SS ") << -1;
    QTest::newRow("no field at all") << QByteArray("SS 0") << -1;
    QTest::newRow("first of two") << QByteArray("SS 0010\r\nSS 0090\r\n") << 10;
    QTest::newRow("none") << QByteArray("G0\r\n") << -1;
    QTest::newRow("case matters") << QByteArray("ss 0100") << -1;
    QTest::newRow("letter inside") << QByteArray("SS 01x5") << -1;
    QTest::newRow("trailing blank") << QByteArray("SS 012 ") << 12;
    QTest::newRow("leading blank") << QByteArray("SS 0 12") << -1;
    QTest::newRow("after garbage") << QByteArray("\xff\x00xxSS 0255", 11) << 255;
    QTest::newRow("high byte field") << QByteArray("SS 0\xb2\xb3\xb4") << -1;
    QTest::newRow("any character skipped") << QByteArray("SS x042") << 42;
    QTest::newRow("fraction dropped") << QByteArray("SS 01.5") << 1;
    QTest::newRow("point at the end") << QByteArray("SS 010.") << 10;
    QTest::newRow("fraction of two digits") << QByteArray("SS 02.99") << 2;
    QTest::newRow("point then blank") << QByteArray("SS 01. ") << 1;
    QTest::newRow("two-digit whole part") << QByteArray("SS 025.\r") << 25;
    QTest::newRow("point first compares below 000") << QByteArray("SS 0.50") << -1;
    QTest::newRow("two points") << QByteArray("SS 01..") << -1;
    QTest::newRow("letter after the point") << QByteArray("SS 01.x") << -1;
    QTest::newRow("blank before the point") << QByteArray("SS 01 .") << -1;
}

void TestReplyParser::reading()
{
    QFETCH(QByteArray, received);
    QFETCH(int, reading);
    const std::optional<int> got = Reading(received);
    QCOMPARE(got.value_or(-1), reading);
}

void TestReplyParser::levels_data()
{
    QTest::addColumn<int>("reading");
    QTest::addColumn<int>("level");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("2") << 2 << 3;
    QTest::newRow("50") << 50 << 64;
    QTest::newRow("78") << 78 << 100;
    QTest::newRow("86") << 86 << 110;
    QTest::newRow("87") << 87 << 111;
    QTest::newRow("99") << 99 << 127;
    QTest::newRow("100") << 100 << 128;
    QTest::newRow("255") << 255 << 128;
    QTest::newRow("negative") << -5 << 0;
    QTest::newRow("beyond the product's range") << 168637001 << 128;
    QTest::newRow("largest int") << std::numeric_limits<int>::max() << 128;
    QTest::newRow("smallest int") << std::numeric_limits<int>::min() << 0;
}

void TestReplyParser::levels()
{
    QFETCH(int, reading);
    QFETCH(int, level);
    QCOMPARE(SignalLevelForReading(reading), level);
}

void TestReplyParser::meterLine()
{
    QCOMPARE(SignalMeterLine(0), std::string(" "));
    QCOMPARE(SignalMeterLine(3), std::string(" |||"));
    QCOMPARE(SignalMeterLine(128).size(), size_t(129));
}

QTEST_GUILESS_MAIN(TestReplyParser)
#include "tst_replyparser.moc"
