#include "demosystem/ReadTable.h"

#include "demosystem/Dictionary.h"
#include "rfc/Utf8.h"
#include "demosystem/ValueFormat.h"
#include "demosystem/WhereParser.h"
#include "demosystem/WhereSql.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <random>

namespace demo {

namespace {

struct Slot {
    const FieldDef* field;
    int offset;
    int width;
    int column = -1;   // result column of the SELECT
};

std::string param(const rfc::FunctionCall& call, const char* name)
{
    const auto it = call.parameters.find(name);
    return it == call.parameters.end() ? std::string() : it->second;
}

std::optional<long long> intParam(const rfc::FunctionCall& call, const char* name)
{
    std::string_view text = rfc::utf8::trimRight(param(call, name));
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return 0;
    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 10) return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 2147483647LL + (negative ? 1 : 0)) return std::nullopt;
    return negative ? -value : value;
}

std::string sixDigits(int value)
{
    std::string s = std::to_string(value);
    return std::string(s.size() < 6 ? 6 - s.size() : 0, '0') + s;
}

rfc::FunctionResult failure(const char* exception, std::string message = {})
{
    rfc::FunctionResult r;
    r.exception = exception;
    r.message = std::move(message);
    return r;
}

struct AuthorizerState {
    const std::string* table;
};

int authorizer(void* data, int action, const char* a1, const char* a2, const char*, const char*)
{
    const auto* state = static_cast<const AuthorizerState*>(data);
    switch (action) {
    case SQLITE_SELECT:
        return SQLITE_OK;
    case SQLITE_READ:
        return a1 && *state->table == a1 ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_FUNCTION:
        return a2 && std::strcmp(a2, WhereSql::LikeFunction) == 0 ? SQLITE_OK : SQLITE_DENY;
    default:
        return SQLITE_DENY;
    }
}

struct Deadline {
    std::chrono::steady_clock::time_point end;
};

int progress(void* data)
{
    return std::chrono::steady_clock::now() > static_cast<const Deadline*>(data)->end ? 1 : 0;
}

} // namespace

