#include "follownewest.h"

#include "codelog.h"

#include <QEvent>
#include <QListView>
#include <QTimer>

FollowNewest::FollowNewest(QListView *view, CodeLog *log)
    : QObject(view)
    , m_view(view)
    , m_log(log)
{
    view->installEventFilter(this);
    connect(log, &CodeLog::rowsInserted, this, &FollowNewest::ScrollSoon);
}

bool FollowNewest::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::Show) {
        if (!m_view->model())
            m_view->setModel(m_log);
        ScrollSoon();
    }
    return false;
}

void FollowNewest::ScrollSoon()
{
    if (m_scrollPending || !m_view->isVisible())
        return;
    m_scrollPending = true;
    QTimer::singleShot(0, this, [this] {
        m_scrollPending = false;
        if (m_view->isVisible())
            m_view->scrollToBottom();
    });
}
