#include "bankeditor.h"

#include "filetext.h"
#include "options.h"
#include "replacefile.h"
#include "steptable.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QUndoCommand>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace {

bool SameLines(const std::vector<BankRow> &a, const std::vector<BankRow> &b)
{
    return std::equal(
        a.begin(), a.end(), b.begin(), b.end(), [](const BankRow &x, const BankRow &y) {
            return x.original == y.original && x.originalEnd == y.originalEnd
                && x.fields == y.fields;
        });
}

// The words a cell of the column may hold: the empty text (the slot leaves that setting as it
// is) and the panel's own list.
QStringList Choices(int column)
{
    QStringList choices {QString()};
    if (column == 2) {
        for (const OptionRow &row : kModeTable)
            choices << QLatin1String(row.word);
    } else if (column == 3) {
        for (const OptionRow &row : kFilterTable)
            choices << QLatin1String(row.caption);
    } else if (column == 4) {
        for (const StepRow &row : kStepTable)
            choices << QLatin1String(row.caption);
    }
    return choices;
}

// Mode, filter and step are picked from the panel's lists; frequency and name are typed.
class ChoiceDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        if (index.column() < 2)
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto *combo = new QComboBox(parent);
        combo->addItems(Choices(index.column()));
        return combo;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (auto *combo = qobject_cast<QComboBox *>(editor))
            combo->setCurrentText(index.data().toString());
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *combo = qobject_cast<QComboBox *>(editor))
            model->setData(index, combo->currentText());
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }
};

} // namespace

// One change of the table, undone by putting the rows back as they were.
class RowsCommand : public QUndoCommand
{
public:
    RowsCommand(BankEditor *editor, std::vector<BankRow> before, std::vector<BankRow> after,
        const QString &text)
        : QUndoCommand(text)
        , m_editor(editor)
        , m_before(std::move(before))
        , m_after(std::move(after))
    { }
    void undo() override { m_editor->SetRows(m_before); }
    void redo() override { m_editor->SetRows(m_after); }

private:
    BankEditor *m_editor;
    std::vector<BankRow> m_before;
    std::vector<BankRow> m_after;
};

