#include "demosystem/ReadTable.h"

#include "demosystem/Dictionary.h"
#include "demosystem/SqliteStatement.h"
#include "demosystem/ValueFormat.h"
#include "demosystem/WhereParser.h"
#include "demosystem/WhereSql.h"
#include "rfc/Utf8.h"

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
    const std::string raw = param(call, name);   // the view below must not outlive it
    std::string_view text = rfc::utf8::trimRight(raw);
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
    const std::atomic<bool>* interrupted;
    const std::atomic<bool>* cancelled;
};

int progress(void* data)
{
    const auto* deadline = static_cast<const Deadline*>(data);
    if (deadline->interrupted && deadline->interrupted->load()) return 1;
    if (deadline->cancelled && deadline->cancelled->load(std::memory_order_relaxed)) return 1;
    return std::chrono::steady_clock::now() > deadline->end ? 1 : 0;
}

// Authority first (display authority on the table's authorization group), then existence.
const char* refusal(const TableDef* table, const std::string& user)
{
    if (table && Dictionary::instance().refuses(user, table->authGroup)) return "NOT_AUTHORIZED";
    if (!table) return "TABLE_NOT_AVAILABLE";
    if (table->isStructure()) return "TABLE_WITHOUT_DATA";
    return nullptr;
}

// One value per row of a call's table, from the named column (empty rows where it is missing).
std::vector<std::string> columnValues(const rfc::FunctionCall& call, const char* table, const char* column)
{
    std::vector<std::string> values;
    if (const auto it = call.tables.find(table); it != call.tables.end()) {
        const int c = it->second.columnIndex(column);
        for (const auto& row : it->second.rows) values.push_back(c < 0 ? std::string() : row[static_cast<std::size_t>(c)]);
    }
    return values;
}

std::string delimiterOf(const rfc::FunctionCall& call)
{
    const std::string given = param(call, "DELIMITER");
    if (given.empty() || given[0] == ' ') return {};
    return given.substr(0, rfc::utf8::byteOffset(given, 1));
}

struct Layout {
    std::vector<Slot> slots;
    const char* exception = nullptr;
    int width() const
    {
        int w = 0;
        for (const auto& s : slots) w = std::max(w, s.offset + s.width);
        return w;
    }
};

// Newer releases take the requested fields in dictionary order, skip unknown names and size the
// slots by output length; classic ones keep the request's order and fail on the first bad name.
Layout layOut(const TableDef& table, std::vector<std::string> requested, int gap, bool modern, bool noData)
{
    for (auto& name : requested) name = std::string(rfc::utf8::trimRight(name));
    Layout layout;
    int cursor = 0;
    if (modern) {
        std::vector<bool> wanted(table.fields.size(), requested.empty());
        for (const auto& name : requested)
            if (const int i = table.fieldIndex(name); i >= 0) wanted[static_cast<std::size_t>(i)] = true;
        for (std::size_t i = 0; i < table.fields.size(); ++i) {
            if (!wanted[i]) continue;
            if (!layout.slots.empty()) cursor += gap;
            const int width = format::slotWidth(table.fields[i], true);
            layout.slots.push_back({&table.fields[i], cursor, width});
            cursor += width;
        }
        if (layout.slots.empty()) layout.exception = "TABLE_WITHOUT_DATA";
        return layout;
    }
    if (requested.empty())
        for (const auto& f : table.fields) requested.push_back(f.name);
    for (const auto& name : requested) {
        const FieldDef* f = table.field(name);
        if (!f) {
            layout.exception = "FIELD_NOT_VALID";
            return layout;
        }
        if (cursor != 0) cursor += gap;
        layout.slots.push_back({f, cursor, f->length});
        cursor += f->length;
        if (cursor > ReadTable::LineWidth && !noData) {
            layout.exception = "DATA_BUFFER_EXCEEDED";
            return layout;
        }
    }
    return layout;
}

// The answer's tables: those of the call (moved, they may be large), FIELDS described from the layout, DATA and OPTIONS there.
rfc::FunctionResult answerTables(std::map<std::string, rfc::Table> callTables, const std::vector<Slot>& slots, bool portuguese)
{
    rfc::FunctionResult result;
    result.tables = std::move(callTables);
    rfc::Table& fields = result.tables["FIELDS"];
    fields.columns = {"FIELDNAME", "OFFSET", "LENGTH", "TYPE", "FIELDTEXT"};
    fields.rows.clear();
    for (const auto& s : slots) {
        const std::string& text = portuguese ? s.field->textPt : s.field->textEn;
        fields.rows.push_back({s.field->name, sixDigits(s.offset), sixDigits(s.field->length),
                               std::string(1, s.field->type),
                               std::string(std::string_view(text).substr(0, rfc::utf8::byteOffset(text, 60)))});
    }
    rfc::Table& data = result.tables["DATA"];
    if (data.columns.empty()) data.columns = {"WA"};
    if (!result.tables.count("OPTIONS")) result.tables["OPTIONS"].columns = {"TEXT"};
    return result;
}

struct Query {
    std::string sql;
    std::optional<WhereSql> condition;
};

