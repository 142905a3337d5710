#include "memorycheck.h"
#include "memoryfile.h"
#include "memorytools.h"

#include <QProcess>
#include <QTest>

#include <sstream>
#include <sys/stat.h>

namespace {

struct Outcome
{
    int status = 0;
    QString out;
    QString err;
};

// Runs the tools as the command line would, in the current folder.
Outcome Run(const QStringList &arguments)
{
    std::vector<QByteArray> storage {QByteArrayLiteral("qz-remote")};
    for (const QString &a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::ostringstream out;
    std::ostringstream err;
    Outcome outcome;
    outcome.status = RunMemoryTool(int(storage.size()), argv.data(), out, err);
    outcome.out = QString::fromStdString(out.str());
    outcome.err = QString::fromStdString(err.str());
    return outcome;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

QString Chirp(const char *name)
{
    return QStringLiteral(QZ_CHIRP_DATA_DIR "/") + QLatin1String(name);
}

// The file with the given bank's channel lines taken out.
QByteArray Without(const QByteArray &file, int bank)
{
    QByteArray out;
    for (const QByteArray &line : file.split('\n')) {
        if (!line.startsWith(" " + QByteArray::fromStdString(BankName(bank))))
            out += line + '\n';
    }
    return out;
}

} // namespace

class TestMemoryTools : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void otherArgumentsAreNoTool();
    void usageErrors_data();
    void usageErrors();
    void checkExampleIsClean();
    void checkReportsLikeACompiler();
    void checkCannotRead_data();
    void checkCannotRead();
    void importReplacesOneBank();
    void importCreatesTheDefaultFile();
    void importLongListWithAndWithoutSpill();
    void importWritesNothingWithoutChannels();
    void importRefusesBareLineFeeds();
    void exportThenImportGivesTheBankBack();
    void runsWithoutADisplay();
    void helpListsTheTools();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_before;
};

void TestMemoryTools::init()
{
    m_before = QDir::currentPath();
    m_folder = std::make_unique<QTemporaryDir>();
    QDir::setCurrent(m_folder->path());
}

void TestMemoryTools::cleanup()
{
    QDir::setCurrent(m_before);
    m_folder.reset();
}

void TestMemoryTools::otherArgumentsAreNoTool()
{
    QCOMPARE(Run({}).status, kNotAMemoryTool);
    QCOMPARE(Run({"--port", "/dev/ttyUSB0"}).status, kNotAMemoryTool);
    QCOMPARE(Run({"--simulate", "--check"}).status, kNotAMemoryTool);
}

void TestMemoryTools::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    QTest::newRow("no bank") << QStringList {"--import-chirp", "a.csv"} << "needs --bank NN";
    QTest::newRow("no csv") << QStringList {"--import-chirp", "--bank", "3"} << "needs a value";
    QTest::newRow("bank 0") << QStringList {"--export-chirp", "--bank", "0"} << "01 to 99";
    QTest::newRow("bank 100") << QStringList {"--export-chirp", "--bank=100"} << "01 to 99";
    QTest::newRow("bank word") << QStringList {"--export-chirp", "--bank", "x"} << "01 to 99";
    QTest::newRow("spill on export")
        << QStringList {"--export-chirp", "--bank", "3", "--spill"} << "--spill cannot be used";
    QTest::newRow("two tools") << QStringList {"--check-memory", "--export-chirp"}
                               << "cannot be used together";
    QTest::newRow("stray argument")
        << QStringList {"--check-memory", "a", "b"} << "unexpected argument \"b\"";
}

void TestMemoryTools::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    const Outcome outcome = Run(arguments);
    QCOMPARE(outcome.status, 2);
    QVERIFY2(outcome.err.contains(says), qPrintable(outcome.err));
    QVERIFY(outcome.err.contains("usage: qz-remote --check-memory [FILE]"));
    QCOMPARE(QDir().entryList(QDir::Files), QStringList()); // nothing written
}

