#include "querywindow/PreviewHeaderSort.h"

namespace qvor {

namespace {
const QString kAscending = QStringLiteral(" \u00BB");
const QString kDescending = QStringLiteral(" \u00AB");
} // namespace

QString PreviewHeaderSort::withoutArrow(const QString& header)
{
    // Text before the arrow's position less the blank in front of it (first p - 2 characters).
    QString text = header;
    qsizetype p = text.indexOf(QChar(0x00BB));
    if (p >= 0) text = text.left(qMax<qsizetype>(p - 1, 0));
    p = text.indexOf(QChar(0x00AB));
    if (p >= 0) text = text.left(qMax<qsizetype>(p - 1, 0));
    return text;
}

void PreviewHeaderSort::columnsRebuilt(int columnCount)
{
    if (sortColumn_ > columnCount) sortColumn_ = 0;
}

PreviewHeaderSort::Result PreviewHeaderSort::click(int k, QStringList& headers)
{
    if (sortColumn_ > headers.size()) sortColumn_ = 0;
    if (sortColumn_ != 0) headers[sortColumn_ - 1] = withoutArrow(headers[sortColumn_ - 1]);
    if (k < 1 || k > headers.size()) return {0, order_};

    const QString t = headers[k - 1];
    if (k != sortColumn_) {
        order_ = Qt::AscendingOrder;
        sortColumn_ = k;
    } else {
        order_ = order_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
    headers[k - 1] = t + (order_ == Qt::AscendingOrder ? kAscending : kDescending);
    return {k - 1, order_};
}

} // namespace qvor
