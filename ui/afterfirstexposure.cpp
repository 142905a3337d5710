#include "afterfirstexposure.h"

#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <utility>

AfterFirstExposure::AfterFirstExposure(QWindow *window, std::function<void()> action)
    : QObject(window)
    , m_window(window)
    , m_action(std::move(action))
{
    window->installEventFilter(this);
}

bool AfterFirstExposure::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Expose && m_window->isExposed()
        && m_action) {
        m_window->removeEventFilter(this);
        QTimer::singleShot(0, this, std::exchange(m_action, nullptr));
    }
    return false;
}
