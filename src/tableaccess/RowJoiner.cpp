#include "tableaccess/RowJoiner.h"

#include <cstdint>
#include <cstring>

namespace qvor {

namespace {

// Counts eight bytes at a time: a byte equal to c becomes zero after the xor, and the carry-free
// test below marks each zero byte with its high bit.
qsizetype countByte(const QByteArray& text, char c)
{
    constexpr std::uint64_t low7 = 0x7F7F7F7F7F7F7F7Full;
    const std::uint64_t pattern = 0x0101010101010101ull * static_cast<unsigned char>(c);
    const char* p = text.constData();
    const qsizetype size = text.size();
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

// Non-overlapping occurrences, as a user counts them ("a;;;b" holds ";;" once).
qsizetype countOccurrences(const QByteArray& text, const QByteArray& separator)
{
    if (separator.isEmpty()) return 0;
    if (separator.size() == 1) return countByte(text, separator.at(0));
    qsizetype found = 0;
    for (qsizetype at = text.indexOf(separator); at >= 0; at = text.indexOf(separator, at + separator.size()))
        ++found;
    return found;
}

} // namespace

RowJoiner::RowJoiner(const QString& separator) : separator_(separator.toUtf8()) {}

void RowJoiner::addGroup(int k, int firstField, std::unique_ptr<RowStore> rows)
{
    rowCount_ = std::max(rowCount_, rows->count());
    parts_.push_back({k, firstField, rowCount_, std::move(rows)});
}

void RowJoiner::start()
{
    nextRow_ = 1;
    failed_ = false;
    for (auto& p : parts_) p.rows->rewind();
}

bool RowJoiner::next(QByteArray& row)
{
    if (nextRow_ > rowCount_ || failed_) return false;
    const qint64 r = nextRow_++;
    row.clear();
    // A one-character separator is counted as the row grows; a longer one can form across the
    // place where two parts meet, so it is counted over the whole row each time.
    const bool oneCharacter = separator_.size() == 1;
    qsizetype found = 0;
    for (auto& p : parts_) {
        // A row beyond the result at the time of this group was not there yet for it.
        if (r > p.rowsAtAdd) continue;
        const bool delivered = r <= p.rows->count();
        if (delivered && !p.rows->next(line_)) {
            failed_ = true;
            return false;
        }
        if (p.k == 1) {
            row = line_;
            if (oneCharacter) found = countByte(line_, separator_.at(0));
            continue;
        }
        // Counting on UTF-8 bytes gives the same count as on characters: UTF-8 never matches
        // a sequence in the middle of another character.
        if (!oneCharacter) found = countOccurrences(row, separator_);
        for (qsizetype pad = p.firstField - 1 - found; pad > 0; --pad) {
            row.append(separator_);
            ++found;
        }
        if (delivered) {
            row.append(line_);
            if (oneCharacter) found += countByte(line_, separator_.at(0));
        }
    }
    return true;
}

} // namespace qvor
