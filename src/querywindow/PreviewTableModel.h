#pragma once
// The preview list: rows "001", "002", ... and one column per My Table field. Each call group
// fills its own columns of the same rows from its data lines; the lines are kept as they came
// and cells are cut from them on demand, so 500 rows x 1000 columns stay small and fast.
#include "querywindow/PreviewColumns.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <vector>

namespace qvor {

class PreviewTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int WidthTwipsRole = Qt::UserRole + 2;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    // By the column's text, case ignored; rows with equal text keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Removes all rows and columns and sets the given columns.
    void setColumns(const QList<PreviewColumnSpec>& columns);
    const QList<PreviewColumnSpec>& columns() const { return columns_; }
    QStringList headers() const;
    void setHeaders(const QStringList& headers);

    // AddDataPreview: fields firstField..lastField (1-based My Table positions) are cut, back to
    // back by their lengths, from each data line; line r fills row r.
    void AddDataPreview(int firstField, int lastField, const QStringList& dataLines);
    // The message panel text for one group.
    static QString groupMessage(const QString& table, int firstField, int lastField, int rows);

    // The text of a cell in shown order (column 0 is the row number).
    QString cell(int row, int column) const;

private:
    struct Segment {
        QStringList lines;
    };
    struct Placement {
        int segment = -1;
        int offset = 0;
    };

    QList<PreviewColumnSpec> columns_;
    std::vector<Placement> placements_;   // per column
    std::vector<Segment> segments_;
    std::vector<int> order_;              // shown row -> row number - 1
};

} // namespace qvor
