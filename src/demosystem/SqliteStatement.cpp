#include "demosystem/SqliteStatement.h"

#include <sqlite3.h>

#include <stdexcept>

namespace demo {

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : db_(db)
{
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sqlite3_errmsg(db)) + " in " + std::string(sql));
}

std::unique_ptr<SqliteStatement> SqliteStatement::prepare(sqlite3* db, std::string_view sql, std::string& error)
{
    std::unique_ptr<SqliteStatement> statement(new SqliteStatement(db));
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement->stmt_, nullptr) == SQLITE_OK)
        return statement;
    error = sqlite3_errmsg(db);
    return nullptr;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(stmt_);
}

SqliteStatement& SqliteStatement::text(std::string_view value)
{
    sqlite3_bind_text(stmt_, next_++, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::integer(std::int64_t value)
{
    sqlite3_bind_int64(stmt_, next_++, value);
    return *this;
}

SqliteStatement& SqliteStatement::real(double value)
{
    sqlite3_bind_double(stmt_, next_++, value);
    return *this;
}

SqliteStatement& SqliteStatement::blob(const void* data, int size)
{
    sqlite3_bind_blob(stmt_, next_++, data, size, SQLITE_TRANSIENT);
    return *this;
}

SqliteStatement& SqliteStatement::null()
{
    sqlite3_bind_null(stmt_, next_++);
    return *this;
}

void SqliteStatement::insert()
{
    const int rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    next_ = 1;
    if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
}

int SqliteStatement::step() { return sqlite3_step(stmt_); }

void execSql(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : "SQLite error";
        sqlite3_free(message);
        throw std::runtime_error(text + " in " + sql.substr(0, 200));
    }
}

} // namespace demo
