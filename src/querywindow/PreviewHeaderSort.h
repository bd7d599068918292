#pragma once
// Sorting the preview by a clicked column header: the arrow in the header text (" »" ascending,
// " «" descending) and which way the next click on the same column sorts.
#include <QStringList>
#include <Qt>

namespace qvor {

class PreviewHeaderSort {
public:
    struct Result {
        int sortKey = 0;   // the column to sort by, counted from 0
        Qt::SortOrder order = Qt::AscendingOrder;
    };

    // A click on header k (1-based, column 0 "Row" is header 1). headers holds all header texts
    // and gets the arrows moved.
    Result click(int k, QStringList& headers);

    int SortColumn() const { return sortColumn_; }

    // After the preview's columns are built again: a SortColumn that no longer exists is
    // forgotten, so the next click sorts the clicked column ascending.
    void columnsRebuilt(int columnCount);

    // The header text without the arrow and the blank before it.
    static QString withoutArrow(const QString& header);

private:
    int sortColumn_ = 0;
    Qt::SortOrder order_ = Qt::AscendingOrder;
};

} // namespace qvor
