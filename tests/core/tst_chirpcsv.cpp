#include "chirpcsv.h"
#include "memorycheck.h"
#include "memoryfile.h"
#include "replacefile.h"

#include <QTest>

#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Read(const QString &path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string Data(const char *name)
{
    return Read(QStringLiteral(QZ_CHIRP_DATA_DIR "/") + QLatin1String(name));
}

void Write(const QString &path, const std::string &bytes)
{
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

QStringList Lines(int bank, const std::vector<ImportedChannel> &channels)
{
    QStringList out;
    for (const ImportedChannel &c : channels)
        out << QString::fromLatin1(FormatChannelLine(bank, c.fields));
    return out;
}

std::string Bank(int bank, const std::vector<ImportedChannel> &channels)
{
    std::string out;
    for (const ImportedChannel &c : channels)
        out += FormatChannelLine(bank, c.fields) + "\r\n";
    return out;
}

QString Cells(const CsvRow &row)
{
    QStringList cells;
    for (const std::string &c : row.cells)
        cells << QString::fromStdString(c);
    return QString::number(row.line) + QLatin1Char(':') + cells.join(QLatin1Char('|'));
}

} // namespace

class TestChirpCsv : public QObject
{
    Q_OBJECT

private slots:
    void csvRecords_data();
    void csvRecords();
    void sharedExport();
    void longListFillsBanks();
    void modesThePanelLacks();
    void namesTheFileCannotHold_data();
    void namesTheFileCannotHold();
    void notAChirpExport_data();
    void notAChirpExport();
    void exportIsWhatChirpReads();
    void roundTrip_data();
    void roundTrip();
    void exampleBanksRoundTrip();
    void replacingKeepsEveryOtherByte();
    void appendingStartsALineOfItsOwn_data();
    void appendingStartsALineOfItsOwn();
    void replacedFileKeepsABackup();
    void failingWriteLeavesTheOldFileWhole();
    void oddFilesAreNotRead();
};

void TestChirpCsv::csvRecords_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("plain, LF") << QByteArray("a,b\n1,2\n") << QStringList {"1:a|b", "2:1|2"};
    QTest::newRow("CR LF, no end") << QByteArray("a,b\r\n1,2") << QStringList {"1:a|b", "2:1|2"};
    QTest::newRow("CR alone") << QByteArray("a\r1\r") << QStringList {"1:a", "2:1"};
    QTest::newRow("empty cells") << QByteArray(",x,,\n") << QStringList {"1:|x||"};
    QTest::newRow("quoted comma and quote")
        << QByteArray("\"a,b\",\"say \"\"hi\"\"\",c\n") << QStringList {"1:a,b|say \"hi\"|c"};
    QTest::newRow("line end inside quotes") << QByteArray("1,\"two\r\nlines\",3\r\n4,5\r\n")
                                            << QStringList {"1:1|two\r\nlines|3", "3:4|5"};
    QTest::newRow("blank lines skipped")
        << QByteArray("a\n\n\r\nb\n") << QStringList {"1:a", "4:b"};
    QTest::newRow("byte-order mark")
        << QByteArray("\xEF\xBB\xBFLocation,Name\n") << QStringList {"1:Location|Name"};
    QTest::newRow("unterminated quote") << QByteArray("a,\"b,c\nd") << QStringList {"1:a|b,c\nd"};
    QTest::newRow("quote inside a cell is text")
        << QByteArray("a\"b,c\n") << QStringList {"1:a\"b|c"};
}

void TestChirpCsv::csvRecords()
{
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, rows);
    QStringList got;
    for (const CsvRow &row : ParseCsv(csv.toStdString()))
        got << Cells(row);
    QCOMPARE(got, rows);
}

void TestChirpCsv::sharedExport()
{
    const ChirpImport imported = ImportChirpCsv(Data("us-calling-frequencies.csv"));
    QCOMPARE(imported.error, std::string());
    QVERIFY(imported.skipped.empty());
    // The receive frequency only (the 6 m call has a duplex and an offset); the band plan's
    // filter; TStep 5.00 is the panel's "5 KHz".
    QCOMPARE(Lines(12, imported.channels),
        (QStringList {
            " MEMORY BANK #12 FREQUENCY=52.525      NAME=6m Cal MODE=FM  FILTER=100 KHz STEP=5 KHz",
            " MEMORY BANK #12 FREQUENCY=146.52      NAME=2m Cal MODE=FM  FILTER=50 KHz  STEP=5 KHz",
            " MEMORY BANK #12 FREQUENCY=223.5       NAME=220 Ca MODE=FM  FILTER=100 KHz STEP=5 KHz",
            " MEMORY BANK #12 FREQUENCY=446.0       NAME=70cm C MODE=FM  FILTER=100 KHz STEP=5 KHz",
        }));
    QCOMPARE(imported.channels[3].line, 5);
    // What the panel reads back is what was meant.
    const std::vector<ChannelFields> loaded = LoadBank(Bank(12, imported.channels), BankName(12));
    QCOMPARE(loaded.size(), size_t(4));
    QCOMPARE(loaded[1].name, std::string("2m Cal"));
    QCOMPARE(loaded[1].frequency, std::string("146.52"));
    QVERIFY(CheckMemoryFile(Bank(12, imported.channels)).findings.empty());
}

