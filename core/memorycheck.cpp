#include "memorycheck.h"

#include "bankscan.h"
#include "leadingnumber.h"
#include "memoryfile.h"
#include "options.h"
#include "recall.h"
#include "steptable.h"
#include "trim.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>

namespace {

constexpr int kFrequencyKey = 0;
constexpr int kNameKey = 1;
constexpr int kModeKey = 2;
constexpr int kFilterKey = 3;

constexpr std::string_view kBankWords = "MEMORY BANK";

// Line numbers as an editor shows them: a line feed, CR LF or a carriage return alone ends a
// line.
class EditorLines
{
public:
    explicit EditorLines(std::string_view bytes)
    {
        m_starts.push_back(0);
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
            const bool end = bytes[i] == '\n' || (bytes[i] == '\r' && bytes[i + 1] != '\n');
            if (end)
                m_starts.push_back(i + 1);
        }
        m_count = bytes.empty() ? 0 : static_cast<int>(m_starts.size());
    }
    int count() const { return m_count; }
    // The line holding the byte at offset, from 1.
    int lineAt(std::size_t offset) const
    {
        return static_cast<int>(
            std::upper_bound(m_starts.begin(), m_starts.end(), offset) - m_starts.begin());
    }

private:
    std::vector<std::size_t> m_starts;
    int m_count = 0;
};

char Upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return Upper(x) == Upper(y);
    });
}

std::size_t FindIgnoringCase(std::string_view text, std::string_view what, std::size_t from = 0)
{
    for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
        if (EqualIgnoringCase(text.substr(i, what.size()), what))
            return i;
    }
    return std::string_view::npos;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Number(int n)
{
    return std::to_string(n);
}

std::string Lines(int first, int last)
{
    return first == last ? "line " + Number(first)
                         : "lines " + Number(first) + " to " + Number(last);
}

// MHz without trailing zeros: 145.5, 0.1, 1100.
std::string Megahertz(double mhz)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", mhz);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.')
            s.pop_back();
    }
    return s;
}

// "AM, FM, PLS, USB, LSB, CW" from a table's column.
template<std::size_t N>
std::string Listed(const std::array<OptionRow, N> &table, const char *OptionRow::*column)
{
    std::string out;
    for (const OptionRow &row : table)
        out += (out.empty() ? "" : ", ") + std::string(row.*column);
    return out;
}

// The text without spaces, in capitals: "12.5kHz" and "12.5 KHz" compare equal.
std::string Squeezed(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (!IsBlank(c))
            out += Upper(c);
    }
    return out;
}

// The caption meant by a value written slightly wrong (case, spaces), or nothing.
template<typename Rows, typename Caption>
std::optional<std::string> MeantCaption(std::string_view value, const Rows &rows, Caption caption)
{
    const std::string squeezed = Squeezed(value);
    for (const auto &row : rows) {
        if (Squeezed(caption(row)) == squeezed)
            return std::string(caption(row));
    }
    return std::nullopt;
}

bool BeginsWithNumber(std::string_view text)
{
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (IsBlank(text[i]) || text[i] == '\n'))
            ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    skipBlanks();
    if (i < text.size() && text[i] == '.')
        ++i;
    skipBlanks();
    return i < text.size() && IsDigit(text[i]);
}

// "145,5": digits, then a comma where the decimal point was meant.
bool HasDecimalComma(std::string_view text)
{
    text = TrimSpaces(text);
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::size_t digits = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i > digits && i + 1 < text.size() && text[i] == ',' && IsDigit(text[i + 1]);
}

// What the panel does with a field's value when the channel is loaded and recalled.
std::string Effect(int key, const std::string &value)
{
    switch (key) {
    case kFrequencyKey: {
        if (value.empty())
            return "the slot stays empty (\"...\")";
        const double mhz = LeadingNumber(value);
        const bool scanned = IsUsableSlot(value);
        if (!(mhz >= kLowestRecallMHz && mhz <= kHighestRecallMHz)) {
            return std::string("a recall tunes nothing")
                + (scanned ? " and the bank scan stops on it for a step without tuning"
                           : " and the bank scan passes it over");
        }
        return "a recall tunes " + Megahertz(mhz) + " MHz"
            + (scanned ? "" : " and the bank scan passes it over");
    }
    case kNameKey:
        return value.empty() ? "the button shows the frequency"
                             : "the button shows " + QuotedText(value);
    case kModeKey:
        return "a recall leaves the mode as it was";
    case kFilterKey:
        return "a recall leaves the filter as it was";
    default:
        return "a recall leaves the tuning step as it was";
    }
}

