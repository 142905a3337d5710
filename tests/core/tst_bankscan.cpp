#include "bankscan.h"
#include "memoryfile.h"
#include "tunedstate.h"

#include <QTest>

#include <vector>

namespace {

using BankSlots = std::array<std::string, 33>;

BankSlots Bank(const std::vector<std::pair<int, std::string>> &filled)
{
    BankSlots bank;
    for (const auto &[slot, text] : filled)
        bank[size_t(slot)] = text;
    return bank;
}

// The slots visited by the given number of steps, starting from the index.
QList<int> Visits(const BankSlots &bank, int steps, int from = 0)
{
    QList<int> visits;
    int index = from;
    for (int i = 0; i < steps; ++i) {
        index = NextUsableSlot(index, bank);
        visits << index;
        if (index == 0)
            break;
    }
    return visits;
}

} // namespace

class TestBankScan : public QObject
{
    Q_OBJECT

private slots:
    void usable_data();
    void usable();
    void visitsOneUsableSlotPerStep();
    void passesOverUnusableSlots();
    void stopsWhenNothingIsUsable();
    void badIndexStartsAtSlotOne();
    void scansALoadedBank();
    void positionAfterAFruitlessSearch_data();
    void positionAfterAFruitlessSearch();
};

void TestBankScan::usable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("usable");
    QTest::newRow("bottom") << "0.1" << true;
    QTest::newRow("below bottom") << "0.0999" << false;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "ABC" << false;
    QTest::newRow("negative") << "-145.5" << false;
    QTest::newRow("above recall, still scanned") << "1200" << true;
    QTest::newRow("top") << "1300" << true;
    QTest::newRow("above top") << "1300.001" << false;
    QTest::newRow("padded") << "  145.5  " << true;
    QTest::newRow("comma") << "0,5" << false;
}

void TestBankScan::usable()
{
    QFETCH(QString, text);
    QFETCH(bool, usable);
    QCOMPARE(IsUsableSlot(text.toStdString()), usable);
}

void TestBankScan::visitsOneUsableSlotPerStep()
{
    const BankSlots bank = Bank({{1, "118.1"}, {5, "118.7"}, {9, "121.5"}});
    QCOMPARE(Visits(bank, 5), QList<int>({1, 5, 9, 1, 5}));
    // Stopped at 5 and started again: the scan goes on after slot 5.
    QCOMPARE(NextUsableSlot(5, bank), 9);
    QCOMPARE(Visits(Bank({{32, "100"}, {2, "200"}}), 3, 0), QList<int>({2, 32, 2}));
    QCOMPARE(Visits(Bank({{7, "7.05"}}), 3), QList<int>({7, 7, 7}));
}

void TestBankScan::passesOverUnusableSlots()
{
    const BankSlots bank
        = Bank({{2, "ABC"}, {3, "1200"}, {4, "1300.5"}, {6, "0.05"}, {8, "145.5"}});
    QCOMPARE(Visits(bank, 4), QList<int>({3, 8, 3, 8}));
}

void TestBankScan::stopsWhenNothingIsUsable()
{
    QCOMPARE(NextUsableSlot(0, BankSlots {}), 0);
    QCOMPARE(NextUsableSlot(17, BankSlots {}), 0);
    BankSlots high;
    for (size_t n = 1; n <= 32; ++n)
        high[n] = std::to_string(1300 + n);
    QCOMPARE(NextUsableSlot(0, high), 0);
    // Entry 0 is never read.
    QCOMPARE(NextUsableSlot(0, Bank({{0, "145.5"}})), 0);
}

void TestBankScan::badIndexStartsAtSlotOne()
{
    const BankSlots bank = Bank({{1, "100"}, {3, "300"}});
    QCOMPARE(NextUsableSlot(-4, bank), 1);
    QCOMPARE(NextUsableSlot(33, bank), 1);
    QCOMPARE(NextUsableSlot(32767, bank), 1);
    QCOMPARE(NextUsableSlot(32, bank), 1);
}

void TestBankScan::scansALoadedBank()
{
    std::string file;
    for (const char *frequency : {"145.5", "", "ABC", "1250", "162.55"})
        file += " " + BankName(4) + " FREQUENCY=" + frequency + std::string(11, ' ') + "\r\n";
    TunedState state;
    StoreBankInSlots(LoadBank(file, BankName(4)), state);
    QCOMPARE(Visits(state.MemFrequency, 4), QList<int>({1, 4, 5, 1}));

    // A bank without channels loaded during the scan: the next step finds nothing.
    StoreBankInSlots(LoadBank(file, BankName(5)), state);
    QCOMPARE(NextUsableSlot(4, state.MemFrequency), 0);
}

void TestBankScan::positionAfterAFruitlessSearch_data()
{
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("after");
    // A bank with loaded but unusable slots: the search went once round all 32.
    QTest::newRow("loaded, from the start") << true << 0 << 32;
    QTest::newRow("loaded, from slot 5") << true << 5 << 5;
    QTest::newRow("loaded, from slot 32") << true << 32 << 32;
    // A bank with nothing loaded: one slot looked at.
    QTest::newRow("empty, from the start") << false << 0 << 1;
    QTest::newRow("empty, from slot 5") << false << 5 << 6;
    QTest::newRow("empty, wraps") << false << 32 << 1;
    QTest::newRow("empty, bad index") << false << 40 << 1;
}

void TestBankScan::positionAfterAFruitlessSearch()
{
    QFETCH(bool, loaded);
    QFETCH(int, index);
    QFETCH(int, after);
    const BankSlots bank = loaded ? Bank({{3, "1300.5"}, {9, "abc"}}) : BankSlots();
    QCOMPARE(HasLoadedSlot(bank), loaded);
    QCOMPARE(NextUsableSlot(index, bank), 0);
    QCOMPARE(BankScanIndexAfterFruitlessSearch(index, bank), after);
}

QTEST_GUILESS_MAIN(TestBankScan)
#include "tst_bankscan.moc"
