#pragma once
// The table tree of a query window without the tree control: nodes with key, text, picture and
// colour, children kept sorted by text, node order = creation order; and every tree command
// (build, save, New, label edit, Delete, Cut, Paste, Open/Close, counts and hint). Messages are
// handed back as texts; the window shows them and calls the SAP checks itself.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace qvor {

enum class TreeNodeColour { Default, Blue, Workspace, Black };

struct TreeNode {
    int id = -1;
    QString key;
    QString text;
    int picture = 1;   // 1 closed, 2 open
    TreeNodeColour colour = TreeNodeColour::Default;
    int parent = -1;   // -1: root level
    QList<int> children;   // sorted by text
};

class TableTreeLogic {
public:
    // ---- the node model
    int nodeCount() const { return static_cast<int>(order_.size()); }
    const QList<int>& nodeOrder() const { return order_; }
    const TreeNode* node(int id) const;
    int findKey(const QString& key) const { return byKey_.value(key, -1); }
    const QList<int>& rootNodes() const { return roots_; }
    QString fullPath(int id) const;
    // Adds a node with key and text; -1 when the key is taken or the parent does not exist.
    int addNode(const QString& key, const QString& text, int parentId);
    void setExpanded(int id, bool expanded);   // expanding shows picture 2, collapsing picture 1
    void setPicture(int id, int picture);

    // ---- path list
    void BuildTree(const QStringList& pathList);
    QStringList SaveTree() const;

    // ---- names
    // The message to show when a name is refused (empty: accepted, or refused silently).
    struct Validation {
        bool ok = false;
        QString message;
    };
    Validation ValidateFolder(const QString& name) const;

    // New Table / Folder / Root: places the placeholder node and starts its label edit.
    struct NewFolderResult {
        QString message;   // the refusal, if any
        int editNode = -1; // the node whose label is now being edited
    };
    NewFolderResult NewFolder(const QString& placeholder, int selectedId);

    // RenameFolder: starts editing the label of a node.
    void RenameFolder(int id);
    int editingNode() const { return editing_; }

    struct LabelEditResult {
        bool accepted = false;
        QString message;        // refusal to show; the edit is then reopened on the same node
        int currentNode = -1;   // the node to select afterwards
        bool validateTable = false;   // a new table was named: check it against SAP
    };
    LabelEditResult EndLabelEdit(const QString& newText);
    // The user abandoned an edit: a placeholder that was never named goes away again.
    void CancelLabelEdit();

    // ---- deleting
    // The question to ask before RemoveTable deletes a folder (empty: delete without asking).
    QString removeQuestion(const QString& key, const QString& requester) const;
    // Deletes the node with that key and its subtree; gives the table names whose fields must
    // leave the field list (the key itself and every open table of the subtree).
    QStringList RemoveTableNo(const QString& key);

    // ---- cut and paste
    // Cut marks the selected node's subtree. Paste moves that subtree, as it is at paste time,
    // under the selected node. The shared path list is not used as the clipboard: it always
    // holds the whole tree, so a window opened meanwhile shows all of it. Paste does nothing
    // (the marks stay, the tree is untouched) when no node is selected, when the cut node is
    // gone, or when the target is the cut node or lies inside its subtree, where the moved
    // nodes would lose their parents.
    bool CutTable(int selectedId);
    struct PasteResult {
        bool pasted = false;
        QStringList tablesToClose;   // fields to take out of the field list
        int target = -1;             // expand this node
    };
    PasteResult PasteTable(int selectedId);
    bool pasteAvailable() const { return pasteAvailable_; }

    // ---- the tree shared by all windows
    // Another window changed the tree: rebuild from its path list, keeping this window's own
    // state by node text (texts are unique in a tree): open tables, unfolded folders, the cut
    // mark. A node renamed there keeps its state by its place in node order. Gives the tables
    // that were open here and are gone, whose fields leave this window's field list.
    QStringList followSharedTree(const QStringList& pathList);

    // ---- open and close a table node
    enum class OpenAction { None, Open, Close };
    // Flips the node's picture (and paints a closed node black); the caller then adds or removes
    // the table's fields. A node with children is left to the tree's own expand/collapse.
    OpenAction beginOpenClose(int id);
    void markOpened(int id);   // the fields were added: paint the text blue

    // ---- counts and hint
    struct TreeStatus {
        int folders = 0;
        int tables = 0;
        QString caption;
        QString hint;
    };
    TreeStatus UpdateTreeStatus() const;

    static QString openedMessage(const QString& table, int fields, int total);
    static QString closedMessage(int total);
    static QString tableAddedMessage(const QString& table, int fields);
    static QString folderDeleteQuestion(const QString& folderText);

private:
    TreeNode* mutableNode(int id);
    QList<int>& siblingsOf(int parentId);
    void insertSorted(QList<int>& list, int id);
    void resort(int id);
    void collectSubtree(int id, QList<int>& out) const;
    void removeSubtree(int id);

    QHash<int, TreeNode> nodes_;
    QHash<QString, int> byKey_;
    QList<int> order_;
    QList<int> roots_;
    int nextId_ = 0;

    int current_ = -1;
    int editing_ = -1;
    // The edit names a node that New just placed. Judged by how the edit began rather than by
    // comparing the key with "Table"/"Folder"/"Root", so renaming a real node that happens to be
    // keyed so keeps it where it is.
    bool editIsNew_ = false;
    QString oldKey_;
    QString placeholder_;
    QString parentKey_;
    QString cutKey_;
    bool pasteAvailable_ = false;
};

} // namespace qvor
