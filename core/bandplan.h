#pragma once

#include <array>
#include <optional>

#include "options.h"

// One band of the plan: the options usual between its bounds. Both bounds belong to the band;
// rows are searched in order, so a shared bound belongs to the lower band.
struct BandRow
{
    double lowerMHz;
    double upperMHz;
    int modeIndex; // row of kModeTable
    int filterIndex; // row of kFilterTable
    const char *stepCaption; // caption in kStepTable
};

inline constexpr std::array<BandRow, 11> kBandPlan {{
    {0.1, 0.54, kModeCW, kFilter1, "5 KHz"},
    {0.54, 1.68, kModeAM, kFilter2, "5 KHz"},
    {1.68, 30.0, kModeAM, kFilter1, "5 KHz"},
    {30.0, 76.0, kModeFM, kFilter3, "10 KHz"},
    {76.0, 108.0, kModeFM, kFilter4, "100 KHz"},
    {108.0, 136.0, kModeAM, kFilter2, "25 KHz"},
    {136.0, 170.0, kModeFM, kFilter2, "5 KHz"},
    {170.0, 225.0, kModeFM, kFilter3, "50 KHz"},
    {225.0, 800.0, kModeFM, kFilter3, "10 KHz"},
    {800.0, 950.0, kModeFM, kFilter3, "12.5 KHz"},
    {950.0, 1300.0, kModeFM, kFilter3, "10 KHz"},
}};

// The first band holding the frequency, or nothing when none does (below 0.1, above 1300, or not
// a number); then the options stay as they are.
std::optional<BandRow> BandPlanLookup(double frequencyMHz);
