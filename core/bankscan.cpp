#include "bankscan.h"

#include "leadingnumber.h"
#include "memoryfile.h"

namespace {

constexpr int kScanSlots = 32;

} // namespace

bool IsUsableSlot(const std::string &freqText)
{
    const double frequency = LeadingNumber(TrimmedText(freqText));
    return frequency >= kLowestScanMHz && frequency <= kHighestScanMHz;
}

int NextUsableSlot(int bankScanIndex, const std::array<std::string, 33> &memFrequency)
{
    int slot = bankScanIndex >= 0 && bankScanIndex <= kScanSlots ? bankScanIndex : 0;
    for (int tried = 0; tried < kScanSlots; ++tried) {
        slot = slot >= kScanSlots ? 1 : slot + 1;
        if (IsUsableSlot(memFrequency[static_cast<std::size_t>(slot)]))
            return slot;
    }
    return 0;
}
