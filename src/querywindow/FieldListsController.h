#pragma once
// The field list and My Table of a query window: their views (the field list in detail or list
// presentation, both sharing one selection), the opening and closing of a table's fields, and the
// My Table operations with their status, hints and command states.
#include "querywindow/FieldListModel.h"
#include "querywindow/MyTableModel.h"
#include "querywindow/OptionsListModel.h"

#include <QObject>
#include <functional>

class QLineEdit;
class QListView;
class QStackedWidget;
class QTreeView;
class QWidget;

namespace qvor {

class ListItemDelegate;

struct FieldListsHooks {
    std::function<void(const QStringList& names)> refillFieldChooser;
    std::function<void()> updateOptionsStatus;
    std::function<void()> markChanged;
};

class FieldListsController : public QObject {
    Q_OBJECT
public:
    explicit FieldListsController(QWidget* window);

    void setHooks(FieldListsHooks hooks) { hooks_ = std::move(hooks); }

    FieldListModel& fields() { return fields_; }
    MyTableModel& myTable() { return myTable_; }
    // The filter box above the field list's two presentations; the window places this area.
    QWidget* fieldListArea() const { return fieldArea_; }
    QLineEdit* fieldFilter() const { return filter_; }
    QStackedWidget* fieldListPane() const { return fieldPane_; }
    QTreeView* fieldDetailView() const { return fieldDetail_; }
    QListView* fieldCompactView() const { return fieldCompact_; }
    QTreeView* myTableView() const { return myTableView_; }

    void setColumnWidths(qreal dpi);

    bool AddTableFields(const QString& table, int* fieldsRead = nullptr);
    void RemoveTableFields(const QString& table);
    void CopyListItem();
    // Appends MyTableBuffer's rows that My Table does not hold yet.
    void PasteListItem();
    void MoveDown();
    void MoveUp();
    void RemoveField();
    void RemoveAllFields();
    void UpdateMyTableStatus();
    void UpdateFieldListTip();

    QList<MyTableMention> mentions() const;

    bool detailView() const;
    void setDetailView(bool detail);
    bool gridlines() const;
    void setGridlines(bool on);

private:
    void move(bool down);
    QList<int> selectedRows(QTreeView* view) const;
    // Shows the rows whose name or description holds the filter text; hidden rows leave the
    // selection, so Copy takes only what the user sees.
    void applyFieldFilter();

    FieldListModel fields_;
    MyTableModel myTable_;
    FieldListsHooks hooks_;
    QWidget* fieldArea_;
    QLineEdit* filter_;
    QStackedWidget* fieldPane_;
    QTreeView* fieldDetail_;
    QListView* fieldCompact_;
    QTreeView* myTableView_;
    ListItemDelegate* fieldDelegate_;
    ListItemDelegate* myTableDelegate_;
};

} // namespace qvor
