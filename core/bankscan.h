#pragma once

#include "steptable.h"
#include "tunedstate.h"

#include <string>

// The bank scan visits slots whose frequency reads from 0.1 up to 1300 MHz: wider at the top than
// recall, so a slot between 1100 and 1300 MHz takes one step of the scan while its recall is
// ignored.
inline constexpr double kLowestScanMHz = kLowestFrequencyMHz;
inline constexpr double kHighestScanMHz = 1300.0;

// True when the trimmed text reads (LeadingNumber) from 0.1 to 1300 MHz; an empty slot reads 0.
bool IsUsableSlot(const std::string &freqText);

// The next usable slot after bankScanIndex, wrapping from 32 to 1; index 0 means before slot 1.
// One pass over the 32 slots at most: 0 when none is usable (the scan then stops). Entry 0 of the
// array is never read. An index outside 0 to 32 is taken as 0.
int NextUsableSlot(int bankScanIndex, const SlotTexts &memFrequency);

// Where the bank scan's position stands after a step that found no usable slot. The search moves
// one slot at a time: over a bank with loaded slots it goes once round all 32 (from 0 it ends on
// 32); over a bank with none it looks at one slot and gives up, so the position moves by one.
int BankScanIndexAfterFruitlessSearch(int bankScanIndex, const SlotTexts &memFrequency);

// True when at least one of slots 1 to 32 holds a frequency text (usable or not).
bool HasLoadedSlot(const SlotTexts &memFrequency);
