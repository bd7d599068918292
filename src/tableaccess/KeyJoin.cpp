#include "tableaccess/KeyJoin.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace qvor {

namespace {

constexpr std::uint32_t MissingField = 0xFFFFFFFF;

void putField(std::string& out, std::string_view v)
{
    const auto n = static_cast<std::uint32_t>(v.size());
    out.append(reinterpret_cast<const char*>(&n), 4);
    out.append(v);
}

void putMissing(std::string& out) { out.append(reinterpret_cast<const char*>(&MissingField), 4); }

// Takes the next field off `in`; false when nothing is left.
bool takeField(std::string_view& in, std::string_view& value, bool& present)
{
    if (in.size() < 4) return false;
    std::uint32_t n;
    std::memcpy(&n, in.data(), 4);
    in.remove_prefix(4);
    present = n != MissingField;
    if (!present) {
        value = {};
        return true;
    }
    if (n > in.size()) return false;
    value = in.substr(0, n);
    in.remove_prefix(n);
    return true;
}

// Big-endian, so that byte order is number order.
void putNumber(std::string& out, std::uint64_t n, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
}

// The parts of an encoded key at the given positions, encoded the same way.
void appendParts(std::string& out, std::string_view key, const std::vector<int>& positions)
{
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at < key.size();) {
        const std::size_t end = key.find('\0', at);
        parts.push_back(key.substr(at, end - at));
        at = end == std::string_view::npos ? key.size() : end + 1;
    }
    for (int p : positions) {
        if (static_cast<std::size_t>(p) < parts.size()) out.append(parts[static_cast<std::size_t>(p)]);
        out += '\0';
    }
}

bool isPrefix(const std::vector<int>& positions)
{
    for (std::size_t i = 0; i < positions.size(); ++i)
        if (positions[i] != static_cast<int>(i)) return false;
    return true;
}

} // namespace

// The rows of one table: the calls' sorted lines merged on the table's key. Calls that returned
// several rows for one key (a table read without its whole key) are paired in arrival order.
class KeyJoin::TableRows {
public:
    explicit TableRows(std::vector<RecordSorter*> calls)
        : calls_(std::move(calls)), heads_(calls_.size()), lines_(calls_.size()), counts_(calls_.size())
    {
    }

    bool next(qint64& unpaired)
    {
        if (!started_) {
            for (std::size_t g = 0; g < calls_.size(); ++g) advance(g);
            started_ = true;
        }
        if (row_ + 1 < rows_) {
            ++row_;
            return true;
        }
        const Head* lowest = nullptr;
        for (const Head& h : heads_)
            if (h.has && (!lowest || h.key < lowest->key)) lowest = &h;
        if (!lowest) return false;
        key_.assign(lowest->key);
        rows_ = 0;
        std::size_t fewest = SIZE_MAX;
        for (std::size_t g = 0; g < calls_.size(); ++g) {
            std::size_t& n = counts_[g];
            n = 0;
            while (heads_[g].has && heads_[g].key == key_) {
                if (lines_[g].size() <= n) lines_[g].emplace_back();
                lines_[g][n++].assign(heads_[g].payload);
                advance(g);
            }
            rows_ = std::max(rows_, n);
            fewest = std::min(fewest, n);
        }
        unpaired += static_cast<qint64>(rows_ - fewest);
        row_ = 0;
        return true;
    }

    std::string_view key() const { return key_; }
    const std::string* line(std::size_t g) const { return row_ < counts_[g] ? &lines_[g][row_] : nullptr; }
    void encode(std::string& out) const
    {
        for (std::size_t g = 0; g < calls_.size(); ++g) {
            if (const std::string* l = line(g)) putField(out, *l);
            else putMissing(out);
        }
    }

private:
    struct Head {
        bool has = false;
        std::string_view key, payload;
    };
    void advance(std::size_t g) { heads_[g].has = calls_[g]->next(heads_[g].key, heads_[g].payload); }

    std::vector<RecordSorter*> calls_;
    std::vector<Head> heads_;
    std::vector<std::vector<std::string>> lines_;   // the current key's lines of each call
    std::vector<std::size_t> counts_;
    std::string key_;
    std::size_t row_ = 0, rows_ = 0;
    bool started_ = false;
};

