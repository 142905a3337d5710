#pragma once

#include <string>
#include <string_view>

inline constexpr const char *kDirectEntryTitle = "Input Direct Frequency";
inline constexpr const char *kDirectEntryPrompt = "Enter Frequency in MHz (From 0.1 To 1100) :";

// Typed frequencies (prompt and keypad alike) must lie in 0.1 ... 1100 MHz, both ends included.
bool IsTypedFrequencyAccepted(double frequencyMHz);

// The text the prompt offers: the frequency rounded to two decimals (exact halves to the even
// digit), always with a point whatever the locale, without trailing zeros or a trailing point:
// 105.9 gives "105.9", 7 gives "7", 145.00625 gives "145.01". A value that is not a finite number
// gives the empty text.
std::string DirectEntryDefault(double currentMHz);

enum class DirectEntryAction {
    Leave, // the prompt came back empty: change nothing
    AskAgain, // not a frequency in range: show the prompt again, with the same default
    Tune, // take frequencyMHz, then apply the band plan and send it
};

struct DirectEntryVerdict
{
    DirectEntryAction action = DirectEntryAction::Leave;
    double frequencyMHz = 0.0; // meaningful for Tune only
};

// What to do with the text the prompt returned; only its leading number counts.
DirectEntryVerdict JudgeDirectEntry(std::string_view typed);
