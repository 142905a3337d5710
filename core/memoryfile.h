#pragma once

// The memory file the panel reads, in the folder it was started in.
inline constexpr const char *kMemoryFileName = "QZMemory.txt";

#include "trim.h"
#include "tunedstate.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TunedState;

// The memory file: plain single-byte text, one channel per line. A line ends at a carriage
// return, and a line feed right after it is skipped; a line feed alone stays part of the line.
// A channel line of a bank carries the bank's 15-character name in characters 2 to 16, and its
// fields anywhere after that, each a key followed by a value of fixed width:
//
//   " MEMORY BANK #01 FREQUENCY=145.5      NAME=AIR   MODE=AM FILTER=10 KHz STEP=25 KHz"
//
// A bank is the first run of consecutive channel lines carrying its name, at most 32 of them.

inline constexpr std::size_t kBankNameLength = 15;

// The five texts of one channel line, each trimmed of leading and trailing spaces (tabs stay).
// A missing key gives the empty text.
struct ChannelFields
{
    std::string frequency;
    std::string name;
    std::string mode;
    std::string filter;
    std::string step;
};

bool operator==(const ChannelFields &a, const ChannelFields &b);
inline bool operator!=(const ChannelFields &a, const ChannelFields &b)
{
    return !(a == b);
}

// One key of a channel line: its text, the number of characters its value takes (the longest
// value of the field's vocabulary) and the field it fills.
struct ChannelFieldKey
{
    std::string_view key;
    std::size_t width;
    std::string ChannelFields::*field;
};

inline constexpr std::array<ChannelFieldKey, 5> kChannelFieldKeys {{
    {"FREQUENCY=", 11, &ChannelFields::frequency},
    {"NAME=", 6, &ChannelFields::name},
    {"MODE=", 3, &ChannelFields::mode},
    {"FILTER=", 7, &ChannelFields::filter},
    {"STEP=", 8, &ChannelFields::step},
}};

// "MEMORY BANK #07" for 7: always two digits. Outside 1 to 99 the empty text, which names no
// bank.
std::string BankName(int bank);

// True when characters 2 to 16 of the line are exactly the 15-character bank name (case
// matters). A name of any other length matches nothing.
bool IsChannelLine(std::string_view line, std::string_view bankName);

// The five fields of one channel line. Each key is searched anywhere in the line, first
// occurrence, case significant, and takes the fixed number of characters after it.
ChannelFields ParseChannelFields(std::string_view line);

// Reads the fields of one line handed over in pieces, holding only a few bytes whatever the
// line's length: a key split between two pieces is still found, and once every key has its value
// the rest of the line is not looked at.
class ChannelFieldScanner
{
public:
    void feed(std::string_view piece);
    // True once every key has been found and its value read in full.
    bool complete() const;
    ChannelFields fields() const;
    void reset();
    // Bytes held for the line, whatever its length: at most the values and a key's length.
    std::size_t bufferedBytes() const;

private:
    struct KeyState
    {
        bool found = false;
        std::size_t remaining = 0;
        std::string value;
    };
    void remember(std::string_view piece);

    std::array<KeyState, 5> m_keys {};
    // The last characters seen, as many as the longest key ("FREQUENCY=") less one, so that a
    // key split between two pieces is found.
    static constexpr std::size_t kTailLength = 9;
    std::array<char, kTailLength> m_tail {};
    std::size_t m_tailSize = 0;
};

// Loads one bank from the memory file fed in chunks of any size. The caller may stop reading as
// soon as done() is true: the bank's run has ended (a line that is not one of its channel lines
// came after it, or 32 slots are filled). Lines of any length are read without being kept whole,
// so a huge or binary file costs time but no memory beyond a few hundred bytes.
class BankReader
{
public:
    explicit BankReader(std::string_view bankName);

    void feed(std::string_view chunk);
    // The end of the file: a last line without a line end still counts.
    void finish();
    bool done() const { return m_done; }
    // Slot n is channels()[n - 1]; at most 32 entries.
    const std::vector<ChannelFields> &channels() const { return m_channels; }
    // Bytes held of the line being read; stays small whatever the line's length.
    std::size_t bufferedBytes() const;

private:
    enum class LineKind { Undecided, Channel, Other };
    void takeLinePiece(std::string_view piece);
    void endLine();

    std::string m_bankName;
    std::vector<ChannelFields> m_channels;
    // The first 16 characters of the current line, until it is known whether it is a channel
    // line of the bank.
    std::string m_prefix;
    LineKind m_lineKind = LineKind::Undecided;
    bool m_lineStarted = false;
    ChannelFieldScanner m_scanner;
    bool m_inRun = false;
    bool m_skipLineFeed = false;
    bool m_done = false;
};

// One line of a whole file held in memory, as the panel reads it: the text up to its carriage
// return, where it starts and where the next line starts (after the CR and a line feed right
// after it).
struct MemoryLine
{
    std::string_view text;
    std::size_t offset = 0;
    std::size_t next = 0;
};

// The file's lines by the panel's rule (a line feed alone stays inside the line). A last line
// without a line end counts; an empty file has no line. BankReader reads lines by the same rule
// in chunks; this is for tools that need every line and where it stands.
std::vector<MemoryLine> SplitMemoryLines(std::string_view fileBytes);

// The bank's channels in a whole file held in memory.
std::vector<ChannelFields> LoadBank(std::string_view fileBytes, std::string_view bankName);

// Replaces the whole loaded bank of the tuned state: all 32 slots are emptied first, then slot n
// takes channels[n - 1]. Entry 0 is left alone.
void StoreBankInSlots(const std::vector<ChannelFields> &channels, TunedState &state);

// A loaded slot has a frequency text, whatever it reads as.
int LoadedSlotCount(const std::vector<ChannelFields> &channels);
