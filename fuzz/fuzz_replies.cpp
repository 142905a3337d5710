// What the receiver sends: the code log's lines, the signal reading and the meter level.
#include "replyparser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// The group of a log line: the arrow comes off only where the group's code calls for it, so a
// group that itself begins with "-> " is left whole.
std::string_view GroupOf(std::string_view line)
{
    struct Arrow
    {
        std::string_view arrow;
        std::string_view codes[2];
    };
    static constexpr Arrow kArrows[] = {
        {"---------> ", {"I0", "I0"}},
        {"-----> ", {"I1", "I1"}},
        {"-> ", {"G0", "I2"}},
    };
    for (const Arrow &a : kArrows) {
        if (!StartsWith(line, a.arrow))
            continue;
        const std::string_view group = line.substr(a.arrow.size());
        if (StartsWith(group, a.codes[0]) || StartsWith(group, a.codes[1]))
            return group;
    }
    Check(!StartsWith(line, "G0") && !StartsWith(line, "I0") && !StartsWith(line, "I1")
        && !StartsWith(line, "I2"));
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);

    std::string withoutLineEnds;
    for (char c : text) {
        if (c != '\r' && c != '\n')
            withoutLineEnds += c;
    }
    const std::vector<std::string> lines = ReceivedCodeLines(text);
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view group = GroupOf(lines[i]);
        // Groups of four; only the last may be shorter, and none is empty.
        Check(!group.empty() && group.size() <= 4);
        Check(group.size() == 4 || i + 1 == lines.size());
        joined += group;
    }
    Check(StartsWith(withoutLineEnds, joined));

    const std::optional<int> reading = SignalReading(text);
    if (reading) {
        Check(*reading >= 0 && *reading <= 255);
        const int level = SignalLevelForReading(*reading);
        Check(level >= 0 && level <= 128);
        Check(SignalMeterLine(level).size() == static_cast<std::size_t>(level) + 1);
    }

    // The level for any reading whatever, taken from the first bytes.
    if (size >= sizeof(int)) {
        int any = 0;
        std::memcpy(&any, data, sizeof any);
        const int level = SignalLevelForReading(any);
        Check(level >= 0 && level <= 128);
        Check(any > 0 || level == 0);
        Check(any < 100 || level == 128);
    }
    return 0;
}
