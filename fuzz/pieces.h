#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Piece sizes derived from the input itself, so that the fuzzer explores the cuts along with the
// bytes and every crash replays from its file alone.
class PieceSizes
{
public:
    PieceSizes(std::string_view bytes, std::size_t largest)
        : m_largest(largest)
    {
        // FNV-1a; any input bit may move every cut.
        m_state = 14695981039346656037ull;
        for (char c : bytes) {
            m_state ^= static_cast<unsigned char>(c);
            m_state *= 1099511628211ull;
        }
        m_state |= 1; // xorshift must not start at zero
    }

    // From 0 (an empty piece, which must change nothing) up to the largest.
    std::size_t next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return static_cast<std::size_t>(m_state % (m_largest + 1));
    }

private:
    std::uint64_t m_state;
    std::size_t m_largest;
};
