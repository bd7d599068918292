#include "app/PanelLabel.h"

#include <QPainter>

namespace qvor {

PanelLabel::PanelLabel(QWidget* parent) : QLabel(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setTextFormat(Qt::PlainText);
}

int PanelLabel::pictureSize() const { return fontMetrics().height(); }

void PanelLabel::setPicture(const QIcon& icon)
{
    picture_ = icon;
    setIndent(icon.isNull() ? -1 : pictureSize() + 6);
    update();
}

void PanelLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (picture_.isNull()) return;
    QPainter painter(this);
    const int size = pictureSize();
    const QRect r = contentsRect();
    picture_.paint(&painter, QRect(r.left() + 3, r.top() + (r.height() - size) / 2, size, size));
}

} // namespace qvor