// Records in the order of a join key: `key()` is the join key, `payload()` the record.
class KeyJoin::Stream {
public:
    virtual ~Stream() = default;
    virtual bool next() = 0;
    virtual std::string_view key() const = 0;
    virtual std::string_view payload() const = 0;
    virtual bool failed() const { return false; }
};

// A table's rows with the join key taken from their key. For the first table the record is the
// start of a result row: its place in the result, its key and its lines.
class KeyJoin::TableStream final : public KeyJoin::Stream {
public:
    TableStream(TableRows& rows, std::vector<int> positions, bool first, qint64& unpaired)
        : rows_(rows), positions_(std::move(positions)), first_(first), unpaired_(unpaired)
    {
    }
    bool next() override
    {
        if (!rows_.next(unpaired_)) return false;
        key_.clear();
        appendParts(key_, rows_.key(), positions_);
        payload_.clear();
        if (first_) {
            std::string order;
            putNumber(order, static_cast<std::uint64_t>(place_++), 8);
            putField(payload_, order);
            putField(payload_, rows_.key());
        }
        rows_.encode(payload_);
        return true;
    }
    std::string_view key() const override { return key_; }
    std::string_view payload() const override { return payload_; }

private:
    TableRows& rows_;
    std::vector<int> positions_;
    bool first_;
    qint64& unpaired_;
    qint64 place_ = 0;
    std::string key_, payload_;
};

class KeyJoin::SorterStream final : public KeyJoin::Stream {
public:
    explicit SorterStream(std::unique_ptr<RecordSorter> sorter) : sorter_(std::move(sorter)) {}
    bool next() override { return sorter_->next(key_, payload_); }
    std::string_view key() const override { return key_; }
    std::string_view payload() const override { return payload_; }
    bool failed() const override { return sorter_->failed(); }

private:
    std::unique_ptr<RecordSorter> sorter_;
    std::string_view key_, payload_;
};

KeyJoin::KeyJoin(KeyJoinPlan plan, std::size_t memoryLimit) : plan_(std::move(plan)), memoryLimit_(memoryLimit)
{
    for (std::size_t g = 0; g < plan_.groups().size(); ++g) calls_.push_back(std::make_unique<RecordSorter>(memoryLimit_));
}

KeyJoin::~KeyJoin() = default;

bool KeyJoin::arrivedInKeyOrder() const
{
    return std::all_of(calls_.begin(), calls_.end(), [](const auto& s) { return s->arrivedSorted(); });
}

bool KeyJoin::addLine(int k, std::string_view line)
{
    if (failed_ || prepared_ || k < 1 || k > static_cast<int>(calls_.size())) return false;
    const KeyJoinPlan::Group& group = plan_.groupOfCall(k);
    KeyJoinPlan::cut(line, group.lengths, slots_);
    key_.clear();
    KeyJoinPlan::appendKey(key_, slots_, group.keySlots);
    if (!calls_[static_cast<std::size_t>(k - 1)]->add(key_, line)) failed_ = true;
    return !failed_;
}

bool KeyJoin::prepare()
{
    if (prepared_ || failed_) return !failed_;
    prepared_ = true;
    for (auto& c : calls_)
        if (!c->finish()) failed_ = true;
    for (const KeyJoinPlan::Table& t : plan_.tables()) {
        std::vector<RecordSorter*> calls;
        for (int g : t.groups) calls.push_back(calls_[static_cast<std::size_t>(g)].get());
        tables_.push_back(std::make_unique<TableRows>(std::move(calls)));
    }
    if (!failed_ && tables_.size() > 1) failed_ = !joinTables();
    return !failed_;
}

