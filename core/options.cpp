#include "options.h"

namespace {

template<size_t N>
int FindRow(
    const std::array<OptionRow, N> &table, std::string_view text, const char *OptionRow::*field)
{
    for (size_t i = 0; i < N; ++i) {
        if (text == table[i].*field)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

int ModeIndexForWord(std::string_view word)
{
    return FindRow(kModeTable, word, &OptionRow::word);
}

int FilterIndexForCaption(std::string_view caption)
{
    return FindRow(kFilterTable, caption, &OptionRow::caption);
}
