#include "memoryfile.h"

#include "tunedstate.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Characters 1 to 16: one free character and the bank name.
constexpr std::size_t kPrefixLength = 1 + kBankNameLength;

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';

} // namespace

bool operator==(const ChannelFields &a, const ChannelFields &b)
{
    return a.frequency == b.frequency && a.name == b.name && a.mode == b.mode
        && a.filter == b.filter && a.step == b.step;
}

std::string BankName(int bank)
{
    if (bank < 1 || bank > kBankCount)
        return {};
    char name[32];
    std::snprintf(name, sizeof name, "MEMORY BANK #%02d", bank);
    return name;
}

bool IsChannelLine(std::string_view line, std::string_view bankName)
{
    return bankName.size() == kBankNameLength && line.size() >= kPrefixLength
        && line.substr(1, kBankNameLength) == bankName;
}

ChannelFields ParseChannelFields(std::string_view line)
{
    ChannelFieldScanner scanner;
    scanner.feed(line);
    return scanner.fields();
}

// ChannelFieldScanner

void ChannelFieldScanner::feed(std::string_view piece)
{
    static_assert(kTailLength + 1 == std::string_view("FREQUENCY=").size());
    if (piece.empty() || complete())
        return;

    // A key split between the previous pieces and this one lies in the seam: the remembered tail
    // followed by the start of this piece. Any match there starts before this piece, so it comes
    // before any match inside the piece.
    char seam[2 * kTailLength];
    std::memcpy(seam, m_tail.data(), m_tailSize);
    const std::size_t seamHead = std::min(piece.size(), kTailLength);
    std::memcpy(seam + m_tailSize, piece.data(), seamHead);

    for (std::size_t k = 0; k < kChannelFieldKeys.size(); ++k) {
        const ChannelFieldKey &key = kChannelFieldKeys[k];
        KeyState &state = m_keys[k];
        std::size_t valueStart = std::string_view::npos;
        if (state.found) {
            valueStart = 0; // a value still being read continues at the start of this piece
        } else {
            if (m_tailSize > 0) {
                const std::string_view seamText(
                    seam, m_tailSize + std::min(piece.size(), key.key.size() - 1));
                const std::size_t at = seamText.find(key.key);
                // A match wholly inside the tail would have been found with the earlier piece.
                if (at != std::string_view::npos && at + key.key.size() > m_tailSize)
                    valueStart = at + key.key.size() - m_tailSize;
            }
            if (valueStart == std::string_view::npos) {
                const std::size_t at = piece.find(key.key);
                if (at != std::string_view::npos)
                    valueStart = at + key.key.size();
            }
            if (valueStart == std::string_view::npos)
                continue;
            state.found = true;
            state.remaining = key.width;
        }
        if (state.remaining > 0 && valueStart < piece.size()) {
            const std::size_t take = std::min(state.remaining, piece.size() - valueStart);
            state.value.append(piece.data() + valueStart, take);
            state.remaining -= take;
        }
    }
    remember(piece);
}

void ChannelFieldScanner::remember(std::string_view piece)
{
    if (piece.size() >= kTailLength) {
        std::memcpy(m_tail.data(), piece.data() + piece.size() - kTailLength, kTailLength);
        m_tailSize = kTailLength;
        return;
    }
    const std::size_t keep = std::min(m_tailSize, kTailLength - piece.size());
    std::memmove(m_tail.data(), m_tail.data() + m_tailSize - keep, keep);
    std::memcpy(m_tail.data() + keep, piece.data(), piece.size());
    m_tailSize = keep + piece.size();
}

bool ChannelFieldScanner::complete() const
{
    return std::all_of(m_keys.begin(), m_keys.end(),
        [](const KeyState &s) { return s.found && s.remaining == 0; });
}

ChannelFields ChannelFieldScanner::fields() const
{
    ChannelFields result;
    for (std::size_t k = 0; k < kChannelFieldKeys.size(); ++k)
        result.*kChannelFieldKeys[k].field = TrimmedText(m_keys[k].value);
    return result;
}

void ChannelFieldScanner::reset()
{
    for (KeyState &state : m_keys) {
        state.found = false;
        state.remaining = 0;
        state.value.clear();
    }
    m_tailSize = 0;
}

std::size_t ChannelFieldScanner::bufferedBytes() const
{
    std::size_t bytes = m_tailSize;
    for (const KeyState &state : m_keys)
        bytes += state.value.size();
    return bytes;
}