void TestChirpCsv::longListFillsBanks()
{
    const ChirpImport imported = ImportChirpCsv(Data("airband-40.csv"));
    QCOMPARE(imported.error, std::string());
    QCOMPARE(imported.channels.size(), size_t(40));
    QCOMPARE(imported.channels[1].fields.name, std::string("Tower")); // "Tower North"
    QCOMPARE(imported.channels[10].fields.name, std::string("Center")); // "Center Sector 12"
    QCOMPARE(imported.channels[39].fields.frequency, std::string("140.425"));

    const ImportPlan one = PlanImport(imported.channels, 5, false);
    QCOMPARE(one.banks.size(), size_t(1));
    QCOMPARE(one.banks[0].bank, 5);
    QCOMPARE(one.banks[0].channels.size(), size_t(32));
    QCOMPARE(one.leftOver.size(), size_t(8));
    QCOMPARE(one.leftOver[0].line, 34); // the 33rd record, after the header
    QCOMPARE(one.leftOver[0].fields.name, std::string("Fire B"));

    const ImportPlan spilled = PlanImport(imported.channels, 5, true);
    QCOMPARE(spilled.banks.size(), size_t(2));
    QCOMPARE(spilled.banks[1].bank, 6);
    QCOMPARE(spilled.banks[1].channels.size(), size_t(8));
    QVERIFY(spilled.leftOver.empty());

    // Nothing spills past bank 99.
    const ImportPlan last = PlanImport(imported.channels, 99, true);
    QCOMPARE(last.banks.size(), size_t(1));
    QCOMPARE(last.leftOver.size(), size_t(8));

    // Names were cut, and the file reads back clean: no name swallows the next field.
    std::string file;
    for (const BankFill &fill : spilled.banks)
        file += Bank(fill.bank, fill.channels);
    const MemoryCheck check = CheckMemoryFile(file);
    QVERIFY(check.findings.empty());
    QCOMPARE(check.banks.size(), size_t(2));
    QCOMPARE(check.banks[0].channels, 32);
}

void TestChirpCsv::modesThePanelLacks()
{
    const ChirpImport imported = ImportChirpCsv(Data("modes-mixed.csv"));
    QCOMPARE(imported.error, std::string());
    QCOMPARE(Lines(2, imported.channels),
        (QStringList {
            " MEMORY BANK #02 FREQUENCY=98.5        NAME=Local  MODE=PLS FILTER=300 KHz STEP=100 "
            "KHz",
            " MEMORY BANK #02 FREQUENCY=156.8       NAME=Marine MODE=FM  FILTER=10 KHz  STEP=25 "
            "KHz",
            " MEMORY BANK #02 FREQUENCY=145.6       NAME=Repeat MODE=FM  FILTER=50 KHz  STEP=12.5 "
            "KHz",
            " MEMORY BANK #02 FREQUENCY=14.3        NAME=HF net MODE=USB FILTER=10 KHz  STEP=1 KHz",
            " MEMORY BANK #02 FREQUENCY=3.76        NAME=80m SS MODE=LSB FILTER=10 KHz  STEP=500 "
            "Hz",
            " MEMORY BANK #02 FREQUENCY=50.05       NAME=Beacon MODE=CW  FILTER=100 KHz STEP=10 Hz",
            " MEMORY BANK #02 FREQUENCY=119.1       NAME=Airpor MODE=AM  FILTER=50 KHz  STEP=25 "
            "KHz",
            QString::fromLatin1(" MEMORY BANK #02 FREQUENCY=118.1       NAME=Z\xFCrich MODE=AM  "
                                "FILTER=50 KHz  STEP=25 KHz"),
            " MEMORY BANK #02 FREQUENCY=446.00625   NAME=A-B    MODE=FM  FILTER=100 KHz STEP=6.25 "
            "KHz",
            " MEMORY BANK #02 FREQUENCY=433.5       NAME=No ste MODE=FM  FILTER=100 KHz STEP=10 "
            "KHz",
        }));
    QStringList skipped;
    for (const ChirpNote &note : imported.skipped)
        skipped << QString::number(note.line) + QLatin1Char(' ')
                + QString::fromStdString(note.message);
    QCOMPARE(skipped,
        (QStringList {
            "10 \"Narrow AM\" at 27.065000: mode NAM is not one the panel has (FM, NFM, WFM, AM, "
            "USB, LSB, CW); skipped",
            "11 \"GB3 D-STAR\" at 145.337500: mode DV is not one the panel has (FM, NFM, WFM, AM, "
            "USB, LSB, CW); skipped",
            "12 \"DMR TG\" at 439.450000: mode DMR is not one the panel has (FM, NFM, WFM, AM, "
            "USB, LSB, CW); skipped",
            "13 \"Weather\" at 162.550000: mode Auto is not one the panel has (FM, NFM, WFM, AM, "
            "USB, LSB, CW); skipped",
            "14 \"Packet\" at 144.800000: mode DIG is not one the panel has (FM, NFM, WFM, AM, "
            "USB, LSB, CW); skipped",
            "17 \"Microwave\" at 2400.000000: outside the receiver's 0.1 to 1100 MHz; skipped",
            "19 \"Bad freq\" at 4x5.000: the Frequency is not a number in MHz; skipped",
        }));
}

