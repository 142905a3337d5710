#include "../support/dialogs.h"
#include "../support/ptyread.h"
#include "bankscan.h"
#include "codelog.h"
#include "mainwindow.h"
#include "memorypage.h"
#include "options.h"
#include "scancontrol.h"
#include "seriallink.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);

// One channel line of a bank, fields padded to their widths.
QByteArray Line(int bank, const QByteArray &frequency, const QByteArray &name = "",
    const QByteArray &mode = "", const QByteArray &filter = "", const QByteArray &step = "")
{
    QByteArray line = " MEMORY BANK #" + QByteArray::number(bank).rightJustified(2, '0');
    line += " FREQUENCY=" + frequency.leftJustified(11, ' ');
    if (!name.isEmpty())
        line += "NAME=" + name.leftJustified(6, ' ');
    if (!mode.isEmpty())
        line += "MODE=" + mode.leftJustified(3, ' ');
    if (!filter.isEmpty())
        line += "FILTER=" + filter.leftJustified(7, ' ');
    if (!step.isEmpty())
        line += "STEP=" + step;
    return line + "\r\n";
}

// A panel started in a folder of its own, with the given memory file (none when null).
struct Rig
{
    explicit Rig(const QByteArray &memoryFile, bool on = true)
    {
        QDir::setCurrent(folder.path());
        if (!memoryFile.isNull()) {
            QFile file(folder.filePath("QZMemory.txt"));
            file.open(QIODevice::WriteOnly);
            file.write(memoryFile);
        }
        window = std::make_unique<MainWindow>(pty.slavePath());
        if (on) {
            p().RadioOn->click();
            window->timers().Timer2.stop();
            pty.read();
        }
    }
    const Panel &p() const { return window->panel(); }
    void selectBank(int bank) { p().MemoryBanks->setCurrentIndex(bank - 1); }
    QStringList enabledCaptions() const
    {
        QStringList out;
        for (int n = 1; n <= 32; ++n)
            out << (p().Memory[size_t(n)]->isEnabled() ? p().Memory[size_t(n)]->text() : QString());
        while (!out.isEmpty() && out.last().isEmpty())
            out.removeLast();
        return out;
    }

    QTemporaryDir folder;
    PseudoTerminal pty;
    std::unique_ptr<MainWindow> window;
};

const QByteArray kBanks = "; two banks\r\n" + Line(3, "145.5", "RPT", "FM", "50 KHz", "12.5 KHz")
    + Line(3, "118.1", "TWR", "AM", "10 KHz", "25 KHz") + Line(3, "7.05") + Line(3, "1100")
    + Line(3, "1100.001", "HIGH", "USB", "1 MHz", "1 KHz") + Line(4, "156.8", "CH16")
    + Line(1, "101.3", "A&B", "PLS") + Line(1, "200", "", "WFM") + Line(1, "1200", "FAR")
    + Line(1, "abc", "") + Line(1, "", "NOFREQ") + Line(1, "433.5", "", "", "", "9 KHz");

} // namespace

class TestMemoryScan : public QObject
{
    Q_OBJECT

private slots:
    void startUpLoadsBankOne();
    void bankSelectionReloads();
    void missingOrOddFilesGiveAnEmptyBank_data();
    void missingOrOddFilesGiveAnEmptyBank();
    void hugeFileDoesNotHang();
    void recallSends_data();
    void recallSends();
    void recallSetsTheStepSilently();
    void editorOpensOnlyAnExistingFile();
    void scanStartsAndStops();
    void scanWrapsAndFollowsTheStep();
    void scanNeedsTheLink();
    void powerOffEndsTheScan();
    void bankScanVisitsUsableSlots();
    void bankScanRestartsAfterTheLastSlot();
    void bankScanStopsOnAnEmptyBank();
    void bankScanAndScanExcludeEachOther();
};

void TestMemoryScan::startUpLoadsBankOne()
{
    Rig rig(kBanks, false);
    QCOMPARE(rig.p().MemoryBanks->currentText(), QStringLiteral("MEMORY BANK #01"));
    QCOMPARE(
        rig.enabledCaptions(), (QStringList {"A&&B", "200", "FAR", "abc", QString(), "433.5"}));
    QCOMPARE(rig.p().Memory[5]->text(), QStringLiteral("..."));
    QCOMPARE(rig.p().NBofMemory->text(), QStringLiteral("5"));
    QVERIFY(rig.p().ScanBank->isEnabled());
    QCOMPARE(rig.window->state().MemName[5], std::string("NOFREQ"));
    QCOMPARE(CollectFor(rig.pty, 100), QByteArray());
}

