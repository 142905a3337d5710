#include "bankedit.h"

#include "chirpcsv.h"
#include "memorycheck.h"
#include "options.h"
#include "steptable.h"
#include "trim.h"
#include "tunedstate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char *kLineEnd = "\r\n";
constexpr std::size_t kNameWidth = kChannelFieldKeys[1].width;

struct Run
{
    std::size_t begin = 0; // offset of the run's first line
    std::size_t end = 0; // offset after its last line end
    bool found = false;
};

Run FirstRun(const std::vector<MemoryLine> &lines, const std::string &name, std::size_t size)
{
    Run run;
    run.begin = run.end = size;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!IsChannelLine(lines[i].text, name))
            continue;
        run.found = true;
        run.begin = lines[i].offset;
        std::size_t last = i;
        while (last + 1 < lines.size() && IsChannelLine(lines[last + 1].text, name))
            ++last;
        run.end = lines[last].next;
        break;
    }
    return run;
}

bool EndsLine(std::string_view bytes)
{
    return bytes.empty() || bytes.back() == '\r' || bytes.back() == '\n';
}

int LineNumberAt(std::string_view bytes, std::size_t offset)
{
    // Bare line feeds are refused before any write, so every line end holds a carriage return.
    return 1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + offset, '\r'));
}

} // namespace

BankRows ReadBankRows(std::string_view fileBytes, int bank)
{
    BankRows result;
    if (HasBareLineFeeds(fileBytes)) {
        result.error = "the file has line ends made of a bare line feed, so the panel does not "
                       "read its lines as they look; save it with CR LF line ends first";
        return result;
    }
    const std::string name = BankName(bank);
    const std::vector<MemoryLine> lines = SplitMemoryLines(fileBytes);
    const Run run = FirstRun(lines, name, fileBytes.size());
    for (const MemoryLine &line : lines) {
        if (line.offset < run.begin || line.offset >= run.end)
            continue;
        BankRow row;
        row.fields = ParseChannelFields(line.text);
        row.original = std::string(line.text);
        row.originalEnd = std::string(fileBytes.substr(
            line.offset + line.text.size(), line.next - line.offset - line.text.size()));
        result.rows.push_back(std::move(row));
    }
    return result;
}

BankWrite WriteBankRows(std::string_view fileBytes, int bank, const std::vector<BankRow> &rows)
{
    const std::vector<MemoryLine> lines = SplitMemoryLines(fileBytes);
    const Run run = FirstRun(lines, BankName(bank), fileBytes.size());

    BankWrite result;
    result.bytes = std::string(fileBytes.substr(0, run.begin));
    // A new run at the end of the file starts a line of its own.
    if (!run.found && !rows.empty() && !EndsLine(result.bytes))
        result.bytes += kLineEnd;
    result.firstLine = LineNumberAt(result.bytes, result.bytes.size());
    const std::string_view after = fileBytes.substr(run.end);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const BankRow &row = rows[i];
        const bool lastOfFile = i + 1 == rows.size() && after.empty();
        if (row.edited()) {
            result.bytes += FormatChannelLine(bank, row.fields) + kLineEnd;
        } else {
            result.bytes += row.original;
            // A line that ended the file without a line end gets one when something follows.
            result.bytes
                += row.originalEnd.empty() && !lastOfFile ? std::string(kLineEnd) : row.originalEnd;
        }
    }
    result.bytes += after;
    return result;
}

std::vector<std::string> RowFindings(
    std::string_view fileBytes, int bank, const std::vector<BankRow> &rows)
{
    const BankWrite written = WriteBankRows(fileBytes, bank, rows);
    std::vector<std::string> result(rows.size());
    for (const MemoryFinding &finding : CheckMemoryFile(written.bytes).findings) {
        const int row = finding.line - written.firstLine;
        if (row < 0 || row >= static_cast<int>(rows.size()))
            continue;
        std::string &text = result[static_cast<std::size_t>(row)];
        text += (text.empty() ? "" : "\n") + finding.message;
    }
    return result;
}

