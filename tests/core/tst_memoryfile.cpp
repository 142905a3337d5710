#include "memoryfile.h"
#include "tunedstate.h"

#include <QTest>

#include <random>
#include <string>
#include <vector>

namespace {

std::string Text(const QByteArray &bytes)
{
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// A channel line of the bank as a file author writes it: any first character, the name, then the
// fields.
std::string Channel(int bank, const std::string &fields, char first = ' ')
{
    return std::string(1, first) + BankName(bank) + " " + fields;
}

std::string Fields(const std::string &frequency, const std::string &name = "NAME=      ")
{
    return "FREQUENCY=" + frequency + std::string(11 - frequency.size(), ' ') + name;
}

// Joins lines with CR LF, the memory file's line end.
std::string File(const std::vector<std::string> &lines, const std::string &end = "\r\n")
{
    std::string file;
    for (const std::string &line : lines)
        file += line + end;
    return file;
}

std::vector<std::string> Frequencies(const std::vector<ChannelFields> &channels)
{
    std::vector<std::string> result;
    for (const ChannelFields &c : channels)
        result.push_back(c.frequency);
    return result;
}

QStringList Show(const std::vector<std::string> &texts)
{
    QStringList list;
    for (const std::string &t : texts)
        list << QString::fromStdString(t);
    return list;
}

// Feeds the file in pieces of the given sizes, cycling through them, stopping once the reader is
// done.
std::vector<ChannelFields> LoadInChunks(
    const std::string &file, const std::string &bank, const std::vector<size_t> &sizes)
{
    BankReader reader(bank);
    size_t pos = 0;
    for (size_t i = 0; pos < file.size() && !reader.done(); ++i) {
        const size_t size = std::min(sizes[i % sizes.size()], file.size() - pos);
        reader.feed(std::string_view(file).substr(pos, size));
        pos += size;
    }
    reader.finish();
    return reader.channels();
}

} // namespace

class TestMemoryFile : public QObject
{
    Q_OBJECT

private slots:
    void bankNames();
    void channelLines_data();
    void channelLines();
    void fields_data();
    void fields();
    void workedExample();
    void lineEnds_data();
    void lineEnds();
    void lineFeedOnlyFileIsOneLine();
    void firstRunOnly();
    void fortyLinesFillThirtyTwoSlots();
    void runEndsAtAnyOtherLine_data();
    void runEndsAtAnyOtherLine();
    void slotsWithoutUsableFrequency();
    void chunkBoundariesChangeNothing();
    void stopsReadingWhenTheRunEnds();
    void keysBeyondSixteenBitPositions();
    void hugeLinesHoldLittleMemory();
    void binaryNeverBreaksTheReader();
    void badBankNameMatchesNothing();
    void storingReplacesTheWholeBank();
};

void TestMemoryFile::bankNames()
{
    QCOMPARE(BankName(1), std::string("MEMORY BANK #01"));
    QCOMPARE(BankName(7), std::string("MEMORY BANK #07"));
    QCOMPARE(BankName(10), std::string("MEMORY BANK #10"));
    QCOMPARE(BankName(99), std::string("MEMORY BANK #99"));
    QCOMPARE(BankName(0), std::string());
    QCOMPARE(BankName(100), std::string());
    QCOMPARE(BankName(-7), std::string());
    for (int bank = 1; bank <= kBankCount; ++bank)
        QCOMPARE(BankName(bank).size(), kBankNameLength);
}

void TestMemoryFile::channelLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("isChannel");
    QTest::newRow("space first") << QByteArray(" MEMORY BANK #07 FREQUENCY=1") << true;
    QTest::newRow("any first character") << QByteArray("*MEMORY BANK #07") << true;
    QTest::newRow("NUL first") << QByteArray("\0MEMORY BANK #07", 16) << true;
    QTest::newRow("line feed first") << QByteArray("\nMEMORY BANK #07") << true;
    QTest::newRow("other bank") << QByteArray(" MEMORY BANK #08 FREQUENCY=1") << false;
    QTest::newRow("name from character 1") << QByteArray("MEMORY BANK #07 FREQUENCY=1") << false;
    QTest::newRow("lower case") << QByteArray(" memory bank #07 FREQUENCY=1") << false;
    QTest::newRow("one digit") << QByteArray(" MEMORY BANK #7 FREQUENCY=1") << false;
    QTest::newRow("too short") << QByteArray(" MEMORY BANK #0") << false;
    QTest::newRow("blank") << QByteArray("") << false;
}

