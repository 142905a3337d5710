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
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

MemoryPage::MemoryPage(TunedState &state, Tuner &tuner, const Panel &panel, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_tuner(tuner)
    , m_panel(panel)
{
    m_launchEditor = [](const QString &path) {
#ifdef Q_OS_WIN
        QProcess::startDetached(QStringLiteral("C:\\WINDOWS\\NOTEPAD.EXE"), {path});
#else
        // The desktop's own handler for the file, started without a shell: any file name is safe.
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
    };
}

void MemoryPage::LoadMemoryBank()
{
    BankReader reader(m_panel.MemoryBanks->currentText().toStdString());
    QFile file(QString::fromLatin1(kMemoryFileName));
    // Only a plain file is read: a directory or a device of that name leaves the bank empty.
    if (QFileInfo(file).isFile() && file.open(QIODevice::ReadOnly)) {
        QByteArray chunk;
        while (!reader.done()) {
            chunk = file.read(kReadChunkBytes);
            if (chunk.isEmpty())
                break; // the end, or a read error: the slots filled so far stay
            reader.feed(std::string_view(chunk.constData(), size_t(chunk.size())));
        }
        reader.finish();
    }
    StoreBankInSlots(reader.channels(), m_state);
    ShowBank();
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
    if (QFileInfo(info.absoluteFilePath()).isFile() && m_launchEditor)
        m_launchEditor(info.absoluteFilePath());
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
