#include "steptable.h"

int StepIndexForCaption(std::string_view caption)
{
    for (size_t i = 0; i < kStepTable.size(); ++i) {
        if (caption == kStepTable[i].caption)
            return static_cast<int>(i);
    }
    return -1;
}

double SteppedUp(double frequencyMHz, double stepMHz)
{
    const double next = frequencyMHz + stepMHz;
    return next > kHighestFrequencyMHz ? kLowestFrequencyMHz : next;
}

double SteppedDown(double frequencyMHz, double stepMHz)
{
    const double next = frequencyMHz - stepMHz;
    return next < kLowestFrequencyMHz ? kHighestFrequencyMHz : next;
}
