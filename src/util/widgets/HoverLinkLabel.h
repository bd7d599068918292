#pragma once
// A label that shows a web address as a link: blue with the link pointer while the pointer is
// over it, black again when the pointer leaves; a click opens the address in the browser.
#include <QLabel>

namespace qvor {

class HoverLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit HoverLinkLabel(const QString& address, QWidget* parent = nullptr);

    const QString& address() const { return address_; }
    bool highlighted() const { return highlighted_; }

Q_SIGNALS:
    void activated(const QString& address);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setHighlighted(bool on);

    QString address_;
    bool highlighted_ = false;
};

} // namespace qvor
