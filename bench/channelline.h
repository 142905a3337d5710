#pragma once

#include "memoryfile.h"

#include <cstdio>
#include <string>

// A padded channel line of the bank, with CR LF, for the generated memory files of the benches.
inline std::string ChannelLine(int bank, int slot)
{
    char line[160];
    std::snprintf(line, sizeof line,
        " %s FREQUENCY=%-11.4f NAME=CH%-4d MODE=FM  FILTER=50 KHz STEP=12.5 KHz\r\n",
        BankName(bank).c_str(), 100.0 + bank + slot * 0.0125, slot);
    return line;
}
