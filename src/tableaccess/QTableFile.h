#pragma once
// The query-table file's operations: reading it into a document, the document into the buffers
// and back, and writing it. The line format itself is QTableFormat's.
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/QTableDocument.h"
#include "util/AppError.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace qvor {

class QTableFile {
public:
    // Reads the file; the message panel shows "path opened". Failures show
    // "Error n: description on ReadOrvane" and give nothing.
    static std::optional<QTableDocument> ReadOrvane(const QString& path);

    // Field records and option lines into the buffers. Failures show "... on LoadOrvane"; the
    // records before the bad one stay loaded.
    static bool LoadOrvane(const QTableDocument& doc, MyTableBuffer& fields, OptionsBuffer& options);

    // The document's field records and option lines from the buffers, at most 999 of each; the
    // other values are taken from base.
    static QTableDocument PrepareQTable(const MyTableBuffer& fields, const OptionsBuffer& options,
                                        const QTableDocument& base = {});

    // Writes the file whole; the message panel shows "path saved". Failures show "Error n: description".
    static bool WriteQTableFile(const QString& path, const QTableDocument& doc);
};

} // namespace qvor
