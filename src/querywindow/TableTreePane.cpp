#include "querywindow/TableTreePane.h"

#include "querywindow/SharedTableTree.h"
#include "querywindow/TreeLabelDelegate.h"
#include "sap/SapConnection.h"
#include "tableaccess/FieldCatalogue.h"
#include "util/CommandRegistry.h"
#include "util/OperationGuard.h"
#include "util/StatusPanels.h"
#include "util/Twips.h"
#include "util/UiServices.h"
#include "util/widgets/Pictures.h"

#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QSet>
#include <QTimer>
#include <utility>

namespace qvor {

namespace {
const QString PasteEntry = QStringLiteral("mpastetable");
}

TableTreePane::TableTreePane(QLabel* captionLine, QWidget* parent)
    : QTreeWidget(parent), captionLine_(captionLine), delegate_(new TreeLabelDelegate(this))
{
    setObjectName(QStringLiteral("TreeView1"));
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setIndentation(twipsToPixels(200, logicalDpiX()));
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Labels are edited only when a command starts the edit.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);   // the logic keeps every level sorted
    setItemDelegate(delegate_);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover, true);
    if (captionLine_) captionLine_->setText(QStringLiteral("  Table"));

    connect(delegate_, &TreeLabelDelegate::labelConfirmed, this, &TableTreePane::finishLabelEdit);
    connect(delegate_, &TreeLabelDelegate::labelAbandoned, this, &TableTreePane::abandonLabelEdit);
    // A table node's picture says whether it is open; only Open and Close change it, so the
    // view's expand and collapse of a childless item must not.
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (syncing_ || item->childCount() == 0) return;
        logic_.setExpanded(item->data(0, IdRole).toInt(), true);
        item->setIcon(0, folderPicture(true));
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (syncing_ || item->childCount() == 0) return;
        logic_.setExpanded(item->data(0, IdRole).toInt(), false);
        item->setIcon(0, folderPicture(false));
    });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (!singleClickMode_) OpenOrClose();
    });
    // In single-click mode the press selects, which can fold the branch selected before and
    // move the rows under the pointer; the click belongs to the item pressed, wherever the
    // release lands (see mouseReleaseEvent).
    connect(this, &QTreeWidget::itemPressed, this, [this](QTreeWidgetItem* item) {
        pressedNode_ = item ? item->data(0, IdRole).toInt() : -1;
    });
    connect(this, &QTreeWidget::currentItemChanged, this, &TableTreePane::followSelection);
    connect(&sharedTableTree(), &SharedTableTree::changed, this, [this](const QStringList& paths, const QObject* from) {
        if (from != this) followSharedTree(paths);
    });
}

// ---- mirroring the logic

void TableTreePane::paintItem(QTreeWidgetItem* item, const TreeNode& node)
{
    if (item->text(0) != node.text) item->setText(0, node.text);
    item->setData(0, KeyRole, node.key);
    item->setData(0, IdRole, node.id);
    item->setIcon(0, folderPicture(node.picture == 2));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    switch (node.colour) {
    case TreeNodeColour::Default: item->setData(0, Qt::ForegroundRole, QVariant()); break;
    case TreeNodeColour::Blue: item->setForeground(0, QColor(0, 0, 255)); break;
    case TreeNodeColour::Workspace: item->setForeground(0, palette().color(QPalette::Dark)); break;
    case TreeNodeColour::Black: item->setForeground(0, QColor(0, 0, 0)); break;
    }
}

void TableTreePane::syncChildren(QTreeWidgetItem* parentItem, const QList<int>& ids)
{
    for (int i = 0; i < ids.size(); ++i) {
        const TreeNode* node = logic_.node(ids[i]);
        if (!node) continue;
        QTreeWidgetItem* item = itemOf(node->id);
        if (!item) {
            item = new QTreeWidgetItem;
            items_.insert(node->id, item);
        }
        QTreeWidgetItem* at = parentItem ? parentItem->child(i) : topLevelItem(i);
        if (at != item) {
            if (QTreeWidgetItem* p = item->parent()) p->removeChild(item);
            else if (const int top = indexOfTopLevelItem(item); top >= 0) takeTopLevelItem(top);
            if (parentItem) parentItem->insertChild(i, item);
            else insertTopLevelItem(i, item);
        }
        paintItem(item, *node);
        syncChildren(item, node->children);
    }
}

