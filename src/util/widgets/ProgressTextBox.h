#pragma once
// One face of the progress bar: a plain background with the percentage text written at a given
// position. The bar and its filled part are two of these, one inside the other, with the same
// text at the same place, so the text stays legible across the edge of the filled part.
#include <QColor>
#include <QPoint>
#include <QString>
#include <QWidget>

namespace qvor {

class ProgressTextBox : public QWidget {
    Q_OBJECT
public:
    explicit ProgressTextBox(QWidget* parent = nullptr);

    void setBackground(const QColor& colour);
    QColor background() const { return background_; }

    // The text's top-left corner inside the box.
    void setText(const QString& text, QPoint topLeft);
    void clearText();
    const QString& text() const { return text_; }
    QPoint textPosition() const { return textAt_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor background_;
    QString text_;
    QPoint textAt_;
};

} // namespace qvor
