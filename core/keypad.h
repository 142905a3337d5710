#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char *kKeypadErrorTitle = "ERROR - INVALID FREQUENCY";
inline constexpr const char *kKeypadErrorText = "Enter Frequency in MHz (From 0.1 To 1100) !";

// Keypad buttons by index: 0 ... 9 are the digits.
inline constexpr int kKeypadPoint = 10;
inline constexpr int kKeypadClear = 11; // "CLS"
inline constexpr int kKeypadEnter = 12; // "ENTER"
inline constexpr int kKeypadButtons = 13;

inline constexpr std::size_t kKeypadEntryLimit = 10;

// What the window has to do after one press.
struct KeypadOutcome
{
    bool redraw = false; // redraw the keypad display from the entry
    std::optional<double> tuneMHz; // accepted: tune there, apply the band plan, send
    bool showError = false; // rejected: show the error box
    // The entry that was rejected; the display keeps showing it while the error box is open.
    std::string rejectedEntry;
};

// The on-screen keypad. It works on the entry string it is given (the shared tuned state's),
// so the window and the keypad always see the same text.
class Keypad
{
public:
    explicit Keypad(std::string &entry)
        : m_entry(entry)
    { }

    // One button press; indices outside 0 ... 12 are ignored.
    KeypadOutcome Press(int index);

    const std::string &entry() const { return m_entry; }
    std::string DisplayText() const { return DisplayTextFor(m_entry); }

    // The entry right-aligned in ten characters: (10 - length) spaces followed by the entry. An
    // empty entry gives ten spaces, which draw as nothing.
    static std::string DisplayTextFor(std::string_view entry);

private:
    std::string &m_entry;
};
