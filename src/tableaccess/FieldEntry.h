#pragma once
// One row of a table's field catalogue as SAP's RFC_READ_TABLE lists it.
#include <QString>

namespace qvor {

struct FieldEntry {
    QString FIELDNAME;
    QString FIELDTEXT;
    QString TYPE;      // SAP's internal type letter
    int LENGTH = 0;    // width in characters inside a data line

    bool operator==(const FieldEntry&) const = default;
};

} // namespace qvor
