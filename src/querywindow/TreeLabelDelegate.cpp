#include "querywindow/TreeLabelDelegate.h"

#include <QLineEdit>
#include <QTimer>

namespace qvor {

TreeLabelDelegate::TreeLabelDelegate(QObject* parent) : QStyledItemDelegate(parent)
{
    connect(this, &QAbstractItemDelegate::closeEditor, this, [this] { editorClosed(); });
}

void TreeLabelDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const
{
    if (auto* line = qobject_cast<QLineEdit*>(editor)) committed_ = line->text();
}

void TreeLabelDelegate::editorClosed()
{
    // The view is still tearing the editor down: answer from the event loop.
    const std::optional<QString> text = std::exchange(committed_, std::nullopt);
    QTimer::singleShot(0, this, [this, text] {
        if (text) Q_EMIT labelConfirmed(*text);
        else Q_EMIT labelAbandoned();
    });
}

void TreeLabelDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (hoverHighlight_ && (option->state & QStyle::State_MouseOver)) {
        option->font.setUnderline(true);
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Highlight));
    }
}

} // namespace qvor