void TestMemoryFile::channelLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, isChannel);
    QCOMPARE(IsChannelLine(Text(line), "MEMORY BANK #07"), isChannel);
}

void TestMemoryFile::fields_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("frequency");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QByteArray>("filter");
    QTest::addColumn<QByteArray>("step");

    QTest::newRow("padded fields") << QByteArray(" MEMORY BANK #02 FREQUENCY=118.7      NAME=TWR   "
                                                 "MODE=AM FILTER=10 KHz STEP=25 KHz  ")
                                   << QByteArray("118.7") << QByteArray("TWR") << QByteArray("AM")
                                   << QByteArray("10 KHz") << QByteArray("25 KHz");
    QTest::newRow("any order, text between")
        << QByteArray("STEP=12.5 KHzxx MODE=FM -- FILTER=50 KHz NAME=RPT    FREQUENCY=145.6")
        << QByteArray("145.6") << QByteArray("RPT") << QByteArray("FM") << QByteArray("50 KHz")
        << QByteArray("12.5 KHz");
    QTest::newRow("two-letter mode, one space, next key")
        << QByteArray("MODE=FM FILTER=50 KHz ") << QByteArray() << QByteArray() << QByteArray("FM")
        << QByteArray("50 KHz") << QByteArray();
    QTest::newRow("1 MHz, one space, next key keeps part of it")
        << QByteArray("FILTER=1 MHz STEP=1 MHz") << QByteArray() << QByteArray() << QByteArray()
        << QByteArray("1 MHz S") << QByteArray("1 MHz");
    QTest::newRow("unpadded mode runs into the next key")
        << QByteArray("MODE=CWFILTER=10 KHz") << QByteArray() << QByteArray() << QByteArray("CWF")
        << QByteArray("10 KHz") << QByteArray();
    QTest::newRow("name cut at six")
        << QByteArray("NAME=TOWERS12 FREQUENCY=1") << QByteArray("1") << QByteArray("TOWERS")
        << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("text past the cut still searched")
        << QByteArray("NAME=ABCDEFMODE=AM ") << QByteArray() << QByteArray("ABCDEF")
        << QByteArray("AM") << QByteArray() << QByteArray();
    QTest::newRow("key inside another value")
        << QByteArray("NAME=MODE=USB") << QByteArray() << QByteArray("MODE=U") << QByteArray("USB")
        << QByteArray() << QByteArray();
    QTest::newRow("key as the tail of a word")
        << QByteArray("XFREQUENCY=7.05") << QByteArray("7.05") << QByteArray() << QByteArray()
        << QByteArray() << QByteArray();
    QTest::newRow("first occurrence wins")
        << QByteArray("FREQUENCY=100        FREQUENCY=200        MODE=AM MODE=FM ")
        << QByteArray("100") << QByteArray() << QByteArray("AM") << QByteArray() << QByteArray();
    QTest::newRow("lower-case keys are missing")
        << QByteArray("frequency=145.5      name=AIR   mode=AM filter=10 KHz step=25 KHz")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("letters as frequency")
        << QByteArray("FREQUENCY=ABC        NAME=X") << QByteArray("ABC") << QByteArray("X")
        << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("line ends inside values")
        << QByteArray("MODE=FM NAME=AB") << QByteArray() << QByteArray("AB") << QByteArray("FM")
        << QByteArray() << QByteArray();
    QTest::newRow("key at the very end") << QByteArray("FREQUENCY=") << QByteArray() << QByteArray()
                                         << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("tabs are not trimmed")
        << QByteArray("MODE=\tFM FILTER= 10 KHz") << QByteArray() << QByteArray()
        << QByteArray("\tFM") << QByteArray("10 KHz") << QByteArray();
    QTest::newRow("NUL bytes stay in values")
        << QByteArray("NAME=A\0B   ", 11) << QByteArray() << QByteArray("A\0B", 3) << QByteArray()
        << QByteArray() << QByteArray();
    QTest::newRow("no keys") << QByteArray(" MEMORY BANK #01 just a note") << QByteArray()
                             << QByteArray() << QByteArray() << QByteArray() << QByteArray();
}

