#pragma once

#include <string>
#include <string_view>
#include <vector>

class RigTarget;

// The rigctld text protocol, as spoken by Hamlib's network rig (model 2, "NET rigctl"), so that
// loggers, satellite trackers and digital-mode programs tune the receiver through the panel.
//
// One command per line, a short form or a long one after a backslash, its arguments separated by
// blanks; the answer is one value per line, and commands that answer no value (and every failure)
// answer "RPRT n" with Hamlib's error number (0 for success). For example:
//
//     F 145500000              RPRT 0
//     f                        145500000
//     \get_mode                FM
//                              100000
//     M USB 10000              RPRT 0
//     l STRENGTH               -12
//     F 5000000000             RPRT -1
//
// A command preceded by "+" answers in the extended form: a header repeating the command, each
// value labelled, and a closing "RPRT n":
//
//     +f                       get_freq:
//                              Frequency: 145500000
//                              RPRT 0
//
// ";", "|" or "," instead of "+" gives the same answer on one line with that character between
// the parts ("get_freq:;Frequency: 145500000;RPRT 0").
//
// The receiver has one VFO (VFOA), no split and no transmitter. Its modes are Hamlib's AM, FM, WFM
// (the "PLS" button), USB, LSB and CW; a passband picks the nearest of the five filters (10 kHz,
// 50 kHz, 100 kHz, 300 kHz, 1 MHz), 0 or -1 keeps the current one. "l STRENGTH" reads the last
// meter reading in dB relative to S9 (StrengthDbForReading), "l RAWSTR" the raw reading 0 … 255,
// "l SQL" and "L SQL" the squelch bar 0 … 40 as 0.0 … 1.0.
//
// Unlike Hamlib's daemon, which reads its input as one stream, a command takes its arguments from
// its own line: a line that ends early answers "RPRT -1". Several commands may share a line. A
// command the receiver does not have answers "RPRT -11" (Hamlib prints nothing, and its clients
// would wait for an answer that never comes). While the link is off every command but the power,
// "\chk_vfo", "\dump_state", "\get_info" and "q" answers "RPRT -20", Hamlib's "rig not powered
// on" (Hamlib's daemon keeps silent there too).

// Hamlib's error numbers, as they appear after "RPRT ".
inline constexpr int kRigOk = 0;
inline constexpr int kRigInvalidArgument = -1; // RIG_EINVAL
inline constexpr int kRigIoError = -6; // RIG_EIO: the serial port cannot be opened
inline constexpr int kRigNotAvailable = -11; // RIG_ENAVAIL: no such command, level or feature
inline constexpr int kRigNotPoweredOn = -20; // RIG_EPOWER
inline constexpr int kRigLimitExceeded = -21; // RIG_ELIMIT: too many clients

// One command as the client typed it.
struct RigctlCommand
{
    int row = -1; // row of the command table, -1 for a command the receiver does not have
    std::string word; // the command as typed, without the extended-response character
    char separator = '\0'; // '\0' for the plain answer; '\n' for "+", or ';', '|', ','
    std::vector<std::string> args;
    bool complete = true; // false when the line ended before all arguments were given
};

// The commands of one line, in order. Blank lines and lines starting with "#" hold none.
std::vector<RigctlCommand> SplitRigctlLine(std::string_view line);

struct RigctlAnswer
{
    std::string text; // every line ends in "\n"
    bool quit = false; // "q": close the connection once the answer is sent
};

// Carries out one command on the receiver and returns the answer.
RigctlAnswer AnswerRigctlCommand(const RigctlCommand &command, RigTarget &rig);

// All commands of a line, their answers joined; stops after "q".
RigctlAnswer AnswerRigctlLine(std::string_view line, RigTarget &rig);

// The capabilities block of "\dump_state" (protocol 1), which Hamlib's network rig reads when it
// connects: frequency range, modes, filters, levels, then "key=value" lines up to "done".
std::string RigctlDumpState();

// "l STRENGTH": the raw reading's meter level (0 … 128) read off the meter's scale, in dB relative
// to S9. The scale's twelve equal divisions are S0 … S9 at 6 dB each (S9 three quarters along, at
// level 96) and then +20, +40, +60 dB. So raw 0 gives -54 (S0), raw 75 gives 0 (S9), raw 86 gives
// +26 (where the meter turns red), raw 100 and above give +60.
int StrengthDbForReading(int reading);
// "l STRENGTH" before the first reading: the empty meter.
inline constexpr int kStrengthNoReadingDb = -54;