// The SELECT in key order; every field read once, whatever the layout repeats (slots learn their
// result column). Parameters: the client, the condition's values, LIMIT and OFFSET.
Query selectQuery(const TableDef& table, std::vector<Slot>& slots, const WhereNode* where)
{
    std::vector<const FieldDef*> columns;
    for (auto& s : slots) {
        const auto it = std::find(columns.begin(), columns.end(), s.field);
        s.column = static_cast<int>(it - columns.begin());
        if (it == columns.end()) columns.push_back(s.field);
    }
    Query q;
    q.sql = "SELECT ";
    for (std::size_t i = 0; i < columns.size(); ++i) q.sql += (i ? ", " : "") + WhereSql::quote(columns[i]->name);
    q.sql += " FROM " + WhereSql::quote(table.name) + " WHERE 1";
    if (table.clientDependent()) q.sql += " AND " + WhereSql::quote(table.fields.front().name) + " = ?";
    if (where) {
        q.condition.emplace(table, *where);
        q.sql += " AND " + q.condition->sql();
    }
    q.sql += " ORDER BY ";
    bool firstKey = true;
    for (const FieldDef* k : table.keyFields()) {
        q.sql += (firstKey ? "" : ", ") + WhereSql::quote(k->name);
        firstKey = false;
    }
    q.sql += " LIMIT ? OFFSET ?";
    return q;
}

// Prepared with an authorizer that lets the statement read this one table and call our LIKE only.
std::unique_ptr<SqliteStatement> prepareConfined(sqlite3* db, const Query& q, const std::string& tableName,
                                                 std::string& error)
{
    AuthorizerState auth{&tableName};
    sqlite3_set_authorizer(db, authorizer, &auth);
    auto statement = SqliteStatement::prepare(db, q.sql, error);
    sqlite3_set_authorizer(db, nullptr, nullptr);
    return statement;
}

void shuffleRows(rfc::Table& data, unsigned seed)
{
    std::vector<std::string> lines;
    for (const auto& row : data.rows) lines.push_back(row.front());
    std::shuffle(lines.begin(), lines.end(), std::mt19937(seed));
    data.rows.clear();
    for (auto& l : lines) data.rows.emplace_back(1).front() = std::move(l);
}

// Steps the query into DATA, one line per row; nullptr when all went well, else the exception
// (with SQLite's message in error for OPTION_NOT_VALID, "TIME_OUT" for SYSTEM_FAILURE).
const char* readRows(const ReadTable::Context& ctx, SqliteStatement& statement, const Layout& layout,
                     const std::string& delimiter, rfc::Table& data, std::string& error)
{
    const int width = layout.width();
    const bool tooWide = width > ReadTable::LineWidth;   // newer releases fail only once a row is converted
    Deadline deadline{std::chrono::steady_clock::now() + ctx.timeLimit, ctx.interrupted, ctx.cancelled};
    sqlite3_progress_handler(ctx.db, 1000, progress, &deadline);
    // Each line is built in one scratch buffer and stored at its exact size: the rows of a big
    // read are most of the memory, so no line may keep spare capacity.
    std::string scratch;
    scratch.reserve(static_cast<std::size_t>(width) * 2);
    int rc;
    while ((rc = statement.step()) == SQLITE_ROW && !tooWide) {
        scratch.clear();
        for (std::size_t i = 0; i < layout.slots.size(); ++i) {
            if (i > 0) scratch += delimiter;
            const Slot& slot = layout.slots[i];
            format::appendSlot(scratch, *slot.field, statement.handle(), slot.column, ctx.modern);
        }
        data.rows.emplace_back(1).front().assign(scratch.data(), scratch.size());
    }
    sqlite3_progress_handler(ctx.db, 0, nullptr, nullptr);
    error.clear();
    if (rc == SQLITE_ROW) return "DATA_BUFFER_EXCEEDED";
    if (rc == SQLITE_INTERRUPT) {
        error = ctx.cancelled && ctx.cancelled->load() ? "The call was cancelled" : "TIME_OUT";
        return "SYSTEM_FAILURE";
    }
    if (rc != SQLITE_DONE) {
        error = sqlite3_errmsg(ctx.db);
        return "OPTION_NOT_VALID";
    }
    return nullptr;
}

} // namespace

rfc::FunctionResult ReadTable::run(rfc::FunctionCall call) const
{
    const std::string tableName(rfc::utf8::trimRight(param(call, "QUERY_TABLE")));
    const TableDef* table = Dictionary::instance().table(tableName);
    if (const char* exception = refusal(table, ctx_.user)) return failure(exception);

    const bool noData = !rfc::utf8::trimRight(param(call, "NO_DATA")).empty();
    const std::string delimiter = delimiterOf(call);
    Layout layout = layOut(*table, columnValues(call, "FIELDS", "FIELDNAME"), delimiter.empty() ? 0 : 1, ctx_.modern, noData);
    if (layout.exception) return failure(layout.exception);

    std::vector<std::string> optionRows = columnValues(call, "OPTIONS", "TEXT");
    rfc::FunctionResult result = answerTables(std::move(call.tables), layout.slots, ctx_.portuguese);
    if (noData) return result;

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

    const Query query = selectQuery(*table, layout.slots, where.root.get());
    std::string error;
    const auto statement = prepareConfined(ctx_.db, query, table->name, error);
    if (!statement) return badCondition(error);
    if (table->clientDependent()) statement->text(ctx_.client);
    if (query.condition) statement->continueAt(query.condition->bind(statement->handle(), statement->nextParameter()));
    statement->integer(*rowCount > 0 ? *rowCount : -1).integer(*rowSkips > 0 ? *rowSkips : 0);

    rfc::Table& data = result.tables["DATA"];
    if (const char* exception = readRows(ctx_, *statement, layout, delimiter, data, error))
        return exception == std::string_view("OPTION_NOT_VALID") ? badCondition(error) : failure(exception, error);
    if (ctx_.shuffleSeed != 0) shuffleRows(data, ctx_.shuffleSeed);
    return result;
}

} // namespace demo
