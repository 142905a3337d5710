#include "storedialog.h"

#include "filetext.h"
#include "replacefile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr int kNextFree = 0;

QString Describe(const ChannelFields &f)
{
    QStringList parts {QStringLiteral("%1 MHz").arg(FromFile(f.frequency))};
    if (!f.mode.empty())
        parts << FromFile(f.mode);
    if (!f.filter.empty())
        parts << QObject::tr("filter %1").arg(FromFile(f.filter));
    if (!f.step.empty())
        parts << QObject::tr("step %1").arg(FromFile(f.step));
    return parts.join(QStringLiteral(", "));
}

QString SlotName(int slot)
{
    // The grid's rows are A to D and its columns 1 to 8.
    return QStringLiteral("%1%2 (slot %3)")
        .arg(QChar(QLatin1Char('A').unicode() + (slot - 1) / 8))
        .arg((slot - 1) % 8 + 1)
        .arg(slot);
}

} // namespace

StoreDialog::StoreDialog(
    const ChannelFields &tuned, std::string fileBytes, int bank, int slot, QWidget *parent)
    : QDialog(parent)
    , m_fileBytes(std::move(fileBytes))
{
    setObjectName(QStringLiteral("StoreDialog"));
    setWindowTitle(tr("Store the tuned channel"));
    auto *form = new QFormLayout(this);
    auto *what = new QLabel(Describe(tuned), this);
    what->setObjectName(QStringLiteral("StoreWhat"));
    form->addRow(tr("Channel:"), what);
    m_bank = new QComboBox(this);
    m_bank->setObjectName(QStringLiteral("StoreBank"));
    for (int b = 1; b <= kBankCount; ++b)
        m_bank->addItem(FromFile(BankName(b)), b);
    m_bank->setCurrentIndex(std::clamp(bank, 1, kBankCount) - 1);
    form->addRow(tr("Bank:"), m_bank);
    m_slot = new QComboBox(this);
    m_slot->setObjectName(QStringLiteral("StoreSlot"));
    form->addRow(tr("Slot:"), m_slot);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("StoreName"));
    m_name->setMaxLength(6);
    m_name->setPlaceholderText(tr("up to six characters"));
    form->addRow(tr("Name:"), m_name);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Store"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    connect(m_bank, &QComboBox::currentIndexChanged, this, [this] { ShowSlots(kNextFree); });
    ShowSlots(slot);
}

void StoreDialog::ShowSlots(int slot)
{
    const std::vector<BankRow> rows = ReadBankRows(m_fileBytes, bank()).rows;
    m_slot->clear();
    const int free = NextFreeSlot(rows);
    m_slot->addItem(free > 0 ? tr("next free: %1").arg(SlotName(free)) : tr("no free slot"), free);
    const int offered = std::min(int(rows.size()) + 1, kBankSlots);
    for (int n = 1; n <= offered; ++n) {
        const bool has
            = std::size_t(n) <= rows.size() && !rows[std::size_t(n) - 1].fields.frequency.empty();
        const ChannelFields &f = has ? rows[std::size_t(n) - 1].fields : ChannelFields {};
        m_slot->addItem(has
                ? tr("%1: %2 %3").arg(SlotName(n), FromFile(f.name), FromFile(f.frequency))
                : tr("%1: empty").arg(SlotName(n)),
            n);
    }
    m_slot->setCurrentIndex(slot >= 1 && slot <= offered ? slot : 0);
}

int StoreDialog::bank() const
{
    return m_bank->currentData().toInt();
}

int StoreDialog::slot() const
{
    return m_slot->currentData().toInt();
}

QString StoreDialog::name() const
{
    return m_name->text();
}

bool StoreTunedChannel(const QString &memoryFilePath, const ChannelFields &tuned,
    const QString &header, int &bank, int slot, QString &stored, QWidget *parent)
{
    const QString title = QObject::tr("Store the tuned channel");
    const std::string path = LocalPath(memoryFilePath);
    auto warn = [&](const QString &text) {
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
        box.setObjectName(QStringLiteral("StoreProblem"));
        box.exec();
        return false;
    };
    std::string bytes;
    std::string error;
    FileRead read = ReadPlainFile(path, bytes, error, kLargestMemoryFileBytes);
    if (read == FileRead::Failed || read == FileRead::TooLarge)
        return warn(
            QObject::tr("The memory file %1 cannot be read: %2.")
                .arg(QDir::toNativeSeparators(memoryFilePath), QString::fromStdString(error)));
    if (read == FileRead::Missing)
        bytes = ToFile(header);

    StoreDialog dialog(tuned, bytes, bank, slot, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const int chosenBank = dialog.bank();
    std::string problem;
    std::string note;
    const QString typed = dialog.name();
    if (QString::fromLatin1(typed.toLatin1()) != typed)
        problem = "the memory file holds one byte per character: the name can use only Latin-1 "
                  "letters";
    const std::string name
        = problem.empty() ? StorableName(ToFile(typed), problem, note) : std::string();
    if (!problem.empty())
        return warn(QObject::tr("Nothing was stored: %1.").arg(QString::fromStdString(problem)));

    // Read again: the file may have changed while the dialog was open.
    read = ReadPlainFile(path, bytes, error, kLargestMemoryFileBytes);
    if (read == FileRead::Failed || read == FileRead::TooLarge)
        return warn(QObject::tr("The memory file cannot be read: %1. Nothing was stored.")
                        .arg(QString::fromStdString(error)));
    if (read == FileRead::Missing)
        bytes = ToFile(header);
    BankRows rows = ReadBankRows(bytes, chosenBank);
    if (!rows.error.empty())
        return warn(QObject::tr("Nothing was stored: %1.").arg(QString::fromStdString(rows.error)));
    const int target = dialog.slot() > 0 ? dialog.slot() : NextFreeSlot(rows.rows);
    if (target < 1 || std::size_t(target) > rows.rows.size() + 1)
        return warn(QObject::tr("%1 has no free slot: choose a slot to replace.")
                        .arg(FromFile(BankName(chosenBank))));
    if (std::size_t(target) <= rows.rows.size()) {
        const ChannelFields &old = rows.rows[std::size_t(target) - 1].fields;
        if (!old.frequency.empty()) {
            QMessageBox ask(QMessageBox::Question, title,
                QObject::tr("%1 of %2 holds %3 (%4).\n\nReplace it?")
                    .arg(SlotName(target), FromFile(BankName(chosenBank)),
                        old.name.empty() ? QObject::tr("a channel") : FromFile(old.name),
                        Describe(old)),
                QMessageBox::Yes | QMessageBox::No, parent);
            ask.setObjectName(QStringLiteral("StoreReplace"));
            ask.setDefaultButton(QMessageBox::No);
            if (ask.exec() != QMessageBox::Yes)
                return false;
        }
    }
    ChannelFields fields = tuned;
    fields.name = name;
    StoreInSlot(rows.rows, target, fields);
    const std::string updated = WriteBankRows(bytes, chosenBank, rows.rows).bytes;
    if (!ReplaceFileContents(path, updated, read == FileRead::Read, error))
        return warn(QObject::tr("The memory file could not be written: %1.\n\nIt is as it was; "
                                "nothing was stored.")
                        .arg(QString::fromStdString(error)));
    bank = chosenBank;
    stored = QObject::tr("%1 in %2, %3")
                 .arg(name.empty() ? FromFile(fields.frequency) : FromFile(name),
                     FromFile(BankName(chosenBank)), SlotName(target));
    return true;
}
