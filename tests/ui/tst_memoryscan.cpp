#include "../support/channelline.h"
#include "../support/dialogs.h"
#include "../support/panelrig.h"
#include "../support/ptyread.h"
#include "bankscan.h"
#include "codelog.h"
#include "mainwindow.h"
#include "memorypage.h"
#include "options.h"
#include "seriallink.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

using State = ReceiverSession::State;

// The shared panel rig, switched on unless asked not to, with the bank helpers these tests use.
struct ScanRig : PanelRig
{
    explicit ScanRig(const QByteArray &memoryFile, bool on = true)
        : PanelRig(memoryFile)
    {
        if (on)
            powerOn();
    }
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
};

const QByteArray kBanks = "; two banks\r\n"
    + ChannelLine(3, "145.5", "RPT", "FM", "50 KHz", "12.5 KHz")
    + ChannelLine(3, "118.1", "TWR", "AM", "10 KHz", "25 KHz") + ChannelLine(3, "7.05")
    + ChannelLine(3, "1100") + ChannelLine(3, "1100.001", "HIGH", "USB", "1 MHz", "1 KHz")
    + ChannelLine(4, "156.8", "CH16") + ChannelLine(1, "101.3", "A&B", "PLS")
    + ChannelLine(1, "200", "", "WFM") + ChannelLine(1, "1200", "FAR") + ChannelLine(1, "abc", "")
    + ChannelLine(1, "", "NOFREQ") + ChannelLine(1, "433.5", "", "", "", "9 KHz");

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
    void bankScanPositionAfterAnEmptyBank();
    void bankScanAndScanExcludeEachOther();
};

void TestMemoryScan::startUpLoadsBankOne()
{
    ScanRig rig(kBanks, false);
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
    ScanRig rig(kBanks);
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
    file.write(ChannelLine(99, "446.00625", "PMR1"));
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
    const QByteArray filler = ChannelLine(2, "123.45", "FILL");
    content.reserve(31 * 1024 * 1024);
    while (content.size() < 30 * 1024 * 1024)
        content += filler;
    content += QByteArray(1024 * 1024, 'x') + "\r\n" + ChannelLine(1, "99.9", "LAST");
    ScanRig rig(content, false);
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
    ScanRig rig(kBanks);
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
    ScanRig rig(kBanks);
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
    ScanRig rig(kBanks, false);
    QStringList opened;
    rig.window->memoryPage().setEditorLauncher([&](const QString &path) {
        opened << path;
        return true;
    });
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
    ScanRig rig(kBanks);
    ReceiverSession &session = rig.window->session();
    session.setPollInterval(ReceiverSession::kPollIntervalMs);
    rig.p().Scan->click();
    QCOMPARE(rig.p().ScanLabel->color(), kGreen);
    QCOMPARE(session.state(), State::Scanning);
    const QByteArray sent = CollectUntil(rig.pty, "FRQ 0106.200", 3000);
    QVERIFY(sent.startsWith("FRQ 0106.000;FM;BW3\rFRQ 0106.100;FM;BW3\rFRQ 0106.200;FM;BW3\r"));
    QVERIFY(!sent.contains("SS?")); // the meter stands still during a scan
    rig.p().Scan->click();
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QCOMPARE(session.state(), State::Polling);
    QVERIFY(CollectUntil(rig.pty, "SS?\r", 2000).endsWith("SS?\r")); // the poll is back
}

void TestMemoryScan::scanWrapsAndFollowsTheStep()
{
    ScanRig rig(kBanks);
    ReceiverSession &session = rig.window->session();
    rig.window->state().CurrentFrequency = 1099.9;
    // Each step as its tick comes, once the one before has gone out.
    QByteArray sent;
    for (int i = 0; i < 3; ++i) {
        session.ScanStep();
        sent += rig.pty.read();
    }
    QCOMPARE(sent, QByteArray("FRQ 1100.000;FM;BW3\rFRQ 0000.100;FM;BW3\rFRQ 0000.200;FM;BW3\r"));
    rig.p().TuningStep->setCurrentIndex(rig.p().TuningStep->findText("1 MHz"));
    session.ScanStep();
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0001.200;FM;BW3\r"));
}

void TestMemoryScan::scanNeedsTheLink()
{
    ScanRig rig(kBanks, false);
    rig.p().Scan->click();
    rig.p().ScanBank->click();
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QCOMPARE(rig.window->session().state(), State::Off);
    rig.window->session().ScanStep();
    rig.window->session().BankScanStep();
    QCOMPARE(rig.window->state().CurrentFrequency, 105.9);
    QCOMPARE(rig.window->state().BankScanIndex, 0);
}

void TestMemoryScan::powerOffEndsTheScan()
{
    ScanRig rig(kBanks);
    rig.p().Scan->click();
    CollectUntil(rig.pty, "FRQ 0106.100", 3000);
    rig.p().RadioOff->click();
    QVERIFY(CollectFor(rig.pty, 200).endsWith("RMT/\r"));
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QCOMPARE(rig.p().OnOffLabel->color(), kRed);
    QCOMPARE(rig.window->session().state(), State::Off);
    QCOMPARE(CollectFor(rig.pty, 200), QByteArray());
}

