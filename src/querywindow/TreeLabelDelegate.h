#pragma once
// The table tree's item delegate: a confirmed label edit is handed to the tree's own rules instead
// of being written into the item (the rules may refuse it and reopen the edit), and the node under
// the pointer is highlighted while hover highlighting is on.
#include <QStyledItemDelegate>

#include <optional>

namespace qvor {

class TreeLabelDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TreeLabelDelegate(QObject* parent = nullptr);

    void setHoverHighlight(bool on) { hoverHighlight_ = on; }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

Q_SIGNALS:
    // Emitted once the editor has gone, so the receiver may open a new one at once.
    void labelConfirmed(const QString& text);
    void labelAbandoned();

private:
    void editorClosed();

    mutable std::optional<QString> committed_;
    bool hoverHighlight_ = false;
};

} // namespace qvor
