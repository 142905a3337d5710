#include "chirpcsv.h"

#include "bandplan.h"
#include "options.h"
#include "steptable.h"
#include "trim.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace {

constexpr std::int64_t kLowestHz = 100'000;
constexpr std::int64_t kHighestHz = 1'100'000'000;

// CHIRP's modes that the panel has, and the word the memory file uses for each.
struct ModeMapping
{
    std::string_view chirp;
    int modeIndex; // row of kModeTable
    bool narrow; // takes the narrowest filter
};

constexpr std::array<ModeMapping, 7> kImportModes {{
    {"FM", kModeFM, false},
    {"NFM", kModeFM, true},
    {"WFM", kModeWFM, false},
    {"AM", kModeAM, false},
    {"USB", kModeUSB, false},
    {"LSB", kModeLSB, false},
    {"CW", kModeCW, false},
}};

// CHIRP's own mode word for each row of kModeTable.
constexpr std::array<std::string_view, 6> kExportModes {"AM", "FM", "WFM", "USB", "LSB", "CW"};

const std::vector<std::string> kChirpColumns {"Location", "Name", "Frequency", "Duplex", "Offset",
    "Tone", "rToneFreq", "cToneFreq", "DtcsCode", "DtcsPolarity", "RxDtcsCode", "CrossMode", "Mode",
    "TStep", "Skip", "Power", "Comment", "URCALL", "RPT1CALL", "RPT2CALL", "DVCODE"};

std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// A plain decimal number ("146.520000", "5.00") as a whole number of 10^-scale units, rounded to
// the nearest; nothing for anything else (signs, exponents, commas, letters).
std::optional<std::int64_t> ParseScaledDecimal(std::string_view text, int scale)
{
    text = TrimSpaces(text);
    std::int64_t whole = 0;
    std::size_t i = 0;
    int digits = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        if (++digits > 10)
            return std::nullopt;
        whole = whole * 10 + (text[i] - '0');
    }
    std::int64_t fraction = 0;
    int fractionDigits = 0;
    bool roundUp = false;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            ++digits;
            if (fractionDigits < scale) {
                fraction = fraction * 10 + (text[i] - '0');
                ++fractionDigits;
            } else if (fractionDigits == scale) {
                roundUp = text[i] >= '5';
                ++fractionDigits; // later digits do not change the rounding
            }
        }
    }
    if (i != text.size() || digits == 0)
        return std::nullopt;
    for (int d = std::min(fractionDigits, scale); d < scale; ++d)
        fraction *= 10;
    std::int64_t unit = 1;
    for (int d = 0; d < scale; ++d)
        unit *= 10;
    return whole * unit + fraction + (roundUp ? 1 : 0);
}

// "146.52", "446.0", "0.1": MHz with no more decimals than needed, at least one.
std::string MemoryFrequencyText(std::int64_t hz)
{
    char text[40];
    std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(hz / 1'000'000),
        static_cast<long long>(hz % 1'000'000));
    std::string s = text;
    while (s.size() > 2 && s.back() == '0' && s[s.size() - 2] != '.')
        s.pop_back();
    return s;
}

// A step as CHIRP writes it, in kHz with at least two decimals: "5.00", "6.25", "0.001".
std::string KilohertzText(std::int64_t hz)
{
    char text[40];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(hz / 1000),
        static_cast<long long>(hz % 1000));
    std::string s = text;
    if (s.back() == '0')
        s.pop_back();
    return s;
}

std::int64_t StepHz(const StepRow &row)
{
    return std::llround(row.sizeMHz * 1e6);
}

int StepIndexForHz(std::int64_t hz)
{
    for (std::size_t i = 0; i < kStepTable.size(); ++i) {
        if (StepHz(kStepTable[i]) == hz)
            return static_cast<int>(i);
    }
    return -1;
}

// Cyrillic letters in Latin letters, as names on signs and in passports are written: an operator
// can still read "Moskva" where the file cannot hold "Москва".
const char *CyrillicInLatin(std::uint32_t code)
{
    static const char *const kLetters[32]
        = {"A", "B", "V", "G", "D", "E", "ZH", "Z", "I", "Y", "K", "L", "M", "N", "O", "P", "R",
            "S", "T", "U", "F", "KH", "TS", "CH", "SH", "SHCH", "", "Y", "", "E", "YU", "YA"};
    static const char *const kSmall[32]
        = {"a", "b", "v", "g", "d", "e", "zh", "z", "i", "y", "k", "l", "m", "n", "o", "p", "r",
            "s", "t", "u", "f", "kh", "ts", "ch", "sh", "shch", "", "y", "", "e", "yu", "ya"};
    if (code >= 0x410 && code < 0x430)
        return kLetters[code - 0x410];
    if (code >= 0x430 && code < 0x450)
        return kSmall[code - 0x430];
    switch (code) {
    case 0x401:
        return "E";
    case 0x451:
        return "e";
    case 0x404:
        return "YE";
    case 0x454:
        return "ye";
    case 0x406:
        return "I";
    case 0x456:
        return "i";
    case 0x407:
        return "YI";
    case 0x457:
        return "yi";
    case 0x490:
        return "G";
    case 0x491:
        return "g";
    default:
        return nullptr;
    }
}

