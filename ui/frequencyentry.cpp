#include "frequencyentry.h"

#include "directentry.h"
#include "panel.h"
#include "tunedstate.h"
#include "tuner.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

FrequencyEntry::FrequencyEntry(Tuner &tuner, const Panel &panel, QWidget *dialogParent)
    : QObject(dialogParent)
    , m_tuner(tuner)
    , m_panel(panel)
    , m_dialogParent(dialogParent)
    , m_keypad(tuner.state().KeypadEntry)
{ }

void FrequencyEntry::DirectEntry()
{
    if (m_dialogOpen)
        return;
    m_dialogOpen = true;
    for (;;) {
        QInputDialog prompt(m_dialogParent);
        prompt.setObjectName(QStringLiteral("DirectEntryPrompt"));
        prompt.setWindowTitle(QString::fromLatin1(kDirectEntryTitle));
        prompt.setLabelText(QString::fromLatin1(kDirectEntryPrompt));
        prompt.setTextValue(
            QString::fromStdString(DirectEntryDefault(m_tuner.state().CurrentFrequency)));
        const bool accepted = prompt.exec() == QDialog::Accepted;
        const DirectEntryVerdict verdict
            = JudgeDirectEntry(accepted ? prompt.textValue().toStdString() : std::string());
        if (verdict.action == DirectEntryAction::AskAgain)
            continue;
        if (verdict.action == DirectEntryAction::Tune) {
            m_tuner.state().CurrentFrequency = verdict.frequencyMHz;
            m_tuner.ApplyBandPlan();
            m_tuner.SendFrequency();
        }
        break;
    }
    m_dialogOpen = false;
}

void FrequencyEntry::KeypadPress(int index)
{
    const KeypadOutcome outcome = m_keypad.Press(index);
    if (outcome.tuneMHz) {
        m_tuner.state().CurrentFrequency = *outcome.tuneMHz;
        m_tuner.ApplyBandPlan();
        m_tuner.SendFrequency();
    }
    if (outcome.showError) {
        // The rejected entry stays on the keypad display until the box is closed.
        m_dialogOpen = true;
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kKeypadErrorTitle),
            QString::fromLatin1(kKeypadErrorText), QMessageBox::Ok, m_dialogParent);
        box.setObjectName(QStringLiteral("KeypadError"));
        box.exec();
        m_dialogOpen = false;
    }
    if (outcome.redraw)
        DrawKeypad();
}

void FrequencyEntry::DrawKeypad()
{
    m_panel.KeypadFrequency->setLine(QString::fromStdString(m_keypad.DisplayText()));
}
