#include "loadpage.h"

#include "bankedit.h"
#include "bankeditor.h"
#include "chirpcsv.h"
#include "filetext.h"
#include "memorycheck.h"
#include "memoryfile.h"
#include "memorypage.h"
#include "panel.h"
#include "panelwidgets.h"
#include "replacefile.h"
#include "storedialog.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

constexpr const char *kLoadCaption = " &LOAD";
constexpr int kBankListWidthPixels = 118;
// A broken file can have a finding on every line; the list stays quick to fill.
constexpr std::size_t kMostFindingsShown = 1000;

// "1 channel", "7 channels".
QString Count(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

QString BankText(int bank)
{
    return QString::fromStdString(BankName(bank));
}

QString Report(const std::vector<std::string> &lines)
{
    QStringList out;
    for (const std::string &line : lines)
        out << QString::fromStdString(line);
    return out.join(QLatin1Char('\n'));
}

// The bytes of the memory file, or why there are none: a missing file reads as empty.
struct MemoryBytes
{
    FileRead read = FileRead::Missing;
    std::string bytes;
    std::string error;
};

MemoryBytes ReadMemory(const QString &path)
{
    MemoryBytes memory;
    memory.read
        = ReadPlainFile(LocalPath(path), memory.bytes, memory.error, kLargestMemoryFileBytes);
    if (memory.read == FileRead::TooLarge)
        memory.read = FileRead::Failed; // said as a file that cannot be read, with the word why
    return memory;
}

} // namespace

LoadPage::LoadPage(const Panel &panel, MemoryPage &memory, QString memoryFilePath, QObject *parent)
    : QObject(parent)
    , m_panel(panel)
    , m_memory(memory)
    , m_path(std::move(memoryFilePath))
{
    for (int i = 0; i < m_panel.SSTab1->count(); ++i) {
        if (m_panel.SSTab1->tabText(i) == QLatin1String(kLoadCaption))
            m_page = m_panel.SSTab1->widget(i);
    }
    if (!m_page) {
        m_page = new QWidget;
        m_panel.SSTab1->addTab(m_page, QLatin1String(kLoadCaption));
    }

    // Storing and editing from MAIN and MEMORY without a control of their own: a context menu on
    // the memory grid (empty slots are disabled, so the frame takes their clicks) and on the
    // frequency display.
    m_panel.MemoryFrame->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_panel.MemoryFrame, &QWidget::customContextMenuRequested, this,
        &LoadPage::OfferMemoryMenu);
    m_panel.DisplayFrequency->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_panel.DisplayFrequency, &QWidget::customContextMenuRequested, this,
        [this](const QPoint &at) {
            QMenu menu(m_panel.DisplayFrequency);
            menu.setObjectName(QStringLiteral("FrequencyMenu"));
            QAction *store = menu.addAction(tr("Store the tuned channel\u2026"));
            if (menu.exec(m_panel.DisplayFrequency->mapToGlobal(at)) == store)
                StoreTuned(m_panel.MemoryBanks->currentIndex() + 1, 0);
        });
    connect(m_panel.MemoryBanks, &QComboBox::currentIndexChanged, this,
        [this](int index) { SelectListRow(index + 1); });
    // The page is made when first shown: it is not in the panel's first frame. The file may have
    // changed since it was last shown.
    connect(m_panel.SSTab1, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_panel.SSTab1->widget(index) == m_page)
            Reload();
    });
}