struct KeyHit
{
    std::size_t at = std::string_view::npos;
    std::string_view key;
};

// The first key text that starts from `from` and before `until`.
KeyHit FirstKeyBetween(std::string_view line, std::size_t from, std::size_t until)
{
    KeyHit first;
    for (const ChannelFieldKey &key : kChannelFieldKeys) {
        const std::size_t at = line.find(key.key, from);
        if (at < until && at < first.at)
            first = {at, key.key};
    }
    return first;
}

bool KeyStartsAt(std::string_view line, std::size_t at)
{
    return std::any_of(kChannelFieldKeys.begin(), kChannelFieldKeys.end(),
        [&](const ChannelFieldKey &key) { return line.compare(at, key.key.size(), key.key) == 0; });
}

// The bank whose channel line this is, by the panel's own test, or 0.
int ChannelLineBank(std::string_view line)
{
    if (line.size() < 1 + kBankNameLength || line.substr(1, 13) != "MEMORY BANK #")
        return 0;
    if (!IsDigit(line[14]) || !IsDigit(line[15]))
        return 0;
    const int bank = (line[14] - '0') * 10 + (line[15] - '0');
    return IsChannelLine(line, BankName(bank)) ? bank : 0;
}

bool IsCommentMark(char c)
{
    return c == ';' || c == '#' || c == '\'' || c == '/';
}

// A line that was meant to be a channel line but names its bank in a way the panel does not
// match: what is wrong with it, and the bank meant (0 when the number names no bank).
struct NearMiss
{
    std::vector<std::string> problems;
    int bank = 0;
    std::string number;
};

std::optional<NearMiss> BankNameNearMiss(std::string_view line)
{
    const std::size_t at
        = FindIgnoringCase(line.substr(0, std::min<std::size_t>(line.size(), 16)), kBankWords);
    if (at == std::string_view::npos)
        return std::nullopt;
    // At most one character (the free first one) and blanks before the name.
    const std::string_view before = line.substr(0, at);
    const auto marks
        = std::count_if(before.begin(), before.end(), [](char c) { return !IsBlank(c); });
    if (marks > 1)
        return std::nullopt;
    // Written before the name, a comment mark puts the name out of columns 2 to 16: the line is
    // left out on purpose.
    if (marks == 1 && at > 1 && IsCommentMark(TrimSpaces(before).front()))
        return std::nullopt;

    std::size_t i = at + kBankWords.size();
    const std::size_t afterWords = i;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    const bool hash = i < line.size() && line[i] == '#';
    if (hash)
        ++i;
    while (i < line.size() && IsBlank(line[i]))
        ++i;
    const std::size_t digitsAt = i;
    while (i < line.size() && IsDigit(line[i]))
        ++i;
    if (i == digitsAt)
        return std::nullopt; // words about banks, not a bank name
    NearMiss miss;
    miss.number = std::string(line.substr(digitsAt, i - digitsAt));
    const int number = miss.number.size() > 3 ? 1000 : std::stoi(miss.number);
    miss.bank = number >= 1 && number <= kBankCount ? number : 0;

    if (at == 0)
        miss.problems.push_back("the name starts in column 1 where the panel expects one "
                                "character (a space) before it");
    else if (at > 1)
        miss.problems.push_back(
            "the name starts in column " + Number(static_cast<int>(at) + 1) + ", not 2");
    if (line.substr(at, kBankWords.size()) != kBankWords)
        miss.problems.push_back("it is not in capitals");
    if (!hash)
        miss.problems.push_back("the \"#\" before the number is missing");
    else if (line.substr(afterWords, digitsAt - afterWords) != " #")
        miss.problems.push_back("the words, the \"#\" and the number are not spaced as \" #\"");
    if (miss.bank == 0)
        miss.problems.push_back("there is no bank " + miss.number + " (banks are #01 to #99)");
    else if (miss.number.size() != 2)
        miss.problems.push_back("the number must have two digits");
    if (miss.problems.empty())
        miss.problems.push_back("it does not match");
    return miss;
}

