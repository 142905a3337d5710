#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

// A number written plainly, as network clients and settings write them: an optional "+", then
// what std::from_chars reads for T (digits, for a double also a point and an exponent), and
// nothing else. Nothing for an empty text, trailing characters or a value out of T's range.
template<typename T>
std::optional<T> ParsePlainNumber(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    T value {};
    const char *end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}
