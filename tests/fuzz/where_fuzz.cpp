// libFuzzer target: OPTIONS rows -> WHERE tree -> SQLite SQL. Every condition the parser accepts
// must translate into SQL that SQLite prepares and runs; nothing may crash or leak.
#include "demosystem/DataGenerator.h"
#include "demosystem/Dictionary.h"
#include "demosystem/WhereParser.h"
#include "demosystem/WhereSql.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

sqlite3* db = nullptr;
const char* const tables[] = {"SCARR", "SPFLI", "KNA1", "MARA", "BSEG", "/DMO/FLIGHT", "USR02", "T000"};

void exec(const std::string& sql)
{
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "setup failed: %s\n%s\n", sqlite3_errmsg(db), sql.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    sqlite3_open(":memory:", &db);
    for (const char* name : tables) {
        const demo::TableDef* t = demo::Dictionary::instance().table(name);
        exec(demo::DataGenerator::createTableSql(*t));
        // A few rows of defaults and one with NULLs, so conditions are evaluated, not just prepared.
        const std::string quoted = demo::WhereSql::quote(name);
        const std::string key = demo::WhereSql::quote(t->fields.front().name);
        for (const char* v : {"'001'", "'AB'", "'Z%_'"}) exec("INSERT INTO " + quoted + " (" + key + ") VALUES (" + v + ")");
    }
    demo::WhereSql::registerFunctions(db);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const demo::TableDef* table = demo::Dictionary::instance().table(tables[data[0] % 8]);
    std::vector<std::string> rows(1);
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == '\n') rows.emplace_back();
        else rows.back() += static_cast<char>(data[i]);
    }
    const auto parsed = demo::WhereParser(*table).parse(rows);
    if (!parsed.ok()) {
        if (parsed.root) std::abort();   // an error never comes with a tree
        return 0;
    }
    if (!parsed.root) return 0;
    const demo::WhereSql where(*table, *parsed.root);
    const std::string sql = "SELECT count(*) FROM " + demo::WhereSql::quote(table->name) + " WHERE " + where.sql();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "accepted condition gave bad SQL: %s\n%s\n", sqlite3_errmsg(db), sql.c_str());
        std::abort();
    }
    where.bind(stmt, 1);
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW) {
        std::fprintf(stderr, "accepted condition failed to run: %s\n%s\n", sqlite3_errmsg(db), sql.c_str());
        std::abort();
    }
    return 0;
}
