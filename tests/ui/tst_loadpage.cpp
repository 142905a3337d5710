#include "../support/dialogs.h"
#include "../support/panelrig.h"
#include "../support/ptyread.h"
#include "bankeditor.h"
#include "loadpage.h"
#include "mainwindow.h"
#include "memorycheck.h"
#include "memoryfile.h"
#include "memorypage.h"

#include <QRadioButton>
#include <QTableWidget>
#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <map>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QByteArray Example()
{
    return ReadAll(QStringLiteral(QZ_EXAMPLE_MEMORY_FILE));
}

QString Chirp(const char *name)
{
    return QStringLiteral(QZ_CHIRP_DATA_DIR "/") + QLatin1String(name);
}

// Answers every dialog that comes by its object name, and remembers the order they came in. A
// dialog without an answer is cancelled, so that a test never hangs on it.
class Answers
{
public:
    using Answer = std::function<void(QWidget *)>;

    explicit Answers(std::map<QString, Answer> answers)
        : m_answers(std::move(answers))
        , m_answerer(
              [this](QWidget *dialog) {
                  m_asked << dialog->objectName();
                  m_texts << DialogAnswerer::DialogText(dialog);
                  const auto answer = m_answers.find(dialog->objectName());
                  if (answer != m_answers.end())
                      answer->second(dialog);
                  else
                      DialogAnswerer::Cancel(dialog);
              },
              30000)
    {
        m_answerer.repeat();
    }

    QStringList asked() const { return m_asked; }
    QStringList texts() const { return m_texts; }

    static Answer File(const QString &path)
    {
        return [path](QWidget *dialog) {
            auto *chooser = qobject_cast<QFileDialog *>(dialog);
            QVERIFY(chooser);
            // Typed into the name box, as an operator would: selectFile() leaves that box alone
            // while it has the focus.
            chooser->setDirectory(QFileInfo(path).absolutePath());
            auto *name = chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(QFileInfo(path).fileName());
            static_cast<QDialog *>(chooser)->accept(); // public there, the file dialog's own
        };
    }
    static Answer Bank(int bank)
    {
        return [bank](QWidget *dialog) {
            DialogAnswerer::Type(dialog, QString::fromStdString(BankName(bank)));
        };
    }
    static Answer Press(QMessageBox::StandardButton button)
    {
        return [button](QWidget *dialog) {
            DialogAnswerer::Press(dialog, button);
        };
    }

private:
    std::map<QString, Answer> m_answers;
    QStringList m_asked;
    QStringList m_texts;
    DialogAnswerer m_answerer;
};

// A panel started in a folder of its own with the given memory file (none when null), its LOAD
// page on screen.
struct LoadRig : PanelRig
{
    explicit LoadRig(const QByteArray &memoryFile)
        : PanelRig(memoryFile)
    {
        window->show();
        p().SSTab1->setCurrentIndex(4);
    }
    template<typename T>
    T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QListWidget *banks() const { return find<QListWidget>("LoadBanks"); }
    QStringList findings() const
    {
        QStringList out;
        auto *list = find<QListWidget>("LoadFindings");
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    QStringList captions() const
    {
        QStringList out;
        for (int n = 1; n <= 32; ++n) {
            if (p().Memory[size_t(n)]->isEnabled())
                out << p().Memory[size_t(n)]->text();
        }
        return out;
    }
    void clickBank(int bank)
    {
        QListWidget *list = banks();
        list->scrollToItem(list->item(bank - 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
            list->visualItemRect(list->item(bank - 1)).center());
    }
    QString file() const { return folder.filePath("QZMemory.txt"); }
};

} // namespace

class TestLoadPage : public QObject
{
    Q_OBJECT

private slots:
    void showsTheFileItsBanksAndFindings();
    void withoutAFile();
    void clickingABankShowsItOnTheMemoryPage();
    void importThenRecallTunesTheChannel();
    void replacingABankNeedsAYes();
    void longListSpillsOrIsCut();
    void importRefusesWhatItCannotUse();
    void exportWritesTheSelectedBank();
    void editMemoryOffersTheExample();
    void storeTunedChannel_data();
    void storeTunedChannel();
    void storedBeforeThePageWasOpened();
    void tableEditsShowOnTheMemoryPage();
    void failedSaveLeavesTheFile_data();
    void failedSaveLeavesTheFile();
    void fileChangedElsewhereWhileEditing();
    void memoryPageSaysWhenTheFileIsNotReadAsMeant();
    void screenshots();
};

namespace {

// Types into a cell of the table as an operator does: the cell's editor, then Enter.
void TypeInCell(QTableWidget *table, int row, int column, const QString &text)
{
    table->setCurrentCell(row, column);
    table->editItem(table->item(row, column));
    // The cell's editor: the delegate's widget on the table's viewport.
    QWidget *editor = nullptr;
    for (QWidget *child : table->viewport()->findChildren<QWidget *>()) {
        if (qobject_cast<QLineEdit *>(child) || qobject_cast<QComboBox *>(child))
            editor
                = child->isHidden() ? editor : child; // a closed editor waits hidden for deletion
    }
    QVERIFY(editor);
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        line->clear();
        QTest::keyClicks(line, text);
    } else if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        combo->setCurrentText(text);
    }
    // What Enter does in the cell (a key sent to a window that is not active may go nowhere).
    emit table->itemDelegate()->commitData(editor);
    emit table->itemDelegate()->closeEditor(editor);
}

