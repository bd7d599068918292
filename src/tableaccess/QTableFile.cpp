#include "tableaccess/QTableFile.h"

#include "tableaccess/QTableFormat.h"
#include "tableaccess/QueryFileCheck.h"
#include "util/FileCodec.h"
#include "util/WholeFileWriter.h"
#include "util/StatusPanels.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"

#include <QFile>

#include <sys/stat.h>

#include <algorithm>

namespace qvor {

std::optional<QTableDocument> QTableFile::ReadOrvane(const QString& path)
{
    AppError error;
    // A device or a file far larger than any query file would be read for good, or whole.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && (!S_ISREG(st.st_mode) || st.st_size > QueryFileCheck::MaxBytes)) {
        ui().message(AppError::pathFileAccess().text(QStringLiteral(" on ReadOrvane")));
        return std::nullopt;
    }
    const auto text = readTextLines(path, &error);
    QTableDocument doc;
    if (!text || !QTableFormat::parseLines(*text, doc, &error)) {
        if (!error.isError()) error = AppError::pathFileAccess();
        ui().message(error.text(QStringLiteral(" on ReadOrvane")));
        return std::nullopt;
    }
    panels().setMessage(tx(TextId::QTableOpened).arg(path));
    return doc;
}

bool QTableFile::LoadOrvane(const QTableDocument& doc, MyTableBuffer& fields, OptionsBuffer& options)
{
    fields.fields.clear();
    options.lines.clear();
    for (int i = 1; i <= doc.fieldCount; ++i) {
        MyTableField field;
        AppError error;
        if (!QTableFormat::parseFieldRecord(doc.ssField.value(i - 1), field, &error)) {
            ui().message(error.text(QStringLiteral(" on LoadOrvane")));
            return false;
        }
        fields.fields.push_back(field);
    }
    for (int j = 1; j <= doc.optionCount; ++j) options.lines << doc.ssOption.value(j - 1);
    return true;
}

QTableDocument QTableFile::PrepareQTable(const MyTableBuffer& fields, const OptionsBuffer& options,
                                         const QTableDocument& base)
{
    QTableDocument doc = base;
    doc.fieldCount = static_cast<int16_t>(std::min(fields.count(), QTableDocument::MaxItems));
    doc.ssField.clear();
    for (int i = 1; i <= doc.fieldCount; ++i) doc.ssField << QTableFormat::fieldRecord(fields.field(i));
    doc.optionCount = static_cast<int16_t>(std::min(options.count(), QTableDocument::MaxItems));
    doc.ssOption = options.lines.mid(0, doc.optionCount);
    return doc;
}

bool QTableFile::WriteQTableFile(const QString& path, const QTableDocument& doc)
{
    AppError error;
    if (!writeFileWhole(path, joinLinesCrLf(QTableFormat::lines(doc)), &error)) {
        ui().message(error.text());
        return false;
    }
    panels().setMessage(tx(TextId::QTableSaved).arg(path));
    return true;
}

} // namespace qvor
