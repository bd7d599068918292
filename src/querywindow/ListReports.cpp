#include "querywindow/ListReports.h"

#include "querywindow/PreviewColumns.h"
#include "querywindow/PreviewTableModel.h"

#include <algorithm>

namespace qvor {

namespace {

QString withoutTrailingBlanks(QString line)
{
    qsizetype end = line.size();
    while (end > 0 && line.at(end - 1) == QLatin1Char(' ')) --end;
    line.truncate(end);
    return line;
}

} // namespace

QString ListReports::blanks(int count)
{
    return count > 0 ? QString(count, QLatin1Char(' ')) : QString();
}

QStringList ListReports::fieldReport(const QList<FieldReportRow>& rows)
{
    int W = 0;
    int D = 0;
    for (const FieldReportRow& r : rows) {
        W = std::max(W, static_cast<int>(r.name.size()));
        D = std::max(D, static_cast<int>(r.description.size()));
    }
    QStringList lines;
    lines.reserve(rows.size() + 2);
    lines.append(withoutTrailingBlanks(QStringLiteral("COL FIELDNAME") + blanks(W - 8) + QStringLiteral("FIELDTEXT")
                                       + blanks(D - 8) + QStringLiteral("TYPE LENGTH")));
    lines.append(QString());
    int number = 0;
    for (const FieldReportRow& r : rows) {
        QString line = PreviewColumns::rowText(++number);
        line += QLatin1Char(' ') + r.name + blanks(W + 1 - static_cast<int>(r.name.size()));
        line += r.description + blanks(D + 1 - static_cast<int>(r.description.size()));
        line += r.type + blanks(4) + r.length;
        lines.append(withoutTrailingBlanks(line));
    }
    return lines;
}

QStringList ListReports::optionsReport(const QStringList& optionLines)
{
    QStringList lines{QStringLiteral("NO. OPTIONS"), QString()};
    int number = 0;
    for (const QString& option : optionLines)
        lines.append(PreviewColumns::rowText(++number) + QLatin1Char(' ') + option);
    return lines;
}

QStringList ListReports::previewReport(const PreviewTableModel& preview)
{
    const int columns = preview.columnCount();
    const QList<PreviewColumnSpec>& specs = preview.columns();
    std::vector<int> width(static_cast<std::size_t>(std::max(columns, 0)), 0);
    QString header;
    for (int k = 1; k < columns; ++k) {
        const QString& text = specs[k].header;
        width[static_cast<std::size_t>(k)] = std::max(static_cast<int>(text.size()), specs[k].length);
        header += text + blanks(width[static_cast<std::size_t>(k)] + 1 - static_cast<int>(text.size()));
    }
    QStringList lines{header, QString()};
    const int rows = preview.rowCount();
    lines.reserve(rows + 2);
    const qsizetype lineWidth = header.size();
    for (int r = 0; r < rows; ++r) {
        QString line;
        line.reserve(lineWidth);
        for (int k = 1; k < columns; ++k) {
            const QString text = preview.cell(r, k);
            line += text + blanks(width[static_cast<std::size_t>(k)] + 1 - static_cast<int>(text.size()));
        }
        lines.append(line);
    }
    return lines;
}

} // namespace qvor
