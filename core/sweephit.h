#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// One stop of the sweep on a signal.
struct SweepHit
{
    std::int64_t timeMsUtc = 0; // when the sweep stopped, milliseconds since 1970 UTC
    double frequencyMHz = 0;
    int peakReading = 0; // the highest raw reading seen while the sweep stayed there
    std::string mode; // the mode word of the frequency command, "FM"
    std::string filter; // the filter word, "BW3"
};

// The hits log and the exported table are CSV, one hit a line:
//
//     time_utc,frequency_mhz,peak_reading,mode,filter
//     2024-05-01T12:34:56.789Z,145.500000,170,FM,100 KHz
//
// Times are UTC so that a log kept over a change of summer time still sorts; frequencies carry
// whole hertz with "." whatever the locale; the filter is given by its caption.
std::string HitCsvHeader();
std::string HitCsvLine(const SweepHit &hit);

// "2024-05-01T12:34:56.789Z".
std::string FormatUtcTime(std::int64_t msSince1970);
// The frequency with whole hertz but at least minDecimals decimals: 145.5 with 3 gives
// "145.500", 145.50625 gives "145.50625"; with 6 always six decimals.
std::string FormatMHz(double frequencyMHz, int minDecimals = 3);
// The caption of a filter word ("BW3" gives "100 KHz"); an unknown word stands as it is.
std::string FilterCaptionForWord(std::string_view word);
// A CSV field: quoted, with inner quotes doubled, when it holds a comma, a quote or a line end.
std::string CsvField(std::string_view text);