void TestMemoryTools::checkExampleIsClean()
{
    QVERIFY(QFile::copy(QZ_EXAMPLE_MEMORY_FILE, "QZMemory.txt"));
    const Outcome outcome = Run({"--check-memory"});
    QCOMPARE(outcome.status, 0);
    QCOMPARE(outcome.out.split('\n'),
        (QStringList {"MEMORY BANK #01: 7 channels, lines 5 to 11",
            "MEMORY BANK #02: 10 channels, lines 14 to 23",
            "MEMORY BANK #03: 8 channels, lines 26 to 33",
            "MEMORY BANK #04: 9 channels, lines 36 to 44",
            "MEMORY BANK #05: 9 channels, lines 47 to 55", "QZMemory.txt: no findings", ""}));
    QCOMPARE(outcome.err, QString());
}

void TestMemoryTools::checkReportsLikeACompiler()
{
    const QByteArray file = "; bank 02\r\n"
                            " MEMORY BANK #02 FREQUENCY=156.8       NAME=CH16 MODE=FM\r\n"
                            "\r\n"
                            " MEMORY BANK #02 FREQUENCY=145,5\r\n";
    WriteAll("my banks.txt", file);
    const QDateTime modified = QFileInfo("my banks.txt").lastModified();
    const Outcome outcome = Run({"--check-memory", "my banks.txt"});
    QCOMPARE(outcome.status, 1);
    const QStringList lines = outcome.out.split('\n');
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines[0].startsWith("my banks.txt:2: NAME= takes 6 characters"));
    QVERIFY(lines[1].startsWith("my banks.txt:4: FREQUENCY=145,5 has a comma"));
    QVERIFY(lines[2].startsWith("my banks.txt:4: MEMORY BANK #02 ended at line 3"));
    QCOMPARE(lines[3], QStringLiteral("MEMORY BANK #02: 1 channel, line 2; 1 line never read"));
    QCOMPARE(lines[4], QStringLiteral("my banks.txt: 3 findings"));
    // Checking never changes the file.
    QCOMPARE(ReadAll("my banks.txt"), file);
    QCOMPARE(QFileInfo("my banks.txt").lastModified(), modified);
    QCOMPARE(QDir().entryList(QDir::Files), QStringList {"my banks.txt"});
}

void TestMemoryTools::checkCannotRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("folder") << "folder";
    QTest::newRow("named pipe") << "fifo";
    // A gigabyte is no memory file: refused at once, not read into memory (sparse, so the test
    // costs no disk).
    QTest::newRow("a gigabyte") << "huge";
}

void TestMemoryTools::checkCannotRead()
{
    QFETCH(QString, kind);
    if (kind == "folder")
        QDir().mkdir("QZMemory.txt");
    if (kind == "fifo")
        QCOMPARE(::mkfifo("QZMemory.txt", 0600), 0);
    if (kind == "huge") {
        QFile huge("QZMemory.txt");
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 30));
    }
    const Outcome outcome = Run({"--check-memory"});
    QCOMPARE(outcome.status, 2);
    const QString said = kind == "huge"
        ? "qz-remote: QZMemory.txt is not checked: it is larger than 16 MB, far beyond any memory "
          "file"
        : "qz-remote: cannot read QZMemory.txt: ";
    QVERIFY2(outcome.err.startsWith(said), qPrintable(outcome.err));
    if (kind == "huge") {
        // Nor is it taken for a missing file and replaced by one bank.
        const Outcome import
            = Run({"--import-chirp", QZ_CHIRP_DATA_DIR "/airband-40.csv", "--bank", "5"});
        QCOMPARE(import.status, 2);
        QCOMPARE(QFileInfo("QZMemory.txt").size(), qint64(1) << 30);
    }
    QCOMPARE(outcome.out, QString());
}

