#include "tableaccess/PartitionRanges.h"

#include <algorithm>
#include <set>

namespace qvor {
namespace {

// Tokens laid into rows of at most MaxRowLength characters, never cut.
class RowBuilder {
public:
    void token(const QString& t)
    {
        if (t.size() > PartitionRanges::MaxRowLength) {
            if (tooLong_.isEmpty()) tooLong_ = t;
            return;
        }
        if (current_.isEmpty()) current_ = t;
        else if (current_.size() + 1 + t.size() <= PartitionRanges::MaxRowLength) current_ += QLatin1Char(' ') + t;
        else {
            rows_ << current_;
            current_ = t;
        }
    }
    void tokens(const QStringList& list)
    {
        for (const QString& t : list) token(t);
    }
    const QString& tooLong() const { return tooLong_; }
    QStringList finish()
    {
        if (!current_.isEmpty()) rows_ << current_;
        current_.clear();
        return rows_;
    }

private:
    QStringList rows_;
    QString current_;
    QString tooLong_;
};

QStringList comparison(const QString& field, const char* op, const QString& value)
{
    return {field, QLatin1String(op), PartitionRanges::literal(value)};
}

// The key fields from `first` on compared as one value with `bound`, as an OR of ANDs, given that
// the field `first` already lies on the right side of (or at) its bound value.
QStringList chain(const QStringList& fields, const KeyTuple& bound, int first, const char* strict, const char* last)
{
    const int m = static_cast<int>(fields.size());
    QStringList t{QStringLiteral("(")};
    t << comparison(fields[first], strict, bound[static_cast<std::size_t>(first)]);
    for (int k = first + 1; k < m; ++k) {
        t << QStringLiteral("OR");
        for (int e = first + 1; e < k; ++e)
            t << comparison(fields[e], "=", bound[static_cast<std::size_t>(e)]) << QStringLiteral("AND");
        t << comparison(fields[k], k == m - 1 ? last : strict, bound[static_cast<std::size_t>(k)]);
    }
    t << QStringLiteral(")");
    return t;
}

bool allDigits(const QString& s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// YYYYMMDD moved back to the first of its year or month; other values stay as they are.
QString snapDate(const QString& date, bool toYear)
{
    if (date.size() != 8 || !allDigits(date)) return date;
    return toYear ? date.left(4) + QStringLiteral("0101") : date.left(6) + QStringLiteral("01");
}

bool lessThan(const KeyTuple& a, const KeyTuple& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

} // namespace

KeySample::KeySample(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)), random_(0x5eed) {}

void KeySample::add(KeyTuple key)
{
    ++seen_;
    if (sample_.size() < capacity_) {
        sample_.push_back(std::move(key));
        return;
    }
    const auto slot = std::uniform_int_distribution<qint64>(0, seen_ - 1)(random_);
    if (slot < static_cast<qint64>(capacity_)) sample_[static_cast<std::size_t>(slot)] = std::move(key);
}

std::vector<KeyTuple> KeySample::sorted() const
{
    std::vector<KeyTuple> s = sample_;
    std::sort(s.begin(), s.end(), lessThan);
    return s;
}

std::vector<KeyTuple> PartitionRanges::boundaries(const std::vector<KeyTuple>& sample, int partitions, bool dateField)
{
    std::vector<KeyTuple> result;
    if (sample.empty() || partitions < 2) return result;
    bool byYear = false;
    if (dateField) {
        std::set<QString> years;
        for (const KeyTuple& k : sample)
            if (!k.empty()) years.insert(k.back().left(4));
        byYear = static_cast<int>(years.size()) >= partitions;
    }
    const std::size_t n = sample.size();
    for (int i = 1; i < partitions; ++i) {
        KeyTuple b = sample[static_cast<std::size_t>(i) * n / static_cast<std::size_t>(partitions)];
        if (dateField && !b.empty()) b.back() = snapDate(b.back(), byYear);
        // A boundary at or below the smallest key would leave the first partition empty.
        if (!lessThan(sample.front(), b)) continue;
        if (!result.empty() && !lessThan(result.back(), b)) continue;
        result.push_back(std::move(b));
    }
    return result;
}

bool PartitionRanges::conditionRows(const QStringList& fields, const KeyTuple* low, const KeyTuple* high,
                                    QStringList* rows, QString* tooLong)
{
    rows->clear();
    const int m = static_cast<int>(fields.size());
    if ((!low && !high) || m == 0) return true;
    std::vector<QStringList> terms;
    int c = 0;
    if (low && high)
        while (c < m - 1 && (*low)[static_cast<std::size_t>(c)] == (*high)[static_cast<std::size_t>(c)]) {
            terms.push_back(comparison(fields[c], "=", (*low)[static_cast<std::size_t>(c)]));
            ++c;
        }
    // The first field that differs bounds the range on its own (the database's index can use it);
    // the fields after it only matter where it equals its bound.
    const bool last = c == m - 1;
    if (low) terms.push_back(comparison(fields[c], ">=", (*low)[static_cast<std::size_t>(c)]));
    if (high) terms.push_back(comparison(fields[c], last ? "<" : "<=", (*high)[static_cast<std::size_t>(c)]));
    if (!last) {
        if (low) terms.push_back(chain(fields, *low, c, ">", ">="));
        if (high) terms.push_back(chain(fields, *high, c, "<", "<"));
    }
    RowBuilder builder;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        if (i > 0) builder.token(QStringLiteral("AND"));
        builder.tokens(terms[i]);
    }
    if (!builder.tooLong().isEmpty()) {
        if (tooLong) *tooLong = builder.tooLong();
        return false;
    }
    *rows = builder.finish();
    return true;
}

QStringList PartitionRanges::combine(const QStringList& userRows, const QStringList& rangeRows)
{
    if (rangeRows.isEmpty()) return userRows;
    if (userRows.isEmpty()) return rangeRows;
    // The leading blank keeps ")" apart from a user row of the full 72 characters before it.
    QStringList rows{QStringLiteral("(")};
    rows << userRows << QStringLiteral(" ) AND") << rangeRows;
    return rows;
}

QString PartitionRanges::literal(const QString& value)
{
    if (value.isEmpty()) return QStringLiteral("' '");
    QString v = value;
    v.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

} // namespace qvor