QStringList Column(QTableWidget *table, int column)
{
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        out << table->item(r, column)->text();
    return out;
}

} // namespace

void TestLoadPage::showsTheFileItsBanksAndFindings()
{
    QByteArray file = Example();
    file += " MEMORY BANK #09 FREQUENCY=145,5       NAME=CH16 MODE=FM\r\n";
    LoadRig rig(file);
    const QString path = QDir(rig.folder.path()).absoluteFilePath("QZMemory.txt");
    QCOMPARE(rig.find<QLabel>("LoadFile")->text(), QStringLiteral("Memory file: ") + path);
    QCOMPARE(rig.find<QLabel>("LoadFile")->toolTip(), path);
    QCOMPARE(rig.find<QLabel>("LoadChanged")->text(),
        QStringLiteral("changed ")
            + QFileInfo(rig.file()).lastModified().toString("yyyy-MM-dd hh:mm:ss"));
    QCOMPARE(rig.banks()->count(), 99);
    QCOMPARE(rig.banks()->item(0)->text(), QStringLiteral("#01   7 channels"));
    QCOMPARE(rig.banks()->item(8)->text(), QStringLiteral("#09   1 channel"));
    QCOMPARE(rig.banks()->item(98)->text(), QStringLiteral("#99   empty"));
    QCOMPARE(rig.banks()->currentRow(), 0); // the bank the MEMORY page shows
    QCOMPARE(rig.find<QLabel>("LoadSummary")->text(),
        QStringLiteral("2 findings: what the panel will not read as meant"));
    const QStringList findings = rig.findings();
    QCOMPARE(findings.size(), 2);
    QVERIFY(findings[0].startsWith("line 56: FREQUENCY=145,5 has a comma"));
    QVERIFY(findings[1].startsWith("line 56: NAME= takes 6 characters"));

    // Reload reads the file again: fixed, it checks clean.
    QFile::remove(rig.file());
    QVERIFY(QFile::copy(QZ_EXAMPLE_MEMORY_FILE, rig.file()));
    rig.find<QPushButton>("LoadReload")->click();
    QCOMPARE(rig.findings(), QStringList());
    QCOMPARE(rig.find<QLabel>("LoadSummary")->text(),
        QStringLiteral("No findings: the panel reads the file as it looks."));
    QCOMPARE(rig.banks()->item(8)->text(), QStringLiteral("#09   empty"));
}

void TestLoadPage::withoutAFile()
{
    LoadRig rig(QByteArray {});
    QCOMPARE(rig.find<QLabel>("LoadChanged")->text(), QStringLiteral("no such file"));
    QVERIFY(rig.find<QLabel>("LoadSummary")->text().startsWith("There is no memory file yet."));
    for (int row = 0; row < 99; ++row)
        QVERIFY(rig.banks()->item(row)->text().endsWith("empty"));
    QVERIFY(!QFile::exists(rig.file())); // looking never creates it
}

void TestLoadPage::clickingABankShowsItOnTheMemoryPage()
{
    LoadRig rig(Example());
    rig.clickBank(3);
    QCOMPARE(rig.p().MemoryBanks->currentText(), QStringLiteral("MEMORY BANK #03"));
    QCOMPARE(rig.p().SSTab1->currentWidget(), rig.p().MemoryFrame->parentWidget());
    QCOMPARE(rig.p().NBofMemory->text(), QStringLiteral("8"));
    QCOMPARE(rig.captions().first(), QStringLiteral("CH06"));
    QCOMPARE(CollectFor(rig.pty, 50), QByteArray()); // showing a bank sends nothing
}

