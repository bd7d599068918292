#pragma once
// A table's field catalogue, read from SAP with RFC_READ_TABLE and the no-data flag, and the type
// pictures of its fields.
#include "tableaccess/FieldEntry.h"

#include <QString>
#include <vector>

namespace qvor {

class RfcTable;

// Asks SAP for the fields of tableName (already in upper case) through the connection's function
// component; the caller has connected first. True when SAP answered without an exception: entries
// (when given) then holds one entry per field in SAP's order. On an exception its name is shown.
bool GetFields(const QString& tableName, std::vector<FieldEntry>* entries = nullptr);

// One entry per row of a FIELDS table; LENGTH is the whole-number part of the column.
std::vector<FieldEntry> readFieldEntries(const RfcTable& fields);

// The picture number of a type letter (case-sensitive); letters without a picture of their own
// get the one of C.
int TypeIcon(const QString& type);

// The qualified name of a field: the table in upper case, "-" and the field, e.g. KNA1-KUNNR.
QString qualifiedFieldName(const QString& table, const QString& fieldName);

} // namespace qvor
