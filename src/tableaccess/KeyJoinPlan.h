#pragma once
// What a join by keys needs to know before the first call: which key fields every call of a
// table carries besides its My Table fields, where each field stands in a call's data line
// (fields back to back, as SAP puts them for a blank delimiter), and on which key fields the
// other tables are matched to the first one (the key fields they share by name).
#include "tableaccess/CallGroups.h"
#include "tableaccess/ExtractionBuffers.h"

#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvor {

struct KeyField {
    QString name;
    int length = 0;
    bool client = false;   // the client field (MANDT): shared by every client-dependent table

    bool operator==(const KeyField&) const = default;
};

using TableKeys = std::map<QString, std::vector<KeyField>>;

class KeyJoinPlan {
public:
    struct Slot {
        QString field;    // name without the table
        int length = 0;
        int column = -1;  // 0-based My Table column, -1 for a key field carried only for joining
    };
    struct Group {
        int k = 0;
        int table = 0;               // index into tables()
        std::vector<Slot> sent;      // in the order sent
        std::vector<int> keySlots;   // slot of each key field, in key order
        std::vector<int> lengths;    // slot lengths, for cutting
    };
    struct Table {
        QString name;
        std::vector<KeyField> keys;
        std::vector<int> groups;     // indices into groups(), in call order
        // Matching with the first table: positions in this table's and in the first table's key
        // of the shared key fields, in the first table's key order. Empty for the first table.
        std::vector<int> joinKeys;
        std::vector<int> firstJoinKeys;
    };
    struct Problem {
        enum Kind { None, NoKeyFields, NothingShared };
        Kind kind = None;
        QString table;
        QString firstTable;
    };

    // Room each table's calls need for the key fields they carry: CallGroups::build keeps it free.
    static std::map<QString, int> keyWidths(const TableKeys& keys);
    // The tables of My Table, in order of first appearance.
    static QStringList tablesOf(const MyTableBuffer& fields);

    // A plan for groups built with keyWidths() reserved; a problem when a table has no key
    // fields or shares none with the first table beyond the client.
    static std::optional<KeyJoinPlan> build(const MyTableBuffer& fields, const CallGroups& groups,
                                            const TableKeys& keys, Problem* problem);

    int columnCount() const { return columns_; }
    const std::vector<Group>& groups() const { return groups_; }
    const std::vector<Table>& tables() const { return tables_; }
    const Group& groupOfCall(int k) const { return groups_[static_cast<std::size_t>(k - 1)]; }
    // FIELDNAME rows of call k, in the order sent.
    QStringList sentFields(int k) const;

    // Cuts a line into its slots (lengths in characters; a short line leaves the rest empty).
    static void cut(std::string_view line, const std::vector<int>& lengths, std::vector<std::string_view>& values);
    // Appends the key values (trailing blanks do not count, as in SAP's comparisons) so that
    // byte order is key order.
    static void appendKey(std::string& out, const std::vector<std::string_view>& values, const std::vector<int>& keySlots);

private:
    int columns_ = 0;
    std::vector<Group> groups_;
    std::vector<Table> tables_;
};

} // namespace qvor
