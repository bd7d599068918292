#include "util/widgets/HoverLinkLabel.h"

#include "util/ExternalPrograms.h"

#include <QMouseEvent>

namespace qvor {

HoverLinkLabel::HoverLinkLabel(const QString& address, QWidget* parent)
    : QLabel(address, parent), address_(address)
{
    setTextFormat(Qt::PlainText);
    setHighlighted(false);
    connect(this, &HoverLinkLabel::activated, this, [](const QString& a) { OpenInBrowser(a); });
}

void HoverLinkLabel::setHighlighted(bool on)
{
    highlighted_ = on;
    setStyleSheet(on ? QStringLiteral("color: blue;") : QStringLiteral("color: black;"));
    if (on) setCursor(Qt::PointingHandCursor);
    else unsetCursor();
}

void HoverLinkLabel::enterEvent(QEnterEvent* event)
{
    setHighlighted(true);
    QLabel::enterEvent(event);
}

void HoverLinkLabel::leaveEvent(QEvent* event)
{
    setHighlighted(false);
    QLabel::leaveEvent(event);
}

void HoverLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        // The browser takes a moment to appear; the pointer must not stay a hand meanwhile.
        unsetCursor();
        Q_EMIT activated(address_);
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

} // namespace qvor