BankEditor::BankEditor(
    QString memoryFilePath, int bank, ChannelFields newChannel, QString header, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_path(std::move(memoryFilePath))
    , m_bank(bank)
    , m_newChannel(std::move(newChannel))
    , m_header(std::move(header))
{
    setObjectName(QStringLiteral("BankEditor"));
    setWindowTitle(tr("%1[*] - QZ Remote").arg(FromFile(BankName(bank))));
    m_undo = new QUndoStack(this);

    auto *layout = new QVBoxLayout(this);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("BankTable"));
    m_table->setHorizontalHeaderLabels(
        {tr("Frequency (MHz)"), tr("Name"), tr("Mode"), tr("Filter"), tr("Step")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setItemDelegate(new ChoiceDelegate(m_table));
    layout->addWidget(m_table, 1);

    auto *buttons = new QHBoxLayout;
    auto button = [&](const QString &text, const char *name, auto slot) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button(tr("Add"), "BankAdd", [this] { AddRow(); });
    button(tr("Delete"), "BankDelete", [this] { DeleteRows(); });
    button(tr("Up"), "BankUp", [this] { MoveRow(-1); });
    button(tr("Down"), "BankDown", [this] { MoveRow(1); });
    button(tr("Copy to bank\u2026"), "BankCopy", [this] { CopyRows(); });
    QPushButton *undo = button(tr("Undo"), "BankUndo", [this] { m_undo->undo(); });
    QPushButton *redo = button(tr("Redo"), "BankRedo", [this] { m_undo->redo(); });
    m_save = button(tr("Save"), "BankSave", [this] { Save(); });
    connect(m_undo, &QUndoStack::canUndoChanged, undo, &QPushButton::setEnabled);
    connect(m_undo, &QUndoStack::canRedoChanged, redo, &QPushButton::setEnabled);
    connect(m_undo, &QUndoStack::cleanChanged, m_save, [this](bool clean) {
        m_save->setEnabled(!clean);
        setWindowModified(!clean);
    });
    undo->setEnabled(false);
    redo->setEnabled(false);
    m_save->setEnabled(false);
    layout->addLayout(buttons);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("BankStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    connect(m_table, &QTableWidget::cellChanged, this, &BankEditor::CellEdited);
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &BankEditor::FileChanged);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &BankEditor::FileChanged);
    m_watcher->addPath(QFileInfo(m_path).absolutePath());
    Load();
    resize(640, 560);
}

BankEditor::~BankEditor()
{
    // The undo stack goes with the window's children, after this editor has gone: it must not
    // tell the editor that it is clean again.
    m_undo->disconnect();
}

bool BankEditor::Load()
{
    std::string bytes;
    std::string error;
    const FileRead read = ReadPlainFile(LocalPath(m_path), bytes, error, kLargestMemoryFileBytes);
    if (read == FileRead::Failed || read == FileRead::TooLarge) {
        Say(tr("The memory file cannot be read: %1.").arg(QString::fromStdString(error)));
        return false;
    }
    const BankRows rows = ReadBankRows(bytes, m_bank);
    if (!rows.error.empty()) {
        Say(tr("This bank cannot be edited: %1.").arg(QString::fromStdString(rows.error)));
        m_table->setEnabled(false);
        return false;
    }
    m_table->setEnabled(true);
    if (read == FileRead::Read && !m_watcher->files().contains(m_path))
        m_watcher->addPath(m_path);
    m_onDisk = rows.rows;
    m_undo->clear();
    SetRows(rows.rows);
    return true;
}

void BankEditor::SetRows(const std::vector<BankRow> &rows)
{
    m_rows = rows;
    ShowRows();
}

void BankEditor::ShowRows()
{
    std::string bytes;
    std::string error;
    if (ReadPlainFile(LocalPath(m_path), bytes, error, kLargestMemoryFileBytes) != FileRead::Read)
        bytes = ToFile(m_header);
    const std::vector<std::string> findings = RowFindings(bytes, m_bank, m_rows);

    m_showing = true;
    m_table->setRowCount(int(m_rows.size()));
    for (int r = 0; r < int(m_rows.size()); ++r) {
        const ChannelFields &f = m_rows[std::size_t(r)].fields;
        const std::string *texts[ColumnCount]
            = {&f.frequency, &f.name, &f.mode, &f.filter, &f.step};
        const QString finding = QString::fromStdString(findings[std::size_t(r)]);
        for (int c = 0; c < ColumnCount; ++c) {
            auto *item = new QTableWidgetItem(FromFile(*texts[c]));
            item->setToolTip(finding);
            if (!finding.isEmpty())
                item->setBackground(QColor(255, 210, 200));
            m_table->setItem(r, c, item);
        }
        auto *header = new QTableWidgetItem(
            finding.isEmpty() ? QString::number(r + 1) : QStringLiteral("%1 !").arg(r + 1));
        header->setToolTip(finding);
        m_table->setVerticalHeaderItem(r, header);
    }
    m_showing = false;
    const auto marked = std::count_if(
        findings.begin(), findings.end(), [](const std::string &f) { return !f.empty(); });
    m_marks = marked == 0
        ? QString()
        : tr("%n row(s) marked !: the panel will not read them as they look (hover for why).", "",
            int(marked));
    Say(m_said);
}

void BankEditor::Change(std::vector<BankRow> rows, const QString &what)
{
    m_undo->push(new RowsCommand(this, m_rows, std::move(rows), what));
}

void BankEditor::CellEdited(int row, int column)
{
    if (m_showing || row < 0 || row >= int(m_rows.size()))
        return;
    const QString typed = m_table->item(row, column)->text();
    std::vector<BankRow> rows = m_rows;
    BankRow &edited = rows[std::size_t(row)];
    std::string problem;
    std::string note;
    switch (column) {
    case Frequency: {
        const std::string text = TypedFrequency(ToFile(typed), problem);
        edited.fields.frequency = text;
        break;
    }
    case Name:
        if (QString::fromLatin1(typed.toLatin1()) != typed)
            problem = "the memory file holds one byte per character: the name can use only "
                      "Latin-1 letters";
        else
            edited.fields.name = StorableName(ToFile(typed), problem, note);
        break;
    case Mode:
        edited.fields.mode = ToFile(typed);
        break;
    case Filter:
        edited.fields.filter = ToFile(typed);
        break;
    case Step:
        edited.fields.step = ToFile(typed);
        break;
    default:
        return;
    }
    if (!problem.empty()) {
        Say(tr("Not changed: %1.").arg(QString::fromStdString(problem)));
        ShowRows();
        return;
    }
    if (edited.fields == m_rows[std::size_t(row)].fields) {
        ShowRows(); // the cell may show the typed text rather than what it stands for
        return;
    }
    edited.original.clear();
    edited.originalEnd.clear();
    Change(std::move(rows), tr("Edit slot %1").arg(row + 1));
    Say(note.empty() ? QString() : tr("Note: %1.").arg(QString::fromStdString(note)));
}

std::vector<int> BankEditor::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows.push_back(index.row());
    if (rows.empty() && m_table->currentRow() >= 0)
        rows.push_back(m_table->currentRow());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void BankEditor::AddRow()
{
    if (int(m_rows.size()) >= kBankSlots) {
        Say(tr("A bank holds 32 channels: delete one first."));
        return;
    }
    std::vector<BankRow> rows = m_rows;
    const std::vector<int> selected = SelectedRows();
    const int at = selected.empty() ? int(rows.size()) : selected.back() + 1;
    BankRow row;
    row.fields = m_newChannel;
    rows.insert(rows.begin() + at, row);
    Change(std::move(rows), tr("Add slot %1").arg(at + 1));
    m_table->selectRow(at);
}

void BankEditor::DeleteRows()
{
    const std::vector<int> selected = SelectedRows();
    if (selected.empty())
        return;
    std::vector<BankRow> rows = m_rows;
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        rows.erase(rows.begin() + *it);
    Change(std::move(rows), tr("Delete %n slot(s)", "", int(selected.size())));
}

void BankEditor::MoveRow(int by)
{
    const std::vector<int> selected = SelectedRows();
    if (selected.size() != 1)
        return;
    const int from = selected.front();
    const int to = from + by;
    if (to < 0 || to >= int(m_rows.size()))
        return;
    std::vector<BankRow> rows = m_rows;
    std::swap(rows[std::size_t(from)], rows[std::size_t(to)]);
    Change(std::move(rows), tr("Move slot %1").arg(from + 1));
    m_table->selectRow(to);
}

void BankEditor::CopyRows()
{
    const std::vector<int> selected = SelectedRows();
    if (selected.empty()) {
        Say(tr("Select the rows to copy first."));
        return;
    }
    const QString title = tr("Copy to bank");
    QStringList banks;
    for (int b = 1; b <= kBankCount; ++b) {
        if (b != m_bank)
            banks << FromFile(BankName(b));
    }
    QInputDialog chooser(this);
    chooser.setObjectName(QStringLiteral("BankCopyDialog"));
    chooser.setWindowTitle(title);
    chooser.setLabelText(tr("Copy %n channel(s) to:", "", int(selected.size())));
    chooser.setComboBoxItems(banks);
    chooser.setComboBoxEditable(false);
    if (chooser.exec() != QDialog::Accepted)
        return;
    int target = 0;
    for (int b = 1; b <= kBankCount; ++b) {
        if (FromFile(BankName(b)) == chooser.textValue())
            target = b;
    }
    if (target == 0)
        return;

    std::string bytes;
    std::string error;
    const FileRead read = ReadPlainFile(LocalPath(m_path), bytes, error, kLargestMemoryFileBytes);
    if (read == FileRead::Failed || read == FileRead::TooLarge) {
        Say(tr("Not copied: the memory file cannot be read: %1.")
                .arg(QString::fromStdString(error)));
        return;
    }
    if (read == FileRead::Missing)
        bytes = ToFile(m_header);
    BankRows rows = ReadBankRows(bytes, target);
    const int room = kBankSlots - int(rows.rows.size());
    if (!rows.error.empty() || room < int(selected.size())) {
        Say(rows.error.empty() ? tr("Not copied: %1 has room for %2 more channels.")
                                     .arg(FromFile(BankName(target)))
                                     .arg(std::max(room, 0))
                               : tr("Not copied: %1.").arg(QString::fromStdString(rows.error)));
        return;
    }
    for (const int r : selected) {
        BankRow copy;
        copy.fields = m_rows[std::size_t(r)].fields;
        rows.rows.push_back(copy);
    }
    const std::string updated = WriteBankRows(bytes, target, rows.rows).bytes;
    if (!ReplaceFileContents(LocalPath(m_path), updated, read == FileRead::Read, error)) {
        Say(tr("Not copied: the memory file could not be written: %1. It is as it was.")
                .arg(QString::fromStdString(error)));
        return;
    }
    Say(tr("%n channel(s) copied to %1.", "", int(selected.size()))
            .arg(FromFile(BankName(target))));
    emit saved(target);
}

bool BankEditor::Save()
{
    const QString title = tr("Save %1").arg(FromFile(BankName(m_bank)));
    std::string bytes;
    std::string error;
    const FileRead read = ReadPlainFile(LocalPath(m_path), bytes, error, kLargestMemoryFileBytes);
    auto fail = [&](const QString &why) {
        const QString text
            = tr("The memory file could not be saved: %1.\n\nThe file is as it was; the table "
                 "keeps your edits.")
                  .arg(why);
        Say(text);
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("BankSaveFailed"));
        box.exec();
        return false;
    };
    if (read == FileRead::Failed || read == FileRead::TooLarge)
        return fail(QString::fromStdString(error));
    if (read == FileRead::Missing)
        bytes = ToFile(m_header);
    const BankRows disk = ReadBankRows(bytes, m_bank);
    if (!disk.error.empty())
        return fail(QString::fromStdString(disk.error));
    if (!SameLines(disk.rows, m_onDisk)) {
        QMessageBox ask(QMessageBox::Question, title,
            tr("Another program has changed %1 in the memory file since it was read.\n\nSave "
               "anyway and replace its lines with the table?")
                .arg(FromFile(BankName(m_bank))),
            QMessageBox::Yes | QMessageBox::No, this);
        ask.setObjectName(QStringLiteral("BankChangedOnSave"));
        if (ask.exec() != QMessageBox::Yes)
            return false;
    }
    const std::string updated = WriteBankRows(bytes, m_bank, m_rows).bytes;
    if (!ReplaceFileContents(LocalPath(m_path), updated, read == FileRead::Read, error))
        return fail(QString::fromStdString(error));

    // The rows now stand in the file as written: they become its lines, untouched from here on.
    m_onDisk = ReadBankRows(updated, m_bank).rows;
    m_rows = m_onDisk;
    m_undo->setClean();
    ShowRows();
    if (!m_watcher->files().contains(m_path))
        m_watcher->addPath(m_path);
    Say(read == FileRead::Read
            ? tr("Saved; the previous file is kept as %1.")
                  .arg(QFileInfo(QString::fromStdString(BackupPath(LocalPath(m_path)))).fileName())
            : tr("Saved: %1 was created.").arg(QDir::toNativeSeparators(m_path)));
    emit saved(m_bank);
    return true;
}

