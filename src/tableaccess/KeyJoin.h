#pragma once
// Joins the rows of the calls of an import by their keys instead of by their position. The
// calls of one table are paired on the table's whole key, whatever order each call returned its
// rows in; the other tables are matched to the first table on the key fields they share with it
// (a left join: one result row per row of the first table and per combination of matching rows,
// empty values where a table has no match). Rows are spilled to disk and paired by sorting, so
// memory stays flat whatever the row count; rows that arrive in key order are never sorted.
//
// Lines may be added per call in any order and in several batches (pages or partitions of the
// same call), then prepare() pairs them and next() hands out the result in the first table's
// key order.
#include "tableaccess/KeyJoinPlan.h"
#include "tableaccess/RecordSorter.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qvor {

class KeyJoin {
public:
    explicit KeyJoin(KeyJoinPlan plan, std::size_t memoryLimit = 4u << 20);
    ~KeyJoin();
    KeyJoin(const KeyJoin&) = delete;
    KeyJoin& operator=(const KeyJoin&) = delete;

    const KeyJoinPlan& plan() const { return plan_; }

    // One data line of call k (1-based), its fields back to back as the plan sends them.
    // False once the temporary files cannot be written.
    bool addLine(int k, std::string_view line);
    // Pairs the rows after the last line; takes time in proportion to the rows that did not
    // arrive in key order and to the tables beyond the first. False on a disk failure.
    bool prepare();
    // The next result row: one value per My Table column (the slot as SAP filled it; empty where
    // no row matched). The views stay valid until the next call.
    bool next(std::vector<std::string_view>& values);
    bool failed() const { return failed_; }

    // Rows of a call that the other calls of the same table did not return (their values are
    // left empty), and rows of the first table that some other table had no row for.
    qint64 unpairedRows() const { return unpaired_; }
    qint64 rowsWithoutMatch() const { return withoutMatch_; }
    // True when every call's rows arrived in key order.
    bool arrivedInKeyOrder() const;

private:
    class TableRows;
    class Stream;
    class TableStream;
    class SorterStream;

    bool joinTables();
    bool callsFailed() const;
    void putLine(const KeyJoinPlan::Group& group, std::string_view line, std::vector<std::string_view>& values);

    KeyJoinPlan plan_;
    std::size_t memoryLimit_;
    std::vector<std::unique_ptr<RecordSorter>> calls_;   // one per call group
    std::vector<std::unique_ptr<TableRows>> tables_;
    std::unique_ptr<Stream> joined_;                     // several tables: the joined rows in order
    std::vector<std::string_view> slots_;
    std::vector<std::string_view> lineSlots_;
    std::string key_;
    bool prepared_ = false;
    bool failed_ = false;
    qint64 unpaired_ = 0;
    qint64 withoutMatch_ = 0;
};

} // namespace qvor
