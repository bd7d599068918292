#pragma once
// Turns a parsed condition into SQLite SQL. Every literal becomes a bound parameter, so the text
// of a condition can never become SQL of its own; column names come from the dictionary only.
#include "demosystem/Dictionary.h"
#include "demosystem/WhereTree.h"

#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace demo {

class WhereSql {
public:
    static constexpr const char* LikeFunction = "abap_like";

    // Quotes a dictionary name for SQLite ("/DMO/FLIGHT" -> "\"/DMO/FLIGHT\"").
    static std::string quote(std::string_view name);

    WhereSql(const TableDef& table, const WhereNode& root);

    const std::string& sql() const { return sql_; }
    const std::vector<WhereValue>& values() const { return values_; }

    // Binds the values to ?first, ?first+1, ...; returns the next free index.
    int bind(sqlite3_stmt* stmt, int first) const;

    // Registers abap_like(value, pattern, escape): ABAP LIKE with % and _ over characters,
    // case-sensitive; NULL for a NULL value.
    static bool registerFunctions(sqlite3* db);

    // The matcher behind abap_like, for tests.
    static bool likeMatches(std::string_view value, std::string_view pattern, std::string_view escape);

private:
    void emit(const WhereNode& node);
    void emitValue(const WhereValue& value);
    const TableDef& table_;
    std::string sql_;
    std::vector<WhereValue> values_;
};

} // namespace demo
