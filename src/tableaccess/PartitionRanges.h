#pragma once
// Ranges of a table's key that divide its rows into partitions read one by one. A partition is a
// stretch of the key order: the key fields up to and including the partition field (the client
// left out) compared as one value, so rows read partition after partition come in the same order
// as one read of the whole table. Boundaries are drawn from a sample of the key values; a date
// field's boundaries fall on the first day of a year or of a month.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

namespace qvor {

// Values of the key fields up to the partition field, trailing blanks removed (SAP ignores them
// when it compares).
using KeyTuple = std::vector<QString>;

// A uniform sample of the key values of every row seen, of bounded size (reservoir sampling,
// drawn from a fixed seed so the same rows give the same sample).
class KeySample {
public:
    explicit KeySample(std::size_t capacity);
    void add(KeyTuple key);
    qint64 rowsSeen() const { return seen_; }
    // The sample in key order.
    std::vector<KeyTuple> sorted() const;

private:
    std::size_t capacity_;
    qint64 seen_ = 0;
    std::vector<KeyTuple> sample_;
    std::mt19937_64 random_;
};

class PartitionRanges {
public:
    // Longest row of generated conditions: one character below the 72 of an OPTIONS row, so a
    // row never runs straight into the next one.
    static constexpr int MaxRowLength = 71;

    // At most partitions - 1 strictly increasing boundaries that cut the sample into parts of
    // about equal size; partition i runs from boundary i - 1 (included) to boundary i (excluded),
    // the first and the last open at their outer end. For a date field (the last key value) each
    // boundary moves back to the first of its year when the sample spans at least `partitions`
    // years, else to the first of its month.
    static std::vector<KeyTuple> boundaries(const std::vector<KeyTuple>& sortedSample, int partitions, bool dateField);

    // The condition rows of one partition over the key fields `fields` (low included, high
    // excluded; null for an open end). Empty when the partition is the whole table. Fails (false,
    // with the literal that is too long in error) when a value cannot fit in a row.
    static bool conditionRows(const QStringList& fields, const KeyTuple* low, const KeyTuple* high, QStringList* rows,
                              QString* tooLong);

    // The OPTIONS rows of a call: the user's rows in parentheses, ANDed with the range rows.
    static QStringList combine(const QStringList& userRows, const QStringList& rangeRows);

    // A character literal of OPTIONS: quoted, quotes doubled; an empty value is one blank.
    static QString literal(const QString& value);
};

} // namespace qvor
