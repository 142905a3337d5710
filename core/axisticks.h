#pragma once

#include <string>
#include <vector>

struct AxisTick
{
    double value;
    std::string label;
};

// Ticks for an axis from lo to hi: a spacing of 1, 2 or 5 times a power of ten, the smallest that
// gives at most maxTicks ticks, each labelled with as many decimals as the spacing needs (1, 1.5,
// 2 for a spacing of 0.5; 144.02 … for 0.02). Nothing for an empty or invalid range.
std::vector<AxisTick> AxisTicks(double lo, double hi, int maxTicks);
// The spacing AxisTicks chooses.
double TickSpacing(double lo, double hi, int maxTicks);
