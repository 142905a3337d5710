#include "strengthcalibration.h"
#include "plainnumber.h"

#include "replyparser.h"

#include <charconv>
#include <cmath>

namespace {

// Wide enough for any meter, narrow enough that a slip of the keyboard is caught.
constexpr int kLowestDb = -200;
constexpr int kHighestDb = 200;

int MeterScaleDb(int raw)
{
    constexpr double kLevelsPerDivision = kSignalMeterMaxLevel / 12.0;
    constexpr double kS9Level = 9 * kLevelsPerDivision;
    const double level = SignalLevelForReading(raw);
    if (level <= kS9Level)
        return int(std::lround((level / kLevelsPerDivision - 9) * 6));
    return int(std::lround((level - kS9Level) / kLevelsPerDivision * 20));
}

bool IsSeparator(char c)
{
    return c == ' ' || c == ',' || c == ';' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

StrengthCalibration StrengthCalibration::MeterScale()
{
    StrengthCalibration scale;
    scale.m_meterScale = true;
    // The meter is full from raw 100 up.
    for (int raw = 0; raw <= 100; ++raw)
        scale.m_points.push_back({raw, MeterScaleDb(raw)});
    return scale;
}

std::optional<StrengthCalibration> StrengthCalibration::Parse(
    std::string_view text, std::string *error)
{
    auto fail = [error](std::string why) -> std::optional<StrengthCalibration> {
        if (error)
            *error = std::move(why);
        return std::nullopt;
    };
    StrengthCalibration table;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSeparator(text[i]))
            ++i;
        const size_t start = i;
        while (i < text.size() && !IsSeparator(text[i]))
            ++i;
        if (i == start)
            break;
        const std::string_view point = text.substr(start, i - start);
        const size_t colon = point.find(':');
        const std::optional<int> raw = colon == std::string_view::npos
            ? std::nullopt
            : ParsePlainNumber<int>(point.substr(0, colon));
        const std::optional<int> db = colon == std::string_view::npos
            ? std::nullopt
            : ParsePlainNumber<int>(point.substr(colon + 1));
        if (!raw || !db)
            return fail("\"" + std::string(point) + "\" is not RAW:DB");
        if (*raw < 0 || *raw > kHighestReading)
            return fail("raw reading " + std::to_string(*raw) + " is outside 0 to 255");
        if (*db < kLowestDb || *db > kHighestDb)
            return fail(std::to_string(*db) + " dB is outside -200 to 200");
        if (!table.m_points.empty() && *raw <= table.m_points.back().raw)
            return fail("raw readings must rise: " + std::to_string(*raw) + " follows "
                + std::to_string(table.m_points.back().raw));
        table.m_points.push_back({*raw, *db});
    }
    if (table.m_points.empty())
        return MeterScale();
    if (table.m_points.size() < 2)
        return fail("a table needs at least two points");
    return table;
}

int StrengthCalibration::DbForReading(int raw) const
{
    if (raw <= m_points.front().raw)
        return m_points.front().db;
    for (size_t i = 1; i < m_points.size(); ++i) {
        const Point &low = m_points[i - 1];
        const Point &high = m_points[i];
        if (raw <= high.raw)
            return int(std::lround(
                low.db + double(raw - low.raw) * (high.db - low.db) / (high.raw - low.raw)));
    }
    return m_points.back().db;
}

std::string StrengthCalibration::Text() const
{
    if (m_meterScale)
        return {};
    std::string text;
    for (const Point &point : m_points) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(point.raw) + ':' + std::to_string(point.db);
    }
    return text;
}
