#pragma once

#include <string>
#include <string_view>

// The text with leading and trailing spaces removed; tabs and other blanks stay. Stored channel
// texts and received replies are trimmed this way.
std::string_view TrimSpaces(std::string_view text);

// The same, as a string of its own.
inline std::string TrimmedText(std::string_view text)
{
    return std::string(TrimSpaces(text));
}
