#pragma once
// A status bar panel: a text with an optional small picture in front of it.
#include <QIcon>
#include <QLabel>

namespace qvor {

class PanelLabel : public QLabel {
    Q_OBJECT
public:
    explicit PanelLabel(QWidget* parent = nullptr);

    void setPicture(const QIcon& icon);
    const QIcon& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int pictureSize() const;

    QIcon picture_;
};

} // namespace qvor
