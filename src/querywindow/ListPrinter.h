#pragma once
// Printing a list: the report is written as plain text into "Fields.txt" beside the executable
// (the per-user data folder when that folder cannot be written), replacing the previous report,
// and then handed to the program the system associates with it, where the user reads or prints it.
// The query window passes its lists' rows; nothing in the lists changes.
#include "querywindow/ListReports.h"

#include <QString>
#include <QStringList>

namespace qvor {

class PreviewTableModel;

class ListPrinter {
public:
    static inline const QString ReportFileName = QStringLiteral("Fields.txt");

    // The executable's folder first, the per-user data folder second.
    static QStringList defaultFolders();

    explicit ListPrinter(QStringList folders = defaultFolders());

    // Each gives the report's full path, or empty when it could not be written anywhere (the
    // failure has been shown then).
    QString PrintFields(const QList<FieldReportRow>& fieldList) const;
    QString PrintFieldsMyTable(const QList<FieldReportRow>& myTable) const;
    QString PrintOptions(const QStringList& optionLines) const;
    QString PrintPreview(const PreviewTableModel& preview) const;

private:
    QString print(const QStringList& lines, const QString& operation) const;

    QStringList folders_;
};

} // namespace qvor
