#include "tableaccess/FieldCatalogue.h"

#include "sap/FunctionsComponent.h"
#include "sap/SapConnection.h"
#include "tableaccess/DictionaryRead.h"
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
    RfcFunction* f = prepareFieldsCall(sapConnection().functions(), tableName);
    if (!f) return false;
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

RfcFunction* prepareFieldsCall(FunctionsComponent* component, const QString& tableName)
{
    if (!component) return nullptr;
    component->RemoveAll();
    RfcFunction* f = component->Add(QStringLiteral("RFC_READ_TABLE"));
    if (!f) return nullptr;
    f->Exports(QStringLiteral("QUERY_TABLE")).setValue(tableName);
    f->Exports(QStringLiteral("NO_DATA")).setValue(QStringLiteral("x"));
    f->Tables(QStringLiteral("FIELDS"));
    return f;
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

namespace {
const QStringList KeyColumns{QStringLiteral("FIELDNAME"), QStringLiteral("POSITION"), QStringLiteral("KEYFLAG"),
                             QStringLiteral("LENG"), QStringLiteral("DATATYPE")};
} // namespace

RfcFunction* KeyFieldsCall::prepare(FunctionsComponent* component, const QString& table)
{
    return DictionaryRead::prepare(component, QStringLiteral("DD03L"), KeyColumns,
                                   DictionaryRead::conditionLines({QStringLiteral("TABNAME = ") + DictionaryRead::literal(table),
                                                                   QStringLiteral("AND AS4LOCAL = 'A'"),
                                                                   QStringLiteral("AND KEYFLAG = 'X'")}));
}

std::vector<KeyField> KeyFieldsCall::read(RfcFunction& function)
{
    std::vector<std::pair<int, KeyField>> keys;
    for (const QStringList& row : DictionaryRead::rows(function, KeyColumns)) {
        KeyField key;
        key.name = row[0];
        // Includes (".INCLUDE") are listed with their own key flag; their fields follow them.
        if (key.name.isEmpty() || key.name.startsWith(QLatin1Char('.')) || row[2] != QLatin1String("X")) continue;
        key.length = row[3].toInt();
        key.client = row[4] == QLatin1String("CLNT");
        keys.emplace_back(row[1].toInt(), key);
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
