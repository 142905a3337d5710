// LeadingNumber never crashes, never gives NaN or an infinity, skips blanks in front, and
// tells a huge number from a tiny one.
#include "leadingnumber.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const double value = LeadingNumber(text);
    // Out-of-range magnitudes are clamped to the largest double, so every result is finite.
    if (!std::isfinite(value))
        std::abort();

    for (const char *blank : {" ", "\t", "\n"}) {
        const double shifted = LeadingNumber(blank + std::string(text));
        // Compared bitwise as far as it matters: -0 and 0 must stay apart too.
        if (shifted != value || std::signbit(shifted) != std::signbit(value))
            std::abort();
    }

    // A point followed by the digits of the input reads between 0 and 1: a fraction never
    // overflows, however many zeros it starts with.
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    const double fraction = LeadingNumber("." + digits);
    if (fraction < 0 || fraction > 1)
        std::abort();

    // One more power of ten down never makes a positive number larger, nor smaller than a tenth
    // of it (but for values at the edge of the double range).
    if (!digits.empty()) {
        const double whole = LeadingNumber(digits);
        const double tenth = LeadingNumber(digits + "D-1");
        if (tenth > whole || (whole < 1e300 && whole > 1e-300 && tenth < whole / 10 * 0.999999))
            std::abort();
    }
    return 0;
}
