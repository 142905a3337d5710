#include "memorypage.h"

#include "memoryfile.h"
#include "panel.h"
#include "tunedstate.h"
#include "tuner.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>

MemoryPage::MemoryPage(TunedState &state, Tuner &tuner, const Panel &panel, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_tuner(tuner)
    , m_panel(panel)
{
    m_launchEditor = [](const QString &path) {
#ifdef Q_OS_WIN
        return QProcess::startDetached(QStringLiteral("C:\\WINDOWS\\NOTEPAD.EXE"), {path});
#else
        // The desktop's own handler for the file, started without a shell: any file name is safe.
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
    };

    // Below the memory frame, where the page has room; shown only when there is something to say.
    QWidget *page = m_panel.MemoryFrame->parentWidget();
    m_notice = new QLabel(page);
    m_notice->setObjectName(QStringLiteral("MemoryFileNotice"));
    m_notice->setTextFormat(Qt::RichText);
    m_notice->setStyleSheet(QStringLiteral("color: #a00000"));
    const QRect frame = m_panel.MemoryFrame->geometry();
    m_notice->setGeometry(
        frame.left(), frame.bottom() + 2, frame.width(), m_notice->fontMetrics().height() + 2);
    m_notice->hide();
    connect(m_notice, &QLabel::linkActivated, this, [this] {
        for (int i = 0; i < m_panel.SSTab1->count(); ++i) {
            if (m_panel.SSTab1->tabText(i).contains(QLatin1String("LOAD")))
                m_panel.SSTab1->setCurrentIndex(i);
        }
    });
}

void MemoryPage::ShowFileNotice(const QString &text)
{
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
}

void MemoryPage::LoadMemoryBank()
{
    BankReader reader(m_panel.MemoryBanks->currentText().toStdString());
    QFile file(QString::fromLatin1(kMemoryFileName));
    // Line ends the panel does not read as they look, among the bytes read for this bank.
    bool bareLineFeed = false;
    bool carriageReturn = false;
    bool readToEnd = false;
    char previous = 0;
    // Only a plain file is read: a directory or a device of that name leaves the bank empty.
    if (QFileInfo(file).isFile() && file.open(QIODevice::ReadOnly)) {
        QByteArray chunk;
        while (!reader.done()) {
            chunk = file.read(kReadChunkBytes);
            if (chunk.isEmpty()) {
                readToEnd = file.atEnd();
                break; // the end, or a read error: the slots filled so far stay
            }
            for (const char c : chunk) {
                bareLineFeed = bareLineFeed || (c == '\n' && previous != '\r');
                carriageReturn = carriageReturn || c == '\r';
                previous = c;
            }
            reader.feed(std::string_view(chunk.constData(), size_t(chunk.size())));
        }
        reader.finish();
    }
    StoreBankInSlots(reader.channels(), m_state);
    ShowBank();

    const QString load = QStringLiteral("<a href=\"load\">LOAD</a>");
    if (bareLineFeed)
        ShowFileNotice(tr("The memory file's lines end in a bare line feed, so the panel reads "
                          "several lines as one: see %1.")
                           .arg(load));
    else if (readToEnd && !carriageReturn && file.size() > 0)
        ShowFileNotice(tr("The memory file has no line ends the panel reads, so it is one line "
                          "for the panel: see %1.")
                           .arg(load));
    else
        ShowFileNotice(QString());
}

void MemoryPage::ShowBank()
{
    int loaded = 0;
    for (int n = 1; n <= kBankSlots; ++n) {
        QPushButton *button = m_panel.Memory[size_t(n)];
        const std::string &frequency = m_state.MemFrequency[size_t(n)];
        if (frequency.empty()) {
            button->setText(QStringLiteral("..."));
            button->setEnabled(false);
            continue;
        }
        ++loaded;
        const std::string &name = m_state.MemName[size_t(n)];
        QString caption = QString::fromLatin1(name.empty() ? frequency : name);
        // An ampersand in a channel name is text, not an accelerator.
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        button->setText(caption);
        button->setEnabled(true);
    }
    m_panel.NBofMemory->setText(QString::number(loaded));
    m_panel.ScanBank->setEnabled(loaded > 0);
}

void MemoryPage::Memory_Click(int slot)
{
    m_tuner.Recall(slot);
}

void MemoryPage::EditMemory_Click()
{
#ifdef Q_OS_WIN
    const QFileInfo info(QStringLiteral("C:\\QZMemory.txt"));
#else
    const QFileInfo info(QString::fromLatin1(kMemoryFileName));
#endif
    if (!info.exists() && !info.isSymLink()) {
        if (!CreateFromExample(info.absoluteFilePath()))
            return;
        LoadMemoryBank(); // the new file's channels show at once
    }
    if (QFileInfo(info.absoluteFilePath()).isFile() && m_launchEditor
        && !m_launchEditor(info.absoluteFilePath())) {
        QMessageBox problem(QMessageBox::Warning, tr("Edit Memory"),
            tr("No text editor could be started for the memory file. It is %1: open it with "
               "any text editor, or edit its banks as tables on the LOAD page.")
                .arg(QDir::toNativeSeparators(info.absoluteFilePath())),
            QMessageBox::Ok, m_panel.EditMemory->window());
        problem.setObjectName(QStringLiteral("NoMemoryEditor"));
        problem.exec();
    }
}

bool MemoryPage::CreateFromExample(const QString &absolutePath)
{
    QWidget *parent = m_panel.EditMemory->window();
    const QFileInfo info(absolutePath);
    QMessageBox ask(QMessageBox::Question, tr("Edit Memory"),
        tr("There is no memory file %1 in %2.\n\nCreate one from the example file and open it?")
            .arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath())),
        QMessageBox::Yes | QMessageBox::No, parent);
    ask.setObjectName(QStringLiteral("CreateMemoryFile"));
    if (ask.exec() != QMessageBox::Yes)
        return false;

    QFile example(QString::fromLatin1(kExampleResource));
    QFile file(absolutePath);
    // NewOnly: a file that appeared meanwhile is never overwritten.
    const bool written = example.open(QIODevice::ReadOnly)
        && file.open(QIODevice::WriteOnly | QIODevice::NewOnly)
        && file.write(example.readAll()) == example.size() && file.flush();
    if (!written) {
        const QString reason = file.errorString();
        if (file.isOpen()) {
            file.close();
            file.remove(); // no half-written file is left behind
        }
        QMessageBox problem(QMessageBox::Warning, tr("Edit Memory"),
            tr("The memory file %1 could not be created:\n%2")
                .arg(QDir::toNativeSeparators(absolutePath), reason),
            QMessageBox::Ok, parent);
        problem.setObjectName(QStringLiteral("CreateMemoryFileFailed"));
        problem.exec();
        return false;
    }
    return true;
}