// BankReader

BankReader::BankReader(std::string_view bankName)
    : m_bankName(bankName)
{
    m_prefix.reserve(kPrefixLength);
    // A name that cannot stand in characters 2 to 16 matches no line.
    m_done = m_bankName.size() != kBankNameLength;
}

void BankReader::feed(std::string_view chunk)
{
    std::size_t pos = 0;
    while (pos < chunk.size() && !m_done) {
        if (m_skipLineFeed) {
            m_skipLineFeed = false;
            if (chunk[pos] == kLineFeed) {
                ++pos;
                continue;
            }
        }
        const char *start = chunk.data() + pos;
        const auto *cr
            = static_cast<const char *>(std::memchr(start, kCarriageReturn, chunk.size() - pos));
        const std::size_t end = cr ? static_cast<std::size_t>(cr - chunk.data()) : chunk.size();
        takeLinePiece(chunk.substr(pos, end - pos));
        if (!cr)
            break;
        endLine();
        m_skipLineFeed = true;
        pos = end + 1;
    }
}

void BankReader::finish()
{
    if (!m_done && m_lineStarted)
        endLine();
    m_done = true;
}

std::size_t BankReader::bufferedBytes() const
{
    return m_prefix.size() + m_scanner.bufferedBytes();
}

void BankReader::takeLinePiece(std::string_view piece)
{
    if (piece.empty())
        return;
    m_lineStarted = true;
    if (m_lineKind == LineKind::Undecided) {
        const std::size_t take = std::min(kPrefixLength - m_prefix.size(), piece.size());
        m_prefix.append(piece.data(), take);
        piece.remove_prefix(take);
        if (m_prefix.size() < kPrefixLength)
            return;
        if (IsChannelLine(m_prefix, m_bankName)) {
            m_lineKind = LineKind::Channel;
            m_scanner.reset();
            m_scanner.feed(m_prefix);
        } else {
            m_lineKind = LineKind::Other;
            // Any other line ends the run; no need to read it to its end.
            if (m_inRun)
                m_done = true;
        }
    }
    if (m_lineKind == LineKind::Channel)
        m_scanner.feed(piece);
}

void BankReader::endLine()
{
    if (m_lineKind == LineKind::Channel) {
        m_channels.push_back(m_scanner.fields());
        m_inRun = true;
        if (m_channels.size() == static_cast<std::size_t>(kBankSlots))
            m_done = true;
    } else if (m_inRun) {
        m_done = true; // a short or blank line ends the run
    }
    m_prefix.clear();
    m_lineKind = LineKind::Undecided;
    m_lineStarted = false;
}

std::vector<MemoryLine> SplitMemoryLines(std::string_view fileBytes)
{
    std::vector<MemoryLine> lines;
    std::size_t pos = 0;
    while (pos < fileBytes.size()) {
        const std::size_t cr = fileBytes.find(kCarriageReturn, pos);
        MemoryLine line;
        line.offset = pos;
        if (cr == std::string_view::npos) {
            line.text = fileBytes.substr(pos);
            line.next = fileBytes.size();
        } else {
            line.text = fileBytes.substr(pos, cr - pos);
            line.next = cr + 1;
            if (line.next < fileBytes.size() && fileBytes[line.next] == kLineFeed)
                ++line.next;
        }
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

std::vector<ChannelFields> LoadBank(std::string_view fileBytes, std::string_view bankName)
{
    BankReader reader(bankName);
    reader.feed(fileBytes);
    reader.finish();
    return reader.channels();
}

void StoreBankInSlots(const std::vector<ChannelFields> &channels, TunedState &state)
{
    for (int n = 1; n <= kBankSlots; ++n) {
        const bool has = static_cast<std::size_t>(n) <= channels.size();
        const ChannelFields empty;
        const ChannelFields &slot = has ? channels[static_cast<std::size_t>(n - 1)] : empty;
        state.MemFrequency[n] = slot.frequency;
        state.MemName[n] = slot.name;
        state.MemMode[n] = slot.mode;
        state.MemFilter[n] = slot.filter;
        state.MemStep[n] = slot.step;
    }
}

int LoadedSlotCount(const std::vector<ChannelFields> &channels)
{
    const auto count = std::count_if(channels.begin(), channels.end(),
        [](const ChannelFields &c) { return !c.frequency.empty(); });
    return static_cast<int>(std::min<std::ptrdiff_t>(count, kBankSlots));
}
