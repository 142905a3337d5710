#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLabel;

class Tuner;
struct Panel;
struct TunedState;

// The memory page: loads the selected bank of the memory file into the 32 memory buttons, tunes a
// channel when its button is clicked, and opens the file in the desktop's text editor.
class MemoryPage : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kReadChunkBytes = 64 * 1024;

    MemoryPage(TunedState &state, Tuner &tuner, const Panel &panel, QObject *parent = nullptr);

    // Reads the memory file (in the working directory) afresh and loads the bank selected in the
    // bank list. A missing or unreadable file, or a bank without channels, leaves every slot empty;
    // nothing is reported. The file is only read.
    void LoadMemoryBank();
    // Tunes slot n (1 … 32): its frequency, then its mode, filter and step where it has them.
    void Memory_Click(int slot);
    // Opens the memory file in the text editor, when it exists; never waits, never reports.
    // Without a memory file it offers to create one from the example file first, and does
    // nothing unless the operator says yes.
    void EditMemory_Click();

    // The tuned state, for storing the tuned channel.
    const TunedState &state() const { return m_state; }

    // The example memory file, built into the program.
    static constexpr const char *kExampleResource = ":/examples/QZMemory.txt";

    // How the editor is started: by default the desktop's handler for text files. Tests replace it.
    // False when no editor could be started.
    using EditorLauncher = std::function<bool(const QString &absolutePath)>;
    void setEditorLauncher(EditorLauncher launcher) { m_launchEditor = std::move(launcher); }

private:
    void ShowBank();
    void ShowFileNotice(const QString &text);
    bool CreateFromExample(const QString &absolutePath);

    TunedState &m_state;
    Tuner &m_tuner;
    const Panel &m_panel;
    EditorLauncher m_launchEditor;
    // One line under the grid when the file is not read as it looks; it leads to LOAD.
    QLabel *m_notice = nullptr;
};
