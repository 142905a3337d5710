#pragma once

#include <array>
#include <string_view>

// One entry of the tuning-step list: its caption as shown and the step in MHz.
struct StepRow
{
    const char *caption;
    double sizeMHz;
};

// The tuning-step list, in list order (the list index is the row number).
inline constexpr std::array<StepRow, 21> kStepTable {{
    {"1 Hz", 0.000001},
    {"10 Hz", 0.00001},
    {"20 Hz", 0.00002},
    {"50 Hz", 0.00005},
    {"100 Hz", 0.0001},
    {"500 Hz", 0.0005},
    {"1 KHz", 0.001},
    {"2.5 KHz", 0.0025},
    {"5 KHz", 0.005},
    {"6.25 KHz", 0.00625},
    {"9 KHz", 0.009},
    {"10 KHz", 0.01},
    {"12.5 KHz", 0.0125},
    {"20 KHz", 0.02},
    {"25 KHz", 0.025},
    {"30 KHz", 0.03},
    {"50 KHz", 0.05},
    {"100 KHz", 0.1},
    {"500 KHz", 0.5},
    {"1 MHz", 1.0},
    {"10 MHz", 10.0},
}};

inline constexpr double kLowestFrequencyMHz = 0.1;
inline constexpr double kHighestFrequencyMHz = 1100.0;
// The range as messages name it.
inline constexpr const char *kTunableRangeText = "0.1 to 1100 MHz";
inline constexpr int kStartStepIndex = 17; // "100 KHz"

// The row whose caption equals the text exactly (case matters), or -1.
int StepIndexForCaption(std::string_view caption);

// One step up: past 1100 MHz the frequency lands on 0.1 MHz (the overshoot is dropped); exactly
// 1100 stays. Plain double arithmetic, no snapping to the step.
double SteppedUp(double frequencyMHz, double stepMHz);
// One step down: below 0.1 MHz the frequency lands on 1100 MHz; exactly 0.1 stays.
double SteppedDown(double frequencyMHz, double stepMHz);
