#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What a band sweep covers: from a start to a stop frequency by one step of the tuning-step list.
// Frequencies are kept in whole hertz so that every step lands exactly where the operator expects
// (144 + 40 × 0.025 is 145.000, not 144.99999999999997).
struct SweepPlan
{
    std::int64_t startHz = 0;
    std::int64_t stopHz = 0; // the last step lies at or below it
    int stepIndex = -1; // row of kStepTable

    std::int64_t stepHz() const;
    // The number of steps of one sweep, both ends included.
    int PointCount() const;
    double FrequencyAt(int index) const;
    // The step nearest to the frequency, clamped to the plan.
    int IndexNearest(double frequencyMHz) const;
    double startMHz() const { return double(startHz) / 1e6; }
    double stopMHz() const { return double(stopHz) / 1e6; }
    // The frequency of the last step (the stop frequency rounded down to the step).
    double lastMHz() const { return FrequencyAt(PointCount() - 1); }

    bool operator==(const SweepPlan &other) const
    {
        return startHz == other.startHz && stopHz == other.stopHz && stepIndex == other.stepIndex;
    }
};

// More steps than this in one sweep are refused: at twenty steps a second such a sweep already
// takes well over an hour.
inline constexpr int kMaxSweepPoints = 100000;

// A plan, or the reason there is none, in words for the operator.
struct SweepPlanResult
{
    std::optional<SweepPlan> plan;
    std::string error;
};

// Checks the range (0.1 to 1100 MHz, start below stop) and the number of steps.
SweepPlanResult MakeSweepPlan(double startMHz, double stopMHz, int stepIndex);
// "START:STOP:STEP" in MHz, for example "144:146:0.025"; STEP must be one of the tuning-step
// list's values.
SweepPlanResult ParseSweepPlan(std::string_view text);

// The row of kStepTable whose size is this many MHz, or -1.
int StepIndexForSize(double stepMHz);

// A plain decimal number and nothing else: digits with at most one "." (never a comma, whatever
// the locale), blanks around it allowed; no sign, no exponent. Nothing for anything else.
std::optional<double> ParseDecimal(std::string_view text);

// The sweep's timing and stop-on-signal settings.
struct SweepSettings
{
    static constexpr int kDefaultDwellMs = 20;
    static constexpr int kMaxDwellMs = 10000;
    static constexpr int kDefaultThreshold = 50;
    static constexpr int kDefaultHoldMs = 5000;
    static constexpr int kMaxHoldMs = 3600 * 1000;

    // Time the receiver is given to settle on a new frequency before the signal query.
    int dwellMs = kDefaultDwellMs;
    bool stopOnSignal = true;
    // A raw reading (0 … 255) at or above this stops the sweep.
    int threshold = kDefaultThreshold;
    // How long the sweep stays on a signal before it goes on by itself; 0 records the hit and
    // goes on at once.
    int holdMs = kDefaultHoldMs;
};

// The values of the --dwell, --threshold and --hold options, checked against their ranges:
// dwell 0 to 10000 ms (whole), threshold 0 to 255 (whole), hold 0 to 3600 s (decimals allowed).
std::optional<int> ParseDwellMs(std::string_view text);
std::optional<int> ParseThreshold(std::string_view text);
std::optional<int> ParseHoldMs(std::string_view text);
