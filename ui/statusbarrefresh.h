#pragma once

#include <QObject>

struct Panel;

// Refreshes the status bar from the controls every tick of Timer6 (300 ms): date, time, tuning
// step, mode, filter and memory bank. It never reads the receiver.
class StatusBarRefresh : public QObject
{
    Q_OBJECT

public:
    explicit StatusBarRefresh(const Panel &panel, QObject *parent = nullptr);

    void Refresh();

private:
    const Panel &m_panel;
};
