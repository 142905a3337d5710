#include "statusbarrefresh.h"

#include "options.h"
#include "panel.h"

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QRadioButton>

namespace {

// The text of the first selected button of a group, or empty when none is selected.
template<size_t N, size_t M>
QString SelectedText(const std::array<QRadioButton *, N> &buttons,
    const std::array<OptionRow, M> &table, const char *OptionRow::*field)
{
    static_assert(N == M);
    for (size_t i = 0; i < N; ++i) {
        if (buttons[i]->isChecked())
            return QString::fromLatin1(table[i].*field);
    }
    return {};
}

} // namespace

StatusBarRefresh::StatusBarRefresh(const Panel &panel, QObject *parent)
    : QObject(parent)
    , m_panel(panel)
{
    m_timer.setInterval(kRefreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &StatusBarRefresh::Refresh);
}

void StatusBarRefresh::Refresh()
{
    const QString mode = SelectedText(m_panel.Mode, kModeTable, &OptionRow::word);
    const QString filter = SelectedText(m_panel.Filter, kFilterTable, &OptionRow::caption);
    const QLocale locale;
    m_panel.StatusPanel[2]->setText(locale.toString(QDate::currentDate(), QLocale::LongFormat));
    m_panel.StatusPanel[3]->setText(locale.toString(QTime::currentTime(), QLocale::LongFormat));
    m_panel.StatusPanel[4]->setText(m_panel.TuningStep->currentText());
    m_panel.StatusPanel[5]->setText(mode);
    m_panel.StatusPanel[6]->setText(filter);
    m_panel.StatusPanel[7]->setText(m_panel.MemoryBanks->currentText());
}