// Each further table is matched in one pass over two streams sorted on the shared key fields.
// A stream already in that order (the shared fields lead its key) is read as it is; otherwise it
// goes through a sorter first. The joined rows are put back into the first table's order at the end.
bool KeyJoin::joinTables()
{
    const auto& tables = plan_.tables();
    const auto sorted = [this](Stream& in, const std::function<void(std::string&, const Stream&)>& keyOf)
        -> std::unique_ptr<SorterStream> {
        auto sorter = std::make_unique<RecordSorter>(memoryLimit_);
        std::string key;
        while (in.next()) {
            key.clear();
            keyOf(key, in);
            if (!sorter->add(key, in.payload())) return nullptr;
        }
        if (!sorter->finish()) return nullptr;
        return std::make_unique<SorterStream>(std::move(sorter));
    };
    const auto asIs = [](std::string& key, const Stream& s) { key.assign(s.key()); };

    std::unique_ptr<Stream> left = std::make_unique<TableStream>(*tables_[0], tables[1].firstJoinKeys, true, unpaired_);
    if (!isPrefix(tables[1].firstJoinKeys) && !(left = sorted(*left, asIs))) return false;

    std::string order, firstKey, record, missing, groupKey;
    for (std::size_t t = 1; t < tables.size(); ++t) {
        std::unique_ptr<Stream> right = std::make_unique<TableStream>(*tables_[t], tables[t].joinKeys, false, unpaired_);
        if (!isPrefix(tables[t].joinKeys) && !(right = sorted(*right, asIs))) return false;
        missing.clear();
        for (std::size_t g = 0; g < tables[t].groups.size(); ++g) putMissing(missing);

        const bool last = t + 1 == tables.size();
        auto out = std::make_unique<RecordSorter>(memoryLimit_);
        std::vector<std::string> matches;
        bool rightHas = right->next();
        bool haveGroup = false;
        while (left->next()) {
            const std::string_view joinKey = left->key();
            if (!haveGroup || groupKey != joinKey) {
                while (rightHas && right->key() < joinKey) rightHas = right->next();
                matches.clear();
                while (rightHas && right->key() == joinKey) {
                    matches.emplace_back(right->payload());
                    rightHas = right->next();
                }
                groupKey.assign(joinKey);
                haveGroup = true;
            }
            std::string_view rest = left->payload(), orderField, keyField;
            bool present = false;
            if (!takeField(rest, orderField, present) || !takeField(rest, keyField, present)) return false;
            if (matches.empty()) ++withoutMatch_;
            const std::size_t n = std::max<std::size_t>(matches.size(), 1);
            for (std::size_t m = 0; m < n; ++m) {
                order.assign(orderField);
                putNumber(order, m, 4);
                record.clear();
                putField(record, order);
                putField(record, keyField);
                record.append(rest);
                record.append(matches.empty() ? missing : matches[m]);
                firstKey.clear();
                if (last) firstKey = order;
                else appendParts(firstKey, keyField, tables[t + 1].firstJoinKeys);
                if (!out->add(firstKey, record)) return false;
            }
        }
        if (left->failed() || right->failed() || !out->finish()) return false;
        left = std::make_unique<SorterStream>(std::move(out));
    }
    // The last step sorted on the result order.
    joined_ = std::move(left);
    return true;
}

bool KeyJoin::callsFailed() const
{
    return std::any_of(calls_.begin(), calls_.end(), [](const auto& s) { return s->failed(); });
}

void KeyJoin::putLine(const KeyJoinPlan::Group& group, std::string_view line, std::vector<std::string_view>& values)
{
    KeyJoinPlan::cut(line, group.lengths, lineSlots_);
    for (std::size_t s = 0; s < group.sent.size(); ++s)
        if (group.sent[s].column >= 0) values[static_cast<std::size_t>(group.sent[s].column)] = lineSlots_[s];
}

bool KeyJoin::next(std::vector<std::string_view>& values)
{
    if (!prepared_ || failed_) return false;
    values.assign(static_cast<std::size_t>(plan_.columnCount()), std::string_view());
    if (joined_) {
        if (!joined_->next()) {
            failed_ = joined_->failed() || callsFailed();
            return false;
        }
        std::string_view rest = joined_->payload(), field;
        bool present = false;
        if (!takeField(rest, field, present) || !takeField(rest, field, present)) return !(failed_ = true);
        for (const KeyJoinPlan::Table& t : plan_.tables()) {
            for (int g : t.groups) {
                if (!takeField(rest, field, present)) return !(failed_ = true);
                if (present) putLine(plan_.groups()[static_cast<std::size_t>(g)], field, values);
            }
        }
        return true;
    }
    TableRows& rows = *tables_.front();
    if (!rows.next(unpaired_)) {
        failed_ = callsFailed();
        return false;
    }
    const std::vector<int>& groups = plan_.tables().front().groups;
    for (std::size_t g = 0; g < groups.size(); ++g)
        if (const std::string* line = rows.line(g)) putLine(plan_.groups()[static_cast<std::size_t>(groups[g])], *line, values);
    return true;
}

} // namespace qvor
