#include "tableaccess/KeyAgreementCheck.h"

#include <QMap>
#include <QSet>

#include <algorithm>

namespace qvor {

namespace {

std::string_view trimmed(std::string_view v)
{
    while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
    return v;
}

const KeyField* keyNamed(const std::vector<KeyField>& keys, const QString& name)
{
    const auto it = std::find_if(keys.begin(), keys.end(), [&](const KeyField& k) { return k.name == name; });
    return it == keys.end() ? nullptr : &*it;
}

QString fieldPart(const QString& qualified) { return qualified.mid(qualified.indexOf(QLatin1Char('-')) + 1); }

} // namespace

QStringList KeyAgreementCheck::tablesToAsk(const MyTableBuffer& fields)
{
    QMap<QString, QSet<QString>> tablesByField;
    for (const MyTableField& f : fields.fields) tablesByField[fieldPart(f.name)].insert(tableOfField(f.name));
    QStringList tables;
    for (const MyTableField& f : fields.fields) {
        const QString table = tableOfField(f.name);
        if (tablesByField[fieldPart(f.name)].size() > 1 && !tables.contains(table)) tables << table;
    }
    return tables;
}

KeyAgreementCheck::KeyAgreementCheck(const MyTableBuffer& fields, const CallGroups& groups, const TableKeys& keys,
                                     int delimiterWidth)
{
    const int step = 1 + delimiterWidth;
    for (const CallGroup& g : groups.groups()) {
        std::vector<int> lengths;
        for (int i = g.firstField; i <= g.lastField; ++i) {
            lengths.push_back(fields.field(i).length);
            if (delimiterWidth > 0 && i < g.lastField) lengths.push_back(delimiterWidth);
        }
        lengths_.push_back(std::move(lengths));
    }
    for (int a = 0; a < groups.count(); ++a) {
        for (int b = a + 1; b < groups.count(); ++b) {
            const CallGroup& first = groups.groups()[std::size_t(a)];
            const CallGroup& second = groups.groups()[std::size_t(b)];
            const auto firstKeys = keys.find(first.table), secondKeys = keys.find(second.table);
            if (first.table == second.table || firstKeys == keys.end() || secondKeys == keys.end()) continue;
            Pair pair{a, b, {}, {}};
            for (int i = first.firstField; i <= first.lastField; ++i) {
                const QString name = fieldPart(fields.field(i).name);
                const KeyField* key = keyNamed(firstKeys->second, name);
                if (!key || key->client || !keyNamed(secondKeys->second, name)) continue;
                for (int j = second.firstField; j <= second.lastField; ++j) {
                    if (fieldPart(fields.field(j).name) != name) continue;
                    pair.firstSlots.push_back((i - first.firstField) * step);
                    pair.secondSlots.push_back((j - second.firstField) * step);
                }
            }
            if (!pair.firstSlots.empty()) pairs_.push_back(std::move(pair));
        }
    }
}

qint64 KeyAgreementCheck::count(const std::vector<RowStore*>& stores) const
{
    if (!active()) return 0;
    const std::size_t calls = lengths_.size();
    std::vector<QByteArray> lines(calls);
    std::vector<bool> present(calls);
    std::vector<std::vector<std::string_view>> cells(calls);
    for (RowStore* s : stores)
        if (s) s->rewind();
    qint64 disagreeing = 0;
    for (;;) {
        bool any = false;
        for (std::size_t c = 0; c < calls; ++c) {
            RowStore* store = c < stores.size() ? stores[c] : nullptr;
            present[c] = store && store->next(lines[c]);
            if (!present[c]) continue;
            any = true;
            KeyJoinPlan::cut(std::string_view(lines[c].constData(), std::size_t(lines[c].size())), lengths_[c], cells[c]);
        }
        if (!any) break;
        const bool differs = std::any_of(pairs_.begin(), pairs_.end(), [&](const Pair& p) {
            if (!present[std::size_t(p.first)] || !present[std::size_t(p.second)]) return false;
            for (std::size_t i = 0; i < p.firstSlots.size(); ++i)
                if (trimmed(cells[std::size_t(p.first)][std::size_t(p.firstSlots[i])])
                    != trimmed(cells[std::size_t(p.second)][std::size_t(p.secondSlots[i])]))
                    return true;
            return false;
        });
        if (differs) ++disagreeing;
    }
    for (RowStore* s : stores)
        if (s) s->rewind();
    return disagreeing;
}

} // namespace qvor