// Names in scripts the single-byte file cannot hold: stored readable where they can be, and the
// import says which rows changed and how; the export gives back what was stored, never "??????".
void TestChirpCsv::namesTheFileCannotHold_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("said"); // the end of the import's note, empty when none

    QTest::newRow("Latin-1 letters stay") << "Köln"
                                          << "K\u00f6ln"
                                          << "";
    QTest::newRow("Cyrillic")
        << "Москва"
        << "Moskva"
        << ": the name is stored as \"Moskva\": the memory file holds one "
           "byte per character, so Cyrillic letters are written in Latin ones";
    QTest::newRow("Ukrainian, cut after") << "Їжак"
                                          << "YIzhak"
                                          << "Latin ones";
    QTest::newRow("emoji") << "Net 📻"
                           << "Net"
                           << ": the name is stored as \"Net\": the memory file holds one byte per "
                              "character, so 1 character it cannot hold was left out";
    QTest::newRow("nothing left") << "📻📻"
                                  << ""
                                  << "2 characters it cannot hold were left out";
}

void TestChirpCsv::namesTheFileCannotHold()
{
    QFETCH(QString, name);
    QFETCH(QString, stored);
    QFETCH(QString, said);

    const std::string csv
        = "Location,Name,Frequency,Mode\r\n1," + name.toStdString() + ",145.5,FM\r\n";
    const ChirpImport imported = ImportChirpCsv(csv);
    QCOMPARE(imported.channels.size(), std::size_t(1));
    const std::string latin1 = stored.toLatin1().toStdString();
    QCOMPARE(imported.channels[0].fields.name, latin1);
    if (said.isEmpty()) {
        QVERIFY(imported.renamed.empty());
    } else {
        QCOMPARE(imported.renamed.size(), std::size_t(1));
        QCOMPARE(imported.renamed[0].line, 2);
        QVERIFY2(QString::fromStdString(imported.renamed[0].message).endsWith(said),
            imported.renamed[0].message.c_str());
    }
    const ChirpExport exported = ExportChirpCsv({imported.channels[0].fields});
    QVERIFY(QString::fromStdString(exported.csv).contains("," + stored + ",145.500000"));
    QVERIFY(exported.csv.find('?') == std::string::npos);
}

void TestChirpCsv::notAChirpExport_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty") << QByteArray() << "no CSV records";
    QTest::newRow("comments only") << QByteArray("# nothing\n") << "no CSV records";
    QTest::newRow("no Frequency column")
        << QByteArray("Name,RX,TX\nA,145.5,145.5\n") << "names no Frequency column";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11)
                            << "names no Frequency column";
}

void TestChirpCsv::notAChirpExport()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, error);
    const ChirpImport imported = ImportChirpCsv(csv.toStdString());
    QVERIFY2(QString::fromStdString(imported.error).contains(error), imported.error.c_str());
    QVERIFY(imported.channels.empty());
}

