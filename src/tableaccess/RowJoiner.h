#pragma once
// Joins the data lines of the call groups into the result rows, with the program's rules:
// group 1 sets the rows; every later group first pads a row with separators up to the position
// of its first field (separators already in the row, also those inside values, count), then adds
// its line when it returned that row. The rows are produced one at a time while the output file is
// written, so the result never needs to fit in memory.
#include "tableaccess/RowStore.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

namespace qvor {

class RowJoiner {
public:
    explicit RowJoiner(const QString& separator);

    // Adds the rows of group k (1-based, groups in call order; failed groups are simply not
    // added). The result row count grows to the group's row count when that is larger.
    void addGroup(int k, int firstField, std::unique_ptr<RowStore> rows);

    qint64 rowCount() const { return rowCount_; }
    int groupCount() const { return static_cast<int>(parts_.size()); }

    // Reading the joined rows 1..rowCount() in order (UTF-8). start() begins again.
    void start();
    bool next(QByteArray& row);
    // True when a group's stored lines could not be read back.
    bool failed() const { return failed_; }

private:
    struct Part {
        int k;
        int firstField;
        qint64 rowsAtAdd;   // the result row count once this group was added
        std::unique_ptr<RowStore> rows;
    };

    QByteArray separator_;
    std::vector<Part> parts_;
    qint64 rowCount_ = 0;
    qint64 nextRow_ = 1;
    QByteArray line_;
    bool failed_ = false;
};

} // namespace qvor
