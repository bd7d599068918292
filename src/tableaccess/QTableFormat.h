#pragma once
// The lines of a query-table file: fixed-width key lines (key in 13 characters, value from
// character 14), read with the program's forgiving rules: every key is looked for anywhere in
// every line, and the numbered lines count only once their count has been read.
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/QTableDocument.h"
#include "util/AppError.h"

#include <QString>
#include <QStringList>

namespace qvor {

class QTableFormat {
public:
    // The reading rules on lines already decoded; false with the error at the first bad value
    // (the values read so far stay in doc).
    static bool parseLines(const QStringList& lines, QTableDocument& doc, AppError* error);
    static QStringList lines(const QTableDocument& doc);

    // One field record back into its parts; false with the error when its length is not a number.
    static bool parseFieldRecord(const QString& record, MyTableField& field, AppError* error);
    static QString fieldRecord(const MyTableField& field);
};

} // namespace qvor
