#include "bankedit.h"
#include "memorycheck.h"
#include "tunedstate.h"

#include <QTest>

#include <fstream>
#include <sstream>

namespace {

std::string ExampleFile()
{
    std::ifstream in(QZ_EXAMPLE_MEMORY_FILE, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

const std::string kLine3a
    = " MEMORY BANK #03 FREQUENCY=145.5      NAME=CALL   MODE=FM  FILTER=10 KHz  STEP=25 KHz";
const std::string kLine3b
    = "*MEMORY BANK #03 FREQUENCY=433.5      NAME=UHF    MODE=FM  FILTER=10 KHz  STEP=25 KHz";
const std::string kLine3c
    = "#MEMORY BANK #03 FREQUENCY=7.1        NAME=40M    MODE=LSB FILTER=10 KHz  STEP=1 KHz";
const std::string kLine5
    = " MEMORY BANK #05 FREQUENCY=98.0       NAME=FM1    MODE=PLS FILTER=300 KHz STEP=100 KHz";

// A file with comments, blank lines, odd first characters, a second run of the bank, a line
// ended by a carriage return alone and a last line without a line end.
std::string MixedFile()
{
    return "; my channels\r\n\r\n" + kLine3a + "\r\n" + kLine3b + "\r" + kLine3c + "\r\n"
        + "; between\r\n" + kLine5 + "\r\n" + kLine3a + "\r\n; end";
}

// Where the bank's first run stands: its first byte and the byte after its last line end.
std::pair<std::size_t, std::size_t> RunOf(const std::string &file, int bank)
{
    std::size_t begin = file.size();
    std::size_t end = file.size();
    bool inRun = false;
    for (const MemoryLine &line : SplitMemoryLines(file)) {
        const bool channel = IsChannelLine(line.text, BankName(bank));
        if (channel && !inRun && begin == file.size()) {
            inRun = true;
            begin = line.offset;
        }
        if (inRun && !channel)
            return {begin, line.offset};
        end = line.next;
    }
    return {begin, inRun ? end : file.size()};
}

TunedState Tuned(double mhz, const char *mode, const char *filter, double step)
{
    TunedState state;
    state.CurrentFrequency = mhz;
    state.ModeCommand = mode;
    state.FilterCommand = filter;
    state.StepSize = step;
    return state;
}

} // namespace

class TestBankEdit : public QObject
{
    Q_OBJECT

private slots:
    // Each edit keeps every line outside the bank byte for byte, keeps the bank's untouched rows
    // as they were, and leaves a file the checker passes and the panel reads as edited.
    void editsKeepTheRestOfTheFile_data();
    void editsKeepTheRestOfTheFile();
    void typedValues_data();
    void typedValues();
    void fileThePanelCannotReadIsNotEdited();
};

using Edit = std::function<void(std::vector<BankRow> &)>;
Q_DECLARE_METATYPE(Edit)

void TestBankEdit::editsKeepTheRestOfTheFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("bank");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QStringList>("frequencies");

    const QByteArray example = QByteArray::fromStdString(ExampleFile());
    const QByteArray mixed = QByteArray::fromStdString(MixedFile());
    auto rename = [](std::vector<BankRow> &rows) {
        rows[1].fields.name = "TOWER";
        rows[1].original.clear();
    };
    auto store = [](std::vector<BankRow> &rows) {
        StoreInSlot(
            rows, NextFreeSlot(rows), TunedChannel(Tuned(446.00625, "FM", "BW1", 0.00625), "PMR1"));
    };
    auto moveUp = [](std::vector<BankRow> &rows) {
        std::swap(rows[0], rows[1]);
    };
    auto deleteFirst = [](std::vector<BankRow> &rows) {
        rows.erase(rows.begin());
    };
    auto deleteAll = [](std::vector<BankRow> &rows) {
        rows.clear();
    };

    QTest::newRow("example: rename slot 2")
        << example << 1 << Edit(rename)
        << QStringList {"88.1", "94.6", "101.3", "105.9", "118.7", "121.9", "127.825"};
    QTest::newRow("example: store in a new bank")
        << example << 42 << Edit(store) << QStringList {"446.00625"};
    QTest::newRow("mixed: store after the run")
        << mixed << 3 << Edit(store) << QStringList {"145.5", "433.5", "7.1", "446.00625"};
    QTest::newRow("mixed: move a CR-ended line up")
        << mixed << 3 << Edit(moveUp) << QStringList {"433.5", "145.5", "7.1"};
    QTest::newRow("mixed: delete slot 1")
        << mixed << 3 << Edit(deleteFirst) << QStringList {"433.5", "7.1"};
    QTest::newRow("mixed: rename slot 2")
        << mixed << 3 << Edit(rename) << QStringList {"145.5", "433.5", "7.1"};
    // The second run of the bank is read once the first is gone: the file says so, nothing lost.
    QTest::newRow("mixed: empty the bank")
        << mixed << 3 << Edit(deleteAll) << QStringList {"145.5"};
    QTest::newRow("mixed: new bank after a last line without its end")
        << mixed << 7 << Edit(store) << QStringList {"446.00625"};
}

void TestBankEdit::editsKeepTheRestOfTheFile()
{
    QFETCH(QByteArray, file);
    QFETCH(int, bank);
    QFETCH(Edit, edit);
    QFETCH(QStringList, frequencies);

    const std::string before = file.toStdString();
    BankRows rows = ReadBankRows(before, bank);
    QVERIFY(rows.error.empty());
    const std::vector<BankRow> untouched = rows.rows;
    edit(rows.rows);
    const std::string after = WriteBankRows(before, bank, rows.rows).bytes;

    // Every byte before and after the run, and every row not edited, stays as it was (a run added
    // at the end may first end the file's last line).
    const auto [begin, end] = RunOf(before, bank);
    QCOMPARE(after.substr(0, begin), before.substr(0, begin));
    QVERIFY(after.size() >= before.size() - end);
    QCOMPARE(after.substr(after.size() - (before.size() - end)), before.substr(end));
    for (const BankRow &row : rows.rows) {
        if (!row.edited())
            QVERIFY(after.find(row.original) != std::string::npos);
    }

    QStringList loaded;
    for (const ChannelFields &c : LoadBank(after, BankName(bank)))
        loaded << QString::fromStdString(c.frequency);
    QCOMPARE(loaded, frequencies);

    // The edited lines are ones the checker has nothing to say about.
    const std::vector<std::string> findings
        = RowFindings(after, bank, ReadBankRows(after, bank).rows);
    for (std::size_t i = 0; i < findings.size() && i < rows.rows.size(); ++i) {
        if (rows.rows[i].edited())
            QVERIFY2(findings[i].empty(), findings[i].c_str());
    }
}

void TestBankEdit::typedValues_data()
{
    QTest::addColumn<bool>("frequency"); // else a name
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // empty when refused
    QTest::addColumn<QString>("word"); // part of the problem or note said

    QTest::newRow("comma as decimal point") << true << "145,5"
                                            << "145.5"
                                            << "";
    QTest::newRow("above the range") << true << "1100.000001"
                                     << ""
                                     << "0.1 to 1100";
    QTest::newRow("below the range") << true << "0.05"
                                     << ""
                                     << "0.1 to 1100";
    QTest::newRow("exponent") << true << "1e2"
                              << ""
                              << "number of MHz";
    QTest::newRow("more than hertz") << true << "145.1234567"
                                     << ""
                                     << "six decimals";
    QTest::newRow("long name is cut, with a word") << false << "GUARDIAN"
                                                   << "GUARDI"
                                                   << "six characters";
    QTest::newRow("name holding a key") << false << "XMODE="
                                        << ""
                                        << "MODE=";
    QTest::newRow("name with a tab") << false << "A\tB"
                                     << ""
                                     << "control characters";
}

void TestBankEdit::typedValues()
{
    QFETCH(bool, frequency);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QFETCH(QString, word);

    std::string problem;
    std::string note;
    const std::string text = typed.toStdString();
    const std::string result
        = frequency ? TypedFrequency(text, problem) : StorableName(text, problem, note);
    QCOMPARE(QString::fromStdString(result), stored);
    const QString said = QString::fromStdString(problem + note);
    QVERIFY2(word.isEmpty() ? said.isEmpty() : said.contains(word), qPrintable(said));
}

void TestBankEdit::fileThePanelCannotReadIsNotEdited()
{
    // Line feeds alone: the panel reads the file as one line, so its lines cannot be replaced.
    const BankRows rows = ReadBankRows(kLine3a + "\n" + kLine3b + "\n", 3);
    QVERIFY(rows.rows.empty());
    QVERIFY(QString::fromStdString(rows.error).contains("bare line feed"));

    // Lines past slot 32 are kept in the table, and the checker's word marks them.
    std::string forty;
    for (int i = 0; i < 40; ++i)
        forty += kLine3a + "\r\n";
    const BankRows all = ReadBankRows(forty, 3);
    QCOMPARE(all.rows.size(), std::size_t(40));
    QCOMPARE(WriteBankRows(forty, 3, all.rows).bytes, forty);
    const std::vector<std::string> findings = RowFindings(forty, 3, all.rows);
    QVERIFY(findings[31].empty());
    QVERIFY(!findings[32].empty());
}

QTEST_GUILESS_MAIN(TestBankEdit)
#include "tst_bankedit.moc"