void TestMemoryTools::importReplacesOneBank()
{
    QVERIFY(QFile::copy(QZ_EXAMPLE_MEMORY_FILE, "mem.txt"));
    QFile::setPermissions("mem.txt", QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray old = ReadAll("mem.txt");
    const Outcome outcome = Run({"--import-chirp", Chirp("us-calling-frequencies.csv"), "--bank",
        "03", "--output", "mem.txt"});
    QCOMPARE(outcome.status, 0);
    QCOMPARE(outcome.out,
        QStringLiteral("mem.txt: MEMORY BANK #03: wrote 4 channels, replacing 8 lines\n"
                       "mem.txt: the previous file is kept as mem.txt.bak\n"));
    const QByteArray now = ReadAll("mem.txt");
    QCOMPARE(ReadAll("mem.txt.bak"), old);
    // Every line but bank 03's is as it was, and the new lines stand where the old ones stood.
    QCOMPARE(Without(now, 3), Without(old, 3));
    const int at = old.indexOf(" MEMORY BANK #03");
    QCOMPARE(now.left(at), old.left(at));
    QVERIFY(now.mid(at).startsWith(" MEMORY BANK #03 FREQUENCY=52.525      NAME=6m Cal MODE=FM  "
                                   "FILTER=100 KHz STEP=5 KHz\r\n"));
    QCOMPARE(LoadBank(now.toStdString(), BankName(3)).size(), size_t(4));
    QVERIFY(CheckMemoryFile(now.toStdString()).findings.empty());
    struct stat info
    {
    };
    QCOMPARE(::stat("mem.txt", &info), 0);
    QCOMPARE(int(info.st_mode & 0777), 0600);
}

void TestMemoryTools::importCreatesTheDefaultFile()
{
    const Outcome outcome
        = Run({"--import-chirp=" + Chirp("us-calling-frequencies.csv"), "--bank=7"});
    QCOMPARE(outcome.status, 0);
    QCOMPARE(outcome.out, QStringLiteral("QZMemory.txt: MEMORY BANK #07: wrote 4 channels\n"));
    const QByteArray file = ReadAll("QZMemory.txt");
    QVERIFY(file.startsWith(" MEMORY BANK #07 FREQUENCY=52.525 "));
    QCOMPARE(file.count("\r\n"), 4);
    QVERIFY(!QFile::exists("QZMemory.txt.bak"));
}

void TestMemoryTools::importLongListWithAndWithoutSpill()
{
    const QString csv = Chirp("airband-40.csv");
    Outcome outcome = Run({"--import-chirp", csv, "--bank", "98"});
    QCOMPARE(outcome.status, 0);
    QStringList lines = outcome.out.split('\n');
    QCOMPARE(lines.size(), 10);
    QCOMPARE(lines[0],
        csv
            + ":34: \"Fire B\" at 136.4: not written, MEMORY BANK #98 is full (32 channels); "
              "--spill continues into the following banks");
    QVERIFY(lines[7].startsWith(csv + ":41: \"Traini\" at 140.425: not written"));
    QCOMPARE(lines[8], QStringLiteral("QZMemory.txt: MEMORY BANK #98: wrote 32 channels"));
    const std::string first = ReadAll("QZMemory.txt").toStdString();
    QCOMPARE(LoadBank(first, BankName(98)).size(), size_t(32));

    outcome = Run({"--import-chirp", csv, "--bank", "98", "--spill"});
    QCOMPARE(outcome.status, 0);
    QCOMPARE(outcome.out,
        QStringLiteral("QZMemory.txt: MEMORY BANK #98: wrote 32 channels, replacing 32 lines\n"
                       "QZMemory.txt: MEMORY BANK #99: wrote 8 channels\n"
                       "QZMemory.txt: the previous file is kept as QZMemory.txt.bak\n"));
    const MemoryCheck check = CheckMemoryFile(ReadAll("QZMemory.txt").toStdString());
    QVERIFY(check.findings.empty());
    QCOMPARE(check.banks.size(), size_t(2));
    QCOMPARE(check.banks[1].channels, 8);
}

void TestMemoryTools::importWritesNothingWithoutChannels()
{
    WriteAll("only-dv.csv",
        "Location,Name,Frequency,Mode\r\n1,Hotspot,438.800000,DV\r\n2,Sat,2400.0,FM\r\n");
    QVERIFY(QFile::copy(QZ_EXAMPLE_MEMORY_FILE, "QZMemory.txt"));
    const QByteArray old = ReadAll("QZMemory.txt");
    Outcome outcome = Run({"--import-chirp", "only-dv.csv", "--bank", "1"});
    QCOMPARE(outcome.status, 1);
    QCOMPARE(outcome.out.split('\n'),
        (QStringList {"only-dv.csv:2: \"Hotspot\" at 438.800000: mode DV is not one the panel "
                      "has (FM, NFM, WFM, AM, USB, LSB, CW); skipped",
            "only-dv.csv:3: \"Sat\" at 2400.0: outside the receiver's 0.1 to 1100 MHz; skipped",
            "QZMemory.txt: no channel to write; the file is unchanged", ""}));
    QCOMPARE(ReadAll("QZMemory.txt"), old);
    QVERIFY(!QFile::exists("QZMemory.txt.bak"));

    WriteAll("list.txt", "Frequency;Name\n145.5;X\n");
    outcome = Run({"--import-chirp", "list.txt", "--bank", "1"});
    QCOMPARE(outcome.status, 2);
    QVERIFY(outcome.err.contains("is not a CHIRP export"));
    QCOMPARE(ReadAll("QZMemory.txt"), old);
}

void TestMemoryTools::importRefusesBareLineFeeds()
{
    QByteArray old = ReadAll(QZ_EXAMPLE_MEMORY_FILE);
    old.replace("\r\n", "\n");
    WriteAll("QZMemory.txt", old);
    const Outcome outcome
        = Run({"--import-chirp", Chirp("us-calling-frequencies.csv"), "--bank", "9"});
    QCOMPARE(outcome.status, 2);
    QVERIFY(outcome.err.contains("bare line feed"));
    QVERIFY(outcome.err.contains("nothing was written"));
    QCOMPARE(ReadAll("QZMemory.txt"), old);
    QCOMPARE(QDir().entryList(QDir::Files), QStringList {"QZMemory.txt"});
}

void TestMemoryTools::exportThenImportGivesTheBankBack()
{
    QVERIFY(QFile::copy(QZ_EXAMPLE_MEMORY_FILE, "example.txt"));
    // To the standard output.
    Outcome outcome = Run({"--export-chirp", "--bank", "2", "--memory", "example.txt"});
    QCOMPARE(outcome.status, 0);
    QVERIFY(outcome.out.startsWith("Location,Name,Frequency,Duplex,Offset,"));
    QVERIFY(outcome.out.contains("\r\n4,GUARD,121.500000,,0.000000,,88.5,88.5,023,NN,023,"
                                 "Tone->Tone,AM,25.00,,50W,FILTER=10 KHz,,,,\r\n"));
    QCOMPARE(outcome.out.count("\r\n"), 11);

    // Through a file and back into another memory file: the same bank.
    outcome = Run(
        {"--export-chirp", "--bank", "2", "--memory", "example.txt", "--output", "bank2.csv"});
    QCOMPARE(outcome.status, 0);
    QCOMPARE(outcome.err, QStringLiteral("bank2.csv: 10 channels of MEMORY BANK #02\n"));
    QCOMPARE(Run({"--import-chirp", "bank2.csv", "--bank", "2", "--output", "copy.txt"}).status, 0);
    QVERIFY(LoadBank(ReadAll("copy.txt").toStdString(), BankName(2))
        == LoadBank(ReadAll("example.txt").toStdString(), BankName(2)));

    // A bank without channels writes nothing.
    outcome = Run({"--export-chirp", "--bank", "50", "--memory", "example.txt", "--output", "x"});
    QCOMPARE(outcome.status, 1);
    QVERIFY(!QFile::exists("x"));
}

// The tools are run before anything needs a display: with none, and the platform plugin that
// needs one, they still work.
void TestMemoryTools::runsWithoutADisplay()
{
    QVERIFY(QFile::copy(QZ_EXAMPLE_MEMORY_FILE, "QZMemory.txt"));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    program.setProcessEnvironment(environment);
    program.start(QZ_REMOTE_PROGRAM, {"--check-memory"});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(program.readAllStandardOutput().endsWith("QZMemory.txt: no findings\n"));

    program.start(QZ_REMOTE_PROGRAM, {"--export-chirp", "--bank", "1"});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardOutput().count("\r\n"), 8);
}

void TestMemoryTools::helpListsTheTools()
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(QZ_REMOTE_PROGRAM, {"--help"});
    QVERIFY(program.waitForFinished(10000));
    const QStringList help
        = QString::fromLocal8Bit(program.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const char *tool : {"--check-memory [FILE]", "--import-chirp CSV", "--export-chirp"}) {
        const QStringList lines = help.filter(QLatin1String(tool));
        QCOMPARE(lines.size(), 1);
        // One line each: the next line is another option, not the description going on.
        const qsizetype next = help.indexOf(lines[0]) + 1;
        QVERIFY2(next >= help.size() || help[next].isEmpty() || help[next].startsWith("  -"),
            qPrintable(help.join('\n')));
    }
}

QTEST_GUILESS_MAIN(TestMemoryTools)
#include "tst_memorytools.moc"
