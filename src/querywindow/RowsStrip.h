#pragma once
// The rows strip under My Table: five picture buttons, the "All Rows" box and the row-limit box,
// which keeps itself, "All Rows" and the process-wide sRows in step.
#include <QObject>
#include <QList>
#include <array>

class QCheckBox;
class QLineEdit;
class QToolButton;
class QWidget;

namespace qvor {

class RowsStrip : public QObject {
    Q_OBJECT
public:
    explicit RowsStrip(QWidget* window);

    QToolButton* button(int i) const { return buttons_[static_cast<std::size_t>(i)]; }
    QCheckBox* allRowsBox() const { return allRows_; }
    QLineEdit* rowLimitBox() const { return rowLimit_; }
    QList<QWidget*> controls() const;

    void setVisible(bool visible);
    void applyHints();
    // Creation: the box takes sRows. A new window turns "0" into "20"; a reopened query file keeps
    // it, so its "All Rows" comes back ticked.
    void startFromSRows(bool reopening);

    // The row-limit box's text as a limit for import and preview; an empty box is 0 (all rows).
    qint32 rowLimit() const;

Q_SIGNALS:
    void buttonClicked(int index);

private:
    void limitTextChanged(const QString& text);

    std::array<QToolButton*, 5> buttons_{};
    QCheckBox* allRows_;
    QLineEdit* rowLimit_;
};

} // namespace qvor