// The whole road: a CHIRP export imported on the LOAD page, its bank selected, a channel
// recalled, and the receiver gets the channel's frequency.
void TestLoadPage::importThenRecallTunesTheChannel()
{
    LoadRig rig(Example());
    rig.window->session().setPollInterval(3600 * 1000); // no signal queries between the commands
    rig.p().RadioOn->click();
    QVERIFY(rig.pty.read().startsWith("RMT\r"));
    const QByteArray before = ReadAll(rig.file());

    Answers answers({{"ImportChirpDialog", Answers::File(Chirp("us-calling-frequencies.csv"))},
        {"ImportBankDialog", Answers::Bank(7)}});
    rig.find<QPushButton>("ImportChirp")->click();
    QCOMPARE(answers.asked(), (QStringList {"ImportChirpDialog", "ImportBankDialog"}));
    QVERIFY(answers.texts()[1].startsWith("4 channels from us-calling-frequencies.csv go into:"));
    QCOMPARE(rig.find<QLabel>("LoadStatus")->text(),
        QStringLiteral("4 channels written to MEMORY BANK #07."));
    QCOMPARE(rig.banks()->item(6)->text(), QStringLiteral("#07   4 channels"));

    // The example had no bank 07: it is appended, and the rest of the file is as it was.
    const QByteArray after = ReadAll(rig.file());
    QVERIFY(after.startsWith(before));
    QCOMPARE(ReadAll(rig.file() + ".bak"), before);

    rig.clickBank(7);
    QCOMPARE(rig.p().SSTab1->currentWidget(), rig.p().MemoryFrame->parentWidget());
    QCOMPARE(rig.p().MemoryBanks->currentText(), QStringLiteral("MEMORY BANK #07"));
    QCOMPARE(rig.captions(), (QStringList {"6m Cal", "2m Cal", "220 Ca", "70cm C"}));
    QCOMPARE(rig.p().NBofMemory->text(), QStringLiteral("4"));
    QCOMPARE(CollectFor(rig.pty, 50), QByteArray());

    // The 2 m calling channel: its frequency, then the band plan's 50 KHz filter it was given.
    QTest::mouseClick(rig.p().Memory[2], Qt::LeftButton);
    QCOMPARE(
        CollectUntil(rig.pty, "BW2\r"), QByteArray("FRQ 0146.520;FM;BW3\rFRQ 0146.520;FM;BW2\r"));
    QCOMPARE(rig.p().TuningStep->currentText(), QStringLiteral("5 KHz"));
}

void TestLoadPage::replacingABankNeedsAYes()
{
    LoadRig rig(Example());
    const QByteArray before = ReadAll(rig.file());
    {
        Answers answers({{"ImportChirpDialog", Answers::File(Chirp("us-calling-frequencies.csv"))},
            {"ImportBankDialog", Answers::Bank(2)},
            {"ConfirmReplaceBank", Answers::Press(QMessageBox::No)}});
        rig.find<QPushButton>("ImportChirp")->click();
        QCOMPARE(answers.asked(),
            (QStringList {"ImportChirpDialog", "ImportBankDialog", "ConfirmReplaceBank"}));
        QVERIFY(answers.texts()[2].startsWith("MEMORY BANK #02 has 10 channel lines."));
    }
    QCOMPARE(ReadAll(rig.file()), before);
    QVERIFY(!QFile::exists(rig.file() + ".bak"));

    Answers answers({{"ImportChirpDialog", Answers::File(Chirp("us-calling-frequencies.csv"))},
        {"ImportBankDialog", Answers::Bank(2)},
        {"ConfirmReplaceBank", Answers::Press(QMessageBox::Yes)}});
    rig.find<QPushButton>("ImportChirp")->click();
    const QByteArray after = ReadAll(rig.file());
    // Bank 02's ten lines gave way to four, where they stood; every other byte is kept.
    const int start = before.indexOf(" MEMORY BANK #02");
    const int end = before.lastIndexOf(" MEMORY BANK #02");
    const int tail = before.indexOf("\r\n", end) + 2;
    QCOMPARE(after.left(start), before.left(start));
    QCOMPARE(after.mid(after.size() - (before.size() - tail)), before.mid(tail));
    QCOMPARE(LoadBank(after.toStdString(), BankName(2)).size(), size_t(4));
    QCOMPARE(ReadAll(rig.file() + ".bak"), before);
    // The bank that was replaced is the one shown now.
    QCOMPARE(rig.p().MemoryBanks->currentText(), QStringLiteral("MEMORY BANK #02"));
    QCOMPARE(rig.p().NBofMemory->text(), QStringLiteral("4"));
}

