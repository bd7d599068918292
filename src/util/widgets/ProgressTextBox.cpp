#include "util/widgets/ProgressTextBox.h"

#include <QPainter>

namespace qvor {

ProgressTextBox::ProgressTextBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    background_ = palette().color(QPalette::Base);
}

void ProgressTextBox::setBackground(const QColor& colour)
{
    if (background_ == colour) return;
    background_ = colour;
    update();
}

void ProgressTextBox::setText(const QString& text, QPoint topLeft)
{
    if (text_ == text && textAt_ == topLeft) return;
    text_ = text;
    textAt_ = topLeft;
    update();
}

void ProgressTextBox::clearText()
{
    if (text_.isEmpty()) return;
    text_.clear();
    update();
}

void ProgressTextBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    if (text_.isEmpty()) return;
    painter.setPen(palette().color(QPalette::Text));
    painter.setFont(font());
    // The position is the text's top-left corner; drawText wants the baseline.
    painter.drawText(textAt_ + QPoint(0, fontMetrics().ascent()), text_);
}

} // namespace qvor
