#include "querywindow/ListPrinter.h"

#include "util/AppError.h"
#include "util/ExternalPrograms.h"
#include "util/FileCodec.h"
#include "util/WholeFileWriter.h"
#include "util/UiServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace qvor {

QStringList ListPrinter::defaultFolders()
{
    return {QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)};
}

ListPrinter::ListPrinter(QStringList folders) : folders_(std::move(folders)) {}

QString ListPrinter::PrintFields(const QList<FieldReportRow>& fieldList) const
{
    return print(ListReports::fieldReport(fieldList), QStringLiteral("PrintFields"));
}

QString ListPrinter::PrintFieldsMyTable(const QList<FieldReportRow>& myTable) const
{
    return print(ListReports::fieldReport(myTable), QStringLiteral("PrintFieldsMyTable"));
}

QString ListPrinter::PrintOptions(const QStringList& optionLines) const
{
    return print(ListReports::optionsReport(optionLines), QStringLiteral("PrintOptions"));
}

QString ListPrinter::PrintPreview(const PreviewTableModel& preview) const
{
    return print(ListReports::previewReport(preview), QStringLiteral("PrintPreview"));
}

QString ListPrinter::print(const QStringList& lines, const QString& operation) const
{
    const QByteArray bytes = joinLinesCrLf(lines);
    AppError firstError;
    for (const QString& folder : folders_) {
        if (folder.isEmpty()) continue;
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(ReportFileName);
        AppError error;
        if (writeFileWhole(path, bytes, &error)) {
            OpenReport(path);
            return path;
        }
        // The executable's folder is the one users look in; its failure says most.
        if (!firstError.isError()) firstError = error;
    }
    if (!firstError.isError()) firstError = AppError::pathNotFound();
    ui().message(firstError.text(QStringLiteral(" on ") + operation));
    return {};
}

} // namespace qvor
