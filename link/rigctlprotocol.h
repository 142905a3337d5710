#pragma once

#include "strengthcalibration.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class RigTarget;

// The rigctld text protocol, as spoken by Hamlib's network rig (model 2, "NET rigctl"), so that
// loggers, satellite trackers and digital-mode programs tune the receiver through the panel.
//
// One command per line, a short form or a long one after a backslash, its arguments separated by
// blanks; the answer is one value per line, and commands that answer no value (and every failure)
// answer "RPRT n" with Hamlib's error number (0 for success, never a positive one). For example:
//
//     F 145500000              RPRT 0
//     f                        145500000
//     \get_mode                FM
//                              100000
//     M PKTUSB -1              RPRT 0
//     l STRENGTH               -12
//     F 5000000000             RPRT -1
//     T 1                      RPRT -11
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
// The receiver has one VFO (VFOA), no split and no transmitter: "\dump_state" offers no VFO
// switching, so Hamlib's clients answer split-off questions themselves, and a VFO word a client
// puts before a command's arguments ("f VFOA") is taken and checked. Its modes are Hamlib's AM,
// FM, WFM (the "PLS" button), USB, LSB and CW; data and reverse modes select the nearest of them
// (PKTUSB is USB, CWR is CW) and "m" reads back the name the client chose while the receiver
// stays in that mode. A passband picks the nearest of the five filters (10 kHz, 50 kHz, 100 kHz,
// 300 kHz, 1 MHz); 0 and -1 keep the current one. "l STRENGTH" asks the receiver for a fresh
// reading and answers it in dB relative to S9 through the calibration table, "l RAWSTR" the raw
// reading 0 … 255; when the receiver gives none in time both answer "RPRT -5" (timed out) rather
// than a made-up S0. "l SQL" and "L SQL" are the squelch bar 0 … 40 as 0.0 … 1.0. "T 0" is
// accepted, "T 1" refused with "RPRT -11".
//
// Unlike Hamlib's daemon, which reads its input as one stream, a command takes its arguments from
// its own line: a line that ends early answers "RPRT -1". Several commands may share a line, and
// each gets exactly one answer: a Hamlib command the receiver does not have takes its arguments
// and answers "RPRT -11" (Hamlib prints nothing, and its clients would wait for an answer that
// never comes). While the link is off every command but the power, "\chk_vfo", "\dump_state",
// "\dump_caps", "\get_info", "\set_vfo_opt" and "q" answers "RPRT -20", Hamlib's "rig not powered
// on" (Hamlib's daemon keeps silent there too).

// Hamlib's error numbers, as they appear after "RPRT ".
inline constexpr int kRigOk = 0;
inline constexpr int kRigInvalidArgument = -1; // RIG_EINVAL
inline constexpr int kRigTimedOut = -5; // RIG_ETIMEOUT: the receiver gave no reading in time
inline constexpr int kRigIoError = -6; // RIG_EIO: the serial port cannot be opened
inline constexpr int kRigNotAvailable = -11; // RIG_ENAVAIL: no such command, level or feature
inline constexpr int kRigNotPoweredOn = -20; // RIG_EPOWER
inline constexpr int kRigLimitExceeded = -21; // RIG_ELIMIT: too many clients
inline constexpr int kRigAccessDenied = -22; // RIG_EACCESS: the operator keeps power to himself

// One command as the client typed it.
struct RigctlCommand
{
    int row = -1; // row of the command table, -1 for a command the receiver does not have
    std::string word; // the command as typed, without the extended-response character
    char separator = '\0'; // '\0' for the plain answer; '\n' for "+", or ';', '|', ','
    std::string vfo; // the VFO word given before the arguments, if any
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

// What the protocol keeps between commands, shared by every client of one receiver.
struct RigctlState
{
    StrengthCalibration calibration = StrengthCalibration::MeterScale();
    // Clients may not switch the receiver on or off ("\set_powerstat" answers "RPRT -22").
    bool refusePower = false;
    // The Hamlib mode a client chose last and the receiver's mode it selected: "m" answers that
    // name while the receiver stays in that mode, so a program that set PKTUSB reads PKTUSB.
    std::string chosenMode;
    int chosenModeRow = -1;
};

// Carries out one command on the receiver. reply is called exactly once with the answer: at once
// for every command but a signal reading, which waits for the receiver and is answered later from
// the event loop.
void AnswerRigctlCommand(const RigctlCommand &command, RigTarget &rig, RigctlState &state,
    std::function<void(const RigctlAnswer &)> reply);

// "\dump_caps": the capabilities as Hamlib prints them for people and loggers.
std::string RigctlDumpCaps();

// The capabilities block of "\dump_state" (protocol 1), which Hamlib's network rig reads when it
// connects: frequency range, modes, filters, levels, then "key=value" lines up to "done".
std::string RigctlDumpState();
