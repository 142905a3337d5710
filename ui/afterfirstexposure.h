#pragma once

#include <QObject>

#include <functional>

class QWindow;

// Runs an action once, just after the window's first exposure has been handled: a widget window
// paints its first frame while handling that event, so by then the operator sees the window.
// With latestMs the action runs by then at the latest, exposed or not (a window started
// minimised may not be exposed for a long time).
class AfterFirstExposure : public QObject
{
public:
    AfterFirstExposure(QWindow *window, std::function<void()> action, int latestMs = -1);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Run();

    QWindow *m_window;
    std::function<void()> m_action;
};
