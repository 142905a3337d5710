#pragma once

#include <string>

// The frequency display, "###0.000.000" (MHz . kHz . Hz, rounded to the nearest hertz),
// right-aligned in 12 characters: 105.9 gives " 105.900.000", 1100 gives "1100.000.000".
std::string FormatDisplayFrequency(double frequencyMHz);

// The eight-character frequency field of the "FRQ " command, "0000.000", rounded to the nearest
// kilohertz: 105.9 gives "0105.900", 0.1 gives "0000.100".
std::string FormatFrequencyField(double frequencyMHz);

// The whole tuning command: "FRQ " + field + ";" + mode word + ";" + filter word.
std::string FrequencyCommand(
    double frequencyMHz, const std::string &modeWord, const std::string &filterWord);