std::string FrequencyText(double frequencyMHz)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", std::round(frequencyMHz * 1e6) / 1e6);
    std::string result = text;
    while (result.size() > 1 && result.back() == '0' && result[result.size() - 2] != '.')
        result.pop_back();
    return result;
}

std::string TypedFrequency(std::string_view typed, std::string &problem)
{
    std::string text = TrimmedText(typed);
    std::replace(text.begin(), text.end(), ',', '.');
    const std::size_t point = text.find('.');
    const bool digitsOnly = !text.empty() && text != "."
        && std::all_of(
            text.begin(), text.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); })
        && std::count(text.begin(), text.end(), '.') <= 1;
    if (!digitsOnly) {
        problem = "a frequency is a number of MHz, such as 145.5";
        return {};
    }
    if (point != std::string::npos && text.size() - point - 1 > 6) {
        problem = "a frequency has at most six decimals (1 Hz)";
        return {};
    }
    const double mhz = std::strtod(text.c_str(), nullptr);
    if (mhz < kLowestFrequencyMHz || mhz > kHighestFrequencyMHz) {
        problem = std::string("the receiver tunes ") + kTunableRangeText;
        return {};
    }
    return FrequencyText(mhz);
}

std::string StorableName(std::string_view latin1, std::string &problem, std::string &note)
{
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || (byte >= 0x80 && byte < 0xa0)) {
            problem = "a name cannot hold tabs, line ends or other control characters";
            return {};
        }
    }
    const std::string trimmed = TrimmedText(latin1);
    std::string name = TrimmedText(std::string_view(trimmed).substr(0, kNameWidth));
    if (name.size() < trimmed.size())
        note = "a name holds six characters: \"" + trimmed + "\" is stored as \"" + name + "\"";
    for (const ChannelFieldKey &key : kChannelFieldKeys) {
        // The panel finds a key wherever it stands, also inside a name.
        if (name.find(key.key) != std::string::npos) {
            problem = "a name cannot hold \"" + std::string(key.key)
                + "\": the panel would read the rest of the line from there";
            return {};
        }
    }
    return name;
}

ChannelFields TunedChannel(const TunedState &state, const std::string &name)
{
    ChannelFields fields;
    fields.frequency = FrequencyText(state.CurrentFrequency);
    fields.name = name;
    fields.mode = state.ModeCommand;
    for (const OptionRow &row : kFilterTable) {
        if (state.FilterCommand == row.word)
            fields.filter = row.caption;
    }
    for (const StepRow &row : kStepTable) {
        if (std::abs(row.sizeMHz - state.StepSize) < 1e-9)
            fields.step = row.caption;
    }
    return fields;
}

int NextFreeSlot(const std::vector<BankRow> &rows)
{
    const std::size_t shown = std::min(rows.size(), std::size_t(kBankSlots));
    for (std::size_t i = 0; i < shown; ++i) {
        if (rows[i].fields.frequency.empty())
            return static_cast<int>(i) + 1;
    }
    return shown < std::size_t(kBankSlots) ? static_cast<int>(shown) + 1 : 0;
}

void StoreInSlot(std::vector<BankRow> &rows, int slot, const ChannelFields &fields)
{
    if (slot < 1 || slot > kBankSlots || std::size_t(slot) > rows.size() + 1)
        return;
    BankRow row;
    row.fields = fields;
    if (std::size_t(slot) == rows.size() + 1)
        rows.push_back(row);
    else
        rows[std::size_t(slot) - 1] = row;
}

std::string HeaderComment(std::string_view exampleBytes)
{
    std::string header;
    for (const MemoryLine &line : SplitMemoryLines(exampleBytes)) {
        if (line.text.empty() || line.text.front() != ';')
            break;
        header += std::string(line.text) + kLineEnd;
    }
    return header;
}
