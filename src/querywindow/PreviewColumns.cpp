#include "querywindow/PreviewColumns.h"

#include <algorithm>

namespace qvor {

int PreviewColumns::widthFactor(int n)
{
    int factor = 0;
    if (n > 1000) factor = 13;
    if (n < 1000) factor = 15;
    if (n < 760) factor = 20;
    if (n < 600) factor = 23;
    if (n < 320) factor = 50;
    if (n < 240) factor = 66;
    if (n < 200) factor = 70;
    if (n < 160) factor = 90;
    return factor;
}

QList<PreviewColumnSpec> PreviewColumns::AddColumnHeadersPreview(const std::vector<MyTableField>& fields)
{
    const int n = static_cast<int>(fields.size());
    const int factor = widthFactor(n);
    QList<PreviewColumnSpec> columns;
    columns.reserve(n + 1);
    columns.append({QStringLiteral("C0"), QStringLiteral("Row"), RowColumnWidth, 0});
    for (int i = 1; i <= n; ++i) {
        const MyTableField& f = fields[static_cast<std::size_t>(i - 1)];
        int width = factor * std::max(int(f.length), static_cast<int>(f.text.size()));
        if (factor == 90 && width < 1200) width = 1200;
        columns.append({QLatin1Char('C') + QString::number(i), f.text, width, f.length});
    }
    return columns;
}

QString PreviewColumns::rowText(int r)
{
    return QStringLiteral("%1").arg(r, 3, 10, QLatin1Char('0'));
}

} // namespace qvor