void TestMemoryFile::fields()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, frequency);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, mode);
    QFETCH(QByteArray, filter);
    QFETCH(QByteArray, step);
    const ChannelFields parsed = ParseChannelFields(Text(line));
    QCOMPARE(QByteArray::fromStdString(parsed.frequency), frequency);
    QCOMPARE(QByteArray::fromStdString(parsed.name), name);
    QCOMPARE(QByteArray::fromStdString(parsed.mode), mode);
    QCOMPARE(QByteArray::fromStdString(parsed.filter), filter);
    QCOMPARE(QByteArray::fromStdString(parsed.step), step);
}

void TestMemoryFile::workedExample()
{
    const std::string line = " MEMORY BANK #01 FREQUENCY=145.5      NAME=AIR   MODE=AM "
                             "FILTER=10 KHz STEP=25 KHz";
    const std::vector<ChannelFields> bank = LoadBank(line, BankName(1));
    QCOMPARE(bank.size(), size_t(1));
    QCOMPARE(bank[0].frequency, std::string("145.5"));
    QCOMPARE(bank[0].name, std::string("AIR"));
    QCOMPARE(bank[0].mode, std::string("AM"));
    QCOMPARE(bank[0].filter, std::string("10 KHz"));
    QCOMPARE(bank[0].step, std::string("25 KHz"));

    // Without the space after "10 KHz" the filter runs into the next key.
    std::string unpadded = line;
    unpadded.erase(unpadded.find("KHz STEP") + 3, 1);
    QCOMPARE(ParseChannelFields(unpadded).filter, std::string("10 KHzS"));
    QCOMPARE(ParseChannelFields(unpadded).step, std::string("25 KHz"));
}

void TestMemoryFile::lineEnds_data()
{
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<QByteArray>("lastEnd");
    QTest::addColumn<int>("slotCount");
    QTest::newRow("CR LF") << QByteArray("\r\n") << QByteArray("\r\n") << 3;
    QTest::newRow("CR alone") << QByteArray("\r") << QByteArray("\r") << 3;
    QTest::newRow("last line without end") << QByteArray("\r\n") << QByteArray() << 3;
    // A second line feed stays in the next line and shifts the bank name out of place.
    QTest::newRow("CR LF LF") << QByteArray("\r\n\n") << QByteArray("\r\n\n") << 1;
    // CR CR is a blank line between the channels, and a blank line ends the bank.
    QTest::newRow("CR CR") << QByteArray("\r\r") << QByteArray("\r\r") << 1;
    QTest::newRow("LF CR") << QByteArray("\n\r") << QByteArray("\n\r") << 3;
}

void TestMemoryFile::lineEnds()
{
    QFETCH(QByteArray, end);
    QFETCH(QByteArray, lastEnd);
    QFETCH(int, slotCount);
    const std::string file = Channel(1, Fields("100")) + Text(end) + Channel(1, Fields("200"))
        + Text(end) + Channel(1, Fields("300")) + Text(lastEnd);
    const std::vector<ChannelFields> bank = LoadBank(file, BankName(1));
    QCOMPARE(int(bank.size()), slotCount);
    const std::vector<std::string> expected {"100", "200", "300"};
    for (int n = 0; n < slotCount; ++n)
        QCOMPARE(bank[size_t(n)].frequency, expected[size_t(n)]);
}

