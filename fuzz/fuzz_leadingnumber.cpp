// LeadingNumber never crashes, never gives NaN or an infinity, and skips blanks in front.
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
    return 0;
}
