#pragma once
// A query-table file read strictly, for a run without windows that must not guess: whatever is
// not a complete query file written by the program is named with its reason, and nothing larger
// than a query file can be is read at all. The program's own reading stays lenient.
#include "tableaccess/QTableDocument.h"

#include <QString>
#include <optional>

namespace qvor {

class QueryFileCheck {
public:
    // Far above 999 fields and 999 options of any length a query file can hold.
    static constexpr qint64 MaxBytes = qint64(16) << 20;

    // The document, or nothing with problem set to "<path>: what is wrong".
    static std::optional<QTableDocument> read(const QString& path, QString* problem);

    // Whether the two paths name one file (also through links); a path that does not exist names
    // none.
    static bool sameFile(const QString& a, const QString& b);
};

} // namespace qvor
