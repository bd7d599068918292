#include "tableaccess/KeyJoinPlan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace qvor {

namespace {

bool ascii(std::string_view s)
{
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        if (word & 0x8080808080808080ull) return false;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) & 0x80) return false;
    return true;
}

// Byte length of the next `characters` code points from `at`.
std::size_t bytesOf(std::string_view s, std::size_t at, int characters)
{
    std::size_t p = at;
    for (int c = 0; c < characters && p < s.size(); ++c) {
        ++p;
        while (p < s.size() && (static_cast<unsigned char>(s[p]) & 0xC0) == 0x80) ++p;
    }
    return p - at;
}

} // namespace

std::map<QString, int> KeyJoinPlan::keyWidths(const TableKeys& keys)
{
    std::map<QString, int> widths;
    for (const auto& [table, fields] : keys) {
        int width = 0;
        for (const KeyField& f : fields) width += f.length + 1;   // with the separator the grouping counts
        widths[table] = width;
    }
    return widths;
}

QStringList KeyJoinPlan::tablesOf(const MyTableBuffer& fields)
{
    QStringList tables;
    for (const MyTableField& f : fields.fields) {
        const QString table = tableOfField(f.name);
        if (!tables.contains(table)) tables << table;
    }
    return tables;
}

std::optional<KeyJoinPlan> KeyJoinPlan::build(const MyTableBuffer& fields, const CallGroups& groups,
                                               const TableKeys& keys, Problem* problem)
{
    const auto fail = [&](Problem::Kind kind, const QString& table, const QString& first) {
        if (problem) *problem = {kind, table, first};
        return std::nullopt;
    };
    KeyJoinPlan plan;
    plan.columns_ = fields.count();
    for (const QString& name : tablesOf(fields)) {
        const auto it = keys.find(name);
        if (it == keys.end() || it->second.empty()) return fail(Problem::NoKeyFields, name, {});
        plan.tables_.push_back({name, it->second, {}, {}, {}});
    }
    const Table& first = plan.tables_.front();
    for (std::size_t t = 1; t < plan.tables_.size(); ++t) {
        Table& table = plan.tables_[t];
        bool beyondClient = false;
        for (std::size_t i = 0; i < first.keys.size(); ++i) {
            const auto match = std::find_if(table.keys.begin(), table.keys.end(),
                                            [&](const KeyField& k) { return k.name == first.keys[i].name; });
            if (match == table.keys.end()) continue;
            table.firstJoinKeys.push_back(static_cast<int>(i));
            table.joinKeys.push_back(static_cast<int>(match - table.keys.begin()));
            beyondClient = beyondClient || !match->client;
        }
        if (!beyondClient) return fail(Problem::NothingShared, table.name, first.name);
    }
    for (int k = 1; k <= groups.count(); ++k) {
        const CallGroup& call = groups.group(k);
        Group g;
        g.k = k;
        g.table = static_cast<int>(std::find_if(plan.tables_.begin(), plan.tables_.end(),
                                                [&](const Table& t) { return t.name == call.table; })
                                   - plan.tables_.begin());
        const qsizetype prefix = call.table.size() + 1;
        for (int i = call.firstField; i <= call.lastField; ++i)
            g.sent.push_back({fields.field(i).name.mid(prefix), fields.field(i).length, i - 1});
        Table& table = plan.tables_[static_cast<std::size_t>(g.table)];
        for (const KeyField& key : table.keys) {
            auto slot = std::find_if(g.sent.begin(), g.sent.end(), [&](const Slot& s) { return s.field == key.name; });
            if (slot == g.sent.end()) {
                g.sent.push_back({key.name, key.length, -1});
                slot = g.sent.end() - 1;
            }
            g.keySlots.push_back(static_cast<int>(slot - g.sent.begin()));
        }
        for (const Slot& s : g.sent) g.lengths.push_back(s.length);
        table.groups.push_back(k - 1);
        plan.groups_.push_back(std::move(g));
    }
    if (problem) *problem = {};
    return plan;
}

QStringList KeyJoinPlan::sentFields(int k) const
{
    QStringList names;
    for (const Slot& s : groupOfCall(k).sent) names << s.field;
    return names;
}

void KeyJoinPlan::cut(std::string_view line, const std::vector<int>& lengths, std::vector<std::string_view>& values)
{
    values.resize(lengths.size());
    const bool plain = ascii(line);
    std::size_t at = 0;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const std::size_t from = std::min(at, line.size());
        const std::size_t bytes = plain ? std::min<std::size_t>(static_cast<std::size_t>(lengths[i]), line.size() - from)
                                        : bytesOf(line, from, lengths[i]);
        values[i] = line.substr(from, bytes);
        at = from + bytes;
    }
}

void KeyJoinPlan::appendKey(std::string& out, const std::vector<std::string_view>& values, const std::vector<int>& keySlots)
{
    for (int s : keySlots) {
        std::string_view v = values[static_cast<std::size_t>(s)];
        while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
        out.append(v);
        out += '\0';
    }
}

} // namespace qvor
