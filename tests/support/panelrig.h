#pragma once

#include "mainwindow.h"
#include "panelfacts.h"
#include "pseudoterminal.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A panel whose receiver is the far side of a pseudo-terminal, started in a folder of its own
// (with the given memory file, or none when it is null).
struct PanelRig
{
    // The poll's query would fall between the commands a test compares: such tests switch on with
    // the poll slowed to once an hour.
    static constexpr int kQuietPollMs = 3600 * 1000;

    explicit PanelRig(const QByteArray &memoryFile = QByteArray())
    {
        QDir::setCurrent(folder.path());
        if (!memoryFile.isNull()) {
            QFile file(folder.filePath(QStringLiteral("QZMemory.txt")));
            if (file.open(QIODevice::WriteOnly))
                file.write(memoryFile);
        }
        window = std::make_unique<MainWindow>(pty.slavePath());
    }

    const Panel &p() const { return window->panel(); }
    ReceiverSession &session() const { return window->session(); }

    // ON; what it wrote is read off the line. Without the poll unless asked for.
    void powerOn(bool withPoll = false)
    {
        if (!withPoll)
            session().setPollInterval(kQuietPollMs);
        p().RadioOn->click();
        written = pty.read();
    }

    QTemporaryDir folder;
    PseudoTerminal pty;
    std::unique_ptr<MainWindow> window;
    QByteArray written; // what the last powerOn() wrote
};
