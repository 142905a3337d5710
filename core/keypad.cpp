#include "keypad.h"

#include "directentry.h"
#include "leadingnumber.h"

KeypadOutcome Keypad::Press(int index)
{
    KeypadOutcome outcome;
    if (index < 0 || index >= kKeypadButtons)
        return outcome;
    // A full entry takes nothing more, but can still be cleared or entered.
    if (m_entry.size() >= kKeypadEntryLimit && index != kKeypadClear && index != kKeypadEnter)
        return outcome;

    if (index <= 9) {
        m_entry += static_cast<char>('0' + index);
    } else if (index == kKeypadPoint) {
        m_entry += '.';
    } else if (index == kKeypadClear) {
        m_entry.clear();
    } else if (!m_entry.empty()) {
        const double value = LeadingNumber(m_entry);
        // Cleared before judging: a rejected entry is gone as well as an accepted one.
        std::string typed;
        typed.swap(m_entry);
        if (IsTypedFrequencyAccepted(value)) {
            outcome.tuneMHz = value;
        } else {
            outcome.showError = true;
            outcome.rejectedEntry = std::move(typed);
        }
    }
    outcome.redraw = true;
    return outcome;
}

std::string Keypad::DisplayTextFor(std::string_view entry)
{
    std::string text;
    if (entry.size() < kKeypadEntryLimit)
        text.assign(kKeypadEntryLimit - entry.size(), ' ');
    text += entry;
    return text;
}