std::string JoinedProblems(const std::vector<std::string> &problems)
{
    std::string out;
    for (std::size_t i = 0; i < problems.size(); ++i) {
        if (i > 0)
            out += i + 1 == problems.size() ? " and " : ", ";
        out += problems[i];
    }
    return out;
}

struct Segment
{
    int firstLine = 0;
    int lines = 0;
};

struct BankTrack
{
    enum State { Unseen, InRun, Ended };
    State state = Unseen;
    BankSummary summary;
    int overflowLine = 0; // the run's 33rd line
    int endLine = 0; // the line that ended the first run, 0 at the end of the file
    std::string endWhat; // what that line is
    std::vector<Segment> strays;
};

class Checker
{
public:
    explicit Checker(std::string_view bytes)
        : m_bytes(bytes)
        , m_editor(bytes)
    { }

    MemoryCheck run();

private:
    void add(int line, std::string message) { m_result.findings.push_back({line, message}); }
    int lineAt(const MemoryLine &line, std::size_t column) const
    {
        return m_editor.lineAt(line.offset + std::min(column, line.text.size()));
    }
    void checkLineFeeds(const std::vector<MemoryLine> &lines);
    void checkChannelLine(const MemoryLine &line, int bank);
    void checkField(const MemoryLine &line, const ChannelFields &fields, int key);
    void checkValue(int lineNo, int key, std::string_view window, const std::string &value,
        const MemoryLine &line, std::size_t valueAt);
    void checkOtherLine(const MemoryLine &line);
    std::string describeRunEnd(const MemoryLine &line, int bank) const;
    void reportBanks();

    std::string_view m_bytes;
    EditorLines m_editor;
    MemoryCheck m_result;
    std::map<int, BankTrack> m_banks;
};

MemoryCheck Checker::run()
{
    const std::vector<MemoryLine> lines = SplitMemoryLines(m_bytes);
    m_result.editorLines = m_editor.count();
    m_result.panelLines = static_cast<int>(lines.size());
    checkLineFeeds(lines);

    int previousBank = 0;
    for (const MemoryLine &line : lines) {
        const int bank = ChannelLineBank(line.text);
        const int lineNo = lineAt(line, 0);
        if (previousBank != 0 && bank != previousBank) {
            BankTrack &previous = m_banks[previousBank];
            if (previous.state == BankTrack::InRun) {
                previous.state = BankTrack::Ended;
                previous.endLine = lineNo;
                previous.endWhat = describeRunEnd(line, bank);
            }
        }
        if (bank != 0) {
            checkChannelLine(line, bank);
            BankTrack &track = m_banks[bank];
            BankSummary &s = track.summary;
            if (track.state == BankTrack::Unseen) {
                track.state = BankTrack::InRun;
                s.bank = bank;
                s.firstLine = lineNo;
            }
            if (track.state == BankTrack::InRun) {
                ++s.runLines;
                if (s.runLines <= kBankSlots) {
                    s.lastLine = lineNo;
                    if (ParseChannelFields(line.text).frequency.empty())
                        ++s.withoutFrequency;
                    else
                        ++s.channels;
                } else {
                    if (s.runLines == kBankSlots + 1)
                        track.overflowLine = lineNo;
                    ++s.neverRead;
                }
            } else {
                ++s.neverRead;
                if (previousBank == bank && !track.strays.empty())
                    ++track.strays.back().lines;
                else
                    track.strays.push_back({lineNo, 1});
            }
        } else {
            checkOtherLine(line);
        }
        previousBank = bank;
    }
    reportBanks();
    if (m_banks.empty()) {
        add(1,
            "the file has no channel line of any bank, so every bank is empty on the panel. A "
            "channel line starts with one space and the bank's name, \" MEMORY BANK #01 "
            "FREQUENCY=...\"");
    }
    std::stable_sort(m_result.findings.begin(), m_result.findings.end(),
        [](const MemoryFinding &a, const MemoryFinding &b) { return a.line < b.line; });
    return m_result;
}

