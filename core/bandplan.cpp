#include "bandplan.h"

std::optional<BandRow> BandPlanLookup(double frequencyMHz)
{
    for (const BandRow &row : kBandPlan) {
        if (row.lowerMHz <= frequencyMHz && frequencyMHz <= row.upperMHz)
            return row;
    }
    return std::nullopt;
}
