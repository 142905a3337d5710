#include "axisticks.h"

#include <cmath>
#include <cstdio>

double TickSpacing(double lo, double hi, int maxTicks)
{
    if (!std::isfinite(lo) || !std::isfinite(hi) || hi <= lo || maxTicks < 1)
        return 0;
    const double rough = (hi - lo) / maxTicks;
    double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (;;) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            const double spacing = factor * power;
            // The ticks are the multiples of the spacing that lie within the range.
            const double count
                = std::floor(hi / spacing + 1e-9) - std::ceil(lo / spacing - 1e-9) + 1;
            if (count <= maxTicks)
                return spacing;
        }
        power *= 10;
    }
}

std::vector<AxisTick> AxisTicks(double lo, double hi, int maxTicks)
{
    std::vector<AxisTick> ticks;
    const double spacing = TickSpacing(lo, hi, maxTicks);
    if (spacing <= 0)
        return ticks;
    // Decimals enough for the spacing: 0.02 needs two, 0.5 one, 5 none.
    int decimals = 0;
    while (decimals < 9
        && std::abs(
               spacing * std::pow(10.0, decimals) - std::round(spacing * std::pow(10.0, decimals)))
            > 1e-6)
        ++decimals;
    const double first = std::ceil(lo / spacing - 1e-9);
    const double last = std::floor(hi / spacing + 1e-9);
    for (double k = first; k <= last; ++k) {
        const double value = k * spacing;
        // Formatting a whole number of the last decimal's units keeps the "." whatever the locale.
        const long long units = std::llround(value * std::pow(10.0, decimals));
        const long long magnitude = units < 0 ? -units : units;
        std::string label = std::to_string(magnitude);
        if (decimals > 0) {
            if (int(label.size()) <= decimals)
                label.insert(0, size_t(decimals + 1 - int(label.size())), '0');
            label.insert(label.size() - size_t(decimals), ".");
            // 144 and 144.5 rather than 144.0 and 144.5: the whole ticks read faster.
            while (label.back() == '0')
                label.pop_back();
            if (label.back() == '.')
                label.pop_back();
        }
        if (units < 0)
            label.insert(0, "-");
        ticks.push_back({value, label});
    }
    return ticks;
}