void TestLoadPage::longListSpillsOrIsCut()
{
    LoadRig rig(Example());
    {
        Answers answers({{"ImportChirpDialog", Answers::File(Chirp("airband-40.csv"))},
            {"ImportBankDialog", Answers::Bank(20)},
            {"ImportSpill", Answers::Press(QMessageBox::Yes)}});
        rig.find<QPushButton>("ImportChirp")->click();
        QCOMPARE(answers.asked(),
            (QStringList {"ImportChirpDialog", "ImportBankDialog", "ImportSpill"}));
        QVERIFY(answers.texts()[2].contains("40 channels"));
        QVERIFY(answers.texts()[2].contains("up to MEMORY BANK #21"));
    }
    QCOMPARE(rig.banks()->item(19)->text(), QStringLiteral("#20   32 channels"));
    QCOMPARE(rig.banks()->item(20)->text(), QStringLiteral("#21   8 channels"));
    QCOMPARE(rig.find<QLabel>("LoadStatus")->text(),
        QStringLiteral("40 channels written to MEMORY BANK #20 to MEMORY BANK #21."));

    Answers answers({{"ImportChirpDialog", Answers::File(Chirp("airband-40.csv"))},
        {"ImportBankDialog", Answers::Bank(30)}, {"ImportSpill", Answers::Press(QMessageBox::No)},
        {"ImportReport", Answers::Press(QMessageBox::Ok)}});
    rig.find<QPushButton>("ImportChirp")->click();
    QCOMPARE(answers.asked(),
        (QStringList {"ImportChirpDialog", "ImportBankDialog", "ImportSpill", "ImportReport"}));
    QCOMPARE(answers.texts()[3],
        QStringLiteral("32 channels written to MEMORY BANK #30; 8 of the file's records were "
                       "not."));
    QCOMPARE(rig.banks()->item(29)->text(), QStringLiteral("#30   32 channels"));
    QCOMPARE(rig.banks()->item(30)->text(), QStringLiteral("#31   empty"));
    QVERIFY(CheckMemoryFile(ReadAll(rig.file()).toStdString()).findings.empty());
}

void TestLoadPage::importRefusesWhatItCannotUse()
{
    LoadRig rig(Example());
    const QByteArray before = ReadAll(rig.file());
    QFile notChirp(rig.folder.filePath("list.csv"));
    notChirp.open(QIODevice::WriteOnly);
    notChirp.write("Channel;RX\n1;145.5\n");
    notChirp.close();
    {
        Answers answers({{"ImportChirpDialog", Answers::File(notChirp.fileName())},
            {"LoadProblem", Answers::Press(QMessageBox::Ok)}});
        rig.find<QPushButton>("ImportChirp")->click();
        QCOMPARE(answers.asked(), (QStringList {"ImportChirpDialog", "LoadProblem"}));
        QVERIFY(answers.texts()[1].contains("names no Frequency column"));
    }
    // Cancelled at the file dialog: nothing happens.
    {
        Answers answers({});
        rig.find<QPushButton>("ImportChirp")->click();
        QCOMPARE(answers.asked(), QStringList {"ImportChirpDialog"});
    }
    // A memory file with bare line feeds is not written into.
    QByteArray lineFeeds = before;
    lineFeeds.replace("\r\n", "\n");
    QFile file(rig.file());
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(lineFeeds);
    file.close();
    Answers answers({{"ImportChirpDialog", Answers::File(Chirp("us-calling-frequencies.csv"))},
        {"LoadProblem", Answers::Press(QMessageBox::Ok)}});
    rig.find<QPushButton>("ImportChirp")->click();
    QCOMPARE(answers.asked(), (QStringList {"ImportChirpDialog", "LoadProblem"}));
    QVERIFY(answers.texts()[1].contains("bare line feed"));
    QCOMPARE(ReadAll(rig.file()), lineFeeds);
}

