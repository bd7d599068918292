#include "tableaccess/FieldCatalogue.h"

#include "sap/FunctionsComponent.h"
#include "sap/SapConnection.h"
#include "util/UiServices.h"

#include <algorithm>
#include <climits>

namespace qvor {
namespace {

// "000010" -> 10; a value with a fraction or trailing text keeps its whole-number part, and a
// value that holds no number at all is 0.
int wholeNumber(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == QLatin1Char('+') || t[end] == QLatin1Char('-'))) ++end;
    while (end < t.size() && t[end].isDigit()) ++end;
    bool ok = false;
    const long long v = t.left(end).toLongLong(&ok);
    if (!ok) return 0;
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

} // namespace

bool GetFields(const QString& tableName, std::vector<FieldEntry>* entries)
{
    WaitPointer wait;
    if (entries) entries->clear();
    FunctionsComponent* functions = sapConnection().functions();
    if (!functions) return false;
    functions->RemoveAll();
    RfcFunction* f = functions->Add(QStringLiteral("RFC_READ_TABLE"));
    f->Exports(QStringLiteral("QUERY_TABLE")).setValue(tableName);
    f->Exports(QStringLiteral("NO_DATA")).setValue(QStringLiteral("x"));
    RfcTable& fields = f->Tables(QStringLiteral("FIELDS"));
    const bool ok = f->Call();
    if (!ok) {
        // A cancelled read needs no message: the user asked for it.
        if (!f->cancelled()) ui().message(QString(f->exception()));
        return false;
    }
    if (entries) *entries = readFieldEntries(fields);
    return true;
}

std::vector<FieldEntry> readFieldEntries(const RfcTable& fields)
{
    std::vector<FieldEntry> entries;
    entries.reserve(static_cast<std::size_t>(fields.RowCount()));
    for (int row = 1; row <= fields.RowCount(); ++row) {
        FieldEntry e;
        e.FIELDNAME = fields.Value(row, QStringLiteral("FIELDNAME")).trimmed();
        e.FIELDTEXT = fields.Value(row, QStringLiteral("FIELDTEXT")).trimmed();
        e.TYPE = fields.Value(row, QStringLiteral("TYPE")).trimmed();
        e.LENGTH = wholeNumber(fields.Value(row, QStringLiteral("LENGTH")));
        entries.push_back(std::move(e));
    }
    return entries;
}

RfcFunction* KeyFieldsCall::prepare(FunctionsComponent* component, const QString& table)
{
    if (!component) return nullptr;
    component->RemoveAll();
    RfcFunction* f = component->Add(QStringLiteral("RFC_READ_TABLE"));
    if (!f) return nullptr;
    f->Exports(QStringLiteral("QUERY_TABLE")).setValue(QStringLiteral("DD03L"));
    f->Exports(QStringLiteral("DELIMITER")).setValue(QStringLiteral("|"));
    RfcTable& fields = f->Tables(QStringLiteral("FIELDS"));
    for (const char* name : {"FIELDNAME", "POSITION", "KEYFLAG", "LENG", "DATATYPE"}) {
        fields.appendrow();
        fields.setValue(fields.RowCount(), QStringLiteral("FIELDNAME"), QLatin1String(name));
    }
    // Two lines: with a 30-character table name the condition is longer than one line of 72.
    QString name = table;
    name.replace(QLatin1Char('\''), QStringLiteral("''"));
    RfcTable& options = f->Tables(QStringLiteral("OPTIONS"));
    options.appendrow();
    options.setValue(1, QStringLiteral("TEXT"), QStringLiteral("TABNAME = '%1' AND AS4LOCAL = 'A'").arg(name));
    options.appendrow();
    options.setValue(2, QStringLiteral("TEXT"), QStringLiteral("AND KEYFLAG = 'X'"));
    f->Tables(QStringLiteral("DATA"));
    return f;
}

std::vector<KeyField> KeyFieldsCall::read(RfcFunction& function)
{
    // The answer's FIELDS say which value stands where (newer releases reorder them).
    const RfcTable& fields = function.Tables(QStringLiteral("FIELDS"));
    QStringList order;
    for (int row = 1; row <= fields.RowCount(); ++row) order << fields.Value(row, QStringLiteral("FIELDNAME")).trimmed();
    const RfcTable& data = function.Tables(QStringLiteral("DATA"));
    std::vector<std::pair<int, KeyField>> keys;
    for (int row = 1; row <= data.RowCount(); ++row) {
        const QStringList values = data.Value(row, QStringLiteral("WA")).split(QLatin1Char('|'));
        const auto value = [&](const char* name) {
            const qsizetype i = order.indexOf(QLatin1String(name));
            return i >= 0 && i < values.size() ? values[i].trimmed() : QString();
        };
        KeyField key;
        key.name = value("FIELDNAME");
        // Includes (".INCLUDE") are listed with their own key flag; their fields follow them.
        if (key.name.isEmpty() || key.name.startsWith(QLatin1Char('.')) || value("KEYFLAG") != QLatin1String("X"))
            continue;
        key.length = value("LENG").toInt();
        key.client = value("DATATYPE") == QLatin1String("CLNT");
        keys.emplace_back(value("POSITION").toInt(), key);
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<KeyField> result;
    for (auto& k : keys) result.push_back(std::move(k.second));
    return result;
}

bool GetKeyFields(const QString& tableName, std::vector<KeyField>* keys)
{
    WaitPointer wait;
    if (keys) keys->clear();
    RfcFunction* f = KeyFieldsCall::prepare(sapConnection().functions(), tableName);
    if (!f) return false;
    if (!f->Call()) {
        ui().message(f->exception());
        return false;
    }
    if (keys) *keys = KeyFieldsCall::read(*f);
    return true;
}

int TypeIcon(const QString& type)
{
    if (type.size() != 1) return 3;
    switch (type.front().unicode()) {
    case 'C': return 3;
    case 'N': return 4;
    case 'P': return 5;
    case 'D': return 6;
    case 'T': return 7;
    case 'X': return 8;
    case 'I': return 9;
    case 'F': return 10;
    case 's': return 11;
    default: return 3;
    }
}

QString qualifiedFieldName(const QString& table, const QString& fieldName)
{
    return table.toUpper() + QLatin1Char('-') + fieldName;
}

} // namespace qvor
