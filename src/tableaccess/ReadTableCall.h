#pragma once
// One RFC_READ_TABLE call of a call group (GetData). The parameters are set on a function object
// of the function component; the caller either runs it at once (GetData) or starts it and handles
// the reply when it arrives (the import and preview runners).
#include "tableaccess/CallGroups.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/ReturnedLayout.h"
#include "util/AppError.h"

#include <QString>
#include <QStringList>

namespace qvor {

class FunctionsComponent;
class RfcFunction;

struct ReadTableRequest {
    QString table;
    qint32 rowLimit = 0;   // 0 = all rows
    QString delimiter;
    int firstField = 0;
    int lastField = 0;
    int firstOption = 0;
    int lastOption = 0;
    QStringList fieldNames;   // the FIELDNAME rows when not the fields' own (a join's key fields added)
    // Beyond a plain group call: rows to skip first (pages), and condition rows ANDed to the
    // group's own option lines (a partition's key range), sent as they stand.
    qint32 rowSkips = 0;
    QStringList rangeRows;

    static ReadTableRequest forGroup(const CallGroup& group, qint32 rowLimit, const QString& delimiter);
};

class ReadTableCall {
public:
    // Sets up RFC_READ_TABLE on the component: QUERY_TABLE, ROWCOUNT, DELIMITER, the FIELDS and
    // OPTIONS rows without their "TABLE-" prefix. Null with the error when there is no component.
    static RfcFunction* prepare(FunctionsComponent* component, const ReadTableRequest& request,
                                const MyTableBuffer& fields, const OptionsBuffer& options, AppError* error);

    // The FIELDNAME values sent for the request's fields: their names without the "TABLE-" prefix.
    static QStringList requestedFields(const ReadTableRequest& request, const MyTableBuffer& fields);
    // How an answered call's lines are laid out (newer releases reorder the fields). False when a
    // field asked for is not in the answer: newer releases skip unknown fields where classic ones
    // raise FIELD_NOT_VALID, so the caller reports MissingField, here as there.
    static bool readLayout(RfcFunction& function, const ReadTableRequest& request, const MyTableBuffer& fields,
                           ReturnedLayout* layout);
    static constexpr const char* MissingField = "FIELD_NOT_VALID";

    // What a failed call shows: SAP's exception name; SYSTEM_FAILURE also ends the connection.
    static void reportException(QString exception);
    // An unexpected failure: "Error n: description on GetData ".
    static void reportError(const AppError& error);

    // The data line column of DATA.
    static constexpr const char* DataColumn = "WA";
};

// Runs the call and waits for it while the event loop keeps running. On success the function's
// DATA table holds the rows, in the layout asked for, until the next remote call; otherwise null
// after the message.
RfcFunction* GetData(const ReadTableRequest& request, const MyTableBuffer& fields, const OptionsBuffer& options);

} // namespace qvor
