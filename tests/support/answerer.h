#pragma once

#include "pseudoterminal.h"

#include <QList>
#include <QObject>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

// The receiver's side of the line, answering each "SS?" with the next scripted reply (in chunks
// 5 ms apart, the first delayMs after the question), or not at all once the script has run out.
// It reads everything the program writes; heard() keeps it.
class Answerer : public QObject
{
public:
    Answerer(PseudoTerminal &pty, QList<QList<QByteArray>> replies, int delayMs = 5)
        : m_pty(pty)
        , m_replies(std::move(replies))
        , m_notifier(pty.masterFd(), QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this, delayMs] {
            const QByteArray got = m_pty.readAvailable();
            m_heard += got;
            m_unanswered += got;
            for (qsizetype at; (at = m_unanswered.indexOf("SS?\r")) >= 0;) {
                m_unanswered.remove(0, at + 4);
                if (m_replies.isEmpty())
                    continue;
                int after = delayMs;
                for (const QByteArray &chunk : m_replies.takeFirst()) {
                    QTimer::singleShot(after, this, [this, chunk] { m_pty.write(chunk); });
                    after += 5;
                }
            }
        });
    }

    QByteArray heard() const { return m_heard; }

private:
    PseudoTerminal &m_pty;
    QList<QList<QByteArray>> m_replies;
    QSocketNotifier m_notifier;
    QByteArray m_heard;
    QByteArray m_unanswered;
};

// One signal question of the session, answered with the reply (none when it is empty); returns
// once the session has taken the answer or given up, with what the receiver heard meanwhile.
template<typename Session>
QByteArray AskAnswered(Session &session, PseudoTerminal &pty, const QByteArray &reply)
{
    QList<QList<QByteArray>> replies;
    if (!reply.isEmpty())
        replies.append(QList<QByteArray> {reply});
    Answerer answerer(pty, replies);
    bool done = false;
    session.ReadSignal([&done](auto) { done = true; });
    if (!QTest::qWaitFor([&done] { return done; }, 2000))
        return "<no answer taken>";
    return answerer.heard();
}