// What became of the characters the memory file cannot hold.
struct Lost
{
    int transliterated = 0;
    int dropped = 0;
};

// UTF-8 text as the memory file's single-byte text: characters up to U+00FF become their byte,
// Cyrillic letters Latin ones, and others are left out; lost counts them. Bytes that are not
// UTF-8 are kept as they are (the export was already single-byte).
std::string SingleByteText(std::string_view utf8, Lost *lost = nullptr)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        int length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        }
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= utf8.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        i += static_cast<std::size_t>(length);
        if (code <= 0xFF) {
            out += static_cast<char>(code);
        } else if (const char *latin = CyrillicInLatin(code)) {
            out += latin;
            if (lost)
                ++lost->transliterated;
        } else if (lost) {
            ++lost->dropped;
        }
    }
    return out;
}

std::string Utf8Text(std::string_view singleByte)
{
    std::string out;
    for (char c : singleByte) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

// A CHIRP name as the memory file can hold it: no control characters, no "=" (with it a name
// could hold a key and break the fields after it), cut to six characters without the spaces
// around it.
std::string MemoryName(std::string_view utf8, Lost *lost = nullptr)
{
    std::string name = SingleByteText(utf8, lost);
    for (char &c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            c = ' ';
        else if (c == '=')
            c = '-';
    }
    const std::string_view trimmed = TrimSpaces(name);
    return TrimmedText(trimmed.substr(0, kChannelFieldKeys[1].width));
}

// CHIRP has no column for the filter. An export keeps a filter other than the one an import
// would choose in the Comment column, written exactly "FILTER=10 KHz", so that export then
// import gives the same bank back; other comments are left alone.
constexpr std::string_view kFilterComment = "FILTER=";

std::optional<int> KeptFilter(std::string_view comment)
{
    comment = TrimSpaces(comment);
    if (comment.substr(0, kFilterComment.size()) != kFilterComment)
        return std::nullopt;
    const int index = FilterIndexForCaption(comment.substr(kFilterComment.size()));
    return index >= 0 ? std::optional<int>(index) : std::nullopt;
}

std::string CsvCell(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string CsvRecord(const std::vector<std::string> &cells)
{
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i)
        out += (i > 0 ? "," : "") + CsvCell(cells[i]);
    return out + "\r\n";
}

std::string Padded(std::string_view value, std::size_t width)
{
    std::string out(value);
    if (out.size() < width)
        out.append(width - out.size(), ' ');
    return out;
}

} // namespace

std::vector<CsvRow> ParseCsv(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<CsvRow> rows;
    CsvRow row;
    std::string cell;
    bool quoted = false; // inside a quoted part of a cell
    bool cellStarted = false; // the record has at least one character or separator
    int line = 1;
    row.line = 1;
    auto endRecord = [&] {
        if (cellStarted) {
            row.cells.push_back(cell);
            rows.push_back(row);
        }
        row = CsvRow();
        cell.clear();
        cellStarted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    cell += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
                    ++line;
                cell += c;
            }
            continue;
        }
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            endRecord();
            row.line = ++line;
            continue;
        }
        if (!cellStarted)
            row.line = line;
        cellStarted = true;
        if (c == ',') {
            row.cells.push_back(cell);
            cell.clear();
        } else if (c == '"' && cell.empty()) {
            quoted = true;
        } else {
            cell += c;
        }
    }
    endRecord();
    return rows;
}

