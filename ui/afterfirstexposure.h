#pragma once

#include <QObject>

#include <functional>

class QWindow;

// Runs an action once, just after the window's first exposure has been handled: a widget window
// paints its first frame while handling that event, so by then the operator sees the window.
class AfterFirstExposure : public QObject
{
public:
    AfterFirstExposure(QWindow *window, std::function<void()> action);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWindow *m_window;
    std::function<void()> m_action;
};
