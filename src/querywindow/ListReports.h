#pragma once
// The plain-text reports of the query window's lists, line by line (without line ends): the
// field report of the field list or My Table, the options report and the preview report.
// A layout that asks for a negative number of blanks (a header word longer than its column,
// a preview cell longer than its column) writes no blank there.
#include <QList>
#include <QString>
#include <QStringList>

namespace qvor {

class PreviewTableModel;

struct FieldReportRow {
    QString name;
    QString description;
    QString type;
    QString length;   // as the list shows it
};

class ListReports {
public:
    // Field list and My Table share one layout: name, description, type, length in aligned
    // columns, numbered 001, 002, ...; lines never end in blanks.
    static QStringList fieldReport(const QList<FieldReportRow>& rows);
    static QStringList optionsReport(const QStringList& optionLines);
    // All data columns of the preview (not the row numbers), rows in their shown order; each
    // cell is padded to its column's width + 1.
    static QStringList previewReport(const PreviewTableModel& preview);

    static QString blanks(int count);
};

} // namespace qvor
