#include "querywindow/FieldListsController.h"

#include "querywindow/ListItemDelegate.h"
#include "sap/SapConnection.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/FieldCatalogue.h"
#include "querywindow/WindowRegistry.h"
#include "util/AppFlags.h"
#include "util/CommandRegistry.h"
#include "util/StatusPanels.h"
#include "util/Twips.h"
#include "util/UiServices.h"

#include "util/UiTexts.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QListView>
#include <QStackedWidget>
#include <QTreeView>

namespace qvor {

namespace {

void setUpReportView(QTreeView* view)
{
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAllColumnsShowFocus(true);
    view->setMouseTracking(true);
    view->header()->setStretchLastSection(false);
}

} // namespace

FieldListsController::FieldListsController(QWidget* window)
    : QObject(window), fieldArea_(new QWidget(window)), filter_(new QLineEdit(fieldArea_)),
      fieldPane_(new QStackedWidget(fieldArea_)), fieldDetail_(new QTreeView),
      fieldCompact_(new QListView), myTableView_(new QTreeView(window)),
      fieldDelegate_(new ListItemDelegate(this)), myTableDelegate_(new ListItemDelegate(this))
{
    fieldPane_->setObjectName(QStringLiteral("ListView1"));
    fieldDetail_->setModel(&fields_);
    setUpReportView(fieldDetail_);
    fieldDetail_->setItemDelegate(fieldDelegate_);
    fieldCompact_->setModel(&fields_);
    fieldCompact_->setSelectionModel(fieldDetail_->selectionModel());
    fieldCompact_->setViewMode(QListView::ListMode);
    fieldCompact_->setFlow(QListView::TopToBottom);
    fieldCompact_->setWrapping(true);
    fieldCompact_->setResizeMode(QListView::Adjust);
    fieldCompact_->setUniformItemSizes(true);
    fieldCompact_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fieldCompact_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fieldCompact_->setMouseTracking(true);
    fieldCompact_->setItemDelegate(fieldDelegate_);
    fieldPane_->addWidget(fieldDetail_);
    fieldPane_->addWidget(fieldCompact_);

    filter_->setObjectName(QStringLiteral("FieldFilter"));
    filter_->setClearButtonEnabled(true);
    filter_->setPlaceholderText(tx(TextId::FieldFilterHint));
    filter_->setToolTip(tx(TextId::FieldFilterHint));
    auto* area = new QVBoxLayout(fieldArea_);
    area->setContentsMargins(0, 0, 0, 0);
    area->setSpacing(1);
    area->addWidget(filter_);
    area->addWidget(fieldPane_, 1);
    connect(filter_, &QLineEdit::textChanged, this, &FieldListsController::applyFieldFilter);
    connect(&fields_, &QAbstractItemModel::rowsInserted, this, &FieldListsController::applyFieldFilter);
    connect(&fields_, &QAbstractItemModel::rowsRemoved, this, &FieldListsController::applyFieldFilter);

    myTableView_->setObjectName(QStringLiteral("ListView2"));
    myTableView_->setModel(&myTable_);
    setUpReportView(myTableView_);
    myTableView_->setItemDelegate(myTableDelegate_);
    // Fields are dragged from either presentation of the field list into My Table.
    for (QAbstractItemView* source : {static_cast<QAbstractItemView*>(fieldDetail_), static_cast<QAbstractItemView*>(fieldCompact_)}) {
        source->setDragEnabled(true);
        source->setDragDropMode(QAbstractItemView::DragOnly);
        source->setDefaultDropAction(Qt::CopyAction);
    }
    myTableView_->setDragDropMode(QAbstractItemView::DropOnly);
    myTableView_->setDefaultDropAction(Qt::CopyAction);
    myTableView_->setDropIndicatorShown(true);
    connect(&myTable_, &MyTableModel::fieldsDropped, this, [this](int first, int count) {
        myTableView_->selectionModel()->select(
            QItemSelection(myTable_.index(first, 0), myTable_.index(first + count - 1, myTable_.columnCount() - 1)),
            QItemSelectionModel::ClearAndSelect);
        UpdateMyTableStatus();
        if (hooks_.markChanged) hooks_.markChanged();
    });
    connect(myTableView_, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { panels().setMessage(myTable_.rowMessage(index.row())); });
}

void FieldListsController::setColumnWidths(qreal dpi)
{
    const int fieldWidths[] = {1800, 3000, 535, 670};
    for (int c = 0; c < 4; ++c) fieldDetail_->setColumnWidth(c, twipsToPixels(fieldWidths[c], dpi));
    const int myWidths[] = {3195, 535, 670};
    for (int c = 0; c < 3; ++c) myTableView_->setColumnWidth(c, twipsToPixels(myWidths[c], dpi));
    fieldCompact_->setGridSize(QSize(twipsToPixels(1800, dpi), fieldCompact_->fontMetrics().height() + 4));
}

QList<int> FieldListsController::selectedRows(QTreeView* view) const
{
    QList<int> rows;
    for (const QModelIndex& i : view->selectionModel()->selectedRows()) rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool FieldListsController::AddTableFields(const QString& table, int* fieldsRead)
{
    if (!sapConnection().connected()) sapConnection().Connect();
    if (!sapConnection().connected()) return false;
    std::vector<FieldEntry> entries;
    if (!GetFields(table.toUpper(), &entries)) return false;
    fields_.addTableFields(table, entries);
    if (fieldsRead) *fieldsRead = static_cast<int>(entries.size());
    return true;
}

void FieldListsController::RemoveTableFields(const QString& table)
{
    // The presentation is switched to the detail list and back around the removal.
    const bool detail = detailView();
    setDetailView(true);
    fields_.removeTableFields(table);
    setDetailView(detail);
}

void FieldListsController::applyFieldFilter()
{
    const QString text = filter_->text().trimmed();
    QItemSelection hidden;
    for (int r = 0; r < fields_.rowCount(); ++r) {
        const FieldListRow& row = fields_.row(r);
        const bool hide = !text.isEmpty() && !row.name.contains(text, Qt::CaseInsensitive)
                          && !row.text.contains(text, Qt::CaseInsensitive);
        fieldDetail_->setRowHidden(r, QModelIndex(), hide);
        fieldCompact_->setRowHidden(r, hide);
        if (hide) hidden.select(fields_.index(r, 0), fields_.index(r, fields_.columnCount() - 1));
    }
    fieldDetail_->selectionModel()->select(hidden, QItemSelectionModel::Deselect);
}

void FieldListsController::CopyListItem()
{
    QList<int> rows = selectedRows(fieldDetail_);
    rows.removeIf([this](int r) { return fieldDetail_->isRowHidden(r, QModelIndex()); });
    myTableBuffer().fields = fields_.selectedFields(rows);
    PasteListItem();
}

void FieldListsController::PasteListItem()
{
    WaitPointer wait;
    myTable_.PasteListItem(myTableBuffer().fields);
    UpdateMyTableStatus();
    if (!appFlags().fileOpening && hooks_.markChanged) hooks_.markChanged();
}

void FieldListsController::move(bool down)
{
    const QModelIndex current = myTableView_->currentIndex();
    if (!current.isValid() || !myTableView_->selectionModel()->isRowSelected(current.row(), {})) return;
    const int row = current.row();
    const int moved = down ? myTable_.MoveDown(row) : myTable_.MoveUp(row);
    if (moved < 0) return;
    // The neighbour becomes the only selected row.
    myTableView_->selectionModel()->setCurrentIndex(
        myTable_.index(moved, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (hooks_.markChanged) hooks_.markChanged();
}

void FieldListsController::MoveDown() { move(true); }
void FieldListsController::MoveUp() { move(false); }

void FieldListsController::RemoveField()
{
    WaitPointer wait;
    myTable_.RemoveField(selectedRows(myTableView_));
    UpdateMyTableStatus();
}

void FieldListsController::RemoveAllFields()
{
    if (myTable_.RemoveAllFields()) UpdateMyTableStatus();
}

void FieldListsController::UpdateMyTableStatus()
{
    const MyTableModel::Status s = myTable_.UpdateMyTableStatus();
    for (const char* name : {"mqpreview", "mprintfieldsmytable", "mimportmytable", "mmovedown", "mmoveup",
                             "mremovefield", "mremoveallfields"})
        commands().setEnabled(QString::fromLatin1(name), s.commandsEnabled);
    myTableBytes() = s.bytes;
    if (hooks_.refillFieldChooser) hooks_.refillFieldChooser(s.chooserNames);
    if (hooks_.updateOptionsStatus) hooks_.updateOptionsStatus();
}

void FieldListsController::UpdateFieldListTip()
{
    const FieldListModel::Tip tip = fields_.UpdateFieldListTip();
    commands().setEnabled(QStringLiteral("mcopytomytable"), tip.commandsEnabled);
    commands().setEnabled(QStringLiteral("mprintfields"), tip.commandsEnabled);
    fieldDetail_->setToolTip(tip.hint);
    fieldCompact_->setToolTip(tip.hint);
}

QList<MyTableMention> FieldListsController::mentions() const
{
    QList<MyTableMention> list;
    for (const MyTableRow& r : myTable_.rows()) list.append({r.name, r.text});
    return list;
}

bool FieldListsController::detailView() const { return fieldPane_->currentWidget() == fieldDetail_; }

void FieldListsController::setDetailView(bool detail)
{
    fieldPane_->setCurrentWidget(detail ? static_cast<QWidget*>(fieldDetail_) : fieldCompact_);
}

bool FieldListsController::gridlines() const { return fieldDelegate_->gridlines(); }

void FieldListsController::setGridlines(bool on)
{
    fieldDelegate_->setGridlines(on);
    fieldDetail_->viewport()->update();
    fieldCompact_->viewport()->update();
}

} // namespace qvor