void Checker::checkLineFeeds(const std::vector<MemoryLine> &lines)
{
    for (const MemoryLine &line : lines)
        m_result.bareLineFeeds
            += static_cast<int>(std::count(line.text.begin(), line.text.end(), '\n'));
    if (m_result.bareLineFeeds == 0)
        return;
    add(1,
        "the file has " + Number(m_result.bareLineFeeds)
            + " line ends made of a bare line feed (LF) where the panel needs CR LF, so the panel "
              "reads "
            + Number(m_result.panelLines) + (m_result.panelLines == 1 ? " line" : " lines")
            + " where an editor shows " + Number(m_result.editorLines)
            + ". Save the file with CR LF (Windows) line ends");
    for (const MemoryLine &line : lines) {
        const std::size_t lf = line.text.find('\n');
        if (lf == std::string_view::npos)
            continue;
        const int first = lineAt(line, 0);
        // The last editor line the panel line reaches: the one holding its carriage return, or
        // its last character at the end of the file.
        const std::size_t end
            = line.next > line.offset + line.text.size() ? line.text.size() : line.text.size() - 1;
        const int last = lineAt(line, end);
        const int bank = ChannelLineBank(line.text);
        std::string what = bank != 0 ? "one channel of " + BankName(bank)
                + ", taking each field from the first place it appears in any of them"
                                     : "a line of no bank, which it ignores";
        add(first,
            Lines(first, last) + " are one line for the panel (bare line feeds): it reads them as "
                + what);
    }
}

void Checker::checkChannelLine(const MemoryLine &line, int bank)
{
    const std::string_view text = line.text;
    if (IsCommentMark(text[0])) {
        add(lineAt(line, 0),
            "the line starts with " + QuotedText(text.substr(0, 1))
                + ", but the panel does not look at the first character: it reads the line as a "
                  "channel of "
                + BankName(bank) + ". To leave the channel out, delete the line");
    }
    if (text.size() > 1 + kBankNameLength && IsDigit(text[1 + kBankNameLength])) {
        std::size_t end = 1 + kBankNameLength;
        while (end < text.size() && IsDigit(text[end]))
            ++end;
        add(lineAt(line, 0),
            "the bank number goes on past two digits ("
                + QuotedText(text.substr(kBankNameLength - 2, end - kBankNameLength + 2))
                + "): the panel reads only the first two and puts the line in " + BankName(bank)
                + ". Banks are #01 to #99");
    }
    // Lines joined by bare line feeds are reported as such; their fields make sense again once
    // the line ends are right.
    if (text.find('\n') != std::string_view::npos)
        return;
    const ChannelFields fields = ParseChannelFields(text);
    for (int key = 0; key < static_cast<int>(kChannelFieldKeys.size()); ++key)
        checkField(line, fields, key);
}

void Checker::checkField(const MemoryLine &line, const ChannelFields &fields, int key)
{
    const ChannelFieldKey &k = kChannelFieldKeys[static_cast<std::size_t>(key)];
    const std::string_view text = line.text;
    const std::size_t at = text.find(k.key);
    if (at == std::string_view::npos) {
        const std::size_t lower = FindIgnoringCase(text, k.key);
        if (lower != std::string_view::npos) {
            add(lineAt(line, lower),
                QuotedText(text.substr(lower, k.key.size())) + " is not in capitals: the panel "
                    + "looks for " + std::string(k.key) + " only, so "
                    + (key == kFrequencyKey
                            ? std::string("the channel has no frequency and ") + Effect(key, {})
                            : "the channel has no " + std::string(k.key.substr(0, k.key.size() - 1))
                                + " value")
                    + ". Write " + std::string(k.key));
        } else if (key == kFrequencyKey) {
            add(lineAt(line, 0),
                "this channel line has no FREQUENCY=, so " + Effect(key, {})
                    + ". Add FREQUENCY= followed by the frequency in MHz");
        }
        return;
    }
    const int lineNo = lineAt(line, at);
    const std::size_t valueAt = at + k.key.size();
    const std::string_view window = text.substr(std::min(valueAt, text.size()), k.width);
    const std::string &value = fields.*k.field;

    const std::size_t again = text.find(k.key, at + 1);
    if (again != std::string_view::npos) {
        add(lineAt(line, again),
            std::string(k.key) + " appears again in column " + Number(static_cast<int>(again) + 1)
                + "; the panel takes only the first one, in column "
                + Number(static_cast<int>(at) + 1) + " (" + QuotedText(value)
                + "). Remove the one that is not meant");
    }

    const KeyHit hit = FirstKeyBetween(text, valueAt, valueAt + window.size());
    if (hit.at != std::string_view::npos) {
        const std::string_view meant = TrimSpaces(text.substr(valueAt, hit.at - valueAt));
        std::string fix;
        if (meant.size() <= k.width) {
            fix = "write "
                + QuotedText(std::string(k.key) + std::string(meant)
                    + std::string(k.width - meant.size(), ' ') + std::string(hit.key));
        } else {
            fix = "shorten it to " + Number(static_cast<int>(k.width)) + " characters";
        }
        add(lineNo,
            std::string(k.key) + " takes " + Number(static_cast<int>(k.width))
                + " characters, so its value runs into " + std::string(hit.key) + " and reads "
                + QuotedText(value) + ": " + Effect(key, value)
                + ". Pad the value with spaces to its full width: " + fix);
        return;
    }
    if (value.find('\t') != std::string::npos) {
        add(lineNo,
            "the value of " + std::string(k.key) + ", " + QuotedText(value)
                + ", holds a tab; the panel removes spaces around a value but not tabs, so "
                + Effect(key, value) + ". Use spaces instead of tabs");
        return;
    }
    checkValue(lineNo, key, window, value, line, valueAt);
}