void TestMemoryFile::lineFeedOnlyFileIsOneLine()
{
    const std::string file = File({Channel(2, "FREQUENCY=118.1      NAME=TWR   "),
                                      Channel(2, "FREQUENCY=118.7      NAME=APP   MODE=AM "),
                                      Channel(3, "FREQUENCY=156.8      FILTER=50 KHz"),
                                      Channel(3, "FREQUENCY=156.3      STEP=25 KHz  ")},
        "\n");
    // Only the bank named on the first line is found; its one slot takes the first occurrence
    // of each key in the whole file.
    const std::vector<ChannelFields> bank2 = LoadBank(file, BankName(2));
    QCOMPARE(bank2.size(), size_t(1));
    QCOMPARE(bank2[0].frequency, std::string("118.1"));
    QCOMPARE(bank2[0].name, std::string("TWR"));
    QCOMPARE(bank2[0].mode, std::string("AM"));
    // The line feed after an unpadded value is part of it.
    QCOMPARE(bank2[0].filter, std::string("50 KHz\n"));
    QCOMPARE(bank2[0].step, std::string("25 KHz"));
    QVERIFY(LoadBank(file, BankName(3)).empty());
}

void TestMemoryFile::firstRunOnly()
{
    const std::string file = File(
        {"; a note", Channel(1, Fields("1")), Channel(1, Fields("2")), Channel(2, Fields("50")),
            Channel(1, Fields("3")), Channel(1, Fields("4")), Channel(2, Fields("60"))});
    QCOMPARE(Show(Frequencies(LoadBank(file, BankName(1)))), QStringList({"1", "2"}));
    QCOMPARE(Show(Frequencies(LoadBank(file, BankName(2)))), QStringList({"50"}));
    QVERIFY(LoadBank(file, BankName(3)).empty());
}

void TestMemoryFile::fortyLinesFillThirtyTwoSlots()
{
    std::vector<std::string> lines;
    for (int n = 1; n <= 40; ++n)
        lines.push_back(Channel(5, Fields(std::to_string(100 + n))));
    const std::vector<ChannelFields> bank = LoadBank(File(lines), BankName(5));
    QCOMPARE(int(bank.size()), kBankSlots);
    QCOMPARE(bank.front().frequency, std::string("101"));
    QCOMPARE(bank.back().frequency, std::string("132"));
}

void TestMemoryFile::runEndsAtAnyOtherLine_data()
{
    QTest::addColumn<QByteArray>("between");
    QTest::newRow("blank line") << QByteArray("");
    QTest::newRow("spaces") << QByteArray("      ");
    QTest::newRow("comment") << QByteArray("; more air band below");
    QTest::newRow("other bank") << QByteArray(Channel(4, Fields("145.5")).c_str());
    QTest::newRow("shorter than 16") << QByteArray(" MEMORY BANK #0");
    QTest::newRow("lower-case name") << QByteArray(" memory bank #03 FREQUENCY=1");
}

void TestMemoryFile::runEndsAtAnyOtherLine()
{
    QFETCH(QByteArray, between);
    std::vector<std::string> lines;
    for (int n = 1; n <= 5; ++n)
        lines.push_back(Channel(3, Fields("15" + std::to_string(n))));
    lines.push_back(Text(between));
    lines.push_back(Channel(3, Fields("160")));
    const std::vector<ChannelFields> bank = LoadBank(File(lines), BankName(3));
    QCOMPARE(Show(Frequencies(bank)), QStringList({"151", "152", "153", "154", "155"}));
}

