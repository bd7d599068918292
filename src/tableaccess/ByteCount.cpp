#include "tableaccess/ByteCount.h"

#include <cstdint>
#include <cstring>

namespace qvor {

// A byte equal to c becomes zero after the xor, and the carry-free test below marks each zero
// byte with its high bit.
qsizetype countByte(const char* p, qsizetype size, char c)
{
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
    const std::uint64_t pattern = 0x0101010101010101ull * static_cast<unsigned char>(c);
    qsizetype n = 0;
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        const std::uint64_t x = word ^ pattern;
        // One high bit per equal byte; moved down and summed into the top byte by the multiply.
        const std::uint64_t marks = ~(((x & low7) + low7) | x | low7);
        n += static_cast<qsizetype>(((marks >> 7) * 0x0101010101010101ull) >> 56);
    }
    for (; i < size; ++i) n += p[i] == c;
    return n;
}

} // namespace qvor