rfc::FunctionResult ReadTable::run(const rfc::FunctionCall& call) const
{
    const std::string tableName(rfc::utf8::trimRight(param(call, "QUERY_TABLE")));
    const TableDef* table = Dictionary::instance().table(tableName);

    // Authority first (display authority on the table's authorisation group), then existence.
    if (table && table->authGroup == "SS" && ctx_.user == "AUDITOR") return failure("NOT_AUTHORIZED");
    if (!table) return failure("TABLE_NOT_AVAILABLE");
    if (table->isStructure()) return failure("TABLE_WITHOUT_DATA");

    const bool noData = !rfc::utf8::trimRight(param(call, "NO_DATA")).empty();
    const std::string delimiterParam = param(call, "DELIMITER");
    std::string delimiter;
    if (!delimiterParam.empty() && delimiterParam[0] != ' ')
        delimiter = delimiterParam.substr(0, rfc::utf8::byteOffset(delimiterParam, 1));
    const int gap = delimiter.empty() ? 0 : 1;

    std::vector<std::string> requested;
    if (const auto it = call.tables.find("FIELDS"); it != call.tables.end()) {
        const int c = it->second.columnIndex("FIELDNAME");
        for (const auto& row : it->second.rows)
            requested.emplace_back(c < 0 ? std::string_view() : rfc::utf8::trimRight(row[static_cast<std::size_t>(c)]));
    }

    // Layout.
    std::vector<Slot> slots;
    if (ctx_.modern) {
        std::vector<bool> wanted(table->fields.size(), requested.empty());
        for (const auto& name : requested)
            if (const int i = table->fieldIndex(name); i >= 0) wanted[static_cast<std::size_t>(i)] = true;
        int cursor = 0;
        for (std::size_t i = 0; i < table->fields.size(); ++i) {
            if (!wanted[i]) continue;
            if (!slots.empty()) cursor += gap;
            const int width = format::slotWidth(table->fields[i], true);
            slots.push_back({&table->fields[i], cursor, width});
            cursor += width;
        }
        if (slots.empty()) return failure("TABLE_WITHOUT_DATA");
    } else {
        if (requested.empty())
            for (const auto& f : table->fields) requested.push_back(f.name);
        int cursor = 0;
        for (const auto& name : requested) {
            const FieldDef* f = table->field(name);
            if (!f) return failure("FIELD_NOT_VALID");
            if (cursor != 0) cursor += gap;
            slots.push_back({f, cursor, f->length});
            cursor += f->length;
            if (cursor > LineWidth && !noData) return failure("DATA_BUFFER_EXCEEDED");
        }
    }

    rfc::FunctionResult result;
    for (const auto& [name, t] : call.tables) result.tables[name] = t;
    rfc::Table& fields = result.tables["FIELDS"];
    fields.columns = {"FIELDNAME", "OFFSET", "LENGTH", "TYPE", "FIELDTEXT"};
    fields.rows.clear();
    for (const auto& s : slots) {
        const std::string& text = ctx_.portuguese ? s.field->textPt : s.field->textEn;
        fields.rows.push_back({s.field->name, sixDigits(s.offset), sixDigits(s.field->length),
                               std::string(1, s.field->type),
                               std::string(std::string_view(text).substr(0, rfc::utf8::byteOffset(text, 60)))});
    }
    rfc::Table& data = result.tables["DATA"];
    if (data.columns.empty()) data.columns = {"WA"};
    if (!result.tables.count("OPTIONS")) result.tables["OPTIONS"].columns = {"TEXT"};
    if (noData) return result;

    // The condition.
    std::vector<std::string> optionRows;
    if (const auto it = call.tables.find("OPTIONS"); it != call.tables.end()) {
        const int c = it->second.columnIndex("TEXT");
        for (const auto& row : it->second.rows) optionRows.push_back(c < 0 ? std::string() : row[static_cast<std::size_t>(c)]);
    }
    // Classic releases end a bad condition in a runtime error; we answer as current releases do
    // in both profiles, so a mistyped option does not cost the user the connection.
    const auto badCondition = [&](const std::string& detail) {
        return failure("OPTION_NOT_VALID", "DB_Error" + table->name + ": " + detail);
    };
    const WhereParser::Result where = WhereParser(*table).parse(optionRows);
    if (!where.ok()) return badCondition(where.error);

    const auto rowSkips = intParam(call, "ROWSKIPS");
    const auto rowCount = intParam(call, "ROWCOUNT");
    if (!rowSkips || !rowCount) return failure("SYSTEM_FAILURE", "Runtime error CONVT_NO_NUMBER: ROWSKIPS or ROWCOUNT is not a number");

    // Every field read once, whatever the layout repeats.
    std::vector<const FieldDef*> columns;
    for (auto& s : slots) {
        const auto it = std::find(columns.begin(), columns.end(), s.field);
        s.column = static_cast<int>(it - columns.begin());
        if (it == columns.end()) columns.push_back(s.field);
    }
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < columns.size(); ++i) sql += (i ? ", " : "") + WhereSql::quote(columns[i]->name);
    sql += " FROM " + WhereSql::quote(table->name) + " WHERE 1";
    if (table->clientDependent()) sql += " AND " + WhereSql::quote(table->fields.front().name) + " = ?";
    std::optional<WhereSql> condition;
    if (where.root) {
        condition.emplace(*table, *where.root);
        sql += " AND " + condition->sql();
    }
    sql += " ORDER BY ";
    bool firstKey = true;
    for (const FieldDef* k : table->keyFields()) {
        sql += (firstKey ? "" : ", ") + WhereSql::quote(k->name);
        firstKey = false;
    }
    sql += " LIMIT ? OFFSET ?";

    AuthorizerState auth{&table->name};
    sqlite3_set_authorizer(ctx_.db, authorizer, &auth);
    sqlite3_stmt* stmt = nullptr;
    const int prepared = sqlite3_prepare_v2(ctx_.db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
    sqlite3_set_authorizer(ctx_.db, nullptr, nullptr);
    if (prepared != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return badCondition(sqlite3_errmsg(ctx_.db));
    }
    int index = 1;
    if (table->clientDependent()) sqlite3_bind_text(stmt, index++, ctx_.client.data(), static_cast<int>(ctx_.client.size()), SQLITE_TRANSIENT);
    if (condition) index = condition->bind(stmt, index);
    sqlite3_bind_int64(stmt, index++, *rowCount > 0 ? *rowCount : -1);
    sqlite3_bind_int64(stmt, index++, *rowSkips > 0 ? *rowSkips : 0);

    int width = 0;
    for (const auto& s : slots) width = std::max(width, s.offset + s.width);
    const bool tooWide = width > LineWidth;   // newer releases fail only once a row is converted

    Deadline deadline{std::chrono::steady_clock::now() + ctx_.timeLimit};
    sqlite3_progress_handler(ctx_.db, 1000, progress, &deadline);
    // Each line is built in one scratch buffer and stored at its exact size: the rows of a big
    // read are most of the memory, so no line may keep spare capacity.
    std::string scratch;
    scratch.reserve(static_cast<std::size_t>(width) * 2);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (tooWide) {
            sqlite3_finalize(stmt);
            sqlite3_progress_handler(ctx_.db, 0, nullptr, nullptr);
            return failure("DATA_BUFFER_EXCEEDED");
        }
        scratch.clear();
        for (std::size_t i = 0; i < slots.size(); ++i) {
            if (i > 0) scratch += delimiter;
            format::appendSlot(scratch, *slots[i].field, stmt, slots[i].column, ctx_.modern);
        }
        data.rows.emplace_back(1).front().assign(scratch.data(), scratch.size());
    }
    sqlite3_progress_handler(ctx_.db, 0, nullptr, nullptr);
    const bool interrupted = rc == SQLITE_INTERRUPT;
    const std::string error = sqlite3_errmsg(ctx_.db);
    sqlite3_finalize(stmt);
    if (interrupted) return failure("SYSTEM_FAILURE", "TIME_OUT");
    if (rc != SQLITE_DONE) return badCondition(error);
    if (ctx_.shuffleSeed != 0) {
        std::vector<std::string> lines;
        for (const auto& row : data.rows) lines.push_back(row.front());
        std::shuffle(lines.begin(), lines.end(), std::mt19937(ctx_.shuffleSeed));
        data.rows.clear();
        for (auto& l : lines) data.rows.emplace_back(1).front() = std::move(l);
    }
    return result;
}

} // namespace demo
