#include "directentry.h"

#include "leadingnumber.h"
#include "steptable.h"

#include <array>
#include <charconv>
#include <cmath>

bool IsTypedFrequencyAccepted(double frequencyMHz)
{
    return frequencyMHz >= kLowestFrequencyMHz && frequencyMHz <= kHighestFrequencyMHz;
}

std::string DirectEntryDefault(double currentMHz)
{
    if (!std::isfinite(currentMHz))
        return {};
    // to_chars rounds the exact binary value, ties to even, and never looks at the locale; the
    // buffer holds the widest finite double in fixed notation.
    std::array<char, 400> buffer {};
    const auto result = std::to_chars(
        buffer.data(), buffer.data() + buffer.size(), currentMHz, std::chars_format::fixed, 2);
    if (result.ec != std::errc())
        return {};
    std::string text(buffer.data(), result.ptr);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    // A tiny negative value rounds to "-0", which would read back as a negative number.
    if (text == "-0")
        text = "0";
    return text;
}

DirectEntryVerdict JudgeDirectEntry(std::string_view typed)
{
    if (typed.empty())
        return {DirectEntryAction::Leave, 0.0};
    const double value = LeadingNumber(typed);
    if (!IsTypedFrequencyAccepted(value))
        return {DirectEntryAction::AskAgain, 0.0};
    return {DirectEntryAction::Tune, value};
}