void TestChirpCsv::exportIsWhatChirpReads()
{
    std::vector<ChannelFields> bank(3);
    bank[0] = {"121.5", "Guard", "AM", "10 KHz", "25 KHz"}; // the band plan has 50 KHz
    bank[1] = {"", "EMPTY", "", "", ""}; // an empty slot is left out
    bank[2] = {"145,5", "Comma", "FM", "", ""};
    bank.push_back({"88.1", "Caf\xE9, A", "PLS", "300 KHz", "100 KHz"});
    bank.push_back({"446.00625", "PMR1", "XYZ", "", "1 Hz"});
    const ChirpExport exported = ExportChirpCsv(bank);
    QCOMPARE(exported.written, 3);
    const QStringList records
        = QString::fromUtf8(exported.csv.c_str()).split(QStringLiteral("\r\n"));
    QCOMPARE(records,
        (QStringList {
            "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
            "RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE",
            "1,Guard,121.500000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,AM,25.00,,50W,"
            "FILTER=10 KHz,,,,",
            QString::fromUtf8("4,\"Café, A\",88.100000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,"
                              "WFM,100.00,,50W,,,,,"),
            "5,PMR1,446.006250,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,0.001,,50W,,,,,",
            "",
        }));
    QCOMPARE(exported.notes.size(), size_t(2));
    QCOMPARE(exported.notes[0].line, 3);
    QVERIFY(exported.notes[0].message.find("not a plain number") != std::string::npos);
    QCOMPARE(exported.notes[1].line, 5);
    QVERIFY(exported.notes[1].message.find("written as FM, the band plan's") != std::string::npos);
    // Every record has all of CHIRP's columns.
    for (const CsvRow &row : ParseCsv(exported.csv))
        QCOMPARE(row.cells.size(), ChirpColumns().size());
}

void TestChirpCsv::roundTrip_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("shared export") << "us-calling-frequencies.csv";
    QTest::newRow("40 air-band channels") << "airband-40.csv";
    QTest::newRow("mixed modes") << "modes-mixed.csv";
}

// Import, export that bank, import the export: the same bank, byte for byte.
void TestChirpCsv::roundTrip()
{
    QFETCH(QString, file);
    const ChirpImport first = ImportChirpCsv(Data(file.toLatin1().constData()));
    const ImportPlan plan = PlanImport(first.channels, 9, false);
    QVERIFY(!plan.banks.empty());
    const std::string bank = Bank(9, plan.banks[0].channels);

    const ChirpExport exported = ExportChirpCsv(LoadBank(bank, BankName(9)));
    QVERIFY(exported.notes.empty());
    QCOMPARE(exported.written, int(plan.banks[0].channels.size()));
    const ChirpImport second = ImportChirpCsv(exported.csv);
    QVERIFY(second.skipped.empty());
    QCOMPARE(Bank(9, second.channels), bank);
}

// The example file's banks use filters other than the band plan's (10 KHz in the air band); they
// come back all the same.
void TestChirpCsv::exampleBanksRoundTrip()
{
    const std::string example = Read(QStringLiteral(QZ_EXAMPLE_MEMORY_FILE));
    for (int bank = 1; bank <= 5; ++bank) {
        const std::vector<ChannelFields> channels = LoadBank(example, BankName(bank));
        QVERIFY(channels.size() >= 7);
        const ChirpExport exported = ExportChirpCsv(channels);
        QVERIFY(exported.notes.empty());
        const ChirpImport imported = ImportChirpCsv(exported.csv);
        std::vector<ChannelFields> back;
        for (const ImportedChannel &c : imported.channels)
            back.push_back(c.fields);
        QVERIFY(back == channels);
    }
}

void TestChirpCsv::replacingKeepsEveryOtherByte()
{
    // Odd but valid bytes around the bank: another bank's line with a bare line feed inside, a
    // lone CR as a line end, trailing blanks, a line of the bank after its first run.
    const std::string before = "; my banks\r\n MEMORY BANK #01 FREQUENCY=98.5  \r\n\r\n";
    const std::string oldBank = " MEMORY BANK #03 FREQUENCY=1\r\n MEMORY BANK #03 FREQUENCY=2\r"
                                " MEMORY BANK #03 FREQUENCY=3\r\n";
    const std::string after = "; tail\tnote \r\n MEMORY BANK #03 FREQUENCY=7 never read\r\n"
                              " MEMORY BANK #04 FREQUENCY=5\n more\r\nlast line without end";
    const std::vector<ChannelFields> channels {{"156.8", "CH16", "FM", "50 KHz", "25 KHz"}};
    const std::string replaced = ReplaceBankLines(before + oldBank + after, 3, channels);
    QCOMPARE(replaced, before + FormatChannelLine(3, channels[0]) + "\r\n" + after);
    QCOMPARE(LoadBank(replaced, BankName(3)), channels);

    // Lines past the 32nd of the run are part of the bank's lines too.
    std::string full;
    for (int i = 0; i < 40; ++i)
        full += FormatChannelLine(7, channels[0]) + "\r\n";
    QCOMPARE(ReplaceBankLines("; a\r\n" + full + "; b\r\n", 7, channels),
        "; a\r\n" + FormatChannelLine(7, channels[0]) + "\r\n; b\r\n");
}

