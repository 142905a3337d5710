#include "sweephit.h"

#include "options.h"

#include <cmath>
#include <cstdio>

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant's algorithm.
void CivilFromDays(std::int64_t days, int &year, int &month, int &day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra
        = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthPrime = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * monthPrime + 2) / 5 + 1);
    month = int(monthPrime < 10 ? monthPrime + 3 : monthPrime - 9);
    year = int(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

std::string HitCsvHeader()
{
    return "time_utc,frequency_mhz,peak_reading,mode,filter";
}

std::string HitCsvLine(const SweepHit &hit)
{
    return FormatUtcTime(hit.timeMsUtc) + "," + FormatMHz(hit.frequencyMHz, 6) + ","
        + std::to_string(hit.peakReading) + "," + CsvField(hit.mode) + ","
        + CsvField(FilterCaptionForWord(hit.filter));
}

std::string FormatUtcTime(std::int64_t msSince1970)
{
    const std::int64_t days = FloorDiv(msSince1970, 86400000);
    const std::int64_t msOfDay = msSince1970 - days * 86400000;
    int year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(days, year, month, day);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", year, month, day,
        int(msOfDay / 3600000), int(msOfDay / 60000 % 60), int(msOfDay / 1000 % 60),
        int(msOfDay % 1000));
    return text;
}

std::string FormatMHz(double frequencyMHz, int minDecimals)
{
    // Whole hertz in integers: no locale can turn the point into a comma.
    const long long hertz = std::isfinite(frequencyMHz) ? std::llround(frequencyMHz * 1e6) : 0;
    const bool negative = hertz < 0;
    const long long magnitude = negative ? -hertz : hertz;
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, "%06lld", magnitude % 1000000);
    std::string decimals(fraction);
    while (int(decimals.size()) > minDecimals && decimals.back() == '0')
        decimals.pop_back();
    std::string out = (negative ? "-" : "") + std::to_string(magnitude / 1000000);
    if (!decimals.empty())
        out += "." + decimals;
    return out;
}

std::string FilterCaptionForWord(std::string_view word)
{
    for (const OptionRow &row : kFilterTable) {
        if (word == row.word)
            return row.caption;
    }
    return std::string(word);
}

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}