void Checker::checkValue(int lineNo, int key, std::string_view window, const std::string &value,
    const MemoryLine &line, std::size_t valueAt)
{
    const ChannelFieldKey &k = kChannelFieldKeys[static_cast<std::size_t>(key)];
    const std::string written = std::string(k.key) + value;
    switch (key) {
    case kFrequencyKey: {
        if (value.empty()) {
            add(lineNo,
                "FREQUENCY= has no value, so " + Effect(key, value)
                    + ". Write the frequency in MHz after FREQUENCY=");
            return;
        }
        if (HasDecimalComma(value)) {
            std::string point = value;
            point[point.find(',')] = '.';
            add(lineNo,
                written
                    + " has a comma where the panel needs a point: it reads only up to the "
                      "comma, so "
                    + Effect(key, value) + ". Write " + point);
            return;
        }
        if (!BeginsWithNumber(value)) {
            add(lineNo,
                written + " does not begin with a number: the panel reads it as 0 MHz, so "
                    + Effect(key, value) + ". Write the frequency in MHz, for example 145.5");
            return;
        }
        const double mhz = LeadingNumber(value);
        if (!(mhz >= kLowestFrequencyMHz && mhz <= kHighestFrequencyMHz)) {
            add(lineNo,
                written + " reads as " + Megahertz(mhz) + " MHz, outside the receiver's "
                    + kTunableRangeText + ": " + Effect(key, value) + ". Write a frequency from "
                    + kTunableRangeText);
        }
        return;
    }
    case kNameKey: {
        // The name goes on past the six characters the panel takes.
        const std::size_t after = valueAt + window.size();
        const std::string_view text = line.text;
        if (window.size() < k.width || IsBlank(window.back()) || after >= text.size()
            || IsBlank(text[after]) || KeyStartsAt(text, after))
            return;
        std::size_t end = after;
        while (end < text.size() && !IsBlank(text[end]) && !KeyStartsAt(text, end))
            ++end;
        add(lineNo,
            "the name " + QuotedText(text.substr(valueAt, end - valueAt))
                + " is longer than six characters: " + Effect(key, value)
                + ". Shorten it to six characters");
        return;
    }
    case kModeKey: {
        if (value.empty() || ModeIndexForWord(value) >= 0)
            return;
        std::string hint;
        if (const auto meant = MeantCaption(
                value, kModeTable, [](const OptionRow &row) { return std::string_view(row.word); }))
            hint = ". Write it in capitals: MODE=" + *meant;
        else if (EqualIgnoringCase(value, "WFM"))
            hint = ". Wide FM is written PLS: MODE=PLS";
        else if (EqualIgnoringCase(value, "NFM"))
            hint = ". Narrow FM is written FM: MODE=FM";
        else
            hint = ". Write one of those";
        add(lineNo,
            written + " is not a mode the panel knows (" + Listed(kModeTable, &OptionRow::word)
                + "): " + Effect(key, value) + hint);
        return;
    }
    case kFilterKey: {
        if (value.empty() || FilterIndexForCaption(value) >= 0)
            return;
        const auto meant = MeantCaption(value, kFilterTable,
            [](const OptionRow &row) { return std::string_view(row.caption); });
        add(lineNo,
            written + " is not a filter the panel knows ("
                + Listed(kFilterTable, &OptionRow::caption) + "): " + Effect(key, value)
                + (meant ? ". Write it exactly so: FILTER=" + *meant : ". Write one of those"));
        return;
    }
    default: {
        if (value.empty() || StepIndexForCaption(value) >= 0)
            return;
        const auto meant = MeantCaption(
            value, kStepTable, [](const StepRow &row) { return std::string_view(row.caption); });
        add(lineNo,
            written
                + " is not one of the panel's tuning steps (1 Hz to 10 MHz, written as in the "
                  "step list, such as 12.5 KHz): "
                + Effect(key, value)
                + (meant ? ". Write it exactly so: STEP=" + *meant
                         : ". Write one of the steps of the list"));
        return;
    }
    }
}