void TestChirpCsv::appendingStartsALineOfItsOwn_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("joint");
    QTest::newRow("empty file") << QByteArray() << QByteArray();
    QTest::newRow("ends with CR LF") << QByteArray("; a\r\n") << QByteArray();
    QTest::newRow("ends with CR") << QByteArray("; a\r") << QByteArray();
    QTest::newRow("no line end") << QByteArray("; a") << QByteArray("\r\n");
    QTest::newRow("bare line feed") << QByteArray("; a\n") << QByteArray("\r\n");
}

void TestChirpCsv::appendingStartsALineOfItsOwn()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, joint);
    const std::vector<ChannelFields> channels {{"7.05", "", "AM", "10 KHz", "5 KHz"}};
    const std::string replaced = ReplaceBankLines(file.toStdString(), 42, channels);
    QCOMPARE(replaced,
        file.toStdString() + joint.toStdString() + FormatChannelLine(42, channels[0]) + "\r\n");
    QCOMPARE(LoadBank(replaced, BankName(42)), channels);
}

void TestChirpCsv::replacedFileKeepsABackup()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("QZMemory.txt"));
    std::string error;

    // A new file: no backup.
    QVERIFY(ReplaceFileContents(path.toStdString(), "first\r\n", true, error));
    QCOMPARE(Read(path), std::string("first\r\n"));
    QVERIFY(!QFile::exists(path + QStringLiteral(".bak")));

    ::chmod(path.toLocal8Bit().constData(), 0640);
    QVERIFY(ReplaceFileContents(path.toStdString(), "second\r\n", true, error));
    QCOMPARE(Read(path), std::string("second\r\n"));
    QCOMPARE(Read(path + QStringLiteral(".bak")), std::string("first\r\n"));
    struct stat info
    {
    };
    ::stat(path.toLocal8Bit().constData(), &info);
    QCOMPARE(int(info.st_mode & 0777), 0640);

    // Through a symbolic link: the link stays, its target changes.
    const QString link = folder.filePath(QStringLiteral("link.txt"));
    QVERIFY(QFile::link(path, link));
    QVERIFY(ReplaceFileContents(link.toStdString(), "third\r\n", false, error));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(Read(path), std::string("third\r\n"));
    // No temporary file is left behind.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3);
}

void TestChirpCsv::failingWriteLeavesTheOldFileWhole()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("QZMemory.txt"));
    const std::string old = "; the operator's channels\r\n MEMORY BANK #01 FREQUENCY=98.5\r\n";
    Write(path, old);
    std::string error;

    // A file size limit makes the write of the new contents fail part-way, as a full disk would,
    // whoever runs the test.
    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 200;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool written
        = ReplaceFileContents(path.toStdString(), std::string(5000, 'x'), true, error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QVERIFY2(error.find("cannot write") != std::string::npos, error.c_str());
    QCOMPARE(Read(path), old);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
        QStringList {QStringLiteral("QZMemory.txt")});

    // A folder where nothing can be created.
    if (::geteuid() != 0) {
        ::chmod(folder.path().toLocal8Bit().constData(), 0500);
        QVERIFY(!ReplaceFileContents(path.toStdString(), "new", true, error));
        ::chmod(folder.path().toLocal8Bit().constData(), 0700);
        QCOMPARE(Read(path), old);
    }
}

void TestChirpCsv::oddFilesAreNotRead()
{
    QTemporaryDir folder;
    std::string bytes;
    std::string error;
    QCOMPARE(ReadPlainFile(folder.filePath("none").toStdString(), bytes, error), FileRead::Missing);
    QCOMPARE(ReadPlainFile(folder.path().toStdString(), bytes, error), FileRead::Failed);
    const QString fifo = folder.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    QCOMPARE(ReadPlainFile(fifo.toStdString(), bytes, error), FileRead::Failed); // does not wait
    QVERIFY(!ReplaceFileContents(folder.path().toStdString(), "x", false, error));
}

QTEST_GUILESS_MAIN(TestChirpCsv)
#include "tst_chirpcsv.moc"
