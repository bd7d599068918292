#include "querywindow/ListItemDelegate.h"

#include "querywindow/FieldTypePicture.h"
#include "util/widgets/Pictures.h"

#include <QPainter>

namespace qvor {

void ListItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant picture = index.data(PictureRole);
    if (picture.isValid()) {
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->icon = typePicture(picture.toInt());
        const int side = option->fontMetrics.height();
        option->decorationSize = QSize(side, side);
    }
}

void ListItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!gridlines_) return;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

} // namespace qvor
