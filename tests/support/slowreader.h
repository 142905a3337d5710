#pragma once

#include "pseudoterminal.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

// The far end of a pseudo-terminal read as a 9600-baud line takes bytes: 960 a second whenever
// something is waiting, on a thread of its own so that a busy program cannot slow it down. It
// notes each complete line (ended by CR) with the time its CR arrived, and the most bytes it ever
// found waiting: the line's backlog.
class SlowReader
{
public:
    static constexpr double kLineBytesPerSecond = 960.0;

    struct Line
    {
        QByteArray text; // without the CR
        qint64 atMs = 0; // SlowReader::NowMs() when the CR arrived
    };

    explicit SlowReader(PseudoTerminal &pty, double bytesPerSecond = kLineBytesPerSecond)
        : m_fd(pty.masterFd())
        , m_rate(bytesPerSecond)
        , m_thread([this] { Run(); })
    { }
    ~SlowReader()
    {
        m_quit = true;
        m_thread.join();
    }
    SlowReader(const SlowReader &) = delete;
    SlowReader &operator=(const SlowReader &) = delete;

    // Milliseconds on the monotonic clock, the time base of the lines' arrival times.
    static qint64 NowMs()
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

    // The far side stops reading (a receiver busy with something else) or starts again.
    void setReading(bool on) { m_reading = on; }

    QByteArray received() const
    {
        QMutexLocker lock(&m_mutex);
        return m_received;
    }
    QList<Line> lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    // The texts of the lines that begin with prefix, in order.
    QList<QByteArray> linesStartingWith(const QByteArray &prefix) const
    {
        QList<QByteArray> out;
        for (const Line &line : lines()) {
            if (line.text.startsWith(prefix))
                out << line.text;
        }
        return out;
    }
    // Bytes waiting for the far side beyond what the line has carried so far, now and at most
    // since the last reset while the far side was reading.
    int backlogBytes() const { return m_backlog; }
    int maxBacklogBytes() const { return m_maxBacklog; }
    void resetMaxBacklog() { m_maxBacklog = 0; }

private:
    void Run()
    {
        using namespace std::chrono;
        double credit = 0;
        auto last = steady_clock::now();
        while (!m_quit) {
            std::this_thread::sleep_for(milliseconds(2));
            const auto now = steady_clock::now();
            const double seconds = duration<double>(now - last).count();
            last = now;
            int waiting = 0;
            if (::ioctl(m_fd, FIONREAD, &waiting) != 0)
                waiting = 0;
            if (!m_reading) {
                m_backlog = waiting;
                credit = 0;
                continue;
            }
            // An idle line banks no more than a byte or two; a busy one is read at its rate, and
            // a look that comes late (this thread was not run) catches up with the line.
            credit = waiting > 0 ? credit + seconds * m_rate
                                 : std::min(credit + seconds * m_rate, 2.0);
            const int take = std::min(waiting, int(credit));
            ssize_t n = 0;
            char buffer[4096];
            if (take > 0)
                n = ::read(m_fd, buffer, size_t(std::min<int>(take, sizeof buffer)));
            // What the line could not have carried yet: the backlog.
            m_backlog = waiting - int(std::max<ssize_t>(n, 0));
            m_maxBacklog = std::max(m_maxBacklog.load(), m_backlog.load());
            if (n <= 0)
                continue;
            // Once everything waiting is read the line idles: unused time is not banked.
            credit = n == waiting ? std::min(credit - double(n), 2.0) : credit - double(n);
            Take(QByteArray(buffer, int(n)));
        }
    }

    void Take(const QByteArray &bytes)
    {
        const qint64 at = NowMs();
        QMutexLocker lock(&m_mutex);
        m_received += bytes;
        for (const char c : bytes) {
            if (c == '\r') {
                m_lines.append({m_partial, at});
                m_partial.clear();
            } else {
                m_partial += c;
            }
        }
    }

    const int m_fd;
    const double m_rate;
    std::atomic<bool> m_quit {false};
    std::atomic<bool> m_reading {true};
    std::atomic<int> m_backlog {0};
    std::atomic<int> m_maxBacklog {0};
    mutable QMutex m_mutex;
    QByteArray m_received;
    QByteArray m_partial;
    QList<Line> m_lines;
    std::thread m_thread; // last: it starts once everything above is ready
};