void BankEditor::FileChanged()
{
    if (QFileInfo::exists(m_path) && !m_watcher->files().contains(m_path))
        m_watcher->addPath(m_path); // a file replaced by a rename is watched afresh
    std::string bytes;
    std::string error;
    if (ReadPlainFile(LocalPath(m_path), bytes, error, kLargestMemoryFileBytes) != FileRead::Read)
        return;
    const BankRows disk = ReadBankRows(bytes, m_bank);
    // Changes that come while the question is open are seen when it has been answered.
    if (m_asking || !disk.error.empty() || SameLines(disk.rows, m_onDisk))
        return;
    if (m_undo->isClean()) {
        Load();
        Say(tr("The memory file was changed by another program; the table shows it as it is now."));
        return;
    }
    QMessageBox ask(QMessageBox::Question, windowTitle(),
        tr("Another program has changed %1 in the memory file, and the table has edits that "
           "are not saved.\n\nYes shows the file as it is now and drops the edits; No keeps the "
           "edits, and Save then replaces the other program's lines.")
            .arg(FromFile(BankName(m_bank))),
        QMessageBox::Yes | QMessageBox::No, this);
    ask.setObjectName(QStringLiteral("BankChangedOutside"));
    m_asking = true;
    const bool reload = ask.exec() == QMessageBox::Yes;
    m_asking = false;
    if (reload) {
        Load();
        return;
    }
    // Kept: the lines as they are now are the ones a save replaces, unless they change again.
    m_onDisk = disk.rows;
    FileChanged();
}

void BankEditor::Say(const QString &text)
{
    m_said = text;
    m_status->setText(m_said.isEmpty() || m_marks.isEmpty() ? m_said + m_marks
                                                            : m_said + QLatin1Char('\n') + m_marks);
}

void BankEditor::closeEvent(QCloseEvent *event)
{
    if (m_undo->isClean()) {
        event->accept();
        return;
    }
    QMessageBox ask(QMessageBox::Question, windowTitle(),
        tr("Save the changes to %1?").arg(FromFile(BankName(m_bank))),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    ask.setObjectName(QStringLiteral("BankUnsaved"));
    const int answer = ask.exec();
    if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !Save()))
        event->ignore();
    else
        event->accept();
}
