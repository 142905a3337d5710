#include "pseudoterminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    m_masterFd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_masterFd < 0 || ::grantpt(m_masterFd) != 0 || ::unlockpt(m_masterFd) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        closeMaster();
        return;
    }
    m_slavePath = QString::fromLocal8Bit(::ptsname(m_masterFd));
    ::fcntl(m_masterFd, F_SETFL, ::fcntl(m_masterFd, F_GETFL) | O_NONBLOCK);
    // Keep one descriptor of the slave open so that the master never reads a hang-up between two
    // openings of the port, and put the line into raw mode: no echo, no CR/LF translation.
    m_slaveKeeperFd = ::open(m_slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (m_slaveKeeperFd >= 0) {
        termios tio {};
        if (::tcgetattr(m_slaveKeeperFd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_slaveKeeperFd, TCSANOW, &tio);
        }
    }
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
}

void PseudoTerminal::closeMaster()
{
    if (m_slaveKeeperFd >= 0)
        ::close(m_slaveKeeperFd);
    m_slaveKeeperFd = -1;
    if (m_masterFd >= 0)
        ::close(m_masterFd);
    m_masterFd = -1;
}

QByteArray PseudoTerminal::readAvailable()
{
    QByteArray out;
    if (m_masterFd < 0)
        return out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_masterFd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        out.append(buffer, static_cast<int>(n));
    }
    return out;
}

QByteArray PseudoTerminal::read(int timeoutMs, int quietMs)
{
    QByteArray out;
    if (m_masterFd < 0)
        return out;
    // The program on the other side sends from its event loop (its queue paces the line), so the
    // loop keeps running while this waits.
    QElapsedTimer clock;
    clock.start();
    qint64 lastByteAt = 0;
    for (;;) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        const QByteArray chunk = readAvailable();
        if (!chunk.isEmpty()) {
            out += chunk;
            lastByteAt = clock.elapsed();
            continue;
        }
        const qint64 now = clock.elapsed();
        if (out.isEmpty() ? now >= timeoutMs : now - lastByteAt >= quietMs)
            break;
        pollfd pfd {m_masterFd, POLLIN, 0};
        ::poll(&pfd, 1, 1);
    }
    return out;
}

bool PseudoTerminal::write(const QByteArray &bytes)
{
    if (m_masterFd < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(
            m_masterFd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                pollfd pfd {m_masterFd, POLLOUT, 0};
                ::poll(&pfd, 1, 100);
                continue;
            }
            return false;
        }
        done += n;
    }
    return true;
}
