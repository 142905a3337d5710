#include "bankscan.h"

#include "leadingnumber.h"
#include "memoryfile.h"

namespace {

constexpr int kScanSlots = kBankSlots;

} // namespace

bool IsUsableSlot(const std::string &freqText)
{
    const double frequency = LeadingNumber(TrimmedText(freqText));
    return frequency >= kLowestScanMHz && frequency <= kHighestScanMHz;
}

int NextUsableSlot(int bankScanIndex, const SlotTexts &memFrequency)
{
    int slot = bankScanIndex >= 0 && bankScanIndex <= kScanSlots ? bankScanIndex : 0;
    for (int tried = 0; tried < kScanSlots; ++tried) {
        slot = slot >= kScanSlots ? 1 : slot + 1;
        if (IsUsableSlot(memFrequency[static_cast<std::size_t>(slot)]))
            return slot;
    }
    return 0;
}

bool HasLoadedSlot(const SlotTexts &memFrequency)
{
    for (int slot = 1; slot <= kScanSlots; ++slot) {
        if (!memFrequency[static_cast<std::size_t>(slot)].empty())
            return true;
    }
    return false;
}

int BankScanIndexAfterFruitlessSearch(int bankScanIndex, const SlotTexts &memFrequency)
{
    const int index = bankScanIndex >= 0 && bankScanIndex <= kScanSlots ? bankScanIndex : 0;
    if (!HasLoadedSlot(memFrequency))
        return index >= kScanSlots ? 1 : index + 1;
    return index == 0 ? kScanSlots : index;
}
