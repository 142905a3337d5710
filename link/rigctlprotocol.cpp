#include "rigctlprotocol.h"

#include "options.h"
#include "replyparser.h"
#include "rigtarget.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

namespace {

constexpr double kLowestHz = 100000.0; // 0.1 MHz
constexpr double kHighestHz = 1100000000.0; // 1100 MHz
constexpr int kSquelchMax = 40;

// Hamlib's mode names for the rows of kModeTable, and the order of Hamlib's mode bits, in which
// "M ?" lists them.
constexpr std::array<const char *, kModeTable.size()> kHamlibModeNames {
    "AM", "FM", "WFM", "USB", "LSB", "CW"};
constexpr std::array<int, kModeTable.size()> kModeListOrder {
    kModeAM, kModeCW, kModeUSB, kModeLSB, kModeFM, kModeWFM};
// The passband of each row of kFilterTable, in Hz.
constexpr std::array<long long, kFilterTable.size()> kFilterWidthsHz {
    10000, 50000, 100000, 300000, 1000000};

// Hamlib's level names, so that a level the receiver lacks ("RPRT -11") is told apart from a word
// that names no level at all ("RPRT -1").
constexpr std::string_view kHamlibLevelNames[] {"PREAMP", "ATT", "VOXDELAY", "AF", "RF", "SQL",
    "IF", "APF", "NR", "PBT_IN", "PBT_OUT", "CWPITCH", "RFPOWER", "MICGAIN", "KEYSPD", "NOTCHF",
    "COMP", "AGC", "BKINDL", "BAL", "METER", "VOXGAIN", "ANTIVOX", "SLOPE_LOW", "SLOPE_HIGH",
    "BKIN_DLYMS", "RAWSTR", "SWR", "ALC", "STRENGTH", "RFPOWER_METER", "COMP_METER", "VD_METER",
    "ID_METER", "NOTCHF_RAW", "MONITOR_GAIN", "NB", "RFPOWER_METER_WATTS", "SPECTRUM_MODE",
    "SPECTRUM_SPAN", "SPECTRUM_EDGE_LOW", "SPECTRUM_EDGE_HIGH", "SPECTRUM_SPEED", "SPECTRUM_REF",
    "SPECTRUM_AVG", "SPECTRUM_ATT", "TEMP_METER", "BAND_SELECT", "USB_AF", "AGC_TIME", "MGL", "MGF",
    "MGC"};

// What a command hands back besides its status: labelled values, one per line, or a block of
// ready-made lines (the capabilities, a list).
struct Output
{
    std::vector<std::pair<std::string, std::string>> values;
    std::string block;
    void add(std::string label, std::string value)
    {
        values.emplace_back(std::move(label), std::move(value));
    }
};

using Args = std::vector<std::string>;
using Handler = int (*)(const Args &, RigTarget &, Output &);

std::optional<double> ParseNumber(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const char *end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> ParseInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long long value = 0;
    const char *end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

// A fraction 0.0 … 1.0 as Hamlib prints it ("%f"), whatever the locale.
std::string SixDecimals(int numerator, int denominator)
{
    const long long micro = std::llround(1e6 * numerator / denominator);
    std::string fraction = std::to_string(micro % 1000000);
    return std::to_string(micro / 1000000) + '.' + std::string(6 - fraction.size(), '0') + fraction;
}

bool IsOneVfoName(std::string_view name)
{
    return name == "VFOA" || name == "currVFO";
}

int SetFreq(const Args &args, RigTarget &rig, Output &)
{
    const std::optional<double> hz = ParseNumber(args[0]);
    if (!hz || *hz < kLowestHz || *hz > kHighestHz)
        return kRigInvalidArgument;
    rig.TuneTo(*hz / 1e6);
    return kRigOk;
}

int GetFreq(const Args &, RigTarget &rig, Output &out)
{
    out.add("Frequency", std::to_string(std::llround(rig.FrequencyMHz() * 1e6)));
    return kRigOk;
}

int FilterForPassband(long long hz)
{
    int best = 0;
    for (size_t i = 1; i < kFilterWidthsHz.size(); ++i) {
        // Halfway between two filters picks the narrower one.
        if (std::llabs(kFilterWidthsHz[i] - hz) < std::llabs(kFilterWidthsHz[size_t(best)] - hz))
            best = int(i);
    }
    return best;
}

std::string ModeList()
{
    std::string list;
    for (int row : kModeListOrder)
        list += std::string(kHamlibModeNames[size_t(row)]) + ' ';
    return list + '\n';
}

int SetMode(const Args &args, RigTarget &rig, Output &out)
{
    if (args[0] == "?") {
        out.block = ModeList();
        return kRigOk;
    }
    int mode = -1;
    for (size_t i = 0; i < kHamlibModeNames.size(); ++i) {
        if (args[0] == kHamlibModeNames[i])
            mode = int(i);
    }
    const std::optional<long long> passband = ParseInteger(args[1]);
    // 0 is Hamlib's "normal passband", -1 its "no change": both keep the filter.
    if (mode < 0 || !passband || *passband < -1)
        return kRigInvalidArgument;
    if (rig.ModeIndex() != mode)
        rig.SetMode(mode);
    if (*passband > 0) {
        const int filter = FilterForPassband(*passband);
        if (rig.FilterIndex() != filter)
            rig.SetFilter(filter);
    }
    return kRigOk;
}

int GetMode(const Args &, RigTarget &rig, Output &out)
{
    const int mode = rig.ModeIndex();
    const int filter = rig.FilterIndex();
    if (mode < 0 || mode >= int(kHamlibModeNames.size()) || filter < 0
        || filter >= int(kFilterWidthsHz.size()))
        return kRigNotAvailable;
    out.add("Mode", kHamlibModeNames[size_t(mode)]);
    out.add("Passband", std::to_string(kFilterWidthsHz[size_t(filter)]));
    return kRigOk;
}

int SetVfo(const Args &args, RigTarget &, Output &out)
{
    if (args[0] == "?") {
        out.block = "VFOA \n";
        return kRigOk;
    }
    return IsOneVfoName(args[0]) ? kRigOk : kRigInvalidArgument;
}

int GetVfo(const Args &, RigTarget &, Output &out)
{
    out.add("VFO", "VFOA");
    return kRigOk;
}

int SetSplitVfo(const Args &args, RigTarget &, Output &)
{
    const std::optional<long long> split = ParseInteger(args[0]);
    if (!split || (*split != 0 && *split != 1) || !IsOneVfoName(args[1]))
        return kRigInvalidArgument;
    return *split == 0 ? kRigOk : kRigNotAvailable;
}

int GetSplitVfo(const Args &, RigTarget &, Output &out)
{
    out.add("Split", "0");
    out.add("TX VFO", "VFOA");
    return kRigOk;
}

int GetPtt(const Args &, RigTarget &, Output &out)
{
    out.add("PTT", "0");
    return kRigOk;
}

bool IsHamlibLevel(std::string_view name)
{
    for (std::string_view level : kHamlibLevelNames) {
        if (name == level)
            return true;
    }
    return false;
}

int GetLevel(const Args &args, RigTarget &rig, Output &out)
{
    const std::string &level = args[0];
    // Hamlib prints a level's value without a label, in the extended form too.
    if (level == "?") {
        out.block = "SQL RAWSTR STRENGTH \n";
    } else if (level == "STRENGTH") {
        const std::optional<int> reading = rig.LastSignalReading();
        out.add(
            {}, std::to_string(reading ? StrengthDbForReading(*reading) : kStrengthNoReadingDb));
    } else if (level == "RAWSTR") {
        out.add({}, std::to_string(rig.LastSignalReading().value_or(0)));
    } else if (level == "SQL") {
        out.add({}, SixDecimals(rig.SquelchLevel(), kSquelchMax));
    } else {
        return IsHamlibLevel(level) ? kRigNotAvailable : kRigInvalidArgument;
    }
    return kRigOk;
}

int SetLevel(const Args &args, RigTarget &rig, Output &out)
{
    const std::string &level = args[0];
    if (level == "?") {
        out.block = "SQL \n";
        return kRigOk;
    }
    if (level != "SQL")
        return IsHamlibLevel(level) ? kRigNotAvailable : kRigInvalidArgument;
    const std::optional<double> value = ParseNumber(args[1]);
    if (!value || *value < 0.0 || *value > 1.0)
        return kRigInvalidArgument;
    rig.SetSquelch(int(std::lround(*value * kSquelchMax)));
    return kRigOk;
}

int SetPowerstat(const Args &args, RigTarget &rig, Output &)
{
    const std::optional<long long> status = ParseInteger(args[0]);
    if (!status || (*status != 0 && *status != 1))
        return kRigInvalidArgument;
    return rig.SetPower(*status == 1) ? kRigOk : kRigIoError;
}

int GetPowerstat(const Args &, RigTarget &rig, Output &out)
{
    out.add("Power Status", rig.IsOn() ? "1" : "0");
    return kRigOk;
}

int GetInfo(const Args &, RigTarget &, Output &out)
{
    out.add("Info", "QZ SERIAL REMOTE CONTROL");
    return kRigOk;
}

int DumpState(const Args &, RigTarget &, Output &out)
{
    out.block = RigctlDumpState();
    return kRigOk;
}

int ChkVfo(const Args &, RigTarget &, Output &out)
{
    out.add("ChkVFO", "0"); // no VFO argument in front of the commands' own ones
    return kRigOk;
}

int GetLockMode(const Args &, RigTarget &, Output &out)
{
    out.add("Locked", "0");
    return kRigOk;
}

struct CommandRow
{
    char shortName; // '\0' when there is only the long form
    const char *longName;
    int argCount; // arguments taken from the line; "?" alone stands for all of them
    bool listsOnQuestion; // "?" as first argument lists the choices
    bool answersValues; // the plain answer is the values alone, with no "RPRT 0"
    bool worksWhileOff;
    Handler run;
};

constexpr std::array<CommandRow, 17> kCommands {{
    {'F', "set_freq", 1, false, false, false, SetFreq},
    {'f', "get_freq", 0, false, true, false, GetFreq},
    {'M', "set_mode", 2, true, false, false, SetMode},
    {'m', "get_mode", 0, false, true, false, GetMode},
    {'V', "set_vfo", 1, true, false, false, SetVfo},
    {'v', "get_vfo", 0, false, true, false, GetVfo},
    {'S', "set_split_vfo", 2, false, false, false, SetSplitVfo},
    {'s', "get_split_vfo", 0, false, true, false, GetSplitVfo},
    {'t', "get_ptt", 0, false, true, false, GetPtt},
    {'L', "set_level", 2, true, false, false, SetLevel},
    {'l', "get_level", 1, false, true, false, GetLevel},
    {'\0', "set_powerstat", 1, false, false, true, SetPowerstat},
    {'\0', "get_powerstat", 0, false, true, true, GetPowerstat},
    {'_', "get_info", 0, false, true, true, GetInfo},
    {'\0', "dump_state", 0, false, true, true, DumpState},
    {'\0', "chk_vfo", 0, false, true, true, ChkVfo},
    // Hamlib's own daemon answers the value and then "RPRT 0"; its network rig asks before
    // every mode change.
    {'\0', "get_lock_mode", 0, false, false, false, GetLockMode},
}};

int FindCommand(std::string_view word)
{
    const bool longForm = word.size() > 1 && word.front() == '\\';
    for (size_t i = 0; i < kCommands.size(); ++i) {
        const CommandRow &row = kCommands[i];
        if (longForm ? word.substr(1) == row.longName
                     : word.size() == 1 && row.shortName != '\0' && word[0] == row.shortName)
            return int(i);
    }
    return -1;
}

bool IsQuit(std::string_view word)
{
    return word == "q" || word == "Q";
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::vector<std::string> Words(std::string_view line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        const size_t start = i;
        while (i < line.size() && !IsBlank(line[i]))
            ++i;
        if (i > start)
            words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

std::string Report(int code)
{
    return "RPRT " + std::to_string(code) + '\n';
}

} // namespace

std::vector<RigctlCommand> SplitRigctlLine(std::string_view line)
{
    std::vector<RigctlCommand> commands;
    const std::vector<std::string> words = Words(line);
    if (!words.empty() && words.front().front() == '#')
        return commands;
    size_t next = 0;
    while (next < words.size()) {
        RigctlCommand command;
        command.word = words[next++];
        const char first = command.word.front();
        if (first == '+' || first == ';' || first == '|' || first == ',') {
            command.separator = first == '+' ? '\n' : first;
            command.word.erase(0, 1);
        }
        command.row = FindCommand(command.word);
        if (command.row >= 0) {
            const CommandRow &row = kCommands[size_t(command.row)];
            for (int taken = 0; taken < row.argCount; ++taken) {
                if (next == words.size()) {
                    command.complete = false;
                    break;
                }
                command.args.push_back(words[next++]);
                if (taken == 0 && row.listsOnQuestion && command.args.front() == "?")
                    break;
            }
        }
        const bool quit = IsQuit(command.word);
        commands.push_back(std::move(command));
        if (quit)
            break;
    }
    return commands;
}

RigctlAnswer AnswerRigctlCommand(const RigctlCommand &command, RigTarget &rig)
{
    RigctlAnswer answer;
    if (IsQuit(command.word)) {
        answer.text = Report(kRigOk);
        answer.quit = true;
        return answer;
    }
    if (command.row < 0) {
        answer.text = Report(kRigNotAvailable);
        return answer;
    }
    const CommandRow &row = kCommands[size_t(command.row)];
    const bool extended = command.separator != '\0';
    const bool chkVfo = row.run == ChkVfo;

    // The extended form repeats the command and its arguments as a header; "\chk_vfo" has none.
    if (extended && !chkVfo) {
        answer.text = std::string(row.longName) + ':';
        for (const std::string &arg : command.args)
            answer.text += ' ' + arg;
        answer.text += command.separator;
    }

    Output out;
    int code = kRigOk;
    if (!row.worksWhileOff && !rig.IsOn())
        code = kRigNotPoweredOn;
    else if (!command.complete)
        code = kRigInvalidArgument;
    else
        code = row.run(command.args, rig, out);

    if (code != kRigOk) {
        answer.text += Report(code);
        return answer;
    }
    for (const auto &[label, value] : out.values) {
        if (extended) {
            answer.text += (label.empty() ? value : label + ": " + value);
            // "ChkVFO: 0" ends its line whatever the separator.
            answer.text += chkVfo ? '\n' : command.separator;
        } else {
            answer.text += value + '\n';
        }
    }
    answer.text += out.block;
    if ((extended && !chkVfo) || (!extended && !row.answersValues))
        answer.text += Report(kRigOk);
    return answer;
}

RigctlAnswer AnswerRigctlLine(std::string_view line, RigTarget &rig)
{
    RigctlAnswer all;
    for (const RigctlCommand &command : SplitRigctlLine(line)) {
        RigctlAnswer one = AnswerRigctlCommand(command, rig);
        all.text += one.text;
        if (one.quit) {
            all.quit = true;
            break;
        }
    }
    return all;
}

std::string RigctlDumpState()
{
    // Hamlib's mode bits: AM 0x1, CW 0x2, USB 0x4, LSB 0x8, FM 0x20, WFM 0x40.
    const std::string modes = "0x6f";
    std::string text;
    text += "1\n"; // protocol version
    text += "2\n"; // rig model: the network rig itself
    text += "0\n"; // ITU region, no longer used
    // Receive range: 0.1 … 1100 MHz, every mode, no transmit power, VFOA, one antenna.
    text += "100000.000000 1100000000.000000 " + modes + " -1 -1 0x1 0x1\n";
    text += "0 0 0 0 0 0 0\n";
    text += "0 0 0 0 0 0 0\n"; // no transmit range
    // Tuning steps: 1 Hz is the finest; the tuning-step list holds more than Hamlib's list
    // would take.
    text += modes + " 1\n";
    text += "0 0\n";
    for (long long width : kFilterWidthsHz)
        text += modes + ' ' + std::to_string(width) + '\n';
    text += "0 0\n";
    text += "0\n0\n0\n0\n"; // RIT, XIT, IF shift, announces
    text += "\n\n"; // no preamplifier, no attenuator
    text += "0x0\n0x0\n"; // functions read and set
    text += "0x44000020\n"; // levels read: SQL 0x20, RAWSTR 0x4000000, STRENGTH 0x40000000
    text += "0x20\n"; // levels set: SQL
    text += "0x0\n0x0\n"; // parameters read and set
    text += "vfo_ops=0x0\n";
    text += "ptt_type=0x0\n";
    text += "targetable_vfo=0x0\n";
    text += "has_set_vfo=1\n";
    text += "has_get_vfo=1\n";
    text += "has_set_freq=1\n";
    text += "has_get_freq=1\n";
    text += "has_set_conf=0\n";
    text += "has_get_conf=0\n";
    text += "has_power2mW=0\n";
    text += "has_mW2power=0\n";
    // Milliseconds a client should wait for an answer (it adds its own 500): switching on sends
    // seven paced commands, and other clients' commands may run first.
    text += "timeout=1000\n";
    text += "rig_model=2\n";
    text += "rigctld_version=QZ Remote\n";
    text += "done\n";
    return text;
}

int StrengthDbForReading(int reading)
{
    constexpr double kLevelsPerDivision = kSignalMeterMaxLevel / 12.0;
    constexpr double kS9Level = 9 * kLevelsPerDivision;
    const double level = SignalLevelForReading(reading);
    if (level <= kS9Level)
        return int(std::lround((level / kLevelsPerDivision - 9) * 6));
    return int(std::lround((level - kS9Level) / kLevelsPerDivision * 20));
}