void TestMemoryScan::bankScanVisitsUsableSlots()
{
    // Slots 1, 5 and 9 usable; slot 3 reads 1200 (visited, nothing sent); others empty or unusable.
    QByteArray file;
    const QList<QByteArray> frequencies {"10", "", "1200", "abc", "20", "", "1300.5", "0.05", "30"};
    for (const QByteArray &f : frequencies)
        file += f.isEmpty() ? ChannelLine(5, "", "NONE") : ChannelLine(5, f);
    ScanRig rig(file);
    rig.selectBank(5);
    QList<int> visited;
    QByteArray sent;
    for (int i = 0; i < 6; ++i) {
        rig.window->session().BankScanStep();
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
    ScanRig rig(ChannelLine(6, "10") + ChannelLine(6, "11") + ChannelLine(6, "12"));
    rig.selectBank(6);
    ReceiverSession &session = rig.window->session();
    rig.p().ScanBank->click();
    QCOMPARE(rig.p().ScanLabel->color(), kYellow);
    QCOMPARE(session.state(), State::BankScanning);
    rig.p().ScanBank->click();
    QCOMPARE(rig.p().ScanLabel->color(), kRed);
    QCOMPARE(session.state(), State::Polling);
    rig.pty.read(60);
    // Two steps by hand, then the scan again: it carries on after the slot visited last, and
    // wraps from the last slot to the first.
    session.BankScanStep();
    session.BankScanStep();
    QCOMPARE(rig.window->state().BankScanIndex, 2);
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0010.000;FM;BW3\rFRQ 0011.000;FM;BW3\r"));
    rig.p().ScanBank->click();
    const QByteArray sent = CollectUntil(rig.pty, "FRQ 0010.000;FM;BW3\r", 3000);
    rig.p().ScanBank->click();
    QCOMPARE(sent, QByteArray("FRQ 0012.000;FM;BW3\rFRQ 0010.000;FM;BW3\r"));
}

void TestMemoryScan::bankScanStopsOnAnEmptyBank()
{
    ScanRig rig(kBanks + ChannelLine(7, "1300.5") + ChannelLine(7, "0.01"));
    ReceiverSession &session = rig.window->session();
    rig.selectBank(7);
    QVERIFY(rig.p().ScanBank->isEnabled()); // loaded, but nothing usable
    rig.p().ScanBank->click();
    QCOMPARE(rig.p().ScanLabel->color(), kYellow);
    // The first step finds nothing: lamp red, the poll resumes, nothing sent.
    QTRY_COMPARE_WITH_TIMEOUT(rig.p().ScanLabel->color(), kRed, 1000);
    QCOMPARE(session.state(), State::Polling);
    QCOMPARE(CollectFor(rig.pty, 60), QByteArray());
    // Selecting a bank without channels during a scan stops it at the next step.
    rig.selectBank(3);
    rig.p().ScanBank->click();
    rig.selectBank(98);
    rig.pty.read(60);
    QTRY_COMPARE_WITH_TIMEOUT(rig.p().ScanLabel->color(), kRed, 1000);
    QCOMPARE(CollectFor(rig.pty, 60), QByteArray());
}

void TestMemoryScan::bankScanPositionAfterAnEmptyBank()
{
    // Over a bank without loaded slots the search looks at one slot and gives up: the position
    // moves on by one, so the next scan of a loaded bank starts one slot further on.
    ScanRig rig(ChannelLine(8, "10") + ChannelLine(8, "11") + ChannelLine(8, "12"));
    ReceiverSession &session = rig.window->session();
    rig.selectBank(8);
    session.BankScanStep();
    QCOMPARE(rig.window->state().BankScanIndex, 1);
    rig.selectBank(98);
    session.BankScanStep();
    QCOMPARE(rig.window->state().BankScanIndex, 2);
    rig.selectBank(8);
    rig.pty.read(60);
    session.BankScanStep();
    QCOMPARE(rig.window->state().BankScanIndex, 3);
    QCOMPARE(rig.pty.read(), QByteArray("FRQ 0012.000;FM;BW3\r"));
}

void TestMemoryScan::bankScanAndScanExcludeEachOther()
{
    ScanRig rig(kBanks);
    ReceiverSession &session = rig.window->session();
    rig.p().Scan->click();
    rig.p().ScanBank->click();
    QCOMPARE(session.state(), State::BankScanning);
    QCOMPARE(rig.p().ScanLabel->color(), kYellow);
    rig.p().Scan->click();
    QCOMPARE(session.state(), State::Scanning);
    QCOMPARE(rig.p().ScanLabel->color(), kGreen);
}

QTEST_MAIN(TestMemoryScan)
#include "tst_memoryscan.moc"
