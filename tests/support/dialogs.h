#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

// Answers the next modal dialog from the test: polls until a modal widget is open, hands it to the
// answer and stops. Dialogs are never left open; a dialog that never appears is simply not
// answered (the caller checks what it expected).
class DialogAnswerer : public QObject
{
public:
    using Answer = std::function<void(QWidget *)>;

    explicit DialogAnswerer(Answer answer, int maxWaitMs = 5000)
        : m_answer(std::move(answer))
    {
        m_poll.setInterval(5);
        connect(&m_poll, &QTimer::timeout, this, [this, maxWaitMs] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && modal != m_lastAnswered) {
                m_lastAnswered = modal;
                m_texts << DialogText(modal);
                m_titles << modal->windowTitle();
                ++m_answered;
                QWidget *target = modal;
                // Answer outside the poll's own tick, after the dialog has settled.
                QTimer::singleShot(0, target, [this, target] { m_answer(target); });
                if (m_once)
                    m_poll.stop();
            }
            if (++m_ticks * 5 > maxWaitMs)
                m_poll.stop();
        });
        m_poll.start();
    }

    // Keep answering every dialog that comes (for prompts that are asked again).
    DialogAnswerer &repeat()
    {
        m_once = false;
        return *this;
    }
    int answered() const { return m_answered; }
    QStringList texts() const { return m_texts; }
    QStringList titles() const { return m_titles; }

    static QString DialogText(QWidget *dialog)
    {
        if (auto *box = qobject_cast<QMessageBox *>(dialog))
            return box->text();
        if (auto *prompt = qobject_cast<QInputDialog *>(dialog))
            return prompt->labelText() + QLatin1Char('|') + prompt->textValue();
        return {};
    }

    static void Press(QWidget *dialog, QMessageBox::StandardButton button)
    {
        if (auto *box = qobject_cast<QMessageBox *>(dialog))
            box->button(button)->click();
    }
    static void Type(QWidget *dialog, const QString &text)
    {
        if (auto *prompt = qobject_cast<QInputDialog *>(dialog)) {
            prompt->setTextValue(text);
            prompt->accept();
        }
    }
    static void Cancel(QWidget *dialog)
    {
        if (auto *d = qobject_cast<QDialog *>(dialog))
            d->reject();
    }

private:
    Answer m_answer;
    QTimer m_poll;
    QPointer<QWidget> m_lastAnswered;
    QStringList m_texts;
    QStringList m_titles;
    int m_answered = 0;
    int m_ticks = 0;
    bool m_once = true;
};