void TestMemoryScan::bankSelectionReloads()
{
    Rig rig(kBanks);
    rig.selectBank(3);
    QCOMPARE(rig.enabledCaptions(), (QStringList {"RPT", "TWR", "7.05", "1100", "HIGH"}));
    QCOMPARE(rig.p().NBofMemory->text(), QStringLiteral("5"));
    rig.selectBank(99);
    QCOMPARE(rig.enabledCaptions(), QStringList());
    QCOMPARE(rig.p().NBofMemory->text(), QStringLiteral("0"));
    QVERIFY(!rig.p().ScanBank->isEnabled());
    // An edit shows at the next selection.
    QFile file("QZMemory.txt");
    QVERIFY(file.open(QIODevice::Append));
    file.write(Line(99, "446.00625", "PMR1"));
    file.close();
    rig.selectBank(4);
    rig.selectBank(99);
    QCOMPARE(rig.enabledCaptions(), QStringList {"PMR1"});
    QCOMPARE(CollectFor(rig.pty, 100), QByteArray()); // loading sends nothing
}

void TestMemoryScan::missingOrOddFilesGiveAnEmptyBank_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("directory") << "directory";
    QTest::newRow("binary") << "binary";
    QTest::newRow("line feeds only") << "lf";
    QTest::newRow("unreadable") << "unreadable";
    QTest::newRow("named pipe with no writer") << "fifo"; // reading it would block for ever
}

void TestMemoryScan::missingOrOddFilesGiveAnEmptyBank()
{
    QFETCH(QString, kind);
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    QFile file("QZMemory.txt");
    if (kind == "directory") {
        QDir().mkdir("QZMemory.txt");
    } else if (kind == "binary") {
        file.open(QIODevice::WriteOnly);
        QByteArray bytes;
        for (int i = 0; i < 200000; ++i)
            bytes += char((i * 7919) % 256);
        file.write(bytes);
        file.close();
    } else if (kind == "lf") {
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(kBanks).replace("\r\n", "\n"));
        file.close();
    } else if (kind == "fifo") {
        QVERIFY(::mkfifo("QZMemory.txt", 0600) == 0);
    } else if (kind == "unreadable") {
        file.open(QIODevice::WriteOnly);
        file.write(kBanks);
        file.close();
        file.setPermissions(QFileDevice::Permissions());
    }
    PseudoTerminal pty;
    MainWindow window(pty.slavePath());
    const Panel &p = window.panel();
    QCOMPARE(p.MemoryBanks->currentText(), QStringLiteral("MEMORY BANK #01"));
    if (kind == "unreadable" && QFile(folder.filePath("QZMemory.txt")).open(QIODevice::ReadOnly))
        QSKIP("running as a user who can read any file");
    QCOMPARE(p.NBofMemory->text(), QStringLiteral("0"));
    QVERIFY(!p.ScanBank->isEnabled());
    for (int n = 1; n <= 32; ++n) {
        QVERIFY(!p.Memory[size_t(n)]->isEnabled());
        QCOMPARE(p.Memory[size_t(n)]->text(), QStringLiteral("..."));
    }
    QVERIFY(kind != "missing" || !QFile::exists("QZMemory.txt")); // never created
}

void TestMemoryScan::hugeFileDoesNotHang()
{
    // 30 MB of other banks, the wanted bank at the very end, and a 1 MB line without CR before it.
    QByteArray content;
    const QByteArray filler = Line(2, "123.45", "FILL");
    content.reserve(31 * 1024 * 1024);
    while (content.size() < 30 * 1024 * 1024)
        content += filler;
    content += QByteArray(1024 * 1024, 'x') + "\r\n" + Line(1, "99.9", "LAST");
    Rig rig(content, false);
    QCOMPARE(rig.enabledCaptions(), QStringList {"LAST"});
    rig.selectBank(2);
    QCOMPARE(rig.p().NBofMemory->text(), QStringLiteral("32"));
}

void TestMemoryScan::recallSends_data()
{
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("frequency only") << 3 << 3 << QByteArray("FRQ 0007.050;FM;BW3\r");
    QTest::newRow("new mode and filter")
        << 3 << 2 << QByteArray("FRQ 0118.100;FM;BW3\rFRQ 0118.100;AM;BW3\rFRQ 0118.100;AM;BW1\r");
    QTest::newRow("PLS selects WFM")
        << 1 << 1 << QByteArray("FRQ 0101.300;FM;BW3\rFRQ 0101.300;PLS;BW3\r");
    QTest::newRow("WFM selects nothing") << 1 << 2 << QByteArray("FRQ 0200.000;FM;BW3\r");
    QTest::newRow("1100 tuned") << 3 << 4 << QByteArray("FRQ 1100.000;FM;BW3\r");
    QTest::newRow("above 1100 ignored") << 3 << 5 << QByteArray();
    QTest::newRow("letters read as 0") << 1 << 4 << QByteArray("FRQ 0000.000;FM;BW3\r");
}

