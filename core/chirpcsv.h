#pragma once

#include "memoryfile.h"

#include <string>
#include <string_view>
#include <vector>

// Channel lists in CHIRP's CSV format, the common way channel lists are exchanged, turned into
// banks of the memory file and back. Pure functions over texts; files are read and written by
// the caller.

// One record of a CSV text: its cells and the line it starts on (from 1).
struct CsvRow
{
    int line = 0;
    std::vector<std::string> cells;
};

// Reads comma-separated records: a cell in double quotes may hold commas, line ends and doubled
// quotes (""); records end at CR LF, LF or CR. A UTF-8 byte-order mark at the start is skipped,
// and so are blank lines. An unterminated quote runs to the end of the text.
std::vector<CsvRow> ParseCsv(std::string_view text);

// A message about one record of the CSV text (its line) or one slot of a bank.
struct ChirpNote
{
    int line = 0;
    std::string message;
};

struct ImportedChannel
{
    int line = 0; // where the record stands in the CSV text
    ChannelFields fields;
};

struct ChirpImport
{
    // Empty when the text could be read as a CHIRP export; otherwise why not.
    std::string error;
    std::vector<ImportedChannel> channels; // in the order of the records
    std::vector<ChirpNote> skipped; // records that give no channel, and why
    // Channels whose names had characters the memory file cannot hold, and what became of them.
    std::vector<ChirpNote> renamed;
};

// Reads a CHIRP export. The columns are found by their header names (any order, any letter
// case); Frequency is needed, Name, Mode and TStep are used when present, the rest (duplex,
// offset and tones are for transmitting) is ignored. Each record gives a channel with the
// receive frequency, the name in single-byte text (Cyrillic written in Latin letters, other
// characters the file cannot hold left out, each such name listed in renamed) cut to six
// characters, the mode (FM and NFM as FM, WFM as PLS, AM, USB, LSB, CW; any other mode skips the
// record), the band plan's filter for the frequency (the narrowest for NFM; a Comment written
// exactly "FILTER=10 KHz", as the export writes it, gives that filter) and the step from TStep
// when it is one of the panel's, else the band plan's. Frequencies outside 0.1 to 1100 MHz are
// skipped too.
ChirpImport ImportChirpCsv(std::string_view csv);

// A channel line of the bank with every value padded to its width:
// " MEMORY BANK #05 FREQUENCY=146.52      NAME=2m Cal MODE=FM  FILTER=50 KHz STEP=5 KHz"
// (no line end).
std::string FormatChannelLine(int bank, const ChannelFields &fields);

// Channels placed in banks: each bank takes at most 32, from firstBank on; with spill the rest go
// on into the following banks up to 99, otherwise they are left over.
struct BankFill
{
    int bank = 0;
    std::vector<ImportedChannel> channels;
};
struct ImportPlan
{
    std::vector<BankFill> banks;
    std::vector<ImportedChannel> leftOver;
};
ImportPlan PlanImport(const std::vector<ImportedChannel> &channels, int firstBank, bool spill);

// True when a line feed stands without a carriage return before it. The panel reads such a file
// as fewer, longer lines, so its banks cannot be replaced line by line.
bool HasBareLineFeeds(std::string_view fileBytes);

// The memory file with the bank's lines (its first run, as the panel reads it, with any lines
// past the 32nd) replaced where they stood by the given channels, each line ended by CR LF. A
// bank that has no line is appended at the end. Every other byte stays as it was.
std::string ReplaceBankLines(
    std::string_view fileBytes, int bank, const std::vector<ChannelFields> &channels);

// CHIRP's CSV column names, in the order CHIRP writes them.
const std::vector<std::string> &ChirpColumns();

struct ChirpExport
{
    std::string csv; // the header and one record per exported channel, CR LF line ends
    int written = 0;
    std::vector<ChirpNote> notes; // by slot number: channels left out or written differently
};

// A bank as a CHIRP export: one record per loaded slot, Location the slot number, the frequency
// and name, the mode (PLS as WFM, FM with the 10 KHz filter as NFM where the band plan has a
// wider one; the band plan's when the slot has none the panel knows), TStep from the step (the
// band plan's when the slot has none), a filter other than the one an import would choose as
// the Comment "FILTER=..." and CHIRP's defaults for the transmit-only columns. Channels with a
// mode, filter and step of the panel's come back unchanged from an import. The name is turned from
// the memory file's single-byte text into UTF-8. A frequency text that is not a plain decimal
// number is not exported.
ChirpExport ExportChirpCsv(const std::vector<ChannelFields> &bank);