ChirpImport ImportChirpCsv(std::string_view csv)
{
    ChirpImport result;
    const std::vector<CsvRow> rows = ParseCsv(csv);
    auto isComment = [](const CsvRow &row) {
        return !row.cells.empty() && !row.cells[0].empty() && row.cells[0][0] == '#';
    };
    const auto header = std::find_if_not(rows.begin(), rows.end(), isComment);
    if (header == rows.end()) {
        result.error = "it holds no CSV records";
        return result;
    }
    auto column = [&](std::string_view name) {
        for (std::size_t i = 0; i < header->cells.size(); ++i) {
            if (Upper(TrimSpaces(header->cells[i])) == Upper(name))
                return static_cast<int>(i);
        }
        return -1;
    };
    const int frequencyColumn = column("Frequency");
    const int nameColumn = column("Name");
    const int modeColumn = column("Mode");
    const int stepColumn = column("TStep");
    const int commentColumn = column("Comment");
    if (frequencyColumn < 0) {
        result.error = "its first line names no Frequency column, so it is not a CHIRP export (a "
                       "CHIRP export begins \"Location,Name,Frequency,...\")";
        return result;
    }

    for (auto row = header + 1; row != rows.end(); ++row) {
        if (isComment(*row))
            continue;
        auto cell = [&](int index) -> std::string {
            return index >= 0 && static_cast<std::size_t>(index) < row->cells.size()
                ? row->cells[static_cast<std::size_t>(index)]
                : std::string();
        };
        const std::string frequencyText = TrimmedText(cell(frequencyColumn));
        Lost lost;
        const std::string name = MemoryName(cell(nameColumn), &lost);
        const std::string shownName = TrimmedText(cell(nameColumn));
        const std::string label
            = (shownName.empty() ? std::string("channel") : "\"" + shownName + "\"")
            + (frequencyText.empty() ? std::string() : " at " + frequencyText);
        auto skip = [&](const std::string &why) {
            result.skipped.push_back({row->line, label + ": " + why + "; skipped"});
        };
        if (frequencyText.empty()) {
            skip("no Frequency");
            continue;
        }
        const std::optional<std::int64_t> hz = ParseScaledDecimal(frequencyText, 6);
        if (!hz) {
            skip("the Frequency is not a number in MHz");
            continue;
        }
        if (*hz < kLowestHz || *hz > kHighestHz) {
            skip(std::string("outside the receiver's ") + kTunableRangeText);
            continue;
        }
        const double mhz = static_cast<double>(*hz) / 1e6;
        const std::optional<BandRow> band = BandPlanLookup(mhz);
        if (!band) {
            skip("no band of the band plan holds it");
            continue;
        }

        int modeIndex = band->modeIndex;
        bool narrow = false;
        const std::string mode = Upper(TrimSpaces(cell(modeColumn)));
        if (!mode.empty()) {
            const auto mapping = std::find_if(kImportModes.begin(), kImportModes.end(),
                [&](const ModeMapping &m) { return m.chirp == mode; });
            if (mapping == kImportModes.end()) {
                skip("mode " + TrimmedText(cell(modeColumn))
                    + " is not one the panel has (FM, NFM, WFM, AM, USB, LSB, CW)");
                continue;
            }
            modeIndex = mapping->modeIndex;
            narrow = mapping->narrow;
        }

        std::string step = band->stepCaption;
        if (const auto stepHz = ParseScaledDecimal(cell(stepColumn), 3)) {
            const int index = StepIndexForHz(*stepHz);
            if (index >= 0)
                step = kStepTable[static_cast<std::size_t>(index)].caption;
        }

        int filterIndex = narrow ? kFilter1 : band->filterIndex;
        if (const std::optional<int> kept = KeptFilter(cell(commentColumn)))
            filterIndex = *kept;

        ImportedChannel channel;
        channel.line = row->line;
        channel.fields.frequency = MemoryFrequencyText(*hz);
        channel.fields.name = name;
        channel.fields.mode = kModeTable[static_cast<std::size_t>(modeIndex)].word;
        channel.fields.filter = kFilterTable[static_cast<std::size_t>(filterIndex)].caption;
        channel.fields.step = step;
        result.channels.push_back(channel);
        if (lost.transliterated + lost.dropped > 0) {
            std::string how = "the memory file holds one byte per character, so";
            if (lost.transliterated > 0)
                how += " Cyrillic letters are written in Latin ones";
            if (lost.dropped > 0)
                how += std::string(lost.transliterated > 0 ? " and " : " ")
                    + std::to_string(lost.dropped) + " character"
                    + (lost.dropped == 1 ? " it cannot hold was" : "s it cannot hold were")
                    + " left out";
            result.renamed.push_back(
                {row->line, label + ": the name is stored as \"" + name + "\": " + how});
        }
    }
    return result;
}

std::string FormatChannelLine(int bank, const ChannelFields &fields)
{
    std::string line = " " + BankName(bank);
    for (std::size_t k = 0; k < kChannelFieldKeys.size(); ++k) {
        const ChannelFieldKey &key = kChannelFieldKeys[k];
        const std::string &value = fields.*key.field;
        const bool last = k + 1 == kChannelFieldKeys.size();
        line += " " + std::string(key.key) + (last ? value : Padded(value, key.width));
    }
    return line;
}