void TestMemoryScan::recallSends()
{
    QFETCH(int, bank);
    QFETCH(int, slot);
    QFETCH(QByteArray, sent);
    Rig rig(kBanks);
    rig.selectBank(bank);
    const double before = rig.window->state().CurrentFrequency;
    rig.window->memoryPage().Memory_Click(slot);
    QCOMPARE(CollectFor(rig.pty, 60), sent);
    if (sent.isEmpty()) {
        QCOMPARE(rig.window->state().CurrentFrequency, before);
        QCOMPARE(rig.window->state().ModeCommand, std::string("FM"));
        QCOMPARE(rig.p().TuningStep->currentText(), QStringLiteral("100 KHz"));
    }
}

void TestMemoryScan::recallSetsTheStepSilently()
{
    Rig rig(kBanks);
    rig.selectBank(3);
    rig.p().Memory[1]->click();
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0145.500;FM;BW3\rFRQ 0145.500;FM;BW2\r"));
    QCOMPARE(rig.p().TuningStep->currentText(), QStringLiteral("12.5 KHz"));
    QCOMPARE(rig.window->state().StepSize, 0.0125);
    rig.selectBank(1);
    rig.window->memoryPage().Memory_Click(6); // "9 KHz"
    rig.pty.read();
    QCOMPARE(rig.p().TuningStep->currentText(), QStringLiteral("9 KHz"));
    rig.p().FrequencyUp->click();
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0433.509;FM;BW2\r"));
}

void TestMemoryScan::editorOpensOnlyAnExistingFile()
{
    Rig rig(kBanks, false);
    QStringList opened;
    rig.window->memoryPage().setEditorLauncher([&](const QString &path) { opened << path; });
    const QDateTime modified = QFileInfo("QZMemory.txt").lastModified();
    rig.p().EditMemory->click();
    QCOMPARE(opened, QStringList {QDir(rig.folder.path()).absoluteFilePath("QZMemory.txt")});
    QCOMPARE(QFileInfo("QZMemory.txt").lastModified(), modified);
    QFile::remove("QZMemory.txt");
    // Without a file the operator is asked first; without a yes nothing happens.
    DialogAnswerer answer([](QWidget *box) { DialogAnswerer::Press(box, QMessageBox::No); });
    rig.p().EditMemory->click();
    QCOMPARE(answer.answered(), 1);
    QCOMPARE(opened.size(), 1);
    QVERIFY(!QFile::exists("QZMemory.txt"));
}

void TestMemoryScan::scanStartsAndStops()
{
    Rig rig(kBanks);
    PanelTimers &t = rig.window->timers();
    t.Timer2.start();
    rig.p().Scan->click();
    QCOMPARE(rig.p().ScanLabel->color(), kGreen);
    QVERIFY(t.Timer3.isActive());
    QVERIFY(!t.Timer2.isActive());
    const QByteArray sent = CollectUntil(rig.pty, "FRQ 0106.200", 3000);
    QVERIFY(sent.startsWith("FRQ 0106.000;FM;BW3\rFRQ 0106.100;FM;BW3\rFRQ 0106.200;FM;BW3\r"));
    QVERIFY(!sent.contains("SS?")); // the meter stands still during a scan
    rig.p().Scan->click();
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QVERIFY(!t.Timer3.isActive());
    QVERIFY(t.Timer2.isActive());
}

void TestMemoryScan::scanWrapsAndFollowsTheStep()
{
    Rig rig(kBanks);
    ScanControl &scans = rig.window->scans();
    rig.window->state().CurrentFrequency = 1099.9;
    scans.Timer3_Timer();
    scans.Timer3_Timer();
    scans.Timer3_Timer();
    QCOMPARE(rig.pty.read(),
        QByteArray("FRQ 1100.000;FM;BW3\rFRQ 0000.100;FM;BW3\rFRQ 0000.200;FM;BW3\r"));
    rig.p().TuningStep->setCurrentIndex(rig.p().TuningStep->findText("1 MHz"));
    scans.Timer3_Timer();
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0001.200;FM;BW3\r"));
}

void TestMemoryScan::scanNeedsTheLink()
{
    Rig rig(kBanks, false);
    rig.p().Scan->click();
    rig.p().ScanBank->click();
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QVERIFY(!rig.window->timers().Timer3.isActive());
    QVERIFY(!rig.window->timers().Timer4.isActive());
    rig.window->scans().Timer3_Timer();
    rig.window->scans().Timer4_Timer();
    QCOMPARE(rig.window->state().CurrentFrequency, 105.9);
    QCOMPARE(rig.window->state().BankScanIndex, 0);
}

