#pragma once

#include <string_view>

// The one rule by which typed and stored texts become numbers. Spaces, tabs and line feeds are
// skipped wherever they stand (also between digits); then an optional sign, digits with at most
// one "." (never a comma, whatever the locale) and an optional exponent (E or D, either case,
// with an optionally signed integer). Reading stops at the first character that cannot continue
// the number. Text that does not begin with a number, and the empty text, give 0. A magnitude
// beyond the range of a double gives the largest finite double of that sign, so callers' range
// checks refuse it instead of meeting an infinity.
double LeadingNumber(std::string_view text);

// A digit 0 to 9, whatever the locale.
inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