void TableTreePane::sync()
{
    syncing_ = true;
    QList<QTreeWidgetItem*> stale;
    for (auto it = items_.begin(); it != items_.end();) {
        if (logic_.node(it.key())) {
            ++it;
            continue;
        }
        stale.append(it.value());
        it = items_.erase(it);
    }
    // Detach every stale item first: deleting a parent would delete children still listed here.
    for (QTreeWidgetItem* item : std::as_const(stale)) {
        if (QTreeWidgetItem* p = item->parent()) p->removeChild(item);
        else if (const int top = indexOfTopLevelItem(item); top >= 0) takeTopLevelItem(top);
    }
    qDeleteAll(stale);
    syncChildren(nullptr, logic_.rootNodes());
    syncing_ = false;
}

int TableTreePane::selectedId() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return -1;
    return selected.first()->data(0, IdRole).toInt();
}

QString TableTreePane::selectedNodeKey() const
{
    const TreeNode* n = logic_.node(selectedId());
    return n ? n->key : QString();
}

QTreeWidgetItem* TableTreePane::itemOfKey(const QString& key) const { return itemOf(logic_.findKey(key)); }

void TableTreePane::selectNode(int id)
{
    if (QTreeWidgetItem* item = itemOf(id)) {
        setCurrentItem(item);
        item->setSelected(true);
        scrollToItem(item);
    }
}

void TableTreePane::beginEdit(int id)
{
    QTreeWidgetItem* item = itemOf(id);
    if (!item) return;
    if (QTreeWidgetItem* p = item->parent()) p->setExpanded(true);
    scrollToItem(item);
    editItem(item, 0);
}

bool TableTreePane::labelEditOpen() const
{
    QTreeWidgetItem* item = itemOf(logic_.editingNode());
    return item && indexWidget(indexFromItem(item)) != nullptr;
}

void TableTreePane::publishTree() { sharedTableTree().publish(logic_.SaveTree(), this); }

void TableTreePane::followSharedTree(const QStringList& pathList)
{
    // A label edit of this window cannot survive the rebuild: it is abandoned.
    if (logic_.editingNode() >= 0) {
        if (QTreeWidgetItem* item = itemOf(logic_.editingNode())) {
            if (QWidget* editor = indexWidget(indexFromItem(item))) closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
        }
        logic_.CancelLabelEdit();
    }
    const TreeNode* selected = logic_.node(selectedId());
    const QString selectedText = selected ? selected->text : QString();
    const QStringList gone = logic_.followSharedTree(pathList);
    if (hooks_.removeTableFields) {
        for (const QString& t : gone) hooks_.removeTableFields(t);
    }
    sync();
    syncing_ = true;
    for (int id : logic_.nodeOrder()) {
        const TreeNode* n = logic_.node(id);
        if (!n->children.isEmpty() && n->picture == 2) itemOf(id)->setExpanded(true);
    }
    syncing_ = false;
    if (const int again = logic_.findKey(selectedText); again >= 0) {
        syncing_ = true;   // the selection is restored, not made by the user
        selectNode(again);
        syncing_ = false;
    }
    UpdateTreeStatus();
    if (hooks_.updateFieldListTip && !gone.isEmpty()) hooks_.updateFieldListTip();
}

// ---- building and counts

void TableTreePane::BuildTree(const QStringList& pathList)
{
    logic_.BuildTree(pathList);
    sync();
    UpdateTreeStatus();
}

void TableTreePane::UpdateTreeStatus()
{
    const TableTreeLogic::TreeStatus s = logic_.UpdateTreeStatus();
    if (captionLine_) captionLine_->setText(s.caption);
    setToolTip(s.hint);
}

// ---- the commands

