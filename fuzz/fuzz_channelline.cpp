// One channel line: field widths hold, values are trimmed, a line read in pieces gives the same
// fields as the whole line, and the fields match a plain search for each key.
#include "memoryfile.h"
#include "pieces.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckValue(const std::string &value, std::size_t width)
{
    Check(value.size() <= width);
    Check(value.empty() || (value.front() != ' ' && value.back() != ' '));
}

// The rule without any streaming: first occurrence of the key, the fixed width after it.
std::string PlainField(std::string_view line, std::string_view key, std::size_t width)
{
    const std::size_t at = line.find(key);
    if (at == std::string_view::npos)
        return {};
    return TrimmedText(line.substr(at + key.size(), width));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char *>(data), size);

    const ChannelFields fields = ParseChannelFields(line);
    CheckValue(fields.frequency, 11);
    CheckValue(fields.name, 6);
    CheckValue(fields.mode, 3);
    CheckValue(fields.filter, 7);
    CheckValue(fields.step, 8);

    Check(fields.frequency == PlainField(line, "FREQUENCY=", 11));
    Check(fields.name == PlainField(line, "NAME=", 6));
    Check(fields.mode == PlainField(line, "MODE=", 3));
    Check(fields.filter == PlainField(line, "FILTER=", 7));
    Check(fields.step == PlainField(line, "STEP=", 8));

    // Pieces up to a little more than the longest key, so that keys fall across every seam.
    ChannelFieldScanner scanner;
    PieceSizes sizes(line, 13);
    std::string_view rest = line;
    while (!rest.empty()) {
        const std::size_t take = std::min(sizes.next(), rest.size());
        scanner.feed(rest.substr(0, take));
        rest.remove_prefix(take);
        // The values (35 bytes) and the tail of the longest key less one.
        Check(scanner.bufferedBytes() <= 35 + 9);
    }
    Check(scanner.fields() == fields);

    // The same scanner, reset, reads the whole line as a fresh one.
    scanner.reset();
    scanner.feed(line);
    Check(scanner.fields() == fields);

    // Characters 2 to 16 decide, and only a 15-character name matches.
    Check(!IsChannelLine(line, ""));
    Check(!IsChannelLine(line, BankName(0)));
    if (line.size() >= 16) {
        Check(IsChannelLine(line, line.substr(1, 15)));
        Check(!IsChannelLine(line, line.substr(1, 14)));
        Check(!IsChannelLine(line, line.substr(0, 16)));
    } else if (line.size() >= 1) {
        Check(
            !IsChannelLine(line, std::string(line.substr(1)) + std::string(16 - line.size(), ' ')));
    }
    const std::string bank = BankName(1);
    Check(IsChannelLine(line, bank) == (line.size() >= 16 && line.substr(1, 15) == bank));
    return 0;
}
