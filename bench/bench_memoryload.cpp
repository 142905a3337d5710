// Prints how long loading a memory bank takes; asserts nothing.
#include "channelline.h"
#include "memoryfile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string FullFile()
{
    std::string file = "; generated: 99 banks of 32 channels\r\n";
    for (int bank = 1; bank <= kBankCount; ++bank)
        for (int slot = 1; slot <= kBankSlots; ++slot)
            file += ChannelLine(bank, slot);
    return file;
}

// Ten megabytes of other banks' lines, then the wanted bank at the very end.
std::string TenMegabyteFile()
{
    std::string file;
    for (int i = 0; file.size() < 10u * 1024 * 1024; ++i)
        file += ChannelLine(1 + i % 98, 1 + i % 32);
    for (int slot = 1; slot <= kBankSlots; ++slot)
        file += ChannelLine(99, slot);
    return file;
}

template<typename Load>
double MedianMilliseconds(int runs, Load load)
{
    std::vector<double> times;
    std::size_t sink = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        sink += load();
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    if (sink == 0)
        std::printf("(no channels loaded)\n");
    return times[times.size() / 2];
}

void Report(const char *what, const std::string &file, double ms)
{
    const double kb = static_cast<double>(file.size()) / 1024.0;
    std::printf(
        "%-40s %10.0f KB  median %9.4f ms  %8.4f ms per 100 KB\n", what, kb, ms, ms * 100.0 / kb);
}

} // namespace

int main()
{
    const std::string full = FullFile();
    const std::string bank99 = BankName(99);
    Report("bank 99 of a full 99-bank file", full,
        MedianMilliseconds(501, [&] { return LoadBank(full, bank99).size(); }));
    Report("bank 99 of it, fed in 4 KB chunks", full, MedianMilliseconds(501, [&] {
        BankReader reader(bank99);
        for (std::size_t pos = 0; pos < full.size() && !reader.done(); pos += 4096)
            reader.feed(std::string_view(full).substr(pos, 4096));
        reader.finish();
        return reader.channels().size();
    }));
    Report("bank 01 of it (stops after its run)", full,
        MedianMilliseconds(501, [&] { return LoadBank(full, BankName(1)).size(); }));

    const std::string big = TenMegabyteFile();
    Report("bank 99 at the end of a 10 MB file", big,
        MedianMilliseconds(21, [&] { return LoadBank(big, bank99).size(); }));

    std::string oneLine(10u * 1024 * 1024, 'x');
    oneLine.replace(0, 17, " " + bank99 + " ");
    Report("one 10 MB channel line without keys", oneLine,
        MedianMilliseconds(21, [&] { return LoadBank(oneLine, bank99).size(); }));
    return 0;
}
