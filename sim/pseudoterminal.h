#pragma once

#include <QByteArray>
#include <QString>

// The master side of a pseudo-terminal pair. Whatever the program writes to the slave device
// (the path a serial port is opened on) arrives here byte for byte, and bytes written here arrive
// at the slave as if a receiver had sent them. Used by the simulated receiver and by the tests.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isOpen() const { return m_masterFd >= 0; }
    QString errorString() const { return m_error; }
    // The slave device's path, for example "/dev/pts/7".
    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_masterFd; }

    // Reads what has arrived from the slave side, waiting up to timeoutMs for the first byte and
    // then until the line has been quiet for quietMs. The application's events are processed
    // meanwhile.
    QByteArray read(int timeoutMs = 1000, int quietMs = 30);
    // Reads whatever is waiting right now, without waiting.
    QByteArray readAvailable();
    bool write(const QByteArray &bytes);
    // Closes the master side: the slave then sees a hang-up, as when a USB adapter is pulled.
    void closeMaster();

private:
    int m_masterFd = -1;
    int m_slaveKeeperFd = -1;
    QString m_slavePath;
    QString m_error;
};