void Checker::checkOtherLine(const MemoryLine &line)
{
    const std::string_view text = line.text;
    if (text.find('\n') != std::string_view::npos)
        return; // reported as joined lines
    if (const std::optional<NearMiss> miss = BankNameNearMiss(text)) {
        std::string fix = miss->bank != 0
            ? ". Start the line with one space and \"" + BankName(miss->bank) + "\""
            : ". Use a bank from #01 to #99";
        add(lineAt(line, 0),
            "this looks like a channel line, but its bank name is not what the panel matches: "
                + JoinedProblems(miss->problems) + ". The panel ignores the line" + fix);
        return;
    }
    const std::size_t frequency = FindIgnoringCase(text, kChannelFieldKeys[0].key);
    const std::string_view start = TrimSpaces(text);
    if (frequency != std::string_view::npos && !IsCommentMark(start.front())) {
        add(lineAt(line, frequency),
            "this line has a FREQUENCY= field but no bank name in columns 2 to 16, so the panel "
            "ignores it. Start it with one space and the bank's name, \" MEMORY BANK #01\"");
    }
}

std::string Checker::describeRunEnd(const MemoryLine &line, int bank) const
{
    if (line.text.empty())
        return "a blank line";
    if (bank != 0)
        return "a line of " + BankName(bank);
    if (TrimSpaces(line.text).empty())
        return "a line of spaces";
    if (BankNameNearMiss(line.text))
        return "a line whose bank name the panel does not match";
    return "a line that is not one of its channel lines";
}

void Checker::reportBanks()
{
    for (auto &[bank, track] : m_banks) {
        const BankSummary &s = track.summary;
        const std::string name = BankName(bank);
        if (track.overflowLine != 0) {
            const int more = s.runLines - kBankSlots - 1;
            add(track.overflowLine,
                name + " has " + Number(s.runLines)
                    + " lines in a row, but a bank holds 32 channels: the panel ignores this line"
                    + (more > 0 ? " and the " + Number(more) + " after it" : "")
                    + ". Move them to a bank of their own");
        }
        for (const Segment &stray : track.strays) {
            std::string ended = track.endLine != 0
                ? " ended at line " + Number(track.endLine) + " (" + track.endWhat + ")"
                : " ended";
            add(stray.firstLine,
                name + ended + ", after its " + Lines(s.firstLine, s.lastLine)
                    + ": the panel never reads this line"
                    + (stray.lines > 1 ? " or the " + Number(stray.lines - 1) + " after it" : "")
                    + ". A bank is one run of lines with nothing between them: move "
                    + (stray.lines > 1 ? "these" : "it") + " up to join the others");
        }
        m_result.banks.push_back(s);
    }
}

} // namespace

MemoryCheck CheckMemoryFile(std::string_view fileBytes)
{
    return Checker(fileBytes).run();
}

std::string BankSummaryText(const BankSummary &s)
{
    std::string text = BankName(s.bank) + ": " + Number(s.channels)
        + (s.channels == 1 ? " channel" : " channels") + ", " + Lines(s.firstLine, s.lastLine);
    if (s.withoutFrequency > 0)
        text += "; " + Number(s.withoutFrequency) + " without a frequency";
    if (s.neverRead > 0)
        text
            += "; " + Number(s.neverRead) + (s.neverRead == 1 ? " line" : " lines") + " never read";
    return text;
}

std::string QuotedText(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}
