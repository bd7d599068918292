#include "tableaccess/ReadTableCall.h"

#include "sap/FunctionsComponent.h"
#include "sap/SapConnection.h"
#include "tableaccess/PartitionRanges.h"
#include "util/StatusPanels.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"

namespace qvor {

ReadTableRequest ReadTableRequest::forGroup(const CallGroup& group, qint32 rowLimit, const QString& delimiter)
{
    ReadTableRequest r;
    r.table = group.table;
    r.rowLimit = rowLimit;
    r.delimiter = delimiter;
    r.firstField = group.firstField;
    r.lastField = group.lastField;
    r.firstOption = group.firstOption;
    r.lastOption = group.lastOption;
    return r;
}

RfcFunction* ReadTableCall::prepare(FunctionsComponent* component, const ReadTableRequest& request,
                                    const MyTableBuffer& fields, const OptionsBuffer& options, AppError* error)
{
    if (!component) {
        // The components are gone after a disconnect (for example a SYSTEM_FAILURE of an earlier group).
        if (error) *error = {91, QStringLiteral("Object variable or With block variable not set")};
        return nullptr;
    }
    if (request.firstField < 1 || request.lastField > fields.count()) {
        if (error) *error = AppError::subscriptOutOfRange();
        return nullptr;
    }
    // Option texts lose as many characters as the first field's "TABLE-" prefix has.
    const qsizetype prefix = fields.field(request.firstField).name.indexOf(QLatin1Char('-')) + 1;

    component->RemoveAll();
    RfcFunction* function = component->Add(QStringLiteral("RFC_READ_TABLE"));
    if (!function) {
        if (error) *error = {91, QStringLiteral("Object variable or With block variable not set")};
        return nullptr;
    }
    function->Exports(QStringLiteral("QUERY_TABLE")).setValue(request.table);
    function->Exports(QStringLiteral("ROWCOUNT")).setValue(QString::number(request.rowLimit));
    function->Exports(QStringLiteral("DELIMITER")).setValue(request.delimiter);
    if (request.rowSkips > 0) function->Exports(QStringLiteral("ROWSKIPS")).setValue(QString::number(request.rowSkips));
    RfcTable& optionRows = function->Tables(QStringLiteral("OPTIONS"));
    RfcTable& fieldRows = function->Tables(QStringLiteral("FIELDS"));
    function->Tables(QStringLiteral("DATA"));

    const QStringList names = requestedFields(request, fields);
    for (qsizetype i = 0; i < names.size(); ++i) {
        fieldRows.appendrow();
        fieldRows.setValue(static_cast<int>(i + 1), QStringLiteral("FIELDNAME"), names[i]);
    }
    QStringList texts;
    if (request.rangeRows.isEmpty() || request.firstOption > 0)
        for (int j = request.firstOption; j <= request.lastOption; ++j) texts << options.option(j).mid(prefix);
    texts = PartitionRanges::combine(texts, request.rangeRows);
    for (const QString& text : texts) {
        optionRows.appendrow();
        optionRows.setValue(optionRows.RowCount(), QStringLiteral("TEXT"), text);
    }
    return function;
}

QStringList ReadTableCall::requestedFields(const ReadTableRequest& request, const MyTableBuffer& fields)
{
    if (!request.fieldNames.isEmpty()) return request.fieldNames;
    QStringList names;
    if (request.firstField < 1 || request.lastField > fields.count()) return names;
    const qsizetype prefix = fields.field(request.firstField).name.indexOf(QLatin1Char('-')) + 1;
    for (int i = request.firstField; i <= request.lastField; ++i) names << fields.field(i).name.mid(prefix);
    return names;
}

bool ReadTableCall::readLayout(RfcFunction& function, const ReadTableRequest& request, const MyTableBuffer& fields,
                               ReturnedLayout* layout)
{
    QString missing;
    *layout = ReturnedLayout::read(requestedFields(request, fields), function.Tables(QStringLiteral("FIELDS")).data(),
                                   request.delimiter, &missing);
    return missing.isEmpty();
}

// A copy: the message box lets events run, and the function object may be gone after it.
void ReadTableCall::reportException(QString exception)
{
    ui().message(exception);
    if (exception == QLatin1String("SYSTEM_FAILURE")) sapConnection().Disconnect();
}

void ReadTableCall::reportError(const AppError& error)
{
    ui().message(error.text(QStringLiteral(" on GetData ")));
}

RfcFunction* GetData(const ReadTableRequest& request, const MyTableBuffer& fields, const OptionsBuffer& options)
{
    // The normal pointer is back before any message shows.
    RfcFunction* function = nullptr;
    AppError error;
    bool answered = false;
    {
        WaitPointer wait;
        panels().setMessage(tx(TextId::ProcessingRfcFor).arg(request.table));
        function = ReadTableCall::prepare(sapConnection().functions(), request, fields, options, &error);
        if (function) answered = function->Call();
    }
    if (!function) {
        ReadTableCall::reportError(error);
        return nullptr;
    }
    if (answered) {
        ReturnedLayout layout;
        if (!ReadTableCall::readLayout(*function, request, fields, &layout)) {
            ReadTableCall::reportException(QLatin1String(ReadTableCall::MissingField));
            return nullptr;
        }
        layout.rebuildColumn(function->Tables(QStringLiteral("DATA")).answerData(), ReadTableCall::DataColumn);
        return function;
    }
    if (!function->cancelled()) ReadTableCall::reportException(function->exception());
    return nullptr;
}

} // namespace qvor
