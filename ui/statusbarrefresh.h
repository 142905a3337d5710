#pragma once

#include "receiversession.h"

#include <QDate>
#include <QObject>
#include <QString>
#include <QTimer>

struct Panel;

// Refreshes the status bar from the controls every tick of Timer6 (300 ms): date, time, tuning
// step, mode, filter and memory bank. It never reads the receiver. The link's panel follows the
// session's announcements instead (ShowLinkState, ShowAnswering), the moment they come.
class StatusBarRefresh : public QObject
{
    Q_OBJECT

public:
    static constexpr int kRefreshIntervalMs = 300;

    explicit StatusBarRefresh(const Panel &panel, QObject *parent = nullptr);

    void Refresh();
    void ShowLinkState(ReceiverSession::State state);
    void ShowAnswering(bool answering);
    // The refresh's own timer (Timer6): runs from start-up to exit.
    void Start() { m_timer.start(); }
    void Stop() { m_timer.stop(); }
    bool isRunning() const { return m_timer.isActive(); }

private:
    const Panel &m_panel;
    QTimer m_timer;
    // The date and the second last formatted, and their texts.
    QDate m_date;
    int m_second = -1;
    QString m_dateText;
    QString m_timeText;
    ReceiverSession::State m_linkState = ReceiverSession::State::Off;
    bool m_answering = true;
};

// The link's panel: "Off", "On" (polling), "Scanning", "Bank scan", "Sweeping", or "No reply"
// while the link is on and the receiver does not answer.
QString LinkStateText(ReceiverSession::State state, bool answering);
