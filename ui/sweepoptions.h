#pragma once

#include "sweepplan.h"

#include <QString>
#include <QStringList>

#include <optional>

#include <functional>

class QCommandLineParser;

// What the band activity options of the command line ask for:
//
//     --sweep START:STOP:STEP   open the window, switch the link on and sweep (MHz)
//     --dwell MS                settling time per step
//     --threshold RAW           stop-on-signal threshold, 0 … 255
//     --hold SECONDS            how long a signal holds the sweep
//     --hits-log FILE           append every hit to FILE as a CSV line
struct SweepCommandLine
{
    std::optional<SweepPlan> plan;
    SweepSettings settings;
    QString hitsLogPath;
    // Any of the options was given.
    bool given = false;
    // One line per option that could not be read; nothing should start then.
    QStringList errors;
};

// Reads them from the parsed command line (isSet and value of an option by its name, without
// dashes); checks every value.
SweepCommandLine ReadSweepOptions(const std::function<bool(const QString &)> &isSet,
    const std::function<QString(const QString &)> &value);

// The same options on a QCommandLineParser of one's own (the tests and the bench programs).
void AddSweepOptions(QCommandLineParser &parser);
SweepCommandLine ReadSweepOptions(const QCommandLineParser &parser);
