#include "rigctlprotocol.h"
#include "plainnumber.h"
#include "steptable.h"
#include "tunedstate.h"

#include "options.h"
#include "rigtarget.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

namespace {

constexpr double kLowestHz = 100000.0; // 0.1 MHz
constexpr double kHighestHz = kHighestFrequencyMHz * 1e6;

// Hamlib's modes the receiver can follow, in the order of Hamlib's mode bits (in which "M ?"
// lists them), each with the receiver's mode it selects; then the other names Hamlib's clients
// send for some of them (PKTFM goes out as "FM-D"). The first row of each receiver mode is the
// name "m" answers for it.
struct HamlibMode
{
    const char *name;
    int row; // of kModeTable
    int bit; // -1 for another name of a mode above
};
constexpr HamlibMode kHamlibModes[] {
    {"AM", kModeAM, 0},
    {"CW", kModeCW, 1},
    {"USB", kModeUSB, 2},
    {"LSB", kModeLSB, 3},
    {"RTTY", kModeLSB, 4}, // radio teleprinters keep to the lower sideband
    {"FM", kModeFM, 5},
    {"WFM", kModeWFM, 6},
    {"CWR", kModeCW, 7},
    {"RTTYR", kModeUSB, 8},
    {"AMS", kModeAM, 9},
    {"PKTLSB", kModeLSB, 10},
    {"PKTUSB", kModeUSB, 11},
    {"PKTFM", kModeFM, 12},
    {"SAM", kModeAM, 16},
    {"FMN", kModeFM, 21},
    {"PKTAM", kModeAM, 22},
    {"PKTFMN", kModeFM, 34},
    {"AM-D", kModeAM, -1},
    {"FM-D", kModeFM, -1},
    {"USB-D", kModeUSB, -1},
    {"LSB-D", kModeLSB, -1},
    {"CW-R", kModeCW, -1},
    {"RTTY-R", kModeUSB, -1},
};

// The passband of each row of kFilterTable, in Hz.
constexpr std::array<long long, kFilterTable.size()> kFilterWidthsHz {
    10000, 50000, 100000, 300000, 1000000};

// Hamlib's VFO names: the first ones all mean the receiver's one VFO; the rest name VFOs it
// does not have.
constexpr std::string_view kOwnVfoNames[] {"VFOA", "currVFO", "VFO", "Main", "MainA", "RX"};
constexpr std::string_view kOtherVfoNames[] {
    "VFOB", "VFOC", "MEM", "Sub", "TX", "MainB", "MainC", "SubA", "SubB", "SubC", "None", "Other"};

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
using Handler = int (*)(const Args &, RigTarget &, RigctlState &, Output &);

std::optional<double> ParseNumber(std::string_view text)
{
    const std::optional<double> value = ParsePlainNumber<double>(text);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

std::optional<long long> ParseInteger(std::string_view text)
{
    return ParsePlainNumber<long long>(text);
}

// A fraction 0.0 … 1.0 as Hamlib prints it ("%f"), whatever the locale.
std::string SixDecimals(int numerator, int denominator)
{
    const long long micro = std::llround(1e6 * numerator / denominator);
    std::string fraction = std::to_string(micro % 1000000);
    return std::to_string(micro / 1000000) + '.' + std::string(6 - fraction.size(), '0') + fraction;
}

template<size_t N>
bool IsOneOf(std::string_view word, const std::string_view (&names)[N])
{
    for (std::string_view name : names) {
        if (word == name)
            return true;
    }
    return false;
}

bool IsVfoName(std::string_view word)
{
    return IsOneOf(word, kOwnVfoNames) || IsOneOf(word, kOtherVfoNames);
}

// RIG_OK for the receiver's own VFO, "not available" for another one, "invalid" for a word that
// names none.
int CheckVfo(std::string_view name)
{
    if (IsOneOf(name, kOwnVfoNames))
        return kRigOk;
    return IsOneOf(name, kOtherVfoNames) ? kRigNotAvailable : kRigInvalidArgument;
}

const char *OwnModeName(int row)
{
    for (const HamlibMode &mode : kHamlibModes) {
        if (mode.row == row)
            return mode.name;
    }
    return "";
}

std::string ChosenModeName(int row, const RigctlState &state)
{
    return row == state.chosenModeRow ? state.chosenMode : OwnModeName(row);
}

std::string ModeMask()
{
    std::uint64_t mask = 0;
    for (const HamlibMode &mode : kHamlibModes) {
        if (mode.bit >= 0)
            mask |= std::uint64_t(1) << mode.bit;
    }
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, mask, 16);
    return "0x" + std::string(text, result.ptr);
}

std::string ModeList()
{
    std::string list;
    for (const HamlibMode &mode : kHamlibModes) {
        if (mode.bit >= 0)
            list += std::string(mode.name) + ' ';
    }
    return list + '\n';
}

int SetFreq(const Args &args, RigTarget &rig, RigctlState &, Output &)
{
    const std::optional<double> hz = ParseNumber(args[0]);
    if (!hz || *hz < kLowestHz || *hz > kHighestHz)
        return kRigInvalidArgument;
    rig.TuneTo(*hz / 1e6);
    return kRigOk;
}

int GetFreq(const Args &, RigTarget &rig, RigctlState &, Output &out)
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

int SetMode(const Args &args, RigTarget &rig, RigctlState &state, Output &out)
{
    if (args[0] == "?") {
        out.block = ModeList();
        return kRigOk;
    }
    const HamlibMode *mode = nullptr;
    for (const HamlibMode &row : kHamlibModes) {
        if (args[0] == row.name)
            mode = &row;
    }
    const std::optional<long long> passband = ParseInteger(args[1]);
    // 0 is Hamlib's "normal passband", -1 its "no change": both keep the filter.
    if (!mode || !passband || *passband < -1)
        return kRigInvalidArgument;
    if (rig.ModeIndex() != mode->row)
        rig.SetMode(mode->row);
    state.chosenMode = mode->name;
    state.chosenModeRow = mode->row;
    if (*passband > 0) {
        const int filter = FilterForPassband(*passband);
        if (rig.FilterIndex() != filter)
            rig.SetFilter(filter);
    }
    return kRigOk;
}

// The mode name and passband the receiver is in; false when no mode or filter is selected.
bool ReadMode(RigTarget &rig, const RigctlState &state, std::string &name, long long &passband)
{
    const int mode = rig.ModeIndex();
    const int filter = rig.FilterIndex();
    if (mode < 0 || mode >= int(kModeTable.size()) || filter < 0
        || filter >= int(kFilterWidthsHz.size()))
        return false;
    name = ChosenModeName(mode, state);
    passband = kFilterWidthsHz[size_t(filter)];
    return true;
}

int GetMode(const Args &, RigTarget &rig, RigctlState &state, Output &out)
{
    std::string name;
    long long passband = 0;
    if (!ReadMode(rig, state, name, passband))
        return kRigNotAvailable;
    out.add("Mode", name);
    out.add("Passband", std::to_string(passband));
    return kRigOk;
}

int SetVfo(const Args &args, RigTarget &, RigctlState &, Output &out)
{
    if (args[0] == "?") {
        out.block = "VFOA \n";
        return kRigOk;
    }
    return CheckVfo(args[0]);
}

int GetVfo(const Args &, RigTarget &, RigctlState &, Output &out)
{
    out.add("VFO", "VFOA");
    return kRigOk;
}

int GetVfoInfo(const Args &args, RigTarget &rig, RigctlState &state, Output &out)
{
    if (args[0] == "?") {
        out.block = "VFOA \n";
        return kRigOk;
    }
    if (const int vfo = CheckVfo(args[0]); vfo != kRigOk)
        return vfo;
    std::string mode;
    long long passband = 0;
    if (!ReadMode(rig, state, mode, passband))
        return kRigNotAvailable;
    out.add("Freq", std::to_string(std::llround(rig.FrequencyMHz() * 1e6)));
    out.add("Mode", mode);
    out.add("Width", std::to_string(passband));
    out.add("Split", "0");
    out.add("SatMode", "0");
    return kRigOk;
}

int SetSplitVfo(const Args &args, RigTarget &, RigctlState &, Output &)
{
    const std::optional<long long> split = ParseInteger(args[0]);
    if (!split || (*split != 0 && *split != 1) || !IsVfoName(args[1]))
        return kRigInvalidArgument;
    // Split off is what the receiver always is, whichever VFO the client names for sending.
    return *split == 0 ? kRigOk : kRigNotAvailable;
}

int GetSplitVfo(const Args &, RigTarget &, RigctlState &, Output &out)
{
    out.add("Split", "0");
    out.add("TX VFO", "VFOA");
    return kRigOk;
}

int SetPtt(const Args &args, RigTarget &, RigctlState &, Output &)
{
    const std::optional<long long> ptt = ParseInteger(args[0]);
    if (!ptt || *ptt < 0 || *ptt > 3)
        return kRigInvalidArgument;
    // Receiving is all it does; asking it to send cannot be done.
    return *ptt == 0 ? kRigOk : kRigNotAvailable;
}

int GetPtt(const Args &, RigTarget &, RigctlState &, Output &out)
{
    out.add("PTT", "0");
    return kRigOk;
}

bool IsSignalLevel(std::string_view level)
{
    return level == "STRENGTH" || level == "RAWSTR";
}

int GetLevel(const Args &args, RigTarget &rig, RigctlState &, Output &out)
{
    const std::string &level = args[0];
    // Hamlib prints a level's value without a label, in the extended form too.
    if (level == "?")
        out.block = "SQL RAWSTR STRENGTH \n";
    else if (level == "SQL")
        out.add({}, SixDecimals(rig.SquelchLevel(), kSquelchMax));
    else
        return IsOneOf(level, kHamlibLevelNames) ? kRigNotAvailable : kRigInvalidArgument;
    return kRigOk;
}

int SetLevel(const Args &args, RigTarget &rig, RigctlState &, Output &out)
{
    const std::string &level = args[0];
    if (level == "?") {
        out.block = "SQL \n";
        return kRigOk;
    }
    if (level != "SQL")
        return IsOneOf(level, kHamlibLevelNames) ? kRigNotAvailable : kRigInvalidArgument;
    const std::optional<double> value = ParseNumber(args[1]);
    if (!value || *value < 0.0 || *value > 1.0)
        return kRigInvalidArgument;
    rig.SetSquelch(int(std::lround(*value * kSquelchMax)));
    return kRigOk;
}

int SetPowerstat(const Args &args, RigTarget &rig, RigctlState &state, Output &)
{
    const std::optional<long long> status = ParseInteger(args[0]);
    if (!status || (*status != 0 && *status != 1))
        return kRigInvalidArgument;
    if (state.refusePower)
        return kRigAccessDenied;
    return rig.SetPower(*status == 1) ? kRigOk : kRigIoError;
}

int GetPowerstat(const Args &, RigTarget &rig, RigctlState &, Output &out)
{
    out.add("Power Status", rig.IsOn() ? "1" : "0");
    return kRigOk;
}

int GetInfo(const Args &, RigTarget &, RigctlState &, Output &out)
{
    out.add("Info", "QZ SERIAL REMOTE CONTROL");
    return kRigOk;
}

int DumpState(const Args &, RigTarget &, RigctlState &, Output &out)
{
    out.block = RigctlDumpState();
    return kRigOk;
}

int DumpCaps(const Args &, RigTarget &, RigctlState &, Output &out)
{
    out.block = RigctlDumpCaps();
    return kRigOk;
}

int ChkVfo(const Args &, RigTarget &, RigctlState &, Output &out)
{
    out.add("ChkVFO", "0"); // no VFO argument in front of the commands' own ones
    return kRigOk;
}

int SetVfoOpt(const Args &args, RigTarget &, RigctlState &, Output &)
{
    // A VFO word before the arguments is taken whether or not the client asked for it.
    const std::optional<long long> on = ParseInteger(args[0]);
    return on && (*on == 0 || *on == 1) ? kRigOk : kRigInvalidArgument;
}

int GetLockMode(const Args &, RigTarget &, RigctlState &, Output &out)
{
    out.add("Locked", "0");
    return kRigOk;
}

struct CommandRow
{
    char shortName; // '\0' when there is only the long form
    const char *longName;
    int argCount; // arguments taken from the line; "?" alone stands for all of them
    bool takesVfo; // a VFO word may stand before the arguments
    bool listsOnQuestion; // "?" as first argument lists the choices
    bool answersValues; // the plain answer is the values alone, with no "RPRT 0"
    bool worksWhileOff;
    Handler run;
};

constexpr std::array<CommandRow, 21> kCommands {{
    {'F', "set_freq", 1, true, false, false, false, SetFreq},
    {'f', "get_freq", 0, true, false, true, false, GetFreq},
    {'M', "set_mode", 2, true, true, false, false, SetMode},
    {'m', "get_mode", 0, true, false, true, false, GetMode},
    {'V', "set_vfo", 1, false, true, false, false, SetVfo},
    {'v', "get_vfo", 0, false, false, true, false, GetVfo},
    {'S', "set_split_vfo", 2, true, false, false, false, SetSplitVfo},
    {'s', "get_split_vfo", 0, true, false, true, false, GetSplitVfo},
    {'T', "set_ptt", 1, true, false, false, false, SetPtt},
    {'t', "get_ptt", 0, true, false, true, false, GetPtt},
    {'L', "set_level", 2, true, true, false, false, SetLevel},
    {'l', "get_level", 1, true, false, true, false, GetLevel},
    {'\0', "set_powerstat", 1, false, false, false, true, SetPowerstat},
    {'\0', "get_powerstat", 0, false, false, true, true, GetPowerstat},
    {'_', "get_info", 0, false, false, true, true, GetInfo},
    {'\0', "dump_state", 0, false, false, true, true, DumpState},
    {'1', "dump_caps", 0, false, false, false, true, DumpCaps},
    {'\0', "chk_vfo", 0, false, false, true, true, ChkVfo},
    {'\0', "set_vfo_opt", 1, false, false, false, true, SetVfoOpt},
    {'\0', "get_vfo_info", 1, false, true, true, false, GetVfoInfo},
    // Hamlib's own daemon answers the value and then "RPRT 0"; its network rig asks before
    // every mode change.
    {'\0', "get_lock_mode", 0, false, false, false, false, GetLockMode},
}};

// Hamlib's commands the receiver does not have, with the arguments each takes, so that their
// arguments are not read as commands of their own and each answers one "RPRT -11".
struct MissingCommand
{
    char shortName;
    const char *longName;
    int argCount; // -1: the rest of the line
    bool takesVfo;
};
constexpr MissingCommand kMissingCommands[] {
    {'I', "set_split_freq", 1, true},
    {'i', "get_split_freq", 0, true},
    {'X', "set_split_mode", 2, true},
    {'x', "get_split_mode", 0, true},
    {'K', "set_split_freq_mode", 3, true},
    {'k', "get_split_freq_mode", 0, true},
    {'N', "set_ts", 1, true},
    {'n', "get_ts", 0, true},
    {'U', "set_func", 2, true},
    {'u', "get_func", 1, true},
    {'P', "set_parm", 2, false},
    {'p', "get_parm", 1, false},
    {'G', "vfo_op", 1, true},
    {'g', "scan", 2, true},
    {'A', "set_trn", 1, false},
    {'a', "get_trn", 0, false},
    {'R', "set_rptr_shift", 1, true},
    {'r', "get_rptr_shift", 0, true},
    {'O', "set_rptr_offs", 1, true},
    {'o', "get_rptr_offs", 0, true},
    {'C', "set_ctcss_tone", 1, true},
    {'c', "get_ctcss_tone", 0, true},
    {'D', "set_dcs_code", 1, true},
    {'d', "get_dcs_code", 0, true},
    {'\0', "set_ctcss_sql", 1, true},
    {'\0', "get_ctcss_sql", 0, true},
    {'\0', "set_dcs_sql", 1, true},
    {'\0', "get_dcs_sql", 0, true},
    {'E', "set_mem", 1, true},
    {'e', "get_mem", 0, true},
    {'H', "set_channel", 1, false},
    {'h', "get_channel", 2, false},
    {'B', "set_bank", 1, true},
    {'J', "set_rit", 1, true},
    {'j', "get_rit", 0, true},
    {'Z', "set_xit", 1, true},
    {'z', "get_xit", 0, true},
    {'Y', "set_ant", 2, true},
    {'y', "get_ant", 1, true},
    {'\0', "send_dtmf", 1, false},
    {'\0', "recv_dtmf", 0, false},
    {'w', "send_cmd", -1, false},
    {'W', "send_cmd_rx", 2, false},
    {'*', "reset", 1, false},
    {'b', "send_morse", -1, false},
    {'\0', "stop_morse", 0, false},
    {'\0', "wait_morse", 0, false},
    {'\0', "send_voice_mem", 1, false},
    {'\0', "stop_voice_mem", 0, false},
    {'\0', "get_dcd", 0, false},
    {'\0', "uplink", 1, false},
    {'\0', "set_twiddle", 1, false},
    {'\0', "get_twiddle", 0, false},
    {'\0', "set_cache", 1, false},
    {'\0', "get_cache", 0, false},
    {'2', "power2mW", 3, false},
    {'4', "mW2power", 3, false},
    {'3', "dump_conf", 0, false},
    {'\0', "get_vfo_list", 0, false},
    {'\0', "get_rig_info", 0, false},
    {'\0', "get_modes", 0, false},
    {'\0', "get_clock", 0, false},
    {'\0', "set_clock", 1, false},
    {'\0', "halt", 0, false},
    {'\0', "pause", 1, false},
    {'\0', "password", 1, false},
    {'\0', "set_separator", 1, false},
    {'\0', "get_separator", 0, false},
    {'\0', "set_lock_mode", 1, false},
    {'\0', "get_mode_bandwidths", 1, false},
    {'\0', "send_raw", 2, false},
    {'\0', "client_version", 1, false},
    {'\0', "hamlib_version", 0, false},
    {'\0', "set_gpio", 2, false},
    {'\0', "get_gpio", 1, false},
    {'\0', "set_conf", 2, false},
    {'\0', "get_conf", 1, false},
    {'\0', "test", 1, false},
};

bool Names(std::string_view word, char shortName, const char *longName)
{
    if (word.size() > 1 && word.front() == '\\')
        return word.substr(1) == longName;
    return word.size() == 1 && shortName != '\0' && word[0] == shortName;
}

int FindCommand(std::string_view word)
{
    for (size_t i = 0; i < kCommands.size(); ++i) {
        if (Names(word, kCommands[i].shortName, kCommands[i].longName))
            return int(i);
    }
    return -1;
}

const MissingCommand *FindMissingCommand(std::string_view word)
{
    for (const MissingCommand &command : kMissingCommands) {
        if (Names(word, command.shortName, command.longName))
            return &command;
    }
    return nullptr;
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

// The answer to a command whose handler gave `code` and `out`.
std::string Format(const RigctlCommand &command, const CommandRow &row, int code, const Output &out)
{
    const bool extended = command.separator != '\0';
    const bool chkVfo = row.run == ChkVfo;
    std::string text;
    // The extended form repeats the command and its arguments as a header; "\chk_vfo" has none.
    if (extended && !chkVfo) {
        text = std::string(row.longName) + ':';
        for (const std::string &arg : command.args)
            text += ' ' + arg;
        text += command.separator;
    }
    if (code != kRigOk)
        return text + Report(code);
    for (const auto &[label, value] : out.values) {
        if (extended) {
            text += (label.empty() ? value : label + ": " + value);
            // "ChkVFO: 0" ends its line whatever the separator.
            text += chkVfo ? '\n' : command.separator;
        } else {
            text += value + '\n';
        }
    }
    text += out.block;
    if ((extended && !chkVfo) || (!extended && !row.answersValues))
        text += Report(kRigOk);
    return text;
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
        if (command.word.size() > 1
            && (first == '+' || first == ';' || first == '|' || first == ',')) {
            command.separator = first == '+' ? '\n' : first;
            command.word.erase(0, 1);
        }
        command.row = FindCommand(command.word);
        int argCount = 0;
        bool takesVfo = false;
        bool listsOnQuestion = false;
        if (command.row >= 0) {
            const CommandRow &row = kCommands[size_t(command.row)];
            argCount = row.argCount;
            takesVfo = row.takesVfo;
            listsOnQuestion = row.listsOnQuestion;
        } else if (const MissingCommand *missing = FindMissingCommand(command.word)) {
            argCount = missing->argCount < 0 ? int(words.size() - next) : missing->argCount;
            takesVfo = missing->takesVfo;
        }
        // No command's own first argument is a VFO name, so one standing there is the VFO word.
        if (takesVfo && next < words.size() && IsVfoName(words[next]))
            command.vfo = words[next++];
        for (int taken = 0; taken < argCount; ++taken) {
            if (next == words.size()) {
                command.complete = false;
                break;
            }
            command.args.push_back(words[next++]);
            if (taken == 0 && listsOnQuestion && command.args.front() == "?")
                break;
        }
        const bool quit = IsQuit(command.word);
        commands.push_back(std::move(command));
        if (quit)
            break;
    }
    return commands;
}

void AnswerRigctlCommand(const RigctlCommand &command, RigTarget &rig, RigctlState &state,
    std::function<void(const RigctlAnswer &)> reply)
{
    if (IsQuit(command.word)) {
        reply({Report(kRigOk), true});
        return;
    }
    if (command.row < 0) {
        reply({Report(kRigNotAvailable), false});
        return;
    }
    const CommandRow &row = kCommands[size_t(command.row)];
    Output out;
    int code = kRigOk;
    if (!row.worksWhileOff && !rig.IsOn())
        code = kRigNotPoweredOn;
    else if (!command.complete)
        code = kRigInvalidArgument;
    else if (!command.vfo.empty() && CheckVfo(command.vfo) != kRigOk)
        code = CheckVfo(command.vfo);
    else if (row.run == GetLevel && IsSignalLevel(command.args.front())) {
        // The receiver is asked now and the answer waits for its reading; the calibration is
        // taken as it stands when the question is asked.
        const bool raw = command.args.front() == "RAWSTR";
        rig.ReadSignal([command, row, raw, calibration = state.calibration,
                           reply = std::move(reply)](std::optional<int> reading) {
            Output value;
            if (reading)
                value.add({}, std::to_string(raw ? *reading : calibration.DbForReading(*reading)));
            reply({Format(command, row, reading ? kRigOk : kRigTimedOut, value), false});
        });
        return;
    } else
        code = row.run(command.args, rig, state, out);
    reply({Format(command, row, code, out), false});
}

std::string RigctlDumpState()
{
    const std::string modes = ModeMask();
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
    // With no VFO to switch to, Hamlib's clients answer "split off on VFO B" themselves instead
    // of asking for a VFO the receiver refuses.
    text += "has_set_vfo=0\n";
    text += "has_get_vfo=0\n";
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

std::string RigctlDumpCaps()
{
    std::string text;
    text += "Caps dump for model: 2\n";
    text += "Model name:\tQZ SERIAL REMOTE CONTROL\n";
    text += "Mfg name:\tQZ Remote\n";
    text += "Backend status:\tStable\n";
    text += "Rig type:\tReceiver\n";
    text += "PTT type:\tNone\n";
    text += "DCD type:\tNone\n";
    text += "Port type:\tNetwork link\n";
    text += "Targetable features: None\n";
    text += "Mode list: " + ModeList();
    text += "VFO list: VFOA \n";
    text += "Get level: SQL RAWSTR STRENGTH \n";
    text += "Set level: SQL \n";
    for (const char *can : {"set Frequency:\tY", "get Frequency:\tY", "set Mode:\tY",
             "get Mode:\tY", "set VFO:\tN", "get VFO:\tN", "set PTT:\tN", "get PTT:\tY",
             "set Split VFO:\tY", "get Split VFO:\tY", "set Level:\tY", "get Level:\tY",
             "set Power Stat:\tY", "get Power Stat:\tY", "get Info:\tY"})
        text += std::string("Can ") + can + '\n';
    text += "Overall backend warnings: 0\n";
    return text;
}
