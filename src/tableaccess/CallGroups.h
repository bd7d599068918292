#pragma once
// The cutting of My Table and the option lines into RFC_READ_TABLE calls: one group per run of
// fields of the same table, halved by field count until each group's data line fits 512
// characters. The option lines of a group are those that name its table ("KNA1-").
#include "tableaccess/ExtractionBuffers.h"
#include "util/AppError.h"

#include <QString>
#include <map>
#include <vector>

namespace qvor {

struct CallGroup {
    QString table;
    int firstField = 0;
    int lastField = 0;
    int firstOption = 0;   // 0..0 when no option line belongs to the table
    int lastOption = 0;
    qint32 rowCount = 0;   // filled after the call
};

class CallGroups {
public:
    static constexpr int MaxLineWidth = 512;
    static constexpr int GroupsPerRun = 10;

    // Forms the groups of the buffers; false with the error when splitting would need more room
    // than ten groups per table run. No fields gives no groups and no error. `reserve` keeps room
    // in each call of a table for fields the call carries besides its own (a join's key fields).
    bool build(const MyTableBuffer& fields, const OptionsBuffer& options, AppError* error,
               const std::map<QString, int>& reserve = {});

    // Number of runs of consecutive fields of one table.
    static int countRuns(const MyTableBuffer& fields);

    // One splitting step: halves the first group wider than 512. False when none is; sets error
    // (and gives false) when the group list is full.
    bool AdjustMyTable(const MyTableBuffer& fields, AppError* error);

    // Data-line width of group k (1-based): field lengths plus one separator between fields.
    int TotalBuffer(const MyTableBuffer& fields, int k) const;

    int count() const { return static_cast<int>(groups_.size()); }
    CallGroup& group(int k) { return groups_[static_cast<std::size_t>(k - 1)]; }
    const CallGroup& group(int k) const { return groups_[static_cast<std::size_t>(k - 1)]; }
    const std::vector<CallGroup>& groups() const { return groups_; }

    // How the options list is painted afterwards: option j (1-based) ends blue when true.
    const std::vector<bool>& blueOptions() const { return blue_; }

private:
    void formRuns(const MyTableBuffer& fields);
    void assignOptions(const OptionsBuffer& options);

    std::vector<CallGroup> groups_;
    std::vector<bool> blue_;
    std::map<QString, int> reserve_;
    int capacity_ = 0;
};

} // namespace qvor

namespace qvor {

// Builds the groups of an import or preview from the buffers. A failure shows
// "Error n: description on ReadLIMytable" and gives false; otherwise true when there are fields.
bool ReadLIMytable(const MyTableBuffer& fields, const OptionsBuffer& options, CallGroups& groups);

} // namespace qvor