void LoadPage::EnsureBuilt()
{
    if (m_banks)
        return;
    Build(m_page);
    connect(m_reload, &QPushButton::clicked, this, &LoadPage::Reload);
    connect(m_import, &QPushButton::clicked, this, &LoadPage::ImportChirp);
    connect(m_export, &QPushButton::clicked, this, &LoadPage::ExportChirp);
    connect(m_store, &QPushButton::clicked, this, [this] { StoreTuned(SelectedBank(), 0); });
    connect(m_edit, &QPushButton::clicked, this, [this] { EditBank(SelectedBank()); });
    connect(m_banks, &QListWidget::itemClicked, this,
        [this](QListWidgetItem *item) { ShowBank(m_banks->row(item) + 1); });
    connect(m_banks, &QListWidget::itemActivated, this,
        [this](QListWidgetItem *item) { ShowBank(m_banks->row(item) + 1); });
    // When made on a page already on screen, they are shown and laid out now: the first look at
    // the page finds them in place, and the path is shortened to the field's real width.
    if (m_page->isVisible()) {
        for (QWidget *child : m_page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            child->show();
    }
    m_page->layout()->activate();
}

void LoadPage::Build(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(3);

    auto *fileRow = new QHBoxLayout;
    m_file = new QLabel(page);
    m_file->setObjectName(QStringLiteral("LoadFile"));
    m_file->setTextFormat(Qt::PlainText);
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path is shortened in the middle, not the page widened.
    m_file->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_changed = new QLabel(page);
    m_changed->setObjectName(QStringLiteral("LoadChanged"));
    m_changed->setTextFormat(Qt::PlainText);
    // At least as wide as its text, which is set after the layout was first made.
    m_changed->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_changed);
    layout->addLayout(fileRow);

    auto *middle = new QHBoxLayout;
    m_banks = new QListWidget(page);
    m_banks->setObjectName(QStringLiteral("LoadBanks"));
    m_banks->setFixedWidth(kBankListWidthPixels);
    m_banks->setUniformItemSizes(true);
    for (int bank = 1; bank <= kBankCount; ++bank)
        m_banks->addItem(QString());
    middle->addWidget(m_banks);

    auto *right = new QVBoxLayout;
    m_summary = new QLabel(page);
    m_summary->setObjectName(QStringLiteral("LoadSummary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);
    m_findings = new QListWidget(page);
    m_findings->setObjectName(QStringLiteral("LoadFindings"));
    m_findings->setWordWrap(true);
    m_findings->setTextElideMode(Qt::ElideNone);
    m_findings->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_findings->setAlternatingRowColors(true);
    right->addWidget(m_summary);
    right->addWidget(m_findings, 1);
    middle->addLayout(right, 1);
    layout->addLayout(middle, 1);

    auto *buttons = new QHBoxLayout;
    m_reload = new QPushButton(tr("Reload"), page);
    m_reload->setObjectName(QStringLiteral("LoadReload"));
    m_import = new QPushButton(tr("Import CHIRP CSV\u2026"), page);
    m_import->setObjectName(QStringLiteral("ImportChirp"));
    m_export = new QPushButton(tr("Export bank as CHIRP CSV\u2026"), page);
    m_export->setObjectName(QStringLiteral("ExportChirp"));
    m_store = new QPushButton(tr("Store tuned\u2026"), page);
    m_store->setObjectName(QStringLiteral("LoadStore"));
    m_store->setToolTip(tr("Store the tuned frequency, mode, filter and step in a slot"));
    m_edit = new QPushButton(tr("Edit bank\u2026"), page);
    m_edit->setObjectName(QStringLiteral("LoadEditBank"));
    m_edit->setToolTip(tr("Edit the bank selected in the list as a table"));
    m_status = new QLabel(page);
    m_status->setObjectName(QStringLiteral("LoadStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setMinimumWidth(1);
    for (QPushButton *button : {m_reload, m_store, m_edit, m_import, m_export}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    // A line of its own: the buttons take the page's width.
    layout->addWidget(m_status);
}

void LoadPage::Reload()
{
    EnsureBuilt();
    const QFileInfo info(m_path);
    const QString shown = QDir::toNativeSeparators(m_path);
    m_file->setToolTip(shown);

    const MemoryBytes memory = ReadMemory(m_path);
    MemoryCheck check;
    switch (memory.read) {
    case FileRead::Read:
        m_changed->setText(
            tr("changed %1")
                .arg(info.lastModified().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
        check = CheckMemoryFile(memory.bytes);
        if (check.findings.empty())
            m_summary->setText(tr("No findings: the panel reads the file as it looks."));
        else
            m_summary->setText(tr("%1: what the panel will not read as meant")
                                   .arg(Count(int(check.findings.size()), "finding", "findings")));
        break;
    case FileRead::Missing:
        m_changed->setText(tr("no such file"));
        m_summary->setText(tr("There is no memory file yet. Store tuned, Edit bank and an import "
                              "create one; Edit Memory on the MEMORY page offers the example."));
        break;
    case FileRead::Failed:
    case FileRead::TooLarge:
        m_changed->setText(tr("cannot be read"));
        m_summary->setText(
            tr("The file cannot be read: %1.").arg(QString::fromStdString(memory.error)));
        break;
    }

    const QString label = tr("Memory file: %1");
    const int room
        = m_file->width() - m_file->fontMetrics().horizontalAdvance(label.arg(QString()));
    m_file->setText(label.arg(m_file->fontMetrics().elidedText(shown, Qt::ElideMiddle, room)));

    std::array<int, kBankCount + 1> channels {};
    for (const BankSummary &s : check.banks)
        channels[std::size_t(s.bank)] = s.channels;
    for (int bank = 1; bank <= kBankCount; ++bank) {
        const int count = channels[std::size_t(bank)];
        QListWidgetItem *item = m_banks->item(bank - 1);
        item->setText(QStringLiteral("#%1   %2")
                          .arg(bank, 2, 10, QLatin1Char('0'))
                          .arg(count > 0 ? Count(count, "channel", "channels") : tr("empty")));
        item->setForeground(count > 0 ? m_banks->palette().text() : m_banks->palette().mid());
    }

    m_findings->clear();
    const std::size_t listed = std::min(check.findings.size(), kMostFindingsShown);
    for (std::size_t i = 0; i < listed; ++i) {
        const MemoryFinding &finding = check.findings[i];
        m_findings->addItem(
            tr("line %1: %2").arg(finding.line).arg(QString::fromStdString(finding.message)));
    }
    if (listed < check.findings.size()) {
        m_findings->addItem(tr("... and %1 more; qz-remote --check-memory lists them all.")
                                .arg(check.findings.size() - listed));
    }
    SelectListRow(m_panel.MemoryBanks->currentIndex() + 1);
}

void LoadPage::ShowBank(int bank)
{
    if (bank < 1 || bank > kBankCount)
        return;
    // Selecting the bank loads it; the bank already selected is read again, as the file may have
    // changed.
    if (m_panel.MemoryBanks->currentIndex() == bank - 1)
        m_memory.LoadMemoryBank();
    else
        m_panel.MemoryBanks->setCurrentIndex(bank - 1);
    m_panel.SSTab1->setCurrentWidget(m_panel.MemoryFrame->parentWidget());
}

int LoadPage::SelectedBank() const
{
    const int row = m_banks ? m_banks->currentRow() : -1;
    return row >= 0 ? row + 1 : m_panel.MemoryBanks->currentIndex() + 1;
}

void LoadPage::SelectListRow(int bank)
{
    // Before the page is made, it selects the bank itself when it is.
    if (m_banks && bank >= 1 && bank <= kBankCount)
        m_banks->setCurrentRow(bank - 1);
}

QWidget *LoadPage::DialogParent() const
{
    return m_page->window();
}

void LoadPage::Warn(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, DialogParent());
    box.setObjectName(QStringLiteral("LoadProblem"));
    box.exec();
}

void LoadPage::ImportChirp()
{
    const QString title = tr("Import CHIRP CSV");
    QFileDialog chooser(DialogParent(), title, QFileInfo(m_path).absolutePath(),
        tr("CHIRP CSV (*.csv *.CSV);;All files (*)"));
    chooser.setObjectName(QStringLiteral("ImportChirpDialog"));
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const QString csvPath = chooser.selectedFiles().constFirst();

    std::string csv;
    std::string error;
    if (ReadPlainFile(LocalPath(csvPath), csv, error) != FileRead::Read) {
        Warn(title, tr("%1 cannot be read: %2.").arg(csvPath, QString::fromStdString(error)));
        return;
    }
    const ChirpImport imported = ImportChirpCsv(csv);
    std::vector<std::string> skipped;
    for (const ChirpNote &note : imported.skipped)
        skipped.push_back("line " + std::to_string(note.line) + ": " + note.message);
    if (!imported.error.empty() || imported.channels.empty()) {
        QMessageBox box(QMessageBox::Warning, title,
            imported.error.empty()
                ? tr("%1 has no channel the panel can use.").arg(QFileInfo(csvPath).fileName())
                : tr("%1 cannot be imported: %2.")
                      .arg(QFileInfo(csvPath).fileName(), QString::fromStdString(imported.error)),
            QMessageBox::Ok, DialogParent());
        box.setObjectName(QStringLiteral("LoadProblem"));
        if (!skipped.empty())
            box.setDetailedText(Report(skipped));
        box.exec();
        return;
    }

    // The file is read now, just before it is written, not taken from the last reload.
    const MemoryBytes memory = ReadMemory(m_path);
    if (memory.read == FileRead::Failed) {
        Warn(title,
            tr("The memory file %1 cannot be read: %2. Nothing was imported.")
                .arg(m_path, QString::fromStdString(memory.error)));
        return;
    }
    if (HasBareLineFeeds(memory.bytes)) {
        Warn(title,
            tr("The memory file has line ends made of a bare line feed, so the panel does not "
               "read its lines as they look (see the findings on this page). Save it with CR LF "
               "line ends first; nothing was imported."));
        return;
    }

    QInputDialog bankChooser(DialogParent());
    bankChooser.setObjectName(QStringLiteral("ImportBankDialog"));
    bankChooser.setWindowTitle(title);
    bankChooser.setLabelText(tr("%1 from %2 go into:")
                                 .arg(Count(int(imported.channels.size()), "channel", "channels"),
                                     QFileInfo(csvPath).fileName()));
    QStringList banks;
    for (int bank = 1; bank <= kBankCount; ++bank)
        banks << BankText(bank);
    bankChooser.setComboBoxItems(banks);
    bankChooser.setComboBoxEditable(false);
    bankChooser.setTextValue(BankText(SelectedBank()));
    if (bankChooser.exec() != QDialog::Accepted)
        return;
    const int bank = int(banks.indexOf(bankChooser.textValue())) + 1;
    if (bank < 1)
        return;

    bool spill = false;
    const int count = int(imported.channels.size());
    if (count > kBankSlots && bank < kBankCount) {
        const int lastBank = std::min(kBankCount, bank + (count - 1) / kBankSlots);
        QMessageBox ask(QMessageBox::Question, title,
            tr("The file has %1 channels, and a bank holds 32. Put the rest into the following "
               "banks, up to %2?\n\nNo imports the first 32 only.")
                .arg(count)
                .arg(BankText(lastBank)),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, DialogParent());
        ask.setObjectName(QStringLiteral("ImportSpill"));
        const int answer = ask.exec();
        if (answer == QMessageBox::Cancel)
            return;
        spill = answer == QMessageBox::Yes;
    }
    const ImportPlan plan = PlanImport(imported.channels, bank, spill);

    // Banks that have channels are replaced only on the operator's yes.
    const MemoryCheck before = CheckMemoryFile(memory.bytes);
    QStringList replaced;
    for (const BankFill &fill : plan.banks) {
        for (const BankSummary &s : before.banks) {
            if (s.bank == fill.bank && s.runLines > 0)
                replaced << tr("%1 has %2")
                                .arg(BankText(s.bank),
                                    Count(s.runLines, "channel line", "channel lines"));
        }
    }
    if (!replaced.isEmpty()) {
        QMessageBox ask(QMessageBox::Question, title,
            tr("%1.\n\nReplace with the imported channels? The previous file is kept as %2.")
                .arg(replaced.join(QStringLiteral("; ")),
                    QFileInfo(QString::fromStdString(BackupPath(LocalPath(m_path)))).fileName()),
            QMessageBox::Yes | QMessageBox::No, DialogParent());
        ask.setObjectName(QStringLiteral("ConfirmReplaceBank"));
        ask.setDefaultButton(QMessageBox::No);
        if (ask.exec() != QMessageBox::Yes)
            return;
    }

    std::string updated = memory.bytes;
    int written = 0;
    for (const BankFill &fill : plan.banks) {
        std::vector<ChannelFields> fields;
        for (const ImportedChannel &channel : fill.channels)
            fields.push_back(channel.fields);
        updated = ReplaceBankLines(updated, fill.bank, fields);
        written += int(fields.size());
    }
    if (!ReplaceFileContents(LocalPath(m_path), updated, memory.read == FileRead::Read, error)) {
        Warn(title,
            tr("The memory file could not be written: %1.\n\nIt is unchanged.")
                .arg(QString::fromStdString(error)));
        return;
    }

    Reload();
    const int firstBank = plan.banks.front().bank;
    if (m_panel.MemoryBanks->currentIndex() == firstBank - 1)
        m_memory.LoadMemoryBank();
    else
        m_panel.MemoryBanks->setCurrentIndex(firstBank - 1);
    const QString where = plan.banks.size() == 1
        ? BankText(firstBank)
        : tr("%1 to %2").arg(BankText(firstBank), BankText(plan.banks.back().bank));
    m_status->setText(tr("%1 written to %2.").arg(Count(written, "channel", "channels"), where));

    for (const ImportedChannel &channel : plan.leftOver) {
        skipped.push_back("line " + std::to_string(channel.line) + ": \"" + channel.fields.name
            + "\" at " + channel.fields.frequency + ": no room left in the bank; not written");
    }
    std::vector<std::string> renamed;
    for (const ChirpNote &note : imported.renamed)
        renamed.push_back("line " + std::to_string(note.line) + ": " + note.message);
    if (!skipped.empty() || !renamed.empty()) {
        QStringList said {tr("%1 written to %2").arg(Count(written, "channel", "channels"), where)};
        if (!skipped.empty())
            said << tr("%1 of the file's records were not").arg(skipped.size());
        if (!renamed.empty())
            said << tr("%1 stored with a name changed to fit the memory file")
                        .arg(Count(int(renamed.size()), "channel is", "channels are"));
        skipped.insert(skipped.end(), renamed.begin(), renamed.end());
        QMessageBox report(QMessageBox::Information, title, said.join(QStringLiteral("; ")) + '.',
            QMessageBox::Ok, DialogParent());
        report.setObjectName(QStringLiteral("ImportReport"));
        report.setDetailedText(Report(skipped));
        report.exec();
    }
}

void LoadPage::ExportChirp()
{
    const QString title = tr("Export bank as CHIRP CSV");
    const int bank = SelectedBank();
    const MemoryBytes memory = ReadMemory(m_path);
    if (memory.read != FileRead::Read) {
        Warn(title,
            tr("The memory file %1 cannot be read: %2.")
                .arg(m_path, QString::fromStdString(memory.error)));
        return;
    }
    const ChirpExport exported = ExportChirpCsv(LoadBank(memory.bytes, BankName(bank)));
    if (exported.written == 0) {
        Warn(title, tr("%1 has no channel to export.").arg(BankText(bank)));
        return;
    }

    QFileDialog chooser(DialogParent(), title, QFileInfo(m_path).absolutePath(),
        tr("CHIRP CSV (*.csv);;All files (*)"));
    chooser.setObjectName(QStringLiteral("ExportChirpDialog"));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setDefaultSuffix(QStringLiteral("csv"));
    chooser.selectFile(QStringLiteral("bank-%1.csv").arg(bank, 2, 10, QLatin1Char('0')));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const QString csvPath = chooser.selectedFiles().constFirst();

    std::string error;
    if (!ReplaceFileContents(LocalPath(csvPath), exported.csv, false, error)) {
        Warn(title, tr("%1 could not be written: %2.").arg(csvPath, QString::fromStdString(error)));
        return;
    }
    std::vector<std::string> notes;
    for (const ChirpNote &note : exported.notes)
        notes.push_back("slot " + std::to_string(note.line) + ": " + note.message);
    m_status->setText(tr("%1 of %2 written to %3.")
                          .arg(Count(exported.written, "channel", "channels"), BankText(bank),
                              QFileInfo(csvPath).fileName()));
    m_status->setToolTip(Report(notes));
}

QString LoadPage::HeaderComment() const
{
    QFile example(QString::fromLatin1(MemoryPage::kExampleResource));
    if (!example.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = example.readAll();
    return QString::fromLatin1(
        ::HeaderComment(std::string_view(bytes.constData(), std::size_t(bytes.size()))));
}

void LoadPage::StoreTuned(int bank, int slot)
{
    const ChannelFields tuned = TunedChannel(m_memory.state(), std::string());
    QString stored;
    if (!StoreTunedChannel(m_path, tuned, HeaderComment(), bank, slot, stored, DialogParent()))
        return;
    Saved(bank);
    // Said where the operator is, on MAIN too, without a box to close.
    const QString said = tr("Stored: %1.").arg(stored);
    m_status->setText(said);
    QWidget *display = m_panel.DisplayFrequency;
    QToolTip::showText(display->mapToGlobal(QPoint(0, display->height())), said, display);
}

BankEditor *LoadPage::EditBank(int bank)
{
    if (bank < 1 || bank > kBankCount)
        return nullptr;
    QPointer<BankEditor> &editor = m_editors[std::size_t(bank)];
    if (!editor) {
        editor = new BankEditor(m_path, bank, TunedChannel(m_memory.state(), std::string()),
            HeaderComment(), DialogParent());
        editor->setAttribute(Qt::WA_DeleteOnClose);
        // The panel's keys are read from the keyboard whatever window is in front: typing a name
        // must not step the receiver or start the bank scan. Modal windows are left alone by the
        // keyboard poll, as dialogs are.
        editor->setWindowModality(Qt::ApplicationModal);
        connect(editor, &BankEditor::saved, this, &LoadPage::Saved);
    }
    editor->show();
    editor->raise();
    editor->activateWindow();
    return editor;
}

void LoadPage::Saved(int bank)
{
    // The panel reads the bank the way it always does; the new channels show at once, and a
    // running bank scan goes on over them.
    Reload();
    if (m_panel.MemoryBanks->currentIndex() == bank - 1)
        m_memory.LoadMemoryBank();
    m_status->setText(tr("%1 saved.").arg(BankText(bank)));
}

void LoadPage::OfferMemoryMenu(const QPoint &at)
{
    int slot = 0;
    for (int n = 1; n <= kBankSlots; ++n) {
        if (m_panel.Memory[std::size_t(n)]->geometry().contains(at))
            slot = n;
    }
    const int bank = m_panel.MemoryBanks->currentIndex() + 1;
    QMenu menu(m_panel.MemoryFrame);
    menu.setObjectName(QStringLiteral("MemoryMenu"));
    QAction *store
        = menu.addAction(slot > 0 ? tr("Store the tuned channel in slot %1\u2026").arg(slot)
                                  : tr("Store the tuned channel\u2026"));
    QAction *edit = menu.addAction(tr("Edit %1\u2026").arg(BankText(bank)));
    QAction *chosen = menu.exec(m_panel.MemoryFrame->mapToGlobal(at));
    if (chosen == store)
        StoreTuned(bank, slot);
    else if (chosen == edit)
        EditBank(bank);
}
