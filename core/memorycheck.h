#pragma once

#include <string>
#include <string_view>
#include <vector>

// Checks a memory file the way the panel reads it and finds what will not do what its author
// probably meant: line ends, padding, values, bank names and bank runs. Every message says what
// the panel will do and how to fix it. Only reads.

// One finding: the line as a text editor counts lines (a line feed, CR LF or a carriage return
// alone ends a line) and the message.
struct MemoryFinding
{
    int line = 0;
    std::string message;
};

// One bank as the panel loads it.
struct BankSummary
{
    int bank = 0; // 1 to 99
    int firstLine = 0; // editor lines of the bank's first run
    int lastLine = 0;
    int runLines = 0; // lines in the first run, also those past the 32nd
    int channels = 0; // slots the panel shows loaded (they have a frequency), at most 32
    int withoutFrequency = 0; // lines among the first 32 of the run that load no slot
    int neverRead = 0; // lines past the 32nd of the run, or after the run
};

struct MemoryCheck
{
    std::vector<MemoryFinding> findings; // in line order
    std::vector<BankSummary> banks; // the banks that have channel lines, lowest bank first
    int editorLines = 0;
    int panelLines = 0;
    int bareLineFeeds = 0;
};

MemoryCheck CheckMemoryFile(std::string_view fileBytes);

// "MEMORY BANK #03: 5 channels, lines 20-24", with what the panel never reads when there is any.
std::string BankSummaryText(const BankSummary &summary);

// A text as it can be shown in a message: in double quotes, with tabs, line ends and other
// control or non-ASCII bytes written as \t, \n, \r and \xNN.
std::string QuotedText(std::string_view text);
