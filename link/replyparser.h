#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading what the receiver sent. Pure functions of the received bytes.

// The lines the received-codes log gains for one read: the text without CR and LF, cut into
// groups of four characters; groups beginning "G0" or "I2" get "-> " in front, "I1" gets
// "-----> ", "I0" gets "---------> ". Blanks around the text shorten what is examined: the
// length is taken with the blanks trimmed, the characters from the text as received.
std::vector<std::string> ReceivedCodeLines(std::string_view text);

// The raw reading (0 … 255) of the first "SS " in the text: the three characters that begin one
// character after "SS ". Nothing when there is no "SS ", when the field compares outside "000" …
// "255" as text, or when it is not a decimal numeral (trailing blanks allowed). A fractional part
// is dropped: "SS 01.5" reads 1, "SS 010." reads 10.
std::optional<int> SignalReading(std::string_view text);

// The first complete, usable signal reading in the text from `from` on: its raw value in *reading,
// and the offset just past it; -1 when there is none yet. A reading is complete once its three
// digits have arrived or its line has ended, so "SS 01" waits for more, where a read that has
// run out of time takes it as 1 (SignalReading).
long FindSignalReading(std::string_view text, size_t from, int *reading);

// The highest raw reading the receiver gives.
inline constexpr int kHighestReading = 255;

// The meter level for a raw reading: reading × 128 / 100 rounded, at most 128.
int SignalLevelForReading(int reading);

// The meter's line for a level: one space, then one "|" per level unit.
std::string SignalMeterLine(int level);
// Levels above this are drawn in red, the rest in blue.
inline constexpr int kSignalMeterBlueMaxLevel = 110;
inline constexpr int kSignalMeterMaxLevel = 128;
