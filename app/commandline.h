#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <array>

// One option of the command line. --help lists the visible ones, one line each, in table order.
struct CommandOption
{
    const char *name; // without dashes: "port"
    char shortName; // '\0' for none
    const char *valueName; // nullptr for a switch: "DEVICE"
    const char *help; // one line
    bool hidden; // parsed but not listed: for the bench programs
};

// The program's options: a new option is one more row here, read with isSet() and value().
inline constexpr std::array<CommandOption, 17> kOptionTable {{
    {"port", '\0', "DEVICE",
        "Serial port: a number (1 is the first port) or a device such as /dev/ttyUSB0", false},
    {"simulate", '\0', nullptr, "Start a simulated receiver and use its port", false},
    {"rigctld", '\0', "[ADDRESS:]PORT",
        "Serve rigctl clients over TCP (127.0.0.1 unless ADDRESS is given; PORT 4532 if left out)",
        false},
    {"rigctld-idle", '\0', "SECONDS",
        "Drop a rigctl client that sends nothing for SECONDS (default 300; 0 keeps every client)",
        false},
    {"trace", '\0', nullptr, "Print every line to and from the receiver on standard error", false},
    // Run before the panel, without a display (memorytools.h); listed here for --help.
    {"check-memory", '\0', "[FILE]", "Check the memory file (default QZMemory.txt) and exit",
        false},
    {"import-chirp", '\0', "CSV", "Import a CHIRP CSV into --bank NN [--output FILE] [--spill]",
        false},
    {"export-chirp", '\0', nullptr, "Export --bank NN [--memory FILE] [--output CSV] as CHIRP CSV",
        false},
    {"sweep", '\0', "START:STOP:STEP",
        "Open Band activity, switch on and sweep (MHz, STEP a tuning step: 144:146:0.025)", false},
    {"dwell", '\0', "MS", "Settling time per sweep step in milliseconds (default 20)", false},
    {"threshold", '\0', "RAW", "Reading 0 to 255 at which the sweep stops on a signal (default 50)",
        false},
    {"hold", '\0', "SECONDS", "How long the sweep stays on a signal (default 5; 0 only records it)",
        false},
    {"hits-log", '\0', "FILE", "Append each signal the sweep stops on to FILE as a CSV line",
        false},
    {"help", 'h', nullptr, "Show this list and exit", false},
    {"version", 'v', nullptr, "Show the version and exit", false},
    {"exit-when-shown", '\0', nullptr,
        "Print the monotonic clock in microseconds once the window is shown, then exit", true},
    {"power-on", '\0', nullptr, "Press ON once the window is shown", true},
}};

// The command line, read before any application object exists, so --help, --version and a
// mistyped option are answered without a display. Qt's own options (-platform, -style, -display
// ...) are accepted here and left to QApplication.
class CommandLine
{
public:
    enum class Outcome { Run, ShowHelp, ShowVersion, Error };

    explicit CommandLine(const QStringList &arguments);

    Outcome outcome() const { return m_outcome; }
    QString errorText() const { return m_error; }
    bool isSet(const char *name) const;
    QString value(const char *name) const;

    static QString HelpText();
    static QString VersionText();

private:
    QCommandLineParser m_parser;
    Outcome m_outcome = Outcome::Run;
    QString m_error;
};
