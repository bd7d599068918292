#pragma once
// The preview's columns: "Row" first, then one column per My Table field, as wide as the
// field's length or description (whichever is longer) times a factor that shrinks as the
// number of fields grows.
#include "tableaccess/ExtractionBuffers.h"

#include <QList>
#include <QString>
#include <vector>

namespace qvor {

struct PreviewColumnSpec {
    QString key;      // "C0", "C1", ...
    QString header;   // "Row", then the field's description
    int width = 0;    // twips
    int length = 0;   // the field's length (0 for "Row")
};

class PreviewColumns {
public:
    static constexpr int RowColumnWidth = 640;

    // Twips per character for n fields (n == 1000 matches no rule and gives 0).
    static int widthFactor(int n);
    static QList<PreviewColumnSpec> AddColumnHeadersPreview(const std::vector<MyTableField>& fields);
    // Row r as the preview and the reports number it: "001", ..., "999", "1000".
    static QString rowText(int r);
};

} // namespace qvor
