#pragma once
// The field list: the fields of every table open in the tree, table after table in opening
// order. Columns FieldName (qualified), FieldText, Type, Length.
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/FieldEntry.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>
#include <QString>

#include <vector>

namespace qvor {

struct FieldListRow {
    QString name;   // TABLE-FIELD
    QString text;
    QString type;
    int length = 0;
};

class FieldListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Fields are dragged to My Table as Copy to My Table would copy them.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    const FieldListRow& row(int r) const { return rows_[r]; }
    const QList<FieldListRow>& rows() const { return rows_; }

    // Appends a table's fields in SAP's order; a name already listed (the same table opened
    // under another spelling) is not added twice. Gives the number of rows appended.
    int addTableFields(const QString& table, const std::vector<FieldEntry>& fields);
    // Takes out every row whose name begins with the upper-cased table name and "-".
    void removeTableFields(const QString& table);

    // Copy: the selected rows in list order, lengths as 16-bit numbers.
    std::vector<MyTableField> selectedFields(QList<int> selectedRows) const;

    // UpdateFieldListTip: the list's hint and whether Copy / Print Fields are available.
    struct Tip {
        QString hint;
        bool commandsEnabled = false;
    };
    Tip UpdateFieldListTip() const;

private:
    QList<FieldListRow> rows_;
    QSet<QString> names_;
};

} // namespace qvor
