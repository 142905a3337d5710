#pragma once

#include <array>
#include <string_view>

// A mode or filter option button: its control name, its caption and the word it puts into the
// frequency command. The tables are in the order the buttons are examined; a button is known by
// its row number.
struct OptionRow
{
    const char *name;
    const char *caption;
    const char *word;
};

inline constexpr std::array<OptionRow, 6> kModeTable {{
    {"AM", "AM", "AM"},
    {"FM", "FM", "FM"},
    {"WFM", "PLS", "PLS"},
    {"USB", "USB", "USB"},
    {"LSB", "LSB", "LSB"},
    {"CW", "CW", "CW"},
}};

inline constexpr std::array<OptionRow, 5> kFilterTable {{
    {"Filter1", "10 KHz", "BW1"},
    {"Filter2", "50 KHz", "BW2"},
    {"Filter3", "100 KHz", "BW3"},
    {"Filter4", "300 KHz", "BW4"},
    {"Filter5", "1 MHz", "BW5"},
}};

inline constexpr int kModeAM = 0;
inline constexpr int kModeFM = 1;
inline constexpr int kModeWFM = 2;
inline constexpr int kModeUSB = 3;
inline constexpr int kModeLSB = 4;
inline constexpr int kModeCW = 5;
inline constexpr int kFilter1 = 0;
inline constexpr int kFilter2 = 1;
inline constexpr int kFilter3 = 2;
inline constexpr int kFilter4 = 3;
inline constexpr int kFilter5 = 4;

// The mode button whose receiver word equals the text exactly ("PLS" gives WFM), or -1.
int ModeIndexForWord(std::string_view word);
// The filter button whose caption equals the text exactly ("10 KHz" gives Filter1), or -1.
int FilterIndexForCaption(std::string_view caption);
