#pragma once
// The tree pane of a query window: a QTreeWidget that shows TableTreeLogic's nodes (keys kept in
// the items' data) and runs the tree's commands with their messages, the SAP check of a new
// table and the opening and closing of table nodes. The field list is reached through hooks.
#include "querywindow/TableTreeLogic.h"

#include <QHash>
#include <QTreeWidget>
#include <functional>

class QLabel;

namespace qvor {

class TreeLabelDelegate;

struct TreeFieldHooks {
    // AddTableFields: true when the fields were added; fieldsRead gets the catalogue's size.
    std::function<bool(const QString& table, int* fieldsRead)> addTableFields;
    std::function<void(const QString& table)> removeTableFields;
    std::function<int()> fieldCount;
    std::function<void()> updateFieldListTip;
};

class TableTreePane : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int KeyRole = Qt::UserRole;
    static constexpr int IdRole = Qt::UserRole + 1;

    TableTreePane(QLabel* captionLine, QWidget* parent = nullptr);

    void setFieldHooks(TreeFieldHooks hooks) { hooks_ = std::move(hooks); }
    const TableTreeLogic& logic() const { return logic_; }

    void BuildTree(const QStringList& pathList);
    QStringList SaveTree() const { return logic_.SaveTree(); }

    void NewFolder(const QString& placeholder);
    void CutTable();
    void PasteTable();
    void RemoveTable(const QString& key, const QString& requester);
    void RemoveTableNo(const QString& key);
    void RenameFolder();
    void ValidateTable(const QString& tableName);
    // A table chosen in Find Table: placed in the selected folder (beside a selected table) or at
    // the root, then checked against SAP as a newly named table is.
    void AddFoundTable(const QString& tableName);
    void UpdateTreeStatus();

    // A double click, or a single click in single-click mode, on the selected node.
    void OpenOrClose();

    // The user confirmed or abandoned a label edit (the editor calls these; tests too).
    void finishLabelEdit(const QString& text);
    void abandonLabelEdit();
    bool labelEditOpen() const;

    QString selectedNodeKey() const;
    QTreeWidgetItem* itemOfKey(const QString& key) const;

    // The press under way is no click (it began a boundary drag).
    void forgetPress() { pressedNode_ = -1; }

    // Hover highlighting and single-selection expansion, both following SingleClickMode.
    void setSingleClickMode(bool on);
    bool hoverHighlight() const { return hoverHighlight_; }
    bool singleExpand() const { return singleExpand_; }

Q_SIGNALS:
    void labelEditHandled();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int selectedId() const;
    QTreeWidgetItem* itemOf(int id) const { return items_.value(id, nullptr); }
    // Mirrors the logic's nodes into the items: adds, removes, reorders and repaints.
    void sync();
    void syncChildren(QTreeWidgetItem* parentItem, const QList<int>& ids);
    void paintItem(QTreeWidgetItem* item, const TreeNode& node);
    void selectNode(int id);
    void beginEdit(int id);
    void setSingleExpand(bool on);
    void followSelection(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void expandSelectedBranch(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    // The tree is shared: this window's structural changes go to every other window, and
    // theirs come here.
    void publishTree();
    void followSharedTree(const QStringList& pathList);

    TableTreeLogic logic_;
    QHash<int, QTreeWidgetItem*> items_;
    QLabel* captionLine_;
    TreeLabelDelegate* delegate_;
    TreeFieldHooks hooks_;
    bool hoverHighlight_ = false;
    bool singleExpand_ = false;
    bool singleClickMode_ = false;
    bool syncing_ = false;
    int pressedNode_ = -1;
};

} // namespace qvor
