#pragma once
// A prepared SQLite statement that finalizes itself, with positional binding for bulk inserts:
// each bind call takes the next parameter, insert() runs the statement and starts over.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace demo {

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);   // throws std::runtime_error
    // Null with SQLite's message in error when the statement does not prepare.
    static std::unique_ptr<SqliteStatement> prepare(sqlite3* db, std::string_view sql, std::string& error);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    sqlite3_stmt* handle() const { return stmt_; }

    SqliteStatement& text(std::string_view value);
    SqliteStatement& integer(std::int64_t value);
    SqliteStatement& real(double value);
    SqliteStatement& blob(const void* data, int size);
    SqliteStatement& null();

    // Parameters bound through handle() by others: binding goes on after them.
    SqliteStatement& continueAt(int parameter)
    {
        next_ = parameter;
        return *this;
    }
    int nextParameter() const { return next_; }

    // Runs the statement once with the values bound so far, then resets it for the next row.
    void insert();
    // One step of a query: SQLITE_ROW, SQLITE_DONE or an error code.
    int step();

private:
    explicit SqliteStatement(sqlite3* db) : db_(db) {}
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    int next_ = 1;
};

// Runs SQL without results; throws std::runtime_error with SQLite's message on failure.
void execSql(sqlite3* db, const std::string& sql);

} // namespace demo
