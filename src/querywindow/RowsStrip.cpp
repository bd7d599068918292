#include "querywindow/RowsStrip.h"

#include "querywindow/RowLimitRule.h"
#include "querywindow/WindowRegistry.h"
#include "util/Rounding.h"
#include "util/UiTexts.h"
#include "util/widgets/Pictures.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>

namespace qvor {

RowsStrip::RowsStrip(QWidget* window) : QObject(window)
{
    for (int i = 0; i < 5; ++i) {
        auto* b = new QToolButton(window);
        b->setObjectName(QStringLiteral("Command%1").arg(i));
        b->setIcon(stripButtonPicture(i));
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, i] { Q_EMIT buttonClicked(i); });
        buttons_[static_cast<std::size_t>(i)] = b;
    }
    allRows_ = new QCheckBox(textEn(TextId::QwAllRows), window);
    allRows_->setObjectName(QStringLiteral("CheckAllRows"));
    rowLimit_ = new QLineEdit(window);
    rowLimit_->setObjectName(QStringLiteral("TextRows"));

    connect(allRows_, &QCheckBox::clicked, this, [this](bool checked) {
        const QString text = RowLimitRule::allRowsClicked(checked);
        if (!text.isEmpty()) rowLimit_->setText(text);
    });
    connect(rowLimit_, &QLineEdit::textChanged, this, &RowsStrip::limitTextChanged);
}

QList<QWidget*> RowsStrip::controls() const
{
    QList<QWidget*> list;
    for (QToolButton* b : buttons_) list << b;
    list << allRows_ << rowLimit_;
    return list;
}

void RowsStrip::setVisible(bool visible)
{
    for (QWidget* w : controls()) w->setVisible(visible);
}

void RowsStrip::applyHints()
{
    static constexpr TextId hints[] = {TextId::QwHintButton0, TextId::QwHintButton1, TextId::QwHintButton2,
                                       TextId::QwHintButton3, TextId::QwHintButton4};
    for (int i = 0; i < 5; ++i) buttons_[static_cast<std::size_t>(i)]->setToolTip(tx(hints[i]));
    rowLimit_->setToolTip(tx(TextId::QwHintRowLimitBox));
}

void RowsStrip::startFromSRows(bool reopening)
{
    QString text = QString::number(documentValues().sRows);
    if (text == QLatin1String("0") && !reopening) text = QStringLiteral("20");
    if (rowLimit_->text() == text) limitTextChanged(text);
    else rowLimit_->setText(text);
}

void RowsStrip::limitTextChanged(const QString& text)
{
    const RowLimitRule::Result r = RowLimitRule::textChanged(text, documentValues().sRows);
    if (r.sRowsChanged) documentValues().sRows = static_cast<qint32>(r.sRows);
    if (r.allRowsTouched) allRows_->setChecked(r.allRowsChecked);
    // Setting the text runs this again with a text that the rule leaves as it is.
    if (r.textReplaced && r.text != text) rowLimit_->setText(r.text);
}

qint32 RowsStrip::rowLimit() const
{
    bool ok = false;
    const double v = rowLimit_->text().trimmed().toDouble(&ok);
    if (!ok || v <= 0) return 0;
    // Rounded as sRows is, so "3.5" fetches the 4 rows the query file keeps.
    return v >= 2147483647.0 ? 2147483647 : roundHalfEven(v);
}

} // namespace qvor
