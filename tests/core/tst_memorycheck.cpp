#include "memorycheck.h"
#include "memoryfile.h"

#include <QTest>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string StdString(const QByteArray &bytes)
{
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A channel line of a bank with padded fields, as the example file writes them.
QByteArray PaddedChannel(int bank, const QByteArray &frequency, const QByteArray &name = "CH",
    const QByteArray &mode = "FM", const QByteArray &filter = "50 KHz",
    const QByteArray &step = "25 KHz")
{
    return " " + QByteArray::fromStdString(BankName(bank)) + " FREQUENCY="
        + frequency.leftJustified(11, ' ') + " NAME=" + name.leftJustified(6, ' ') + " MODE="
        + mode.leftJustified(3, ' ') + " FILTER=" + filter.leftJustified(7, ' ') + " STEP=" + step;
}

QByteArray File(const QList<QByteArray> &lines)
{
    QByteArray file;
    for (const QByteArray &line : lines)
        file += line + "\r\n";
    return file;
}

QString Describe(const MemoryCheck &check)
{
    QStringList out;
    for (const MemoryFinding &f : check.findings)
        out << QStringLiteral("%1: %2").arg(f.line).arg(QString::fromStdString(f.message));
    return out.join(QLatin1Char('\n'));
}

std::string ReadExample()
{
    std::ifstream in(QZ_EXAMPLE_MEMORY_FILE, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace

class TestMemoryCheck : public QObject
{
    Q_OBJECT

private slots:
    void exampleFileIsClean();
    void findings_data();
    void findings();
    void bareLineFeedsCountThePanelsLines();
    void banksSummarised();
    void summariesAgreeWithTheLoader();
    void hugeLinesAreCheckedInOnePass();
};

void TestMemoryCheck::exampleFileIsClean()
{
    const std::string example = ReadExample();
    QVERIFY(example.size() > 1000);
    const MemoryCheck check = CheckMemoryFile(example);
    QVERIFY2(check.findings.empty(), qPrintable(Describe(check)));
    QCOMPARE(int(check.banks.size()), 5);
    QCOMPARE(
        BankSummaryText(check.banks[0]), std::string("MEMORY BANK #01: 7 channels, lines 5 to 11"));
    QCOMPARE(check.bareLineFeeds, 0);
    QCOMPARE(check.panelLines, check.editorLines);
}

// Each mistake of an author, alone in an otherwise good file: the line it is reported on and
// words the message must hold (what the panel does, and the fix).
void TestMemoryCheck::findings_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("line");
    QTest::addColumn<QStringList>("says");

    const QByteArray good = PaddedChannel(1, "118.7", "TWR", "AM", "10 KHz");
    const QByteArray head = "; bank 01\r\n" + File({good});

    QTest::newRow("unpadded name swallows MODE=")
        << head + " MEMORY BANK #01 FREQUENCY=156.8       NAME=CH16 MODE=FM  FILTER=50 KHz\r\n"
        << 3
        << QStringList {"NAME= takes 6 characters", "runs into MODE=", "\"CH16 M\"",
               "the button shows \"CH16 M\"", "\"NAME=CH16  MODE=\""};
    QTest::newRow("1 MHz filter swallows STEP=")
        << head
            + " MEMORY BANK #01 FREQUENCY=433.5 NAME=U280   MODE=FM  FILTER=1 MHz STEP=1 MHz\r\n"
        << 3
        << QStringList {"FILTER= takes 7", "\"1 MHz S\"", "leaves the filter as it was",
               "\"FILTER=1 MHz  STEP=\""};
    QTest::newRow("comma as decimal point")
        << head + PaddedChannel(1, "145,5") + "\r\n"
        << 3 << QStringList {"FREQUENCY=145,5 has a comma", "tunes 145 MHz", "Write 145.5"};
    QTest::newRow("letters as frequency")
        << head + PaddedChannel(1, "abc") + "\r\n"
        << 3 << QStringList {"does not begin with a number", "0 MHz", "passes it over"};
    QTest::newRow("above 1100 MHz, still scanned")
        << head + PaddedChannel(1, "1200") + "\r\n"
        << 3
        << QStringList {"1200 MHz, outside the receiver's 0.1 to 1100 MHz", "tunes nothing",
               "stops on it for a step"};
    QTest::newRow("above 1300 MHz") << head + PaddedChannel(1, "2400") + "\r\n"
                                    << 3 << QStringList {"tunes nothing", "passes it over"};
    QTest::newRow("below 0.1 MHz") << head + PaddedChannel(1, "0.05") + "\r\n"
                                   << 3 << QStringList {"0.05 MHz, outside", "tunes 0.05 MHz"};
    QTest::newRow("empty frequency") << head + " MEMORY BANK #01 FREQUENCY=            NAME=X\r\n"
                                     << 3 << QStringList {"FREQUENCY= has no value", "stays empty"};
    QTest::newRow("no frequency key") << head + " MEMORY BANK #01 NAME=NOFREQ\r\n"
                                      << 3 << QStringList {"has no FREQUENCY=", "stays empty"};
    QTest::newRow("unknown mode WFM") << head + PaddedChannel(1, "98.5", "FM1", "WFM") + "\r\n"
                                      << 3
                                      << QStringList {"MODE=WFM is not a mode the panel knows",
                                             "leaves the mode as it was", "MODE=PLS"};
    QTest::newRow("mode in lower case") << head + PaddedChannel(1, "98.5", "FM1", "fm") + "\r\n"
                                        << 3 << QStringList {"MODE=fm", "in capitals: MODE=FM"};
    QTest::newRow("unknown filter")
        << head + PaddedChannel(1, "98.5", "FM1", "FM", "200 KHz") + "\r\n"
        << 3 << QStringList {"FILTER=200 KHz is not a filter", "leaves the filter as it was"};
    QTest::newRow("filter written kHz") << head + PaddedChannel(1, "98.5", "FM1", "FM", "10 kHz")
            + "\r\n" << 3 << QStringList {"FILTER=10 kHz", "Write it exactly so: FILTER=10 KHz"};
    QTest::newRow("unknown step") << head
            + PaddedChannel(1, "98.5", "FM1", "FM", "50 KHz", "15 KHz") + "\r\n"
                                  << 3
                                  << QStringList {
                                         "STEP=15 KHz is not one of the panel's tuning steps",
                                         "leaves the tuning step as it was"};
    QTest::newRow("step without its space")
        << head + PaddedChannel(1, "98.5", "FM1", "FM", "50 KHz", "12.5KHz") + "\r\n"
        << 3 << QStringList {"STEP=12.5KHz", "STEP=12.5 KHz"};
    QTest::newRow("tab in a value")
        << head + " MEMORY BANK #01 FREQUENCY=98.5 NAME=FM1    MODE=FM\t FILTER=50 KHz\r\n"
        << 3
        << QStringList {
               "\"FM\\t\", holds a tab", "not tabs", "leaves the mode as it was", "Use spaces"};
    QTest::newRow("name longer than six")
        << head + PaddedChannel(1, "118.1", "TOWER12") + "\r\n"
        << 3 << QStringList {"\"TOWER12\" is longer than six characters", "shows \"TOWER1\""};
    QTest::newRow("lower-case key")
        << head + " MEMORY BANK #01 FREQUENCY=98.5        NAME=FM1    mode=FM  FILTER=50 KHz\r\n"
        << 3 << QStringList {"\"mode=\" is not in capitals", "no MODE value", "Write MODE="};
    QTest::newRow("lower-case frequency key")
        << head + " MEMORY BANK #01 frequency=98.5        NAME=FM1\r\n"
        << 3 << QStringList {"\"frequency=\"", "no frequency", "stays empty"};
    QTest::newRow("key given twice") << head + PaddedChannel(1, "98.5") + " MODE=AM\r\n"
                                     << 3 << QStringList {"MODE= appears again", "only the first"};
    QTest::newRow("channels after a blank line")
        << head + "\r\n" + File({PaddedChannel(1, "121.5"), PaddedChannel(1, "121.9")}) << 4
        << QStringList {"MEMORY BANK #01 ended at line 3 (a blank line)", "after its line 2",
               "never reads this line or the 1 after it"};
    QTest::newRow("bank split by another bank")
        << head + File({PaddedChannel(2, "121.5"), PaddedChannel(1, "121.9")}) << 4
        << QStringList {"ended at line 3 (a line of MEMORY BANK #02)", "never reads this line."};
    QTest::newRow("more than 32 in a run")
        << "; full\r\n" + QByteArray(File(QList<QByteArray>(35, PaddedChannel(4, "145.5")))) << 34
        << QStringList {"MEMORY BANK #04 has 35 lines in a row", "holds 32 channels",
               "ignores this line and the 2 after it"};
    QTest::newRow("bank name in lower case")
        << head + " memory bank #02 FREQUENCY=98.5\r\n"
        << 3 << QStringList {"not in capitals", "ignores the line", "\"MEMORY BANK #02\""};
    QTest::newRow("one-digit bank number")
        << head + " MEMORY BANK #2 FREQUENCY=98.5\r\n"
        << 3 << QStringList {"two digits", "ignores the line", "\"MEMORY BANK #02\""};
    QTest::newRow("no leading character") << head + "MEMORY BANK #02 FREQUENCY=98.5\r\n"
                                          << 3 << QStringList {"starts in column 1", "one space"};
    QTest::newRow("two leading blanks") << head + "  MEMORY BANK #02 FREQUENCY=98.5\r\n"
                                        << 3 << QStringList {"starts in column 3, not 2"};
    QTest::newRow("bank 100 is read as bank 10")
        << head + " MEMORY BANK #100 FREQUENCY=98.5\r\n"
        << 3
        << QStringList {
               "past two digits (\"#100\")", "puts the line in MEMORY BANK #10", "#01 to #99"};
    QTest::newRow("bank 00") << head + " MEMORY BANK #00 FREQUENCY=98.5\r\n"
                             << 3 << QStringList {"there is no bank 00", "#01 to #99"};
    QTest::newRow("no hash") << head + " MEMORY BANK 02 FREQUENCY=98.5\r\n"
                             << 3 << QStringList {"\"#\" before the number is missing"};
    QTest::newRow("fields without a bank name")
        << head + "FREQUENCY=98.5        NAME=LOST\r\n"
        << 3 << QStringList {"has a FREQUENCY= field but no bank name", "ignores it"};
    QTest::newRow("commented out by its first character")
        << head + ";MEMORY BANK #01 FREQUENCY=98.5        NAME=OLD\r\n"
        << 3 << QStringList {"starts with \";\"", "reads the line as a channel of MEMORY BANK #01"};
    QTest::newRow("no channel at all")
        << QByteArray("; nothing yet\r\n") << 1 << QStringList {"no channel line of any bank"};
    QTest::newRow("bare line feeds") << QByteArray("; bank 01\r\n") + PaddedChannel(1, "98.5")
            + "\n" + PaddedChannel(1, "99.5") + "\n" + PaddedChannel(1, "100.5") + "\r\n"
                                     << 2
                                     << QStringList {"lines 2 to 4 are one line for the panel",
                                            "one channel of MEMORY BANK #01"};
}

void TestMemoryCheck::findings()
{
    QFETCH(QByteArray, file);
    QFETCH(int, line);
    QFETCH(QStringList, says);
    const MemoryCheck check = CheckMemoryFile(StdString(file));
    const QString all = Describe(check);
    // Some mistakes also show elsewhere (a bare line feed at line 1 too); the one meant must be
    // there, on its line, saying all of it.
    bool found = false;
    for (const MemoryFinding &f : check.findings) {
        const QString message = QString::fromStdString(f.message);
        bool hasAll = f.line == line;
        for (const QString &words : says)
            hasAll = hasAll && message.contains(words);
        found = found || hasAll;
    }
    QVERIFY2(found, qPrintable(all));
    // Only this mistake is in the file: every finding is about its line, except the file-wide
    // note on bare line feeds.
    for (const MemoryFinding &f : check.findings) {
        if (f.line != line)
            QVERIFY2(f.line == 1 && check.bareLineFeeds > 0, qPrintable(all));
    }
}

void TestMemoryCheck::bareLineFeedsCountThePanelsLines()
{
    QByteArray file
        = File({"; bank 01", PaddedChannel(1, "98.5"), PaddedChannel(1, "99.5"), "", "; end"});
    file.replace("\r\n", "\n");
    const MemoryCheck check = CheckMemoryFile(StdString(file));
    QCOMPARE(check.editorLines, 5);
    QCOMPARE(check.panelLines, 1);
    QCOMPARE(check.bareLineFeeds, 5);
    QVERIFY(!check.findings.empty());
    QCOMPARE(check.findings[0].line, 1);
    QVERIFY2(QString::fromStdString(check.findings[0].message)
                 .contains("the panel reads 1 line where an editor shows 5"),
        qPrintable(Describe(check)));
    // Read as one line that is no channel line, the file has no bank at all.
    QVERIFY(check.banks.empty());

    // Mixed: CR LF everywhere except one line end.
    QByteArray mixed = File({"; bank 01", PaddedChannel(1, "98.5"), PaddedChannel(1, "99.5"),
        PaddedChannel(1, "100.5")});
    mixed.replace(mixed.indexOf("\r\n", mixed.indexOf("99.5")), 2, "\n");
    const MemoryCheck one = CheckMemoryFile(StdString(mixed));
    QCOMPARE(one.editorLines, 4);
    QCOMPARE(one.panelLines, 3);
    QVERIFY(Describe(one).contains("3: lines 3 to 4 are one line for the panel"));
    QCOMPARE(one.banks.size(), size_t(1));
    QCOMPARE(one.banks[0].channels, 2);
}

void TestMemoryCheck::banksSummarised()
{
    QByteArray file = "; two banks\r\n";
    for (int i = 0; i < 34; ++i)
        file += PaddedChannel(3, QByteArray::number(150 + i)) + "\r\n";
    file += "\r\n" + PaddedChannel(7, "446.0") + "\r\n" + " MEMORY BANK #07 NAME=NOFREQ\r\n"
        + PaddedChannel(3, "160") + "\r\n";
    const MemoryCheck check = CheckMemoryFile(StdString(file));
    QCOMPARE(check.banks.size(), size_t(2));
    QCOMPARE(BankSummaryText(check.banks[0]),
        std::string("MEMORY BANK #03: 32 channels, lines 2 to 33; 3 lines never read"));
    QCOMPARE(BankSummaryText(check.banks[1]),
        std::string("MEMORY BANK #07: 1 channel, lines 37 to 38; 1 without a frequency"));
}

// The checker's banks are the loader's: the same first run, the same loaded slots, on files made
// of every kind of line in random order.
void TestMemoryCheck::summariesAgreeWithTheLoader()
{
    const QList<QByteArray> kinds {PaddedChannel(1, "98.5"), PaddedChannel(1, ""),
        PaddedChannel(2, "121.5"), PaddedChannel(2, "abc"), "", "; note",
        " memory bank #01 FREQUENCY=1", PaddedChannel(1, "99") + "\n",
        "MEMORY BANK #02 FREQUENCY=5", PaddedChannel(5, "7.1", "TOWER12")};
    const QList<QByteArray> ends {"\r\n", "\r\n", "\r\n", "\r", "\n"};
    std::mt19937 random(15);
    for (int round = 0; round < 300; ++round) {
        QByteArray file;
        const int lines = int(random() % 80);
        for (int i = 0; i < lines; ++i)
            file += kinds[int(random() % kinds.size())] + ends[int(random() % ends.size())];
        const std::string bytes = StdString(file);
        const MemoryCheck check = CheckMemoryFile(bytes);
        QCOMPARE(check.panelLines, int(SplitMemoryLines(bytes).size()));
        for (int bank = 1; bank <= kBankCount; ++bank) {
            const std::vector<ChannelFields> loaded = LoadBank(bytes, BankName(bank));
            int channels = 0;
            int runLines = 0;
            for (const BankSummary &s : check.banks) {
                if (s.bank == bank) {
                    channels = s.channels;
                    runLines = std::min(s.runLines, kBankSlots);
                }
            }
            QCOMPARE(channels, LoadedSlotCount(loaded));
            QCOMPARE(runLines, int(loaded.size()));
        }
    }
}

// Lines of megabytes, as a binary file or a runaway name gives, are read in one pass each: a
// check that went back over the line for every character would not finish.
void TestMemoryCheck::hugeLinesAreCheckedInOnePass()
{
    const std::string word(4 << 20, 'x');
    const std::string file = " MEMORY BANK #01 FREQUENCY=7.05        NAME=" + word + "\r\n"
        + " MEMORY BANK #01 FREQUENCY=" + word + "\r\n" + std::string(4 << 20, '\n') + "\r\n";
    const MemoryCheck check = CheckMemoryFile(file);
    QCOMPARE(check.panelLines, 3);
    QCOMPARE(check.editorLines, 3 + (4 << 20));
    QVERIFY(
        Describe(check).startsWith("1: the file has 4194304 line ends made of a bare line feed"));
    QVERIFY(Describe(check).contains("1: the name \"xxxxxx"));
    QVERIFY(Describe(check).contains("2: FREQUENCY=xxxxxxxxxxx does not begin with a number"));
}

QTEST_GUILESS_MAIN(TestMemoryCheck)
#include "tst_memorycheck.moc"
