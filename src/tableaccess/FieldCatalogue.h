#pragma once
// A table's field catalogue, read from SAP with RFC_READ_TABLE and the no-data flag, and the type
// pictures of its fields.
#include "tableaccess/FieldEntry.h"
#include "tableaccess/KeyJoinPlan.h"

#include <QString>
#include <vector>

namespace qvor {

class FunctionsComponent;
class RfcFunction;
class RfcTable;

// Asks SAP for the fields of tableName (already in upper case) through the connection's function
// component; the caller has connected first. True when SAP answered without an exception: entries
// (when given) then holds one entry per field in SAP's order. On an exception its name is shown.
bool GetFields(const QString& tableName, std::vector<FieldEntry>* entries = nullptr);

// Sets up the read of tableName's fields (NO_DATA) on the component; null without a component.
RfcFunction* prepareFieldsCall(FunctionsComponent* component, const QString& tableName);

// One entry per row of a FIELDS table; LENGTH is the whole-number part of the column.
std::vector<FieldEntry> readFieldEntries(const RfcTable& fields);

// A table's key fields come from the dictionary table DD03L (KEYFLAG), read with the same
// RFC_READ_TABLE as everything else, so they are known on every system the program reaches.
class KeyFieldsCall {
public:
    // Sets up the read of the key fields of `table` on the component; null without a component.
    static RfcFunction* prepare(FunctionsComponent* component, const QString& table);
    // The key fields of a successful call, in key order; empty when the table has none.
    static std::vector<KeyField> read(RfcFunction& function);
};

// Reads the key fields of tableName and waits for them while the event loop keeps running. False
// after showing SAP's exception (a user without display rights on DD03L gets NOT_AUTHORIZED).
bool GetKeyFields(const QString& tableName, std::vector<KeyField>* keys);

// The picture number of a type letter (case-sensitive); letters without a picture of their own
// get the one of C.
int TypeIcon(const QString& type);

// The qualified name of a field: the table in upper case, "-" and the field, e.g. KNA1-KUNNR.
QString qualifiedFieldName(const QString& table, const QString& fieldName);

} // namespace qvor