void TestMemoryFile::slotsWithoutUsableFrequency()
{
    // Character 1 differs from line to line without effect.
    const std::string file = File({Channel(6, "NAME=LONELY MODE=FM ", 'x'),
        Channel(6, "FREQUENCY=ABCDEF     ", '\t'), Channel(6, "FREQUENCY=           NAME=BLANK "),
        Channel(6, Fields("7.05", "NAME=NIGHT"), '#')});
    const std::vector<ChannelFields> bank = LoadBank(file, BankName(6));
    QCOMPARE(bank.size(), size_t(4));
    // A name without a frequency is stored, but the slot is not loaded.
    QCOMPARE(bank[0].frequency, std::string());
    QCOMPARE(bank[0].name, std::string("LONELY"));
    QCOMPARE(bank[0].mode, std::string("FM"));
    // Letters still count as loaded text.
    QCOMPARE(bank[1].frequency, std::string("ABCDEF"));
    QCOMPARE(bank[2].frequency, std::string());
    QCOMPARE(bank[2].name, std::string("BLANK"));
    QCOMPARE(bank[3].frequency, std::string("7.05"));
    QCOMPARE(LoadedSlotCount(bank), 2);
}

void TestMemoryFile::chunkBoundariesChangeNothing()
{
    // Every line end and every key falls across a chunk boundary for some chunk size.
    const std::string file
        = File({"; header", Channel(9, Fields("1")),
                   Channel(9, "STEP=12.5 KHzNAME=ABCDEFGHMODE=LSBFILTER=1 MHz"),
                   Channel(9, "NAME=MODE=CW FREQUENCY=FREQUENCY=3  "),
                   Channel(9, "FREQUENCY=14.2       MODE=USB"), "", Channel(9, Fields("99"))},
              "\r\n")
        + Channel(9, Fields("bad"));
    for (int bank : {9, 8}) {
        const std::vector<ChannelFields> whole = LoadBank(file, BankName(bank));
        for (size_t size = 1; size <= 40; ++size)
            QVERIFY2(LoadInChunks(file, BankName(bank), {size}) == whole,
                qPrintable(QString("chunk size %1").arg(size)));
        QVERIFY(LoadInChunks(file, BankName(bank), {1, 7, 2, 13, 3}) == whole);
    }
    // A CR at the end of one chunk and its LF at the start of the next is one line end.
    const std::string crlf = File({Channel(9, Fields("1")), Channel(9, Fields("2"))});
    const size_t cr = crlf.find('\r');
    QCOMPARE(LoadInChunks(crlf, BankName(9), {cr + 1, 1, 1000}).size(), size_t(2));
}

void TestMemoryFile::stopsReadingWhenTheRunEnds()
{
    const std::vector<std::string> lines {
        "; bank 4 first", Channel(4, Fields("145.5")), Channel(4, Fields("145.6"))};
    BankReader reader(BankName(4));
    for (const std::string &line : lines) {
        reader.feed(line + "\r\n");
        QVERIFY(!reader.done());
    }
    // The next bank's name ends the run at once, however long its line goes on.
    reader.feed(" " + BankName(5));
    QVERIFY(reader.done());
    QCOMPARE(reader.channels().size(), size_t(2));
    // Whatever follows is not read.
    reader.feed(File({Channel(4, Fields("1"))}));
    reader.finish();
    QCOMPARE(reader.channels().size(), size_t(2));

    BankReader full(BankName(4));
    for (int n = 1; n <= kBankSlots; ++n) {
        QVERIFY(!full.done());
        full.feed(File({Channel(4, Fields(std::to_string(n)))}));
    }
    QVERIFY(full.done());
    QCOMPARE(int(full.channels().size()), kBankSlots);
}

void TestMemoryFile::keysBeyondSixteenBitPositions()
{
    // Positions past 32,767 characters are read like any other.
    const std::string line = Channel(1, std::string(40000, '.') + "MODE=AM FREQUENCY=118.7      ")
        + std::string(70000, '-') + "STEP=25 KHz";
    const std::vector<ChannelFields> bank = LoadBank(File({line, line}), BankName(1));
    QCOMPARE(bank.size(), size_t(2));
    QCOMPARE(bank[1].frequency, std::string("118.7"));
    QCOMPARE(bank[1].mode, std::string("AM"));
    QCOMPARE(bank[1].step, std::string("25 KHz"));
}

