#pragma once

#include "memoryfile.h"

#include <string>
#include <string_view>
#include <vector>

struct TunedState;

// Editing one bank of the memory file: its first run of channel lines read as rows, changed, and
// written back where the run stood. Every line outside the run stays byte for byte, and so does
// every row that was not edited, with its own line end and first character.

struct BankRow
{
    ChannelFields fields;
    // The line as the file has it, without its line end, and that line end ("\r\n", "\r" or none
    // at the end of the file). Written back as it was while the row is not edited; an edited or
    // new row has no original and is written padded, with CR LF.
    std::string original;
    std::string originalEnd;
    bool edited() const { return original.empty(); }
};

struct BankRows
{
    std::vector<BankRow> rows; // the first run, all of it (also lines past slot 32)
    // Why the file cannot be edited line by line (bare line feeds), or empty.
    std::string error;
};

BankRows ReadBankRows(std::string_view fileBytes, int bank);

struct BankWrite
{
    std::string bytes;
    int firstLine = 0; // the line of the first row, as an editor counts lines
};

// The file with the bank's first run replaced by the rows. A bank that has no line yet is
// appended at the end of the file.
BankWrite WriteBankRows(std::string_view fileBytes, int bank, const std::vector<BankRow> &rows);

// For each row, what the panel would not read as meant (the checker's messages), or empty.
std::vector<std::string> RowFindings(
    std::string_view fileBytes, int bank, const std::vector<BankRow> &rows);

// A frequency in MHz as the file holds it: "145.5", "88.0"; rounded to the hertz.
std::string FrequencyText(double frequencyMHz);

// The text of a typed frequency in the file's form ("." as decimal point; a comma is taken as
// one), or empty with the reason in problem: not a number, or outside 0.1 to 1100 MHz.
std::string TypedFrequency(std::string_view typed, std::string &problem);

// The name as the file can hold it: spaces trimmed, at most six characters. problem says why the
// name cannot be stored at all (a key of the line inside it, characters the file cannot hold), and
// note what was changed (cut at six characters).
std::string StorableName(std::string_view latin1, std::string &problem, std::string &note);

// The tuned frequency, mode, filter and step as a channel with the given name.
ChannelFields TunedChannel(const TunedState &state, const std::string &name);

// The slot a store goes to when the operator asks for the next free one: the first row without a
// frequency among the first 32, or a new row after the last; 0 when all 32 are loaded.
int NextFreeSlot(const std::vector<BankRow> &rows);

// Puts the channel into slot (1 to 32, at most one past the last row) of the rows.
void StoreInSlot(std::vector<BankRow> &rows, int slot, const ChannelFields &fields);

// The comment lines that open the example file (up to its first line that is not a comment),
// which start a memory file created by the panel.
std::string HeaderComment(std::string_view exampleBytes);
