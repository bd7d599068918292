#include "tableaccess/CallGroups.h"

#include "util/Rounding.h"

namespace qvor {

int CallGroups::countRuns(const MyTableBuffer& fields)
{
    int runs = 0;
    QString previous;
    for (int i = 1; i <= fields.count(); ++i) {
        const QString table = tableOfField(fields.field(i).name);
        if (i == 1 || table != previous) ++runs;
        previous = table;
    }
    return runs;
}

void CallGroups::formRuns(const MyTableBuffer& fields)
{
    QString previous;
    for (int i = 1; i <= fields.count(); ++i) {
        const QString table = tableOfField(fields.field(i).name);
        if (i == 1 || table != previous) {
            if (!groups_.empty()) groups_.back().lastField = i - 1;
            CallGroup g;
            g.table = table;
            g.firstField = i;
            groups_.push_back(g);
        }
        previous = table;
    }
    if (!groups_.empty()) groups_.back().lastField = fields.count();
}

int CallGroups::TotalBuffer(const MyTableBuffer& fields, int k) const
{
    const CallGroup& g = group(k);
    int width = 0;
    for (int i = g.firstField; i <= g.lastField; ++i) width += fields.field(i).length;
    return width + (g.lastField - g.firstField);
}

bool CallGroups::AdjustMyTable(const MyTableBuffer& fields, AppError* error)
{
    int k = 0;
    for (int i = 1; i <= count(); ++i) {
        const auto reserved = reserve_.find(group(i).table);
        if (TotalBuffer(fields, i) + (reserved == reserve_.end() ? 0 : reserved->second) > MaxLineWidth) {
            k = i;
            break;
        }
    }
    if (k == 0) return false;
    if (count() >= capacity_) {
        // The group list has no room left: a field wider than a data line ends up here.
        if (error) *error = AppError::subscriptOutOfRange();
        return false;
    }
    CallGroup& wide = group(k);
    CallGroup second;
    second.table = wide.table;
    second.lastField = wide.lastField;
    second.firstField = roundHalfEven((wide.lastField - wide.firstField) / 2.0 + wide.firstField);
    if (second.firstField == wide.firstField) ++second.firstField;
    wide.lastField = second.firstField - 1;
    groups_.insert(groups_.begin() + k, second);
    return true;
}

void CallGroups::assignOptions(const OptionsBuffer& options)
{
    // Every group gets the option lines that name its table, and the list ends painted for the
    // last group's table. Groups of the same table share one scan of the lines.
    struct Range {
        int first = 0;
        int last = 0;
    };
    std::map<QString, Range> ranges;
    for (CallGroup& g : groups_) {
        auto it = ranges.find(g.table);
        if (it == ranges.end()) {
            const QString pattern = g.table + QLatin1Char('-');
            Range r;
            for (int j = 1; j <= options.count(); ++j) {
                if (!options.option(j).contains(pattern)) continue;
                if (r.first == 0) r.first = j;
                r.last = j;
            }
            it = ranges.emplace(g.table, r).first;
        }
        g.firstOption = it->second.first;
        g.lastOption = it->second.last;
    }
    blue_.assign(static_cast<std::size_t>(options.count()), false);
    if (groups_.empty()) return;
    const QString pattern = groups_.back().table + QLatin1Char('-');
    for (int j = 1; j <= options.count(); ++j) blue_[static_cast<std::size_t>(j - 1)] = options.option(j).contains(pattern);
}

bool CallGroups::build(const MyTableBuffer& fields, const OptionsBuffer& options, AppError* error,
                       const std::map<QString, int>& reserve)
{
    reserve_ = reserve;
    groups_.clear();
    blue_.clear();
    capacity_ = GroupsPerRun * countRuns(fields);
    formRuns(fields);
    AppError failure;
    while (AdjustMyTable(fields, &failure)) {}
    if (failure.isError()) {
        if (error) *error = failure;
        return false;
    }
    assignOptions(options);
    return true;
}

} // namespace qvor

#include "util/UiServices.h"

namespace qvor {

bool ReadLIMytable(const MyTableBuffer& fields, const OptionsBuffer& options, CallGroups& groups)
{
    AppError error;
    if (!groups.build(fields, options, &error)) {
        ui().message(error.text(QStringLiteral(" on ReadLIMytable")));
        return false;
    }
    return fields.count() > 0;
}

} // namespace qvor
