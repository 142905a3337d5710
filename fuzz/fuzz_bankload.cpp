// Loading a bank from any bytes: at most 32 channels, the same channels whatever the chunking,
// and recall decisions and the bank scan stay within their ranges on what was loaded.
#include "bankscan.h"
#include "memoryfile.h"
#include "options.h"
#include "pieces.h"
#include "recall.h"
#include "steptable.h"
#include "tunedstate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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

void CheckIndex(int index, std::size_t rows)
{
    Check(index >= -1 && index < static_cast<int>(rows));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // 0 gives the empty name, which matches nothing; 1 to 99 name the banks.
    const int bank = data[0] % 100;
    const std::string name = BankName(bank);
    const std::string_view file(reinterpret_cast<const char *>(data) + 1, size - 1);

    const std::vector<ChannelFields> channels = LoadBank(file, name);
    Check(channels.size() <= static_cast<std::size_t>(kBankSlots));
    if (name.empty())
        Check(channels.empty());

    // Chunks up to a little more than a channel line, so line ends and keys fall anywhere.
    BankReader reader(name);
    PieceSizes sizes(file, 100);
    std::string_view rest = file;
    while (!rest.empty() && !reader.done()) {
        const std::size_t take = std::min(sizes.next(), rest.size());
        reader.feed(rest.substr(0, take));
        rest.remove_prefix(take);
        // The first 16 characters of a line, the values and the key tail.
        Check(reader.bufferedBytes() <= 16 + 35 + 9);
    }
    reader.finish();
    Check(reader.done());
    Check(reader.channels() == channels);

    TunedState state;
    state.MemFrequency[0] = "145.5"; // entry 0 is never read nor written
    StoreBankInSlots(channels, state);
    Check(state.MemFrequency[0] == "145.5");
    const int loaded = LoadedSlotCount(channels);
    Check(loaded >= 0 && loaded <= static_cast<int>(channels.size()));

    std::array<bool, TunedState::kSlots + 1> usableSlot {};
    for (int n = 1; n <= TunedState::kSlots; ++n) {
        const auto slot = static_cast<std::size_t>(n);
        const std::optional<RecallDecision> decision = DecideRecall(state.MemFrequency[slot],
            state.MemMode[slot], state.MemFilter[slot], state.MemStep[slot]);
        if (decision) {
            Check(decision->frequencyMHz >= kLowestRecallMHz
                && decision->frequencyMHz <= kHighestRecallMHz);
            Check(!std::signbit(decision->frequencyMHz));
            CheckIndex(decision->modeIndex, kModeTable.size());
            CheckIndex(decision->filterIndex, kFilterTable.size());
            CheckIndex(decision->stepIndex, kStepTable.size());
        }
        const bool usable = IsUsableSlot(state.MemFrequency[slot]);
        // Slots beyond the loaded channels are empty and read as 0.
        if (n > static_cast<int>(channels.size()))
            Check(!usable && decision && decision->frequencyMHz == 0.0);
        usableSlot[slot] = usable;
    }

    for (int index = -2; index <= TunedState::kSlots + 2; ++index) {
        const int next = NextUsableSlot(index, state.MemFrequency);
        // The first usable slot after the index, wrapping; an index out of range counts as 0.
        int expected = 0;
        const int from = index >= 0 && index <= TunedState::kSlots ? index : 0;
        for (int step = 1; step <= TunedState::kSlots && expected == 0; ++step) {
            const int slot = (from + step - 1) % TunedState::kSlots + 1;
            if (usableSlot[static_cast<std::size_t>(slot)])
                expected = slot;
        }
        Check(next == expected);
    }
    return 0;
}
