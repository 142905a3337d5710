#pragma once

#include <array>
#include <cstdint>
#include <string>

// The memory file holds up to 99 banks of 32 channels; the panel shows one bank at a time.
inline constexpr int kBankCount = 99;
inline constexpr int kBankSlots = 32;
// The squelch bar runs from 0 to this.
inline constexpr int kSquelchMax = 40;

// The 32 slots of one field of the loaded bank, numbered 1 to 32; entry 0 is never used.
using SlotTexts = std::array<std::string, kBankSlots + 1>;

// The tuned state shared by the whole panel: created zeroed, given its working values by
// start-up. Everything runs on one thread, so the fields are read and written directly.
struct TunedState
{
    double CurrentFrequency = 0.0; // MHz, 0 to 1100
    double StepSize = 0.0; // MHz, one of the tuning-step list's values
    std::string ModeCommand; // "AM", "FM", "PLS", "USB", "LSB" or "CW"
    std::string FilterCommand; // "BW1" … "BW5"
    std::string KeypadEntry; // what has been typed on the on-screen keypad so far
    std::int16_t SignalLevel = 0; // meter units, 0 to 128
    std::int16_t BankScanIndex = 0; // slot the bank scan visited last, 0 before the first step
    std::int16_t KnobMarkIndex = 0; // the lit mark of the tuning knob, 0 to 11
    std::int16_t KnobHeld = 0; // -1 while a mouse button is held on the knob

    // The loaded memory bank.
    SlotTexts MemFrequency;
    SlotTexts MemName;
    SlotTexts MemMode;
    SlotTexts MemFilter;
    SlotTexts MemStep;
};
