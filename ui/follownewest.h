#pragma once

#include <QObject>

class CodeLog;
class QListView;

// Keeps the newest line of a log in view. Scrolling makes the list lay out every one of its rows
// there and then, so with a full log an immediate scroll on every line cost more than sending the
// command did, even with the CODES page hidden. The scroll is left to the event loop (one layout
// for however many lines came) and skipped while the log is hidden; showing it scrolls it. The
// list is given the log when it is first shown: it is not in the panel's first frame.
class FollowNewest : public QObject
{
public:
    FollowNewest(QListView *view, CodeLog *log);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ScrollSoon();

    QListView *m_view;
    CodeLog *m_log;
    bool m_scrollPending = false;
};
