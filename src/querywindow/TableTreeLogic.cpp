#include "querywindow/TableTreeLogic.h"

#include "querywindow/NumberText.h"
#include "querywindow/TablePathList.h"
#include "util/UiTexts.h"

#include <QSet>

#include <algorithm>

namespace qvor {

namespace {

// The tree control's order: alphabetical regardless of case, exact text as the tie-break.
bool textLess(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

} // namespace

const TreeNode* TableTreeLogic::node(int id) const
{
    auto it = nodes_.constFind(id);
    return it == nodes_.constEnd() ? nullptr : &it.value();
}

TreeNode* TableTreeLogic::mutableNode(int id)
{
    auto it = nodes_.find(id);
    return it == nodes_.end() ? nullptr : &it.value();
}

QList<int>& TableTreeLogic::siblingsOf(int parentId)
{
    if (parentId < 0) return roots_;
    return nodes_[parentId].children;
}

void TableTreeLogic::insertSorted(QList<int>& list, int id)
{
    const QString& text = nodes_[id].text;
    auto pos = std::upper_bound(list.begin(), list.end(), text,
                                [this](const QString& t, int other) { return textLess(t, nodes_[other].text); });
    list.insert(pos, id);
}

void TableTreeLogic::resort(int id)
{
    QList<int>& list = siblingsOf(nodes_[id].parent);
    list.removeOne(id);
    insertSorted(list, id);
}

QString TableTreeLogic::fullPath(int id) const
{
    QStringList parts;
    for (const TreeNode* n = node(id); n; n = node(n->parent)) parts.prepend(n->text);
    return parts.join(TablePathList::Separator);
}

int TableTreeLogic::addNode(const QString& key, const QString& text, int parentId)
{
    if (byKey_.contains(key)) return -1;
    if (parentId >= 0 && !nodes_.contains(parentId)) return -1;
    const int id = nextId_++;
    TreeNode n;
    n.id = id;
    n.key = key;
    n.text = text;
    n.parent = parentId;
    nodes_.insert(id, n);
    byKey_.insert(key, id);
    order_.append(id);
    insertSorted(siblingsOf(parentId), id);
    return id;
}

void TableTreeLogic::setExpanded(int id, bool expanded)
{
    setPicture(id, expanded ? 2 : 1);
}

void TableTreeLogic::setPicture(int id, int picture)
{
    if (TreeNode* n = mutableNode(id)) n->picture = picture;
}

void TableTreeLogic::collectSubtree(int id, QList<int>& out) const
{
    const TreeNode* n = node(id);
    if (!n) return;
    out.append(id);
    for (int child : n->children) collectSubtree(child, out);
}

void TableTreeLogic::removeSubtree(int id)
{
    if (!nodes_.contains(id)) return;
    QList<int> doomed;
    collectSubtree(id, doomed);
    siblingsOf(nodes_[id].parent).removeOne(id);
    for (int d : doomed) {
        byKey_.remove(nodes_[d].key);
        nodes_.remove(d);
        if (current_ == d) current_ = -1;
        if (editing_ == d) editing_ = -1;
    }
    order_.removeIf([this](int x) { return !nodes_.contains(x); });
}

void TableTreeLogic::BuildTree(const QStringList& pathList)
{
    for (const QString& entry : pathList) {
        const TablePathList::Entry e = TablePathList::parse(entry);
        if (e.atRoot) {
            addNode(e.name, e.name, -1);
            continue;
        }
        const int parent = findKey(e.parentName);
        if (parent >= 0) addNode(e.name, e.name, parent);
    }
}

QStringList TableTreeLogic::SaveTree() const
{
    QStringList paths;
    for (int id : order_) {
        if (paths.size() >= TablePathList::MaxEntries) break;
        paths.append(fullPath(id));
    }
    return paths;
}

TableTreeLogic::Validation TableTreeLogic::ValidateFolder(const QString& name) const
{
    if (readsAsNumber(name)) return {false, tx(TextId::QwNoNumbersAllowed)};
    if (name.isEmpty()) return {false, QString()};
    for (int id : order_) {
        if (nodes_[id].text == name) return {false, tx(TextId::QwAlreadyExists).arg(name)};
    }
    return {true, QString()};
}

TableTreeLogic::NewFolderResult TableTreeLogic::NewFolder(const QString& placeholder, int selectedId)
{
    pasteAvailable_ = false;
    current_ = node(selectedId) ? selectedId : -1;
    const Validation v = ValidateFolder(placeholder);
    if (!v.ok) return {v.message, -1};

    int id;
    if (current_ < 0 || placeholder == QLatin1String("Root")) {
        parentKey_.clear();
        id = addNode(placeholder, placeholder, -1);
    } else {
        parentKey_ = nodes_[current_].key;
        id = addNode(placeholder, placeholder, current_);
    }
    if (id < 0) return {};   // the placeholder's key is held by a renamed node
    current_ = id;
    placeholder_ = placeholder;
    RenameFolder(id);
    editIsNew_ = true;
    return {QString(), id};
}

void TableTreeLogic::RenameFolder(int id)
{
    pasteAvailable_ = false;
    const TreeNode* n = node(id);
    if (!n) return;
    editing_ = id;
    editIsNew_ = false;
    oldKey_ = n->key;
}

TableTreeLogic::LabelEditResult TableTreeLogic::EndLabelEdit(const QString& newText)
{
    LabelEditResult r;
    if (editing_ < 0) return r;
    const Validation v = ValidateFolder(newText);
    if (!v.ok) {
        r.message = v.message;
        r.currentNode = editing_;   // stays in edit mode with its old text
        return r;
    }
    r.accepted = true;

    if (!editIsNew_) {
        const int id = findKey(oldKey_) >= 0 ? findKey(oldKey_) : editing_;
        nodes_[id].text = newText;   // the key stays until the tree is next built
        resort(id);
        current_ = id;
    } else {
        removeSubtree(editing_);
        int parent = -1;
        if (!parentKey_.isEmpty() && placeholder_ != QLatin1String("Root")) parent = findKey(parentKey_);
        // A renamed node can still hold this text as its key; the new node then gets a key of
        // its own, so the name the user typed is not lost.
        QString key = newText;
        for (int i = 2; byKey_.contains(key); ++i) key = newText + QLatin1Char('#') + QString::number(i);
        current_ = addNode(key, newText, parent);
        r.validateTable = placeholder_ == QLatin1String("Table");
    }
    editing_ = -1;
    editIsNew_ = false;
    r.currentNode = current_;
    return r;
}

void TableTreeLogic::CancelLabelEdit()
{
    if (editing_ >= 0 && editIsNew_) removeSubtree(editing_);
    editing_ = -1;
    editIsNew_ = false;
}

QString TableTreeLogic::removeQuestion(const QString& key, const QString& requester) const
{
    const TreeNode* n = node(findKey(key));
    if (!n || requester != QLatin1String("user") || n->children.isEmpty()) return QString();
    return folderDeleteQuestion(n->text);
}

QStringList TableTreeLogic::RemoveTableNo(const QString& key)
{
    pasteAvailable_ = false;
    QStringList tables{key};
    const int id = findKey(key);
    if (id < 0) return tables;
    QList<int> subtree;
    collectSubtree(id, subtree);
    for (int s : subtree) {
        const TreeNode& n = nodes_[s];
        if (n.picture == 2 && n.children.isEmpty() && !tables.contains(n.text)) tables.append(n.text);
    }
    removeSubtree(id);
    return tables;
}

bool TableTreeLogic::CutTable(int selectedId)
{
    current_ = node(selectedId) ? selectedId : -1;
    if (current_ < 0) {
        pasteAvailable_ = false;
        return false;
    }
    cutKey_ = nodes_[current_].key;
    const QString cutPath = fullPath(current_);
    for (int id : order_) {
        if (TablePathList::isWithin(fullPath(id), cutPath)) nodes_[id].colour = TreeNodeColour::Workspace;
    }
    pasteAvailable_ = true;
    return true;
}

TableTreeLogic::PasteResult TableTreeLogic::PasteTable(int selectedId)
{
    PasteResult r;
    pasteAvailable_ = false;
    const int cut = findKey(cutKey_);
    const TreeNode* target = node(selectedId);
    // Nothing to paste onto, or the cut node is gone: leave the tree and the marks as they are.
    if (cut < 0 || !target) return r;
    // A node is not pasted under itself, nor under anything of its own subtree.
    const QString cutPath = fullPath(cut);
    if (nodes_[cut].text == target->key || TablePathList::isWithin(fullPath(selectedId), cutPath)) return r;

    QStringList moved;
    for (int id : order_) {
        const QString p = fullPath(id);
        if (TablePathList::isWithin(p, cutPath)) moved.append(p);
    }
    const QString targetKey = target->key;
    r.tablesToClose = RemoveTableNo(cutKey_);
    BuildTree(TablePathList::capped(TablePathList::rewriteForPaste(moved, cutPath, targetKey)));
    r.target = findKey(targetKey);
    setPicture(r.target, 2);
    r.pasted = true;
    cutKey_.clear();
    return r;
}

QStringList TableTreeLogic::followSharedTree(const QStringList& pathList)
{
    struct Kept {
        int picture;
        TreeNodeColour colour;
        bool table;
    };
    QHash<QString, Kept> kept;
    QStringList oldTexts;
    for (int id : order_) {
        const TreeNode& n = nodes_[id];
        kept.insert(n.text, {n.picture, n.colour, n.children.isEmpty()});
        oldTexts.append(n.text);
    }
    const QString cutText = node(findKey(cutKey_)) ? node(findKey(cutKey_))->text : QString();

    *this = TableTreeLogic();
    BuildTree(pathList);

    QSet<QString> newTexts;
    for (int id : order_) newTexts.insert(nodes_[id].text);
    QSet<QString> carried;
    for (qsizetype i = 0; i < order_.size(); ++i) {
        TreeNode& n = nodes_[order_[i]];
        QString from = n.text;
        if (!kept.contains(from)) {
            // Renamed there: the node keeps its place in node order.
            if (i >= oldTexts.size() || newTexts.contains(oldTexts[i])) continue;
            from = oldTexts[i];
        }
        const Kept& k = kept[from];
        n.picture = k.picture;
        n.colour = k.colour;
        carried.insert(from);
    }
    if (!cutText.isEmpty() && newTexts.contains(cutText)) {
        cutKey_ = nodes_[findKey(cutText)].key;   // keys equal texts after a build
        pasteAvailable_ = true;
    }
    QStringList gone;
    for (auto it = kept.cbegin(); it != kept.cend(); ++it) {
        if (it->table && it->picture == 2 && !carried.contains(it.key())) gone.append(it.key());
    }
    return gone;
}

TableTreeLogic::OpenAction TableTreeLogic::beginOpenClose(int id)
{
    TreeNode* n = mutableNode(id);
    if (!n) return OpenAction::None;
    current_ = id;
    if (!n->children.isEmpty()) return OpenAction::None;
    if (n->picture == 1) {
        n->picture = 2;
        return OpenAction::Open;
    }
    n->picture = 1;
    n->colour = TreeNodeColour::Black;
    return OpenAction::Close;
}

void TableTreeLogic::markOpened(int id)
{
    if (TreeNode* n = mutableNode(id)) n->colour = TreeNodeColour::Blue;
}

TableTreeLogic::TreeStatus TableTreeLogic::UpdateTreeStatus() const
{
    TreeStatus s;
    for (int id : order_) {
        if (nodes_[id].children.isEmpty()) ++s.tables;
    }
    s.folders = nodeCount() - s.tables;
    s.caption = tx(TextId::QwTreeCaption).arg(QString::number(s.folders), QString::number(s.tables));
    if (nodeCount() < 4) s.hint = tx(TextId::QwTreeHint);
    return s;
}

QString TableTreeLogic::openedMessage(const QString& table, int fields, int total)
{
    return tx(TextId::QwTableOpened).arg(table, QString::number(fields), QString::number(total));
}

QString TableTreeLogic::closedMessage(int total)
{
    return tx(TextId::QwTableClosed).arg(QString::number(total));
}

QString TableTreeLogic::tableAddedMessage(const QString& table, int fields)
{
    return tx(TextId::QwTableAdded).arg(table, QString::number(fields));
}

QString TableTreeLogic::folderDeleteQuestion(const QString& folderText)
{
    return tx(TextId::QwFolderDeleteQuestion).arg(folderText);
}

} // namespace qvor