ImportPlan PlanImport(const std::vector<ImportedChannel> &channels, int firstBank, bool spill)
{
    ImportPlan plan;
    int bank = firstBank;
    for (const ImportedChannel &channel : channels) {
        if (!plan.banks.empty() && plan.banks.back().channels.size() >= std::size_t(kBankSlots)) {
            if (!spill || bank >= kBankCount) {
                plan.leftOver.push_back(channel);
                continue;
            }
            ++bank;
        }
        if (bank < 1 || bank > kBankCount) {
            plan.leftOver.push_back(channel);
            continue;
        }
        if (plan.banks.empty() || plan.banks.back().bank != bank)
            plan.banks.push_back({bank, {}});
        plan.banks.back().channels.push_back(channel);
    }
    return plan;
}

bool HasBareLineFeeds(std::string_view fileBytes)
{
    for (std::size_t i = 0; i < fileBytes.size(); ++i) {
        if (fileBytes[i] == '\n' && (i == 0 || fileBytes[i - 1] != '\r'))
            return true;
    }
    return false;
}

std::string ReplaceBankLines(
    std::string_view fileBytes, int bank, const std::vector<ChannelFields> &channels)
{
    std::string block;
    for (const ChannelFields &fields : channels)
        block += FormatChannelLine(bank, fields) + "\r\n";

    const std::string name = BankName(bank);
    const std::vector<MemoryLine> lines = SplitMemoryLines(fileBytes);
    const auto first = std::find_if(lines.begin(), lines.end(),
        [&](const MemoryLine &line) { return IsChannelLine(line.text, name); });
    if (first == lines.end()) {
        std::string out(fileBytes);
        // The new lines must start a line of their own for the panel.
        const bool atLineStart = out.empty() || out.back() == '\r'
            || (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0);
        if (!atLineStart)
            out += "\r\n";
        return out + block;
    }
    auto last = first;
    while (last + 1 != lines.end() && IsChannelLine((last + 1)->text, name))
        ++last;
    std::string out(fileBytes.substr(0, first->offset));
    out += block;
    out += fileBytes.substr(last->next);
    return out;
}

const std::vector<std::string> &ChirpColumns()
{
    return kChirpColumns;
}

ChirpExport ExportChirpCsv(const std::vector<ChannelFields> &bank)
{
    ChirpExport result;
    result.csv = CsvRecord(kChirpColumns);
    for (std::size_t i = 0; i < bank.size() && i < std::size_t(kBankSlots); ++i) {
        const ChannelFields &c = bank[i];
        const int slot = static_cast<int>(i) + 1;
        if (c.frequency.empty())
            continue; // an empty slot
        const std::optional<std::int64_t> hz = ParseScaledDecimal(c.frequency, 6);
        if (!hz || *hz == 0) {
            result.notes.push_back({slot,
                "FREQUENCY=" + c.frequency
                    + (hz ? std::string(" is no frequency a receiver can tune")
                          : std::string(" is not a plain number of MHz"))
                    + "; not exported"});
            continue;
        }
        const double mhz = static_cast<double>(*hz) / 1e6;
        const std::optional<BandRow> band = BandPlanLookup(mhz);

        int modeIndex = ModeIndexForWord(c.mode);
        if (modeIndex < 0) {
            modeIndex = band ? band->modeIndex : kModeFM;
            result.notes.push_back({slot,
                (c.mode.empty() ? std::string("no mode") : "MODE=" + c.mode + " is not a mode")
                    + "; written as " + std::string(kExportModes[std::size_t(modeIndex)])
                    + ", the band plan's"});
        }
        std::string mode(kExportModes[static_cast<std::size_t>(modeIndex)]);
        const int filterIndex = FilterIndexForCaption(c.filter);
        const int bandFilter = band ? band->filterIndex : kFilter3;
        if (modeIndex == kModeFM && filterIndex == kFilter1 && bandFilter != kFilter1)
            mode = "NFM";
        // The filter an import of this record would choose; any other goes into the comment.
        const int importFilter = mode == "NFM" ? kFilter1 : bandFilter;
        std::string comment;
        if (filterIndex >= 0 && filterIndex != importFilter)
            comment = std::string(kFilterComment)
                + kFilterTable[static_cast<std::size_t>(filterIndex)].caption;

        int stepIndex = StepIndexForCaption(c.step);
        if (stepIndex < 0 && band)
            stepIndex = StepIndexForCaption(band->stepCaption);
        const std::int64_t stepHz
            = stepIndex >= 0 ? StepHz(kStepTable[static_cast<std::size_t>(stepIndex)]) : 5000;

        char frequency[40];
        std::snprintf(frequency, sizeof frequency, "%lld.%06lld",
            static_cast<long long>(*hz / 1'000'000), static_cast<long long>(*hz % 1'000'000));
        result.csv += CsvRecord({std::to_string(slot), Utf8Text(c.name), frequency, "", "0.000000",
            "", "88.5", "88.5", "023", "NN", "023", "Tone->Tone", mode, KilohertzText(stepHz), "",
            "50W", comment, "", "", "", ""});
        ++result.written;
    }
    return result;
}
