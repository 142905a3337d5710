#include "sweepoptions.h"

#include <QCommandLineParser>

namespace {

const QString kSweep = QStringLiteral("sweep");
const QString kDwell = QStringLiteral("dwell");
const QString kThreshold = QStringLiteral("threshold");
const QString kHold = QStringLiteral("hold");
const QString kHitsLog = QStringLiteral("hits-log");

} // namespace

SweepCommandLine ReadSweepOptions(const std::function<bool(const QString &)> &isSet,
    const std::function<QString(const QString &)> &value)
{
    SweepCommandLine options;
    for (const QString &name : {kSweep, kDwell, kThreshold, kHold, kHitsLog})
        options.given = options.given || isSet(name);
    if (isSet(kSweep)) {
        const SweepPlanResult result = ParseSweepPlan(value(kSweep).toStdString());
        if (result.plan)
            options.plan = result.plan;
        else
            options.errors << QStringLiteral("--sweep %1: %2")
                                  .arg(value(kSweep), QString::fromStdString(result.error));
    }
    const auto read = [&](const QString &name, auto parse, int &into, const QString &expected) {
        if (!isSet(name))
            return;
        const std::optional<int> parsed = parse(value(name).toStdString());
        if (parsed)
            into = *parsed;
        else
            options.errors << QStringLiteral("--%1 %2: %3").arg(name, value(name), expected);
    };
    read(kDwell, ParseDwellMs, options.settings.dwellMs,
        QStringLiteral("give whole milliseconds from 0 to %1").arg(SweepSettings::kMaxDwellMs));
    read(kThreshold, ParseThreshold, options.settings.threshold,
        QStringLiteral("give a whole number from 0 to 255"));
    read(kHold, ParseHoldMs, options.settings.holdMs,
        QStringLiteral("give seconds from 0 to %1").arg(SweepSettings::kMaxHoldMs / 1000));
    if (isSet(kHitsLog)) {
        options.hitsLogPath = value(kHitsLog);
        if (options.hitsLogPath.isEmpty())
            options.errors << QStringLiteral("--hits-log: give a file name");
    }
    return options;
}

void AddSweepOptions(QCommandLineParser &parser)
{
    parser.addOption({kSweep,
        QStringLiteral("Open the band activity window, switch the link on and sweep from START "
                       "to STOP MHz by STEP MHz (a tuning step, for example 144:146:0.025)."),
        QStringLiteral("START:STOP:STEP")});
    parser.addOption({kDwell,
        QStringLiteral("Settling time per sweep step in milliseconds (default %1).")
            .arg(SweepSettings::kDefaultDwellMs),
        QStringLiteral("MS")});
    parser.addOption({kThreshold,
        QStringLiteral("Raw reading, 0 to 255, at which the sweep stops on a signal (default %1).")
            .arg(SweepSettings::kDefaultThreshold),
        QStringLiteral("RAW")});
    parser.addOption({kHold,
        QStringLiteral("Seconds the sweep stays on a signal before it goes on (default %1; 0 "
                       "only records it).")
            .arg(SweepSettings::kDefaultHoldMs / 1000),
        QStringLiteral("SECONDS")});
    parser.addOption(
        {kHitsLog, QStringLiteral("Append every signal the sweep stops on to FILE as a CSV line."),
            QStringLiteral("FILE")});
}

SweepCommandLine ReadSweepOptions(const QCommandLineParser &parser)
{
    return ReadSweepOptions([&parser](const QString &name) { return parser.isSet(name); },
        [&parser](const QString &name) { return parser.value(name); });
}
