#include "afterfirstexposure.h"

#include <QEvent>
#include <QTimer>
#include <QWindow>

#include <utility>

AfterFirstExposure::AfterFirstExposure(QWindow *window, std::function<void()> action, int latestMs)
    : QObject(window)
    , m_window(window)
    , m_action(std::move(action))
{
    window->installEventFilter(this);
    if (latestMs >= 0)
        QTimer::singleShot(latestMs, this, &AfterFirstExposure::Run);
}

void AfterFirstExposure::Run()
{
    m_window->removeEventFilter(this);
    if (auto action = std::exchange(m_action, nullptr))
        action();
}

bool AfterFirstExposure::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Expose && m_window->isExposed()
        && m_action) {
        m_window->removeEventFilter(this);
        QTimer::singleShot(0, this, &AfterFirstExposure::Run);
    }
    return false;
}
