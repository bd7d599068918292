#pragma once
// Draws the rows of the query window's lists: the small picture that the models name by number
// (PictureRole) and, when switched on, grid lines around every cell.
#include <QStyledItemDelegate>

namespace qvor {

class ListItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool gridlines() const { return gridlines_; }
    void setGridlines(bool on) { gridlines_ = on; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    bool gridlines_ = false;
};

} // namespace qvor
