// The checker on any bytes: the panel's lines cover the file exactly, findings stand on lines the
// file has, and every bank's summary is what the loader loads.
#include "memorycheck.h"
#include "memoryfile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char *>(data), size);

    const std::vector<MemoryLine> lines = SplitMemoryLines(file);
    std::size_t at = 0;
    for (const MemoryLine &line : lines) {
        Check(line.offset == at && line.text.data() == file.data() + at);
        Check(line.text.find('\r') == std::string_view::npos);
        Check(line.next > line.offset && line.next <= file.size());
        at = line.next;
    }
    Check(at == file.size());

    const MemoryCheck check = CheckMemoryFile(file);
    Check(check.panelLines == static_cast<int>(lines.size()));
    Check(check.editorLines >= check.panelLines);
    for (const MemoryFinding &f : check.findings) {
        Check(f.line >= 1 && f.line <= std::max(1, check.editorLines));
        Check(!f.message.empty());
    }
    Check(std::is_sorted(check.findings.begin(), check.findings.end(),
        [](const MemoryFinding &a, const MemoryFinding &b) { return a.line < b.line; }));

    std::vector<int> channels(kBankCount + 1, 0);
    std::vector<int> runLines(kBankCount + 1, 0);
    int previous = 0;
    for (const BankSummary &s : check.banks) {
        Check(s.bank > previous && s.bank <= kBankCount);
        Check(s.firstLine <= s.lastLine && s.lastLine <= check.editorLines);
        Check(s.channels + s.withoutFrequency == std::min(s.runLines, kBankSlots));
        previous = s.bank;
        channels[static_cast<std::size_t>(s.bank)] = s.channels;
        runLines[static_cast<std::size_t>(s.bank)] = std::min(s.runLines, kBankSlots);
    }
    for (int bank = 1; bank <= kBankCount; ++bank) {
        const std::vector<ChannelFields> loaded = LoadBank(file, BankName(bank));
        Check(static_cast<int>(loaded.size()) == runLines[static_cast<std::size_t>(bank)]);
        Check(LoadedSlotCount(loaded) == channels[static_cast<std::size_t>(bank)]);
    }
    return 0;
}
