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

// Sets a panel's text only when it changes: a label repaints on every setText.
void Show(QLabel *panel, const QString &text)
{
    if (panel->text() != text)
        panel->setText(text);
}

} // namespace

StatusBarRefresh::StatusBarRefresh(const Panel &panel, QObject *parent)
    : QObject(parent)
    , m_panel(panel)
{
    m_timer.setInterval(kRefreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &StatusBarRefresh::Refresh);
    ShowLinkState(m_linkState);
}

QString LinkStateText(ReceiverSession::State state, bool answering)
{
    using State = ReceiverSession::State;
    if (state == State::Off)
        return StatusBarRefresh::tr("Off");
    if (!answering)
        return StatusBarRefresh::tr("No reply");
    switch (state) {
    case State::Scanning:
        return StatusBarRefresh::tr("Scanning");
    case State::BankScanning:
        return StatusBarRefresh::tr("Bank scan");
    case State::Sweeping:
        return StatusBarRefresh::tr("Sweeping");
    default:
        return StatusBarRefresh::tr("On");
    }
}

void StatusBarRefresh::ShowLinkState(ReceiverSession::State state)
{
    m_linkState = state;
    // A link that goes off is no longer waiting for replies.
    if (state == ReceiverSession::State::Off)
        m_answering = true;
    QLabel *panel = m_panel.LinkStatePanel;
    Show(panel, LinkStateText(m_linkState, m_answering));
    const bool silent = !m_answering && state != ReceiverSession::State::Off;
    panel->setStyleSheet(silent ? QStringLiteral("color: rgb(200, 0, 0);") : QString());
    panel->setToolTip(state == ReceiverSession::State::Off
            ? tr("The serial port is closed: ON opens it.")
            : tr("The serial port is open; the receiver is under remote control."));
}

void StatusBarRefresh::ShowAnswering(bool answering)
{
    m_answering = answering;
    ShowLinkState(m_linkState);
}

void StatusBarRefresh::Refresh()
{
    const QString mode = SelectedText(m_panel.Mode, kModeTable, &OptionRow::word);
    const QString filter = SelectedText(m_panel.Filter, kFilterTable, &OptionRow::caption);
    // The clock is read at every refresh; the system's long formats (time zone names and all) are
    // worked out again only when the date or the second has changed, which is what an idle
    // panel spent most of its time on.
    const QLocale locale;
    const QDate today = QDate::currentDate();
    if (today != m_date) {
        m_date = today;
        m_dateText = locale.toString(today, QLocale::LongFormat);
    }
    const QTime now = QTime::currentTime();
    const int second = now.msecsSinceStartOfDay() / 1000;
    if (second != m_second) {
        m_second = second;
        m_timeText = locale.toString(now, QLocale::LongFormat);
    }
    Show(m_panel.StatusPanel[2], m_dateText);
    Show(m_panel.StatusPanel[3], m_timeText);
    Show(m_panel.StatusPanel[4], m_panel.TuningStep->currentText());
    Show(m_panel.StatusPanel[5], mode);
    Show(m_panel.StatusPanel[6], filter);
    Show(m_panel.StatusPanel[7], m_panel.MemoryBanks->currentText());
}