void TableTreePane::NewFolder(const QString& placeholder)
{
    const TableTreeLogic::NewFolderResult r = logic_.NewFolder(placeholder, selectedId());
    if (!r.message.isEmpty()) ui().message(r.message);
    sync();
    if (r.editNode >= 0) {
        selectNode(r.editNode);
        if (singleClickMode_) setSingleExpand(false);
        beginEdit(r.editNode);
    }
    UpdateTreeStatus();
}

void TableTreePane::RenameFolder()
{
    const int id = selectedId();
    if (id < 0) return;
    if (singleClickMode_) setSingleExpand(false);
    logic_.RenameFolder(id);
    beginEdit(id);
}

void TableTreePane::finishLabelEdit(const QString& text)
{
    if (logic_.editingNode() < 0) return;
    // An editor still open (the text came from elsewhere than the editor) goes first.
    if (QTreeWidgetItem* item = itemOf(logic_.editingNode())) {
        if (QWidget* editor = indexWidget(indexFromItem(item))) closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    const TableTreeLogic::LabelEditResult r = logic_.EndLabelEdit(text);
    if (!r.accepted) {
        if (!r.message.isEmpty()) ui().message(r.message);
        sync();
        selectNode(r.currentNode);
        beginEdit(r.currentNode);
    } else {
        sync();
        selectNode(r.currentNode);
        publishTree();
        if (r.validateTable) ValidateTable(text);
    }
    if (singleClickMode_) setSingleExpand(true);
    Q_EMIT labelEditHandled();
}

void TableTreePane::abandonLabelEdit()
{
    if (logic_.editingNode() < 0) return;
    logic_.CancelLabelEdit();
    sync();
    UpdateTreeStatus();
    if (singleClickMode_) setSingleExpand(true);
    Q_EMIT labelEditHandled();
}

void TableTreePane::ValidateTable(const QString& tableName)
{
    const int id = logic_.findKey(tableName) >= 0 ? logic_.findKey(tableName) : selectedId();
    const TreeNode* node = logic_.node(id);
    if (!node) return;
    const QString key = node->key;
    // A table that cannot be checked now is not kept, as when no logon is possible.
    if (operationGuard().refuseIfBusy()) {
        RemoveTable(key, QStringLiteral("yes"));
        return;
    }
    if (!sapConnection().connected()) sapConnection().Connect();
    if (!sapConnection().connected()) {
        RemoveTable(key, QStringLiteral("yes"));
        return;
    }
    std::vector<FieldEntry> fields;
    if (GetFields(tableName.toUpper(), &fields))
        panels().setMessage(TableTreeLogic::tableAddedMessage(tableName, static_cast<int>(fields.size())));
    else
        RemoveTable(key, QStringLiteral("yes"));
}

void TableTreePane::AddFoundTable(const QString& tableName)
{
    const TableTreeLogic::Validation v = logic_.ValidateFolder(tableName);
    if (!v.ok) {
        if (!v.message.isEmpty()) ui().message(v.message);
        return;
    }
    // Beside a selected table rather than under it: a table with children could not be opened.
    int parent = selectedId();
    if (const TreeNode* n = logic_.node(parent); n && n->children.isEmpty()) parent = n->parent;
    if (logic_.addNode(tableName, tableName, parent) < 0) return;
    sync();
    if (QTreeWidgetItem* item = itemOf(parent)) item->setExpanded(true);
    UpdateTreeStatus();
    ValidateTable(tableName);
}

void TableTreePane::RemoveTable(const QString& key, const QString& requester)
{
    const QString question = logic_.removeQuestion(key, requester);
    if (!question.isEmpty() && ui().message(question, MsgButtons::YesNo) != MsgResult::Yes) return;
    RemoveTableNo(key);
}

void TableTreePane::RemoveTableNo(const QString& key)
{
    const QStringList tables = logic_.RemoveTableNo(key);
    if (hooks_.removeTableFields) {
        for (const QString& t : tables) hooks_.removeTableFields(t);
    }
    sync();
    publishTree();
    UpdateTreeStatus();
    if (hooks_.updateFieldListTip) hooks_.updateFieldListTip();
}

void TableTreePane::CutTable()
{
    if (!logic_.CutTable(selectedId())) {
        commands().setEnabled(PasteEntry, false);
        return;
    }
    sync();
}

void TableTreePane::PasteTable()
{
    const TableTreeLogic::PasteResult r = logic_.PasteTable(selectedId());
    if (!r.pasted) return;
    publishTree();
    if (hooks_.removeTableFields) {
        for (const QString& t : r.tablesToClose) hooks_.removeTableFields(t);
    }
    sync();
    if (QTreeWidgetItem* target = itemOf(r.target)) {
        target->setExpanded(true);
        target->setIcon(0, folderPicture(true));
    }
    UpdateTreeStatus();
    if (hooks_.updateFieldListTip) hooks_.updateFieldListTip();
}

void TableTreePane::OpenOrClose()
{
    if (singleClickMode_) setSingleExpand(true);
    const int id = selectedId();
    const TreeNode* node = logic_.node(id);
    if (!node) return;
    // Opening and closing a table change the field list, which a running call may be filling.
    if (node->children.isEmpty() && operationGuard().refuseIfBusy()) return;
    const QString text = node->text;
    switch (logic_.beginOpenClose(id)) {
    case TableTreeLogic::OpenAction::Open: {
        int read = 0;
        if (hooks_.addTableFields && hooks_.addTableFields(text, &read)) {
            logic_.markOpened(id);
            panels().setMessage(TableTreeLogic::openedMessage(text, read, hooks_.fieldCount ? hooks_.fieldCount() : 0));
        }
        break;
    }
    case TableTreeLogic::OpenAction::Close:
        if (hooks_.removeTableFields) hooks_.removeTableFields(text);
        panels().setMessage(TableTreeLogic::closedMessage(hooks_.fieldCount ? hooks_.fieldCount() : 0));
        break;
    case TableTreeLogic::OpenAction::None:
        break;
    }
    if (hooks_.updateFieldListTip) hooks_.updateFieldListTip();
    sync();
}

// ---- single-click mode

void TableTreePane::mousePressEvent(QMouseEvent* event)
{
    pressedNode_ = -1;   // set again by itemPressed when the press hits a node
    QTreeWidget::mousePressEvent(event);
}

void TableTreePane::mouseReleaseEvent(QMouseEvent* event)
{
    const int pressed = std::exchange(pressedNode_, -1);
    QTreeWidget::mouseReleaseEvent(event);
    if (singleClickMode_ && event->button() == Qt::LeftButton && pressed >= 0 && pressed == selectedId())
        OpenOrClose();
}

void TableTreePane::setSingleClickMode(bool on)
{
    singleClickMode_ = on;
    hoverHighlight_ = on;
    delegate_->setHoverHighlight(on);
    setSingleExpand(on);
    viewport()->update();
}

void TableTreePane::setSingleExpand(bool on) { singleExpand_ = on; }

void TableTreePane::followSelection(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (!singleExpand_ || syncing_ || !current) return;
    // Folding rows away while the mouse press that selected is still being handled would move
    // the rows under the pointer and lose the click: the branches change once it is done.
    const int currentId = current->data(0, IdRole).toInt();
    const int previousId = previous ? previous->data(0, IdRole).toInt() : -1;
    QTimer::singleShot(0, this, [this, currentId, previousId] {
        if (QTreeWidgetItem* now = itemOf(currentId)) expandSelectedBranch(now, itemOf(previousId));
    });
}

void TableTreePane::expandSelectedBranch(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    // The branch selected before collapses up to the common ancestor; the new node expands.
    QSet<QTreeWidgetItem*> keep;
    for (QTreeWidgetItem* a = current; a; a = a->parent()) keep.insert(a);
    for (QTreeWidgetItem* p = previous; p && !keep.contains(p); p = p->parent())
        if (p->childCount() > 0) p->setExpanded(false);
    if (current->childCount() > 0) current->setExpanded(true);
}

} // namespace qvor
