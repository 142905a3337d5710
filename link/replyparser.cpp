#include "replyparser.h"

#include "trim.h"

#include <algorithm>

namespace {

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// Compares as text, character by character by code (bytes taken as unsigned).
int CompareText(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace

std::vector<std::string> ReceivedCodeLines(std::string_view text)
{
    const size_t n = TrimSpaces(text).size();
    std::string cleaned;
    cleaned.reserve(n);
    for (char c : text.substr(0, n)) {
        if (c != '\r' && c != '\n')
            cleaned += c;
    }
    const size_t m = TrimSpaces(cleaned).size();
    std::vector<std::string> lines;
    lines.reserve(m / 4 + 1);
    for (size_t p = 0; p < m; p += 4) {
        const std::string_view group = std::string_view(cleaned).substr(p, 4);
        if (group.empty())
            continue;
        if (StartsWith(group, "G0") || StartsWith(group, "I2"))
            lines.push_back("-> " + std::string(group));
        else if (StartsWith(group, "I1"))
            lines.push_back("-----> " + std::string(group));
        else if (StartsWith(group, "I0"))
            lines.push_back("---------> " + std::string(group));
        else
            lines.emplace_back(group);
    }
    return lines;
}

std::optional<int> SignalReading(std::string_view text)
{
    const size_t at = text.find("SS ");
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view field
        = at + 4 <= text.size() ? text.substr(at + 4, 3) : std::string_view();
    if (CompareText(field, "000") < 0 || CompareText(field, "255") > 0)
        return std::nullopt;
    // A decimal numeral, blanks allowed only after it; a fractional part is dropped.
    const std::string_view numeral = field.substr(0, field.find_last_not_of(' ') + 1);
    const size_t point = numeral.find('.');
    const std::string_view whole = numeral.substr(0, point);
    const std::string_view fraction
        = point == std::string_view::npos ? std::string_view() : numeral.substr(point + 1);
    const auto isDigit = [](char c) {
        return c >= '0' && c <= '9';
    };
    if (whole.empty() || !std::all_of(whole.begin(), whole.end(), isDigit)
        || !std::all_of(fraction.begin(), fraction.end(), isDigit))
        return std::nullopt;
    int value = 0;
    for (char c : whole)
        value = value * 10 + (c - '0');
    return value;
}

int SignalLevelForReading(int reading)
{
    // From 100 up the level is full scale; clamping first keeps the product from overflowing.
    const int clamped = std::clamp(reading, 0, 100);
    return std::min((clamped * 128 + 50) / 100, kSignalMeterMaxLevel);
}

std::string SignalMeterLine(int level)
{
    return " " + std::string(size_t(std::max(0, level)), '|');
}

long FindSignalReading(std::string_view text, size_t from, int *reading)
{
    for (size_t at = text.find("SS ", from); at != std::string_view::npos;
         at = text.find("SS ", at + 1)) {
        // "SS " + one character + three digits, or less when the line ends sooner.
        size_t end = at + 7;
        for (size_t i = at + 3; i < std::min(end, text.size()); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                end = i;
                break;
            }
        }
        if (end > text.size())
            return -1; // the rest of this reply is still on its way
        if (const std::optional<int> value = SignalReading(text.substr(at, end - at))) {
            *reading = *value;
            return long(end);
        }
    }
    return -1;
}
