#pragma once
// Save and Save As of the query table that a window edits: the document values and the window's
// My Table and option lines go into the query-table file, the window takes the file's name as its
// caption and its changed flag is cleared.
#include "tableaccess/QTableDocument.h"

#include <QString>

namespace qvor {

class QueryWindow;

class QTableSaving {
public:
    // Into its file when the caption already carries a file name, otherwise through SaveAsQTable.
    static void SaveQTable(QueryWindow& window);
    // Asks for the file name; false when the user cancelled or the file could not be written.
    static bool SaveAsQTable(QueryWindow& window);
    // The document as the file will hold it, from the window and the shared values.
    static QTableDocument PrepareQTable(QueryWindow& window);
    // The name of a file without its folder (the last "/" or "\" ends the folder).
    static QString fileName(const QString& path);
};

} // namespace qvor