void TestLoadPage::exportWritesTheSelectedBank()
{
    LoadRig rig(Example());
    rig.banks()->setCurrentRow(2);
    const QString csv = rig.folder.filePath("marine.csv");
    {
        Answers answers({{"ExportChirpDialog", Answers::File(csv)}});
        rig.find<QPushButton>("ExportChirp")->click();
        QCOMPARE(answers.asked(), QStringList {"ExportChirpDialog"});
    }
    QCOMPARE(rig.find<QLabel>("LoadStatus")->text(),
        QStringLiteral("8 channels of MEMORY BANK #03 written to marine.csv."));
    const QByteArray written = ReadAll(csv);
    QVERIFY(written.startsWith("Location,Name,Frequency,"));
    QVERIFY(written.contains("\r\n5,CH16,156.800000,"));
    QCOMPARE(written.count("\r\n"), 9);

    // A bank without channels has nothing to export.
    rig.banks()->setCurrentRow(60);
    Answers answers({{"LoadProblem", Answers::Press(QMessageBox::Ok)}});
    rig.find<QPushButton>("ExportChirp")->click();
    QCOMPARE(answers.asked(), QStringList {"LoadProblem"});
    QCOMPARE(answers.texts()[0], QStringLiteral("MEMORY BANK #61 has no channel to export."));
}

void TestLoadPage::editMemoryOffersTheExample()
{
    LoadRig rig(QByteArray {});
    QStringList opened;
    rig.window->memoryPage().setEditorLauncher([&](const QString &path) {
        opened << path;
        return true;
    });
    {
        Answers answers({{"CreateMemoryFile", Answers::Press(QMessageBox::No)}});
        rig.p().EditMemory->click();
        QCOMPARE(answers.asked(), QStringList {"CreateMemoryFile"});
        QVERIFY(answers.texts()[0].startsWith("There is no memory file QZMemory.txt in "));
    }
    QVERIFY(!QFile::exists(rig.file()));
    QCOMPARE(opened, QStringList());

    Answers answers({{"CreateMemoryFile", Answers::Press(QMessageBox::Yes)}});
    rig.p().EditMemory->click();
    QCOMPARE(ReadAll(rig.file()), Example());
    QCOMPARE(opened, QStringList {QDir(rig.folder.path()).absoluteFilePath("QZMemory.txt")});
    QCOMPARE(rig.p().NBofMemory->text(), QStringLiteral("7")); // bank 01 of the example
    // With the file there, Edit Memory just opens it.
    rig.p().EditMemory->click();
    QCOMPARE(opened.size(), 2);
    QCOMPARE(answers.asked().size(), 1);
}

// The tuned channel stored from the panel: the MEMORY page shows it at once, a click recalls it
// exactly, and a loaded slot is replaced only on a yes.
void TestLoadPage::storeTunedChannel_data()
{
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<int>("slot"); // as the context menu offers it; 0 for the next free one
    QTest::addColumn<QString>("replace"); // the answer to "Replace it?", empty when not asked
    QTest::addColumn<QStringList>("captions");

    const QStringList example {"RADIO1", "NEWS", "CLASIC", "JAZZ", "TWR", "GND", "ATIS"};
    QTest::newRow("no file yet: created without the example's channels")
        << false << 0 << QString() << QStringList {"MARINE"};
    QTest::newRow("next free slot of bank 01")
        << true << 0 << QString() << example + QStringList {"MARINE"};
    QTest::newRow("over slot 2, yes")
        << true << 2 << "Yes"
        << QStringList {"RADIO1", "MARINE", "CLASIC", "JAZZ", "TWR", "GND", "ATIS"};
    QTest::newRow("over slot 2, no") << true << 2 << "No" << example;
}

