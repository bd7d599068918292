#include "tableaccess/RowJoiner.h"

#include "tableaccess/ByteCount.h"

namespace qvor {

namespace {

// Non-overlapping occurrences, as a user counts them ("a;;;b" holds ";;" once).
qsizetype countOccurrences(const QByteArray& text, const QByteArray& separator)
{
    if (separator.isEmpty()) return 0;
    if (separator.size() == 1) return countByte(text.constData(), text.size(), separator.at(0));
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
            if (oneCharacter) found = countByte(line_.constData(), line_.size(), separator_.at(0));
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
            if (oneCharacter) found += countByte(line_.constData(), line_.size(), separator_.at(0));
        }
    }
    return true;
}

} // namespace qvor
