#pragma once

#include "sweepplan.h"

#include <QString>
#include <QStringList>

#include <optional>

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

void AddSweepOptions(QCommandLineParser &parser);
// Reads them after parser.process(); checks every value.
SweepCommandLine ReadSweepOptions(const QCommandLineParser &parser);
