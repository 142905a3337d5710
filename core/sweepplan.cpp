#include "sweepplan.h"

#include "steptable.h"

#include <cmath>

namespace {

std::string_view TrimBlanks(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<int> WholeNumberIn(std::string_view text, int lowest, int highest)
{
    const std::optional<double> value = ParseDecimal(text);
    if (!value || *value != std::floor(*value) || *value < lowest || *value > highest)
        return std::nullopt;
    return int(*value);
}

std::string MHzText(double mhz)
{
    // Whole kilohertz are enough to tell the operator which end is wrong.
    const long long khz = std::llround(mhz * 1000);
    return std::to_string(khz / 1000) + "." + std::to_string(1000 + khz % 1000).substr(1);
}

} // namespace

std::int64_t SweepPlan::stepHz() const
{
    if (stepIndex < 0 || stepIndex >= int(kStepTable.size()))
        return 0;
    return std::llround(kStepTable[size_t(stepIndex)].sizeMHz * 1e6);
}

int SweepPlan::PointCount() const
{
    const std::int64_t step = stepHz();
    if (step <= 0 || stopHz < startHz)
        return 0;
    const std::int64_t count = (stopHz - startHz) / step + 1;
    return count > kMaxSweepPoints ? 0 : int(count);
}

double SweepPlan::FrequencyAt(int index) const
{
    return double(startHz + std::int64_t(index) * stepHz()) / 1e6;
}

int SweepPlan::IndexNearest(double frequencyMHz) const
{
    const int count = PointCount();
    const std::int64_t step = stepHz();
    if (count == 0 || !std::isfinite(frequencyMHz))
        return 0;
    const double steps = (frequencyMHz * 1e6 - double(startHz)) / double(step);
    if (steps <= 0)
        return 0;
    if (steps >= count - 1)
        return count - 1;
    return int(std::llround(steps));
}

SweepPlanResult MakeSweepPlan(double startMHz, double stopMHz, int stepIndex)
{
    SweepPlanResult result;
    if (stepIndex < 0 || stepIndex >= int(kStepTable.size())) {
        result.error = "The step must be one of the tuning steps.";
        return result;
    }
    if (!std::isfinite(startMHz) || !std::isfinite(stopMHz) || startMHz < kLowestFrequencyMHz
        || stopMHz > kHighestFrequencyMHz) {
        result.error = "Start and stop must lie between 0.1 and 1100 MHz.";
        return result;
    }
    SweepPlan plan;
    plan.startHz = std::llround(startMHz * 1e6);
    plan.stopHz = std::llround(stopMHz * 1e6);
    plan.stepIndex = stepIndex;
    if (plan.stopHz <= plan.startHz) {
        result.error = "The start (" + MHzText(startMHz) + " MHz) must lie below the stop ("
            + MHzText(stopMHz) + " MHz).";
        return result;
    }
    const std::int64_t steps = (plan.stopHz - plan.startHz) / plan.stepHz() + 1;
    if (steps > kMaxSweepPoints) {
        result.error = "That is " + std::to_string(steps) + " steps; a sweep has at most "
            + std::to_string(kMaxSweepPoints) + ". Choose a larger step or a narrower range.";
        return result;
    }
    if (steps < 2) {
        result.error = "The range must hold at least two steps.";
        return result;
    }
    result.plan = plan;
    return result;
}

SweepPlanResult ParseSweepPlan(std::string_view text)
{
    SweepPlanResult result;
    const size_t first = text.find(':');
    const size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos || text.find(':', second + 1) != std::string_view::npos) {
        result.error = "Give the sweep as START:STOP:STEP in MHz, for example 144:146:0.025.";
        return result;
    }
    const std::optional<double> start = ParseDecimal(text.substr(0, first));
    const std::optional<double> stop = ParseDecimal(text.substr(first + 1, second - first - 1));
    const std::optional<double> step = ParseDecimal(text.substr(second + 1));
    if (!start || !stop || !step) {
        result.error = "START, STOP and STEP must be numbers in MHz, for example 144:146:0.025.";
        return result;
    }
    const int stepIndex = StepIndexForSize(*step);
    if (stepIndex < 0) {
        result.error = "The step must be one of the tuning steps in MHz, from 0.000001 (1 Hz) "
                       "to 10 (10 MHz), for example 0.0125 or 0.025.";
        return result;
    }
    return MakeSweepPlan(*start, *stop, stepIndex);
}

int StepIndexForSize(double stepMHz)
{
    for (size_t i = 0; i < kStepTable.size(); ++i) {
        const double size = kStepTable[i].sizeMHz;
        if (std::abs(stepMHz - size) <= size * 1e-9)
            return int(i);
    }
    return -1;
}

std::optional<double> ParseDecimal(std::string_view text)
{
    const std::string_view number = TrimBlanks(text);
    if (number.empty() || number.size() > 32)
        return std::nullopt;
    // Digits collected as one whole number and divided once: 0.025 reads as the nearest double
    // to 0.025, as the step table holds it.
    std::int64_t mantissa = 0;
    int decimals = 0;
    int significant = 0;
    bool point = false;
    bool digits = false;
    for (const char c : number) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (mantissa == 0 && c == '0' && !point)
                continue;
            if (++significant > 15)
                return std::nullopt;
            mantissa = mantissa * 10 + (c - '0');
            if (point)
                ++decimals;
        } else {
            return std::nullopt;
        }
    }
    if (!digits)
        return std::nullopt;
    double divisor = 1;
    for (int i = 0; i < decimals; ++i)
        divisor *= 10;
    return double(mantissa) / divisor;
}

std::optional<int> ParseDwellMs(std::string_view text)
{
    return WholeNumberIn(text, 0, SweepSettings::kMaxDwellMs);
}

std::optional<int> ParseThreshold(std::string_view text)
{
    return WholeNumberIn(text, 0, 255);
}

std::optional<int> ParseHoldMs(std::string_view text)
{
    const std::optional<double> seconds = ParseDecimal(text);
    if (!seconds || *seconds * 1000 > SweepSettings::kMaxHoldMs)
        return std::nullopt;
    return int(std::llround(*seconds * 1000));
}
