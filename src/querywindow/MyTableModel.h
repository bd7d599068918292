#pragma once
// My Table: the ordered output fields. Each row has an identity (the name it was created with)
// besides the name it shows; moves exchange contents but not identities, which later copies
// straighten out again (RedoListView2). Columns: name, Type, Length.
#include "tableaccess/ExtractionBuffers.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace qvor {

struct MyTableRow {
    QString identity;
    QString name;   // TABLE-FIELD
    QString text;   // the description, shown as the row's hint
    QString type;
    int16_t length = 0;
};

class MyTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Fields dragged from the field list drop between the rows (or below the last).
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    const QList<MyTableRow>& rows() const { return rows_; }

    // Appends the buffer rows whose names My Table does not show yet, in buffer order.
    struct PasteResult {
        int appended = 0;
        bool redone = false;   // identities were put back in line on the way
    };
    PasteResult PasteListItem(const std::vector<MyTableField>& buffer);
    // As PasteListItem, with the new rows placed at row `at` instead of at the end. Gives the
    // number of rows inserted there.
    int insertFields(int at, const std::vector<MyTableField>& fields);
    void RedoListView2();

    // Move Down / Move Up of the selected row: gives the row that is selected afterwards, or -1
    // when nothing moved.
    int MoveDown(int row);
    int MoveUp(int row);
    void MoveChange(int row, int neighbour);

    // Removes the selected rows (by their identities); gives the number removed.
    int RemoveField(const QList<int>& selectedRows);
    bool RemoveAllFields();

    // The sum of the lengths as a 16-bit number; a sum beyond 32767 stays at 32767.
    int16_t TotalBytes() const;

    struct Status {
        int count = 0;
        int16_t bytes = 0;           // MyTableBytes
        QString header;              // also set as the first column's header
        QStringList chooserNames;    // the options editor's field chooser, in My Table order
        bool commandsEnabled = false;
    };
    Status UpdateMyTableStatus();

    // ReadLIMytable's source: the rows in shown order.
    std::vector<MyTableField> fields() const;
    QString QTableName() const;
    // What the message panel shows when a row is clicked.
    QString rowMessage(int row) const;

Q_SIGNALS:
    // A drop put `count` rows in from row `first` on.
    void fieldsDropped(int first, int count);

private:
    QList<MyTableRow> rows_;
    QString header_ = QStringLiteral("My Table");
};

} // namespace qvor
