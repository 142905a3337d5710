#pragma once

#include "bankedit.h"

#include <QDialog>
#include <QString>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;

// Asks where the tuned channel goes and under which name: a bank, a slot of it (or the bank's next
// free slot) and a name of up to six characters. The slots list says what each one holds now.
class StoreDialog : public QDialog
{
    Q_OBJECT

public:
    // fileBytes: the memory file as it is now, to show what the slots hold.
    StoreDialog(const ChannelFields &tuned, std::string fileBytes, int bank, int slot,
        QWidget *parent = nullptr);

    int bank() const;
    // 1 to 32; 0 when the bank has no free slot left.
    int slot() const;
    QString name() const;

private:
    void ShowSlots(int slot);

    std::string m_fileBytes;
    QComboBox *m_bank = nullptr;
    QComboBox *m_slot = nullptr;
    QLineEdit *m_name = nullptr;
};

// Stores the tuned channel: asks with the dialog, asks again before replacing a loaded slot, writes
// the file (created with the header comment when there is none) and says why when it cannot.
// True when the file was written; bank then holds the bank written to and stored says where it went
// ("MARINE in MEMORY BANK #01, A8 (slot 8)").
bool StoreTunedChannel(const QString &memoryFilePath, const ChannelFields &tuned,
    const QString &header, int &bank, int slot, QString &stored, QWidget *parent);