void TestLoadPage::storeTunedChannel()
{
    QFETCH(bool, withFile);
    QFETCH(int, slot);
    QFETCH(QString, replace);
    QFETCH(QStringList, captions);

    LoadRig rig(withFile ? Example() : QByteArray());
    // 156.8 MHz, FM, 10 KHz filter, 12.5 KHz step, set while the link is off.
    rig.p().Filter[0]->click();
    rig.p().TuningStep->setCurrentText(QStringLiteral("1 MHz"));
    for (int i = 0; i < 51; ++i)
        rig.p().FrequencyUp->click();
    rig.p().TuningStep->setCurrentText(QStringLiteral("100 KHz"));
    rig.p().FrequencyDown->click();
    rig.p().TuningStep->setCurrentText(QStringLiteral("12.5 KHz"));
    QCOMPARE(rig.p().DisplayFrequency->line(), QStringLiteral(" 156.800.000"));
    rig.window->session().setPollInterval(3600 * 1000);
    rig.p().RadioOn->click();
    QVERIFY(CollectUntil(rig.pty, "FRQ 0156.800;FM;BW1\rFRQ 0156.800;FM;BW1\rFRQ 0156.800;FM;BW1\r")
                .endsWith("FRQ 0156.800;FM;BW1\r"));

    const QByteArray before = ReadAll(rig.file());
    Answers answers({{"StoreDialog",
                         [](QWidget *dialog) {
                             dialog->findChild<QLineEdit *>("StoreName")->setText("MARINE");
                             static_cast<QDialog *>(dialog)->accept();
                         }},
        {"StoreReplace", Answers::Press(replace == "Yes" ? QMessageBox::Yes : QMessageBox::No)}});
    rig.window->findChild<LoadPage *>()->StoreTuned(1, slot);
    QCOMPARE(answers.asked(),
        replace.isEmpty() ? QStringList {"StoreDialog"}
                          : (QStringList {"StoreDialog", "StoreReplace"}));
    if (!replace.isEmpty())
        QVERIFY(
            answers.texts()[1].startsWith("A2 (slot 2) of MEMORY BANK #01 holds NEWS (94.6 MHz"));

    QCOMPARE(rig.captions(), captions);
    if (replace != "No")
        QCOMPARE(rig.find<QLabel>("LoadStatus")->text(),
            QStringLiteral("Stored: MARINE in MEMORY BANK #01, %1.")
                .arg(slot == 2     ? "A2 (slot 2)"
                        : withFile ? "A8 (slot 8)"
                                   : "A1 (slot 1)"));
    const QByteArray after = ReadAll(rig.file());
    QVERIFY(CheckMemoryFile(after.toStdString()).findings.empty());
    if (!withFile) {
        QVERIFY(after.startsWith("; QZ Remote memory file"));
        QCOMPARE(after.count("MEMORY BANK #0"), 1 + 1); // the header names bank 01 once
        QVERIFY(!QFile::exists(rig.file() + ".bak"));
    } else if (replace != "No") {
        QCOMPARE(ReadAll(rig.file() + ".bak"), before);
    } else {
        QCOMPARE(after, before);
        return;
    }
    const int stored = int(captions.indexOf("MARINE")) + 1;
    QTest::mouseClick(rig.p().Memory[size_t(stored)], Qt::LeftButton);
    QCOMPARE(CollectUntil(rig.pty, "BW1\r"), QByteArray("FRQ 0156.800;FM;BW1\r"));
    QCOMPARE(rig.p().TuningStep->currentText(), QStringLiteral("12.5 KHz"));
}

// Stored from the memory grid's menu before the LOAD page was ever opened: opened after, the page
// shows its controls, the file in its field and what was stored.
void TestLoadPage::storedBeforeThePageWasOpened()
{
    PanelRig rig(Example());
    rig.window->show();
    Answers answers({{"StoreDialog", [](QWidget *dialog) {
                          dialog->findChild<QLineEdit *>("StoreName")->setText("MARINE");
                          static_cast<QDialog *>(dialog)->accept();
                      }}});
    rig.window->findChild<LoadPage *>()->StoreTuned(1, 0);
    QCOMPARE(answers.asked(), QStringList {"StoreDialog"});

    rig.p().SSTab1->setCurrentIndex(4);
    auto *status = rig.window->findChild<QLabel *>("LoadStatus");
    auto *banks = rig.window->findChild<QListWidget *>("LoadBanks");
    auto *file = rig.window->findChild<QLabel *>("LoadFile");
    for (QWidget *shown : std::initializer_list<QWidget *> {status, banks, file})
        QVERIFY(shown && shown->isVisible());
    QCOMPARE(status->text(), QStringLiteral("Stored: MARINE in MEMORY BANK #01, A8 (slot 8)."));
    QCOMPARE(banks->item(0)->text(), QStringLiteral("#01   8 channels"));
    QVERIFY(file->text().startsWith("Memory file: "));
    QVERIFY(file->fontMetrics().horizontalAdvance(file->text()) <= file->width());
}

