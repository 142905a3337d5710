#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "tunedstate.h"

#include <array>

class BankEditor;
class MemoryPage;
class QLabel;
class QListWidget;
class QPushButton;
class QWidget;
struct Panel;

// The LOAD page: the memory file in use and its check. It shows the file's full path and the time
// of its last change, the 99 banks with their channel counts (a click shows the bank on the
// MEMORY page), the checker's findings by line, and buttons to read the file again, to import a
// CHIRP CSV export into a bank and to export a bank as CHIRP CSV. The file is read whenever the
// page is shown; it is written only by an import the operator has confirmed.
class LoadPage : public QObject
{
    Q_OBJECT

public:
    LoadPage(
        const Panel &panel, MemoryPage &memory, QString memoryFilePath, QObject *parent = nullptr);

    // Reads the file afresh and shows it with its check.
    void Reload();
    // Lets the operator choose a CHIRP CSV export and a bank, and writes its channels there.
    void ImportChirp();
    // Lets the operator choose where to save the bank selected in the list as CHIRP CSV.
    void ExportChirp();
    // Selects the bank in the bank list, which loads it, and shows the MEMORY page.
    void ShowBank(int bank);
    // Asks for a bank, slot and name and stores the tuned channel there; slot 0 offers the bank's
    // next free slot.
    void StoreTuned(int bank, int slot);
    // Opens the table of the bank (one window per bank, brought to the front when already open).
    BankEditor *EditBank(int bank);

private:
    void EnsureBuilt();
    void Build(QWidget *page);
    int SelectedBank() const;
    void SelectListRow(int bank);
    QWidget *DialogParent() const;
    void Warn(const QString &title, const QString &text);
    void Saved(int bank);
    void OfferMemoryMenu(const QPoint &at);
    QString HeaderComment() const;

    const Panel &m_panel;
    MemoryPage &m_memory;
    QString m_path;
    QWidget *m_page = nullptr;
    QLabel *m_file = nullptr;
    QLabel *m_changed = nullptr;
    QListWidget *m_banks = nullptr;
    QLabel *m_summary = nullptr;
    QListWidget *m_findings = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_reload = nullptr;
    QPushButton *m_import = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_store = nullptr;
    QPushButton *m_edit = nullptr;
    std::array<QPointer<BankEditor>, kBankCount + 1> m_editors {};
};
