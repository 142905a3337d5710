#include "widgetcontrols.h"

#include "panel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollBar>

WidgetControls::WidgetControls(const Panel &panel)
    : m_panel(panel)
{ }

int WidgetControls::SelectedMode() const
{
    return m_panel.ModeGroup->checkedId();
}

QString WidgetControls::ChannelText() const
{
    return m_panel.Channelnum->text();
}

int WidgetControls::SelectedFilter() const
{
    return m_panel.FilterGroup->checkedId();
}

int WidgetControls::SquelchLevel() const
{
    return m_panel.Squelch->value();
}

bool WidgetControls::AfcChecked() const
{
    return m_panel.AFC->checkState() != Qt::Unchecked;
}

bool WidgetControls::AgcChecked() const
{
    return m_panel.AGC->checkState() != Qt::Unchecked;
}

QString WidgetControls::SelectedStepCaption() const
{
    return m_panel.TuningStep->currentText();
}

void WidgetControls::ShowFrequency(const QString &line)
{
    m_panel.DisplayFrequency->setLine(line);
}

void WidgetControls::ShowSquelch(int level)
{
    m_panel.SquelchFrame->setTitle(QStringLiteral("Squelch %1").arg(level));
}

namespace {

// Checks button `id` of an exclusive group without the group announcing it; true when that
// changed the selection.
bool CheckSilently(QButtonGroup *group, int id)
{
    QAbstractButton *button = group->button(id);
    if (!button || button->isChecked())
        return false;
    const QSignalBlocker blocker(group);
    button->setChecked(true);
    return true;
}

} // namespace

bool WidgetControls::SelectMode(int row)
{
    return CheckSilently(m_panel.ModeGroup, row);
}

bool WidgetControls::SelectFilter(int row)
{
    return CheckSilently(m_panel.FilterGroup, row);
}

bool WidgetControls::SelectStep(int row)
{
    QComboBox *list = m_panel.TuningStep;
    if (row < 0 || row >= list->count() || row == list->currentIndex())
        return false;
    const QSignalBlocker blocker(list);
    list->setCurrentIndex(row);
    return true;
}

bool WidgetControls::SelectSquelch(int level)
{
    QScrollBar *bar = m_panel.Squelch;
    const int before = bar->value();
    const QSignalBlocker blocker(bar);
    bar->setValue(level);
    return bar->value() != before;
}