void TestMemoryScan::powerOffEndsTheScan()
{
    Rig rig(kBanks);
    rig.p().Scan->click();
    CollectUntil(rig.pty, "FRQ 0106.100", 3000);
    rig.p().RadioOff->click();
    QVERIFY(CollectFor(rig.pty, 200).endsWith("RMT/\r"));
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QCOMPARE(rig.p().OnOffLabel->color(), kRed);
    QVERIFY(!rig.window->timers().Timer3.isActive());
    QCOMPARE(CollectFor(rig.pty, 200), QByteArray());
}

void TestMemoryScan::bankScanVisitsUsableSlots()
{
    // Slots 1, 5 and 9 usable; slot 3 reads 1200 (visited, nothing sent); others empty or unusable.
    QByteArray file;
    const QList<QByteArray> frequencies {"10", "", "1200", "abc", "20", "", "1300.5", "0.05", "30"};
    for (const QByteArray &f : frequencies)
        file += f.isEmpty() ? Line(5, "", "NONE") : Line(5, f);
    Rig rig(file);
    rig.selectBank(5);
    ScanControl &scans = rig.window->scans();
    QList<int> visited;
    QByteArray sent;
    for (int i = 0; i < 6; ++i) {
        scans.Timer4_Timer();
        visited << rig.window->state().BankScanIndex;
        sent += rig.pty.read(60);
    }
    QCOMPARE(visited, (QList<int> {1, 3, 5, 9, 1, 3}));
    QCOMPARE(sent,
        QByteArray("FRQ 0010.000;FM;BW3\rFRQ 0020.000;FM;BW3\rFRQ 0030.000;FM;BW3\r"
                   "FRQ 0010.000;FM;BW3\r"));
}

void TestMemoryScan::bankScanRestartsAfterTheLastSlot()
{
    Rig rig(Line(6, "10") + Line(6, "11") + Line(6, "12"));
    rig.selectBank(6);
    PanelTimers &t = rig.window->timers();
    rig.p().ScanBank->click();
    QCOMPARE(rig.p().ScanLabel->color(), kYellow);
    QVERIFY(!t.Timer2.isActive());
    QVERIFY(t.Timer4.isActive());
    t.Timer4.stop(); // the test makes the steps
    ScanControl &scans = rig.window->scans();
    scans.Timer4_Timer();
    scans.Timer4_Timer();
    QCOMPARE(rig.window->state().BankScanIndex, 2);
    // Stopping and starting again carries on after the slot visited last.
    t.Timer4.start();
    rig.p().ScanBank->click();
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QVERIFY(t.Timer2.isActive());
    rig.p().ScanBank->click();
    t.Timer4.stop();
    rig.pty.read(60);
    scans.Timer4_Timer();
    QCOMPARE(rig.window->state().BankScanIndex, 3);
    scans.Timer4_Timer();
    QCOMPARE(rig.window->state().BankScanIndex, 1);
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0012.000;FM;BW3\rFRQ 0010.000;FM;BW3\r"));
}

void TestMemoryScan::bankScanStopsOnAnEmptyBank()
{
    Rig rig(kBanks + Line(7, "1300.5") + Line(7, "0.01"));
    rig.selectBank(7);
    QVERIFY(rig.p().ScanBank->isEnabled()); // loaded, but nothing usable
    rig.p().ScanBank->click();
    QCOMPARE(rig.p().ScanLabel->color(), kYellow);
    rig.window->scans().Timer4_Timer();
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QVERIFY(!rig.window->timers().Timer4.isActive());
    QVERIFY(rig.window->timers().Timer2.isActive());
    rig.window->timers().Timer2.stop();
    // Selecting a bank without channels during a scan stops it at the next step.
    rig.selectBank(3);
    rig.p().ScanBank->click();
    rig.selectBank(98);
    rig.pty.read(60);
    rig.window->scans().Timer4_Timer();
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QCOMPARE(CollectFor(rig.pty, 60), QByteArray());
}

void TestMemoryScan::bankScanAndScanExcludeEachOther()
{
    Rig rig(kBanks);
    PanelTimers &t = rig.window->timers();
    rig.p().Scan->click();
    rig.p().ScanBank->click();
    QVERIFY(!t.Timer3.isActive());
    QVERIFY(t.Timer4.isActive());
    QCOMPARE(rig.p().ScanLabel->color(), kYellow);
    rig.p().Scan->click();
    QVERIFY(t.Timer3.isActive());
    QVERIFY(!t.Timer4.isActive());
    QCOMPARE(rig.p().ScanLabel->color(), kGreen);
    QVERIFY(!t.Timer2.isActive());
}

QTEST_MAIN(TestMemoryScan)
#include "tst_memoryscan.moc"
