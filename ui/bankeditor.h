#pragma once

#include "bankedit.h"

#include <QString>
#include <QWidget>

#include <string>
#include <vector>

class QFileSystemWatcher;
class QLabel;
class QPushButton;
class QTableWidget;
class QUndoStack;

// One bank of the memory file as a table: frequency, name, mode, filter and step of each channel
// line, in slot order. Rows can be added (with the tuned channel), deleted, moved and copied to
// another bank; every change can be undone. Each cell offers only what the panel reads, and a row
// the panel would not read as meant is marked with the checker's message. Save writes the bank's
// lines where its first run stood and leaves every other line of the file as it was.
class BankEditor : public QWidget
{
    Q_OBJECT

public:
    BankEditor(QString memoryFilePath, int bank, ChannelFields newChannel, QString header,
        QWidget *parent = nullptr);
    ~BankEditor() override;

    int bank() const { return m_bank; }
    // Writes the bank; false, with the reason shown, when the file could not be written.
    bool Save();

signals:
    // The file now holds new channels for the bank.
    void saved(int bank);

private:
    friend class RowsCommand;
    enum Column { Frequency, Name, Mode, Filter, Step, ColumnCount };

    bool Load();
    void SetRows(const std::vector<BankRow> &rows);
    void ShowRows();
    void Change(std::vector<BankRow> rows, const QString &what);
    void CellEdited(int row, int column);
    void AddRow();
    void DeleteRows();
    void MoveRow(int by);
    void CopyRows();
    void FileChanged();
    void Say(const QString &text);
    std::vector<int> SelectedRows() const;
    void closeEvent(QCloseEvent *event) override;

    QString m_path;
    int m_bank = 0;
    ChannelFields m_newChannel;
    QString m_header;
    std::vector<BankRow> m_rows;
    // The bank's lines as last read or written: a change by another program shows as a difference.
    std::vector<BankRow> m_onDisk;
    bool m_showing = false;
    bool m_asking = false; // the question about another program's change is open
    QString m_said; // the last action's word
    QString m_marks; // how many rows are marked
    QTableWidget *m_table = nullptr;
    QUndoStack *m_undo = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_save = nullptr;
    QFileSystemWatcher *m_watcher = nullptr;
};
