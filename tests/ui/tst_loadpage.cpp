#include "../support/dialogs.h"
#include "../support/ptyread.h"
#include "loadpage.h"
#include "mainwindow.h"
#include "memorycheck.h"
#include "memoryfile.h"
#include "memorypage.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

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
struct Rig
{
    explicit Rig(const QByteArray &memoryFile)
    {
        QDir::setCurrent(folder.path());
        if (!memoryFile.isNull()) {
            QFile file(folder.filePath("QZMemory.txt"));
            file.open(QIODevice::WriteOnly);
            file.write(memoryFile);
        }
        window = std::make_unique<MainWindow>(pty.slavePath());
        window->show();
        p().SSTab1->setCurrentIndex(4);
    }
    const Panel &p() const { return window->panel(); }
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

    QTemporaryDir folder;
    PseudoTerminal pty;
    std::unique_ptr<MainWindow> window;
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
};

void TestLoadPage::showsTheFileItsBanksAndFindings()
{
    QByteArray file = Example();
    file += " MEMORY BANK #09 FREQUENCY=145,5       NAME=CH16 MODE=FM\r\n";
    Rig rig(file);
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
    Rig rig(QByteArray {});
    QCOMPARE(rig.find<QLabel>("LoadChanged")->text(), QStringLiteral("no such file"));
    QVERIFY(rig.find<QLabel>("LoadSummary")->text().startsWith("There is no memory file yet."));
    for (int row = 0; row < 99; ++row)
        QVERIFY(rig.banks()->item(row)->text().endsWith("empty"));
    QVERIFY(!QFile::exists(rig.file())); // looking never creates it
}

void TestLoadPage::clickingABankShowsItOnTheMemoryPage()
{
    Rig rig(Example());
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
    Rig rig(Example());
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
    Rig rig(Example());
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
    Rig rig(Example());
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
    Rig rig(Example());
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
    Rig rig(Example());
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
    Rig rig(QByteArray {});
    QStringList opened;
    rig.window->memoryPage().setEditorLauncher([&](const QString &path) { opened << path; });
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

QTEST_MAIN(TestLoadPage)
#include "tst_loadpage.moc"