void TestMemoryFile::hugeLinesHoldLittleMemory()
{
    // The reader keeps the first 16 characters of a line, a few characters of the seam between
    // chunks and the values it has found; never the line itself.
    const size_t bound = 16 + 9 + 11 + 6 + 3 + 7 + 8;
    const std::string chunk(64 * 1024, 'Z');

    BankReader channel(BankName(1));
    channel.feed(Channel(1, "NAME=BIG   "));
    for (int i = 0; i < 320; ++i) { // 20 MB of a channel line still looking for its keys
        channel.feed(chunk);
        QVERIFY(channel.bufferedBytes() <= bound);
    }
    channel.feed("MODE=FM \r\n");
    channel.finish();
    QCOMPARE(channel.channels().size(), size_t(1));
    QCOMPARE(channel.channels()[0].name, std::string("BIG"));
    QCOMPARE(channel.channels()[0].mode, std::string("FM"));

    // A file without any carriage return is one enormous line of no bank.
    BankReader other(BankName(1));
    for (int i = 0; i < 160; ++i) {
        other.feed(chunk);
        QVERIFY(other.bufferedBytes() <= bound);
    }
    other.finish();
    QVERIFY(other.channels().empty());
}

void TestMemoryFile::binaryNeverBreaksTheReader()
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string file;
    for (int i = 0; i < 1 << 20; ++i) {
        file += static_cast<char>(byte(random));
        if (i % 50000 == 0)
            file += "\r"
                + Channel(7,
                    std::string("FREQUENCY=\0\xff"
                                "1",
                        13),
                    '\0');
    }
    const std::vector<ChannelFields> whole = LoadBank(file, BankName(7));
    QVERIFY(!whole.empty() && whole.size() <= size_t(kBankSlots));
    QVERIFY(LoadInChunks(file, BankName(7), {4093, 1, 17, 65536}) == whole);
    for (int bank = 1; bank <= kBankCount; ++bank)
        QVERIFY(LoadBank(file, BankName(bank)).size() <= size_t(kBankSlots));
}

void TestMemoryFile::badBankNameMatchesNothing()
{
    QVERIFY(!IsChannelLine(" MEMORY BANK #7 ", "MEMORY BANK #7"));
    QVERIFY(!IsChannelLine(" ", ""));
    const std::string file = File({Channel(1, Fields("1"))});
    QVERIFY(LoadBank(file, "MEMORY BANK #1").empty());
    QVERIFY(LoadBank(file, "").empty());
    QVERIFY(LoadBank(file, "MEMORY BANK #01 ").empty());
    QVERIFY(BankReader("MEMORY BANK").done());
    QCOMPARE(LoadBank(file, "MEMORY BANK #01").size(), size_t(1));
}

void TestMemoryFile::storingReplacesTheWholeBank()
{
    TunedState state;
    for (auto *texts :
        {&state.MemFrequency, &state.MemName, &state.MemMode, &state.MemFilter, &state.MemStep})
        texts->fill("old");
    const std::string file = File(
        {Channel(1, Fields("1") + "MODE=AM FILTER=10 KHz STEP=1 Hz"), Channel(1, "NAME=ONLY  ")});
    StoreBankInSlots(LoadBank(file, BankName(1)), state);
    QCOMPARE(state.MemFrequency[1], std::string("1"));
    QCOMPARE(state.MemMode[1], std::string("AM"));
    QCOMPARE(state.MemFilter[1], std::string("10 KHz"));
    QCOMPARE(state.MemStep[1], std::string("1 Hz"));
    QCOMPARE(state.MemFrequency[2], std::string());
    QCOMPARE(state.MemName[2], std::string("ONLY"));
    for (size_t n = 3; n <= size_t(kBankSlots); ++n)
        QVERIFY(state.MemFrequency[n].empty() && state.MemName[n].empty()
            && state.MemMode[n].empty() && state.MemFilter[n].empty() && state.MemStep[n].empty());
    QCOMPARE(state.MemFrequency[0], std::string("old")); // entry 0 is never used
}

QTEST_GUILESS_MAIN(TestMemoryFile)
#include "tst_memoryfile.moc"
