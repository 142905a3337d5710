#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The S-meter as network clients read it ("l STRENGTH"): dB relative to S9 for a raw signal
// reading 0 … 255, from a table of points with straight lines between them; a reading below the
// first point or above the last takes that point's value.
//
// The operator writes a table as points "RAW:DB" separated by blanks or commas, raw readings
// rising: "0:-54 40:-20 75:0 120:40". The empty text is the meter's own scale (MeterScale), the
// table a fresh installation uses.
class StrengthCalibration
{
public:
    struct Point
    {
        int raw;
        int db;
    };

    // The meter's own scale: one point per raw reading up to full scale, read off the meter's
    // twelve equal divisions (S0 … S9 at 6 dB each, then +20, +40, +60 dB), so that raw 0 gives
    // -54, raw 75 gives 0 and raw 100 and above give +60.
    static StrengthCalibration MeterScale();
    // The table written in `text`; nothing when it is not one, with the reason in `error`.
    static std::optional<StrengthCalibration> Parse(std::string_view text, std::string *error);

    int DbForReading(int raw) const;
    // The table as the operator writes it; empty for the meter's own scale.
    std::string Text() const;

private:
    std::vector<Point> m_points;
    bool m_meterScale = false;
};
