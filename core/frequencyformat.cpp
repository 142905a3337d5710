#include "frequencyformat.h"

#include <cmath>
#include <cstdio>

// Both renderings work on whole units (Hz or kHz) so that the separator is always "." and no
// locale setting can change the text.

std::string FormatDisplayFrequency(double frequencyMHz)
{
    const long long hertz = std::llround(frequencyMHz * 1e6);
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%03lld.%03lld", hertz / 1000000, (hertz / 1000) % 1000,
        hertz % 1000);
    std::string out(text);
    if (out.size() < 12)
        out.insert(0, 12 - out.size(), ' ');
    return out;
}

std::string FormatFrequencyField(double frequencyMHz)
{
    const long long kilohertz = std::llround(frequencyMHz * 1e3);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld.%03lld", kilohertz / 1000, kilohertz % 1000);
    std::string out(text);
    // The field is the first four and the last four characters of the rendering; within the
    // tunable range the rendering is exactly eight characters and the field equals it.
    if (out.size() > 8)
        out = out.substr(0, 4) + out.substr(out.size() - 4);
    return out;
}

std::string FrequencyCommand(
    double frequencyMHz, const std::string &modeWord, const std::string &filterWord)
{
    return "FRQ " + FormatFrequencyField(frequencyMHz) + ";" + modeWord + ";" + filterWord;
}
