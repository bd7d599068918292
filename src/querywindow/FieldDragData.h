#pragma once
// Fields dragged from the field list to My Table travel as this private MIME type: the rows as
// Copy to My Table would take them, so the drop needs nothing from the list it came from.
#include "tableaccess/ExtractionBuffers.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;

namespace qvor {

class FieldDragData {
public:
    static QString mimeType();
    static std::unique_ptr<QMimeData> encode(const std::vector<MyTableField>& fields);
    // Nothing when the data holds no fields of ours (or is damaged).
    static std::optional<std::vector<MyTableField>> decode(const QMimeData* data);
};

} // namespace qvor
