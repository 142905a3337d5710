#include "steptable.h"
#pragma once

#include <optional>
#include <string>

// What recalling a memory slot does to the tuned state. A row index of -1 leaves that setting as
// it is.
struct RecallDecision
{
    double frequencyMHz = 0.0;
    int modeIndex = -1; // row of kModeTable
    int filterIndex = -1; // row of kFilterTable
    int stepIndex = -1; // row of kStepTable
};

// Recall accepts 0 MHz as well, unlike stepping and typed entries.
inline constexpr double kLowestRecallMHz = 0.0;
inline constexpr double kHighestRecallMHz = kHighestFrequencyMHz;

// Decides a recall from the slot's four texts (each trimmed of spaces). The frequency reads with
// LeadingNumber; outside 0 to 1100 MHz the whole recall is ignored (nothing), even when the
// slot's mode, filter and step are good. The mode is the receiver's word ("PLS" selects WFM), the
// filter the option's caption and the step the list's caption, all exact; any other text leaves
// that setting unchanged.
std::optional<RecallDecision> DecideRecall(const std::string &freq, const std::string &mode,
    const std::string &filter, const std::string &step);