// The bank as a table: a name cut with a word, moves, deletes, undo and redo, save, and the
// MEMORY page follows at once.
void TestLoadPage::tableEditsShowOnTheMemoryPage()
{
    LoadRig rig(Example());
    const QByteArray before = ReadAll(rig.file());
    BankEditor *editor = rig.window->findChild<LoadPage *>()->EditBank(1);
    auto *table = editor->findChild<QTableWidget *>("BankTable");
    auto *status = editor->findChild<QLabel *>("BankStatus");
    auto *save = editor->findChild<QPushButton *>("BankSave");
    QCOMPARE(
        Column(table, 1), (QStringList {"RADIO1", "NEWS", "CLASIC", "JAZZ", "TWR", "GND", "ATIS"}));
    QVERIFY(!save->isEnabled());

    TypeInCell(table, 0, 0, "88,2");
    TypeInCell(table, 1, 1, "HEADLINES");
    QVERIFY2(status->text().contains("six characters"), qPrintable(status->text()));
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("HEADLI"));
    table->selectRow(6);
    editor->findChild<QPushButton *>("BankUp")->click();
    table->selectRow(2);
    editor->findChild<QPushButton *>("BankDelete")->click();
    QCOMPARE(Column(table, 1), (QStringList {"RADIO1", "HEADLI", "JAZZ", "TWR", "ATIS", "GND"}));
    editor->findChild<QPushButton *>("BankUndo")->click();
    editor->findChild<QPushButton *>("BankUndo")->click();
    QCOMPARE(Column(table, 1),
        (QStringList {"RADIO1", "HEADLI", "CLASIC", "JAZZ", "TWR", "GND", "ATIS"}));
    editor->findChild<QPushButton *>("BankRedo")->click();
    QCOMPARE(Column(table, 1),
        (QStringList {"RADIO1", "HEADLI", "CLASIC", "JAZZ", "TWR", "ATIS", "GND"}));
    // Nothing reaches the panel before Save.
    QCOMPARE(
        rig.captions(), (QStringList {"RADIO1", "NEWS", "CLASIC", "JAZZ", "TWR", "GND", "ATIS"}));

    QVERIFY(save->isEnabled());
    save->click();
    QVERIFY(!save->isEnabled());
    QCOMPARE(
        rig.captions(), (QStringList {"RADIO1", "HEADLI", "CLASIC", "JAZZ", "TWR", "ATIS", "GND"}));
    QCOMPARE(rig.p().NBofMemory->text(), QStringLiteral("7"));
    QCOMPARE(ReadAll(rig.file() + ".bak"), before);
    const QByteArray after = ReadAll(rig.file());
    QVERIFY(CheckMemoryFile(after.toStdString()).findings.empty());
    // Copy to another bank writes there at once; the bank shows it on selection.
    table->selectRow(0);
    Answers answers({{"BankCopyDialog", Answers::Bank(9)}});
    editor->findChild<QPushButton *>("BankCopy")->click();
    QCOMPARE(status->text(), QStringLiteral("1 channel(s) copied to MEMORY BANK #09."));
    rig.p().MemoryBanks->setCurrentIndex(8);
    QCOMPARE(rig.captions(), QStringList {"RADIO1"});
    editor->close();
}

void TestLoadPage::failedSaveLeavesTheFile_data()
{
    QTest::addColumn<bool>("readOnly"); // else a full disk
    QTest::newRow("full disk") << false;
    QTest::newRow("read-only file system") << true;
}

