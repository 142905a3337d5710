#include "recall.h"

#include "leadingnumber.h"
#include "memoryfile.h"
#include "options.h"
#include "steptable.h"

std::optional<RecallDecision> DecideRecall(const std::string &freq, const std::string &mode,
    const std::string &filter, const std::string &step)
{
    double frequency = LeadingNumber(TrimmedText(freq));
    // Written so that a value that is not a number at all is refused too.
    if (!(frequency >= kLowestRecallMHz && frequency <= kHighestRecallMHz))
        return std::nullopt;
    // "-0" reads as negative zero; the display would show its sign.
    if (frequency == 0.0)
        frequency = 0.0;

    RecallDecision decision;
    decision.frequencyMHz = frequency;
    const std::string modeText = TrimmedText(mode);
    if (!modeText.empty())
        decision.modeIndex = ModeIndexForWord(modeText);
    const std::string filterText = TrimmedText(filter);
    if (!filterText.empty())
        decision.filterIndex = FilterIndexForCaption(filterText);
    const std::string stepText = TrimmedText(step);
    if (!stepText.empty())
        decision.stepIndex = StepIndexForCaption(stepText);
    return decision;
}