void TestLoadPage::failedSaveLeavesTheFile()
{
    QFETCH(bool, readOnly);
    LoadRig rig(Example());
    const QByteArray before = ReadAll(rig.file());
    const QByteArray folder = QFile::encodeName(rig.folder.path());
    if (readOnly) {
        // Only the superuser can mount; elsewhere a folder it may not write into does the same.
        const QByteArray mounted = QFile::encodeName(rig.folder.filePath("ro"));
        if (::geteuid() != 0 || !QDir(rig.folder.path()).mkdir("ro")
            || ::mount("tmpfs", mounted.constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("mounting needs the superuser");
        QFile::copy(rig.file(), rig.folder.filePath("ro/QZMemory.txt"));
        QVERIFY(
            ::mount("tmpfs", mounted.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0);
        QDir::setCurrent(rig.folder.filePath("ro"));
    }
    auto unmount = qScopeGuard([&] {
        if (readOnly) {
            QDir::setCurrent(rig.folder.path());
            ::umount2(QFile::encodeName(rig.folder.filePath("ro")).constData(), MNT_DETACH);
        }
    });
    const QString path = QDir::current().absoluteFilePath("QZMemory.txt");
    BankEditor editor(path, 1, ChannelFields {}, QString());
    auto *table = editor.findChild<QTableWidget *>("BankTable");
    TypeInCell(table, 0, 1, "LOCAL");

    rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (!readOnly) {
        rlimit small = saved;
        small.rlim_cur = 100; // the new file cannot be written in full, as on a full disk
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    Answers answers({{"BankSaveFailed", Answers::Press(QMessageBox::Ok)}});
    const bool written = editor.Save();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QCOMPARE(answers.asked(), QStringList {"BankSaveFailed"});
    QVERIFY2(answers.texts()[0].contains(readOnly ? "Read-only file system" : "cannot write"),
        qPrintable(answers.texts()[0]));
    QVERIFY(answers.texts()[0].contains("The file is as it was"));
    QCOMPARE(ReadAll(path), before);
    QCOMPARE(QDir::current().entryList(QDir::Files | QDir::Hidden), QStringList {"QZMemory.txt"});
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("LOCAL")); // the edit is still there
    QVERIFY(editor.findChild<QPushButton *>("BankSave")->isEnabled());
}

// Another program writes the bank while the table has unsaved edits: the operator chooses.
void TestLoadPage::fileChangedElsewhereWhileEditing()
{
    LoadRig rig(Example());
    BankEditor *editor = rig.window->findChild<LoadPage *>()->EditBank(1);
    auto *table = editor->findChild<QTableWidget *>("BankTable");
    TypeInCell(table, 0, 1, "MINE");

    QByteArray theirs = ReadAll(rig.file());
    theirs.replace("NAME=NEWS  ", "NAME=THEIRS");
    Answers answers({{"BankChangedOutside", Answers::Press(QMessageBox::Yes)}});
    {
        QFile file(rig.file());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(theirs);
    }
    QTRY_VERIFY(answers.asked().contains("BankChangedOutside"));
    QTRY_COMPARE(Column(table, 1).mid(0, 2), (QStringList {"RADIO1", "THEIRS"}));
    editor->close();
}

void TestLoadPage::memoryPageSaysWhenTheFileIsNotReadAsMeant()
{
    QByteArray bareFeeds = Example();
    bareFeeds.replace("\r\n", "\n");
    LoadRig rig(bareFeeds);
    rig.p().SSTab1->setCurrentWidget(rig.p().MemoryFrame->parentWidget());
    auto *notice = rig.find<QLabel>("MemoryFileNotice");
    QVERIFY(notice->isVisible());
    QVERIFY(notice->text().contains("bare line feed"));
    QCOMPARE(rig.p().NBofMemory->text(), QStringLiteral("0"));
    emit notice->linkActivated("load");
    QCOMPARE(rig.p().SSTab1->tabText(rig.p().SSTab1->currentIndex()), QStringLiteral(" &LOAD"));

    // Mended, the line goes.
    QFile file(rig.file());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Example());
    file.close();
    rig.window->memoryPage().LoadMemoryBank();
    QVERIFY(!notice->isVisible());

    // Edit Memory without an editor to start says where the file is.
    rig.window->memoryPage().setEditorLauncher([](const QString &) { return false; });
    Answers answers({{"NoMemoryEditor", Answers::Press(QMessageBox::Ok)}});
    rig.p().EditMemory->click();
    QCOMPARE(answers.asked(), QStringList {"NoMemoryEditor"});
    QVERIFY(answers.texts()[0].contains(QDir::toNativeSeparators(rig.file())));
}

// The README's pictures of the bank table and the store dialog.
void TestLoadPage::screenshots()
{
    // One line the panel misreads: "1 MHz" with one space before the next key.
    LoadRig rig(Example().replace(
        "NAME=GUARD  MODE=AM  FILTER=10 KHz  STEP", "NAME=GUARD  MODE=AM  FILTER=1 MHz STEP"));
    const QString out = QStringLiteral(QZ_BINARY_DIR "/docs");
    QVERIFY(QDir().mkpath(out));
    BankEditor *editor = rig.window->findChild<LoadPage *>()->EditBank(2);
    auto *table = editor->findChild<QTableWidget *>("BankTable");
    QCOMPARE(table->verticalHeaderItem(3)->text(), QStringLiteral("4 !"));
    TypeInCell(table, 2, 1, "APPRCH");
    const QImage tablePicture = editor->grab().toImage();
    QVERIFY(!tablePicture.isNull());
    QVERIFY(tablePicture.save(out + "/bank-table.png"));

    Answers answers({{"BankUnsaved", Answers::Press(QMessageBox::Discard)},
        {"StoreDialog", [&](QWidget *dialog) {
             dialog->findChild<QLineEdit *>("StoreName")->setText("TOWER");
             QVERIFY(dialog->grab().toImage().save(out + "/store-dialog.png"));
             static_cast<QDialog *>(dialog)->reject();
         }}});
    editor->close();
    QVERIFY(!editor->isVisible());
    rig.window->findChild<LoadPage *>()->StoreTuned(2, 0);
    QVERIFY(answers.asked().endsWith("StoreDialog"));
    QVERIFY(QFile::exists(out + "/store-dialog.png"));
}

QTEST_MAIN(TestLoadPage)
#include "tst_loadpage.moc"
