#include "demosystem/DemoSystem.h"

#include "demosystem/DataGenerator.h"
#include "demosystem/ReadTable.h"
#include "demosystem/SqliteStatement.h"
#include "demosystem/SystemInfo.h"
#include "rfc/Utf8.h"
#include "demosystem/WhereSql.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

namespace demo {

namespace {

// Bumped whenever the dictionary or the generator changes the stored rows.
constexpr int DatabaseFormat = 2;

struct Account {
    const char* user;
    const char* password;
};
constexpr Account accounts[] = {{"DEMO", "demo"}, {"AUDITOR", "audit"}};

std::string upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool knownUser(const std::string& user)
{
    for (const auto& a : accounts)
        if (upper(user) == a.user) return true;
    return false;
}

struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close_v2(db); }
};

bool openConnection(Connection& c, const std::string& name, int flags, std::string* error)
{
    if (sqlite3_open_v2(name.c_str(), &c.db, flags | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        if (error) *error = "Cannot open the demo database " + name + ": " + (c.db ? sqlite3_errmsg(c.db) : "out of memory");
        return false;
    }
    return true;
}

int userVersion(sqlite3* db)
{
    sqlite3_stmt* stmt = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        version = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return version;
}

void generate(sqlite3* db, int scale)
{
    execSql(db, "PRAGMA journal_mode = OFF");
    execSql(db, "PRAGMA synchronous = OFF");
    DataGenerator(db, scale).run();
    execSql(db, "PRAGMA user_version = " + std::to_string(DatabaseFormat * 1000 + (scale > 999 ? 999 : scale)));
}

// Generates into a temporary file beside the target and renames it into place when complete,
// so an interrupted generation never leaves a half database under the real name.
bool generateFile(const std::string& path, int scale, std::string* error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    const std::string temp = path + ".part-" + std::to_string(getpid());
    fs::remove(temp, ec);
    try {
        Connection c;
        if (!openConnection(c, temp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error)) {
            fs::remove(temp, ec);
            return false;
        }
        execSql(c.db, "PRAGMA page_size = 8192");
        generate(c.db, scale);
    } catch (const std::exception& e) {
        fs::remove(temp, ec);
        if (error) *error = "Cannot generate the demo database " + path + ": " + e.what();
        return false;
    }
    fs::rename(temp, target, ec);
    if (ec) {
        const std::string why = ec.message();   // before the clean-up reuses ec
        fs::remove(temp, ec);
        if (error) *error = "Cannot create the demo database " + path + ": " + why;
        return false;
    }
    return true;
}

// A read-only connection with the defences every read runs under.
bool openReader(Connection& c, const std::string& name, std::string* error)
{
    if (!openConnection(c, name, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, error)) return false;
    sqlite3_db_config(c.db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(c.db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_exec(c.db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    if (!WhereSql::registerFunctions(c.db)) {
        if (error) *error = "Cannot prepare the demo database connection";
        return false;
    }
    return true;
}

class DemoSystemImpl final : public DemoSystem {
public:
    // Readers are handed out one per running call, so calls of different sessions read at the
    // same time; a reader is used by one thread at a time, so SQLite's own locking is only
    // overhead on a million-row read.
    class ReaderLease {
    public:
        ReaderLease(DemoSystemImpl& system, std::unique_ptr<Connection> reader)
            : system_(system), reader_(std::move(reader)) {}
        ~ReaderLease()
        {
            if (!reader_) return;
            std::lock_guard lock(system_.mutex_);
            system_.idleReaders_.push_back(std::move(reader_));
        }
        sqlite3* db() const { return reader_ ? reader_->db : nullptr; }

    private:
        DemoSystemImpl& system_;
        std::unique_ptr<Connection> reader_;
    };

    Identity identity_;
    Connection writer_;   // keeps an in-memory database alive
    std::string readerName_;
    std::vector<std::unique_ptr<Connection>> idleReaders_;
    std::atomic<Profile> profile_{Profile::Classic};
    std::mutex mutex_;

    ReaderLease lease(std::string* error)
    {
        {
            std::lock_guard lock(mutex_);
            if (!idleReaders_.empty()) {
                auto reader = std::move(idleReaders_.back());
                idleReaders_.pop_back();
                return ReaderLease(*this, std::move(reader));
            }
        }
        auto reader = std::make_unique<Connection>();
        if (!openReader(*reader, readerName_, error)) reader.reset();
        return ReaderLease(*this, std::move(reader));
    }

    const Identity& identity() const override { return identity_; }

    std::string logon(const Session& session, const std::string& password) const override
    {
        if (session.client != identity_.client) return "Client " + session.client + " is not available in this system";
        if (session.user.empty()) return "Enter a user name";
        const std::string language = upper(session.language);
        static const char* const installed[] = {"", "E", "EN", "P", "PT", "D", "DE"};
        bool known = false;
        for (const char* l : installed) known = known || language == l;
        if (!known) return "Language " + session.language + " is not installed in this system";
        for (const auto& a : accounts)
            if (upper(session.user) == a.user && password == a.password) return {};
        return "Name or password is incorrect (repeat logon)";
    }

    rfc::FunctionResult call(const Session& session, rfc::FunctionCall call,
                             const std::atomic<bool>* cancelled) override
    {
        const auto stopped = [cancelled] { return cancelled && cancelled->load(); };
        // The delay waits in short steps, so a cancel ends it soon.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs_.load());
        while (std::chrono::steady_clock::now() < until && !stopped())
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                std::chrono::milliseconds(5), until - std::chrono::steady_clock::now()));
        if (stopped()) {
            rfc::FunctionResult r;
            r.exception = "SYSTEM_FAILURE";
            r.message = "The call was cancelled";
            return r;
        }
        rfc::FunctionResult failure;
        if (interrupted_) {
            failure.exception = "SYSTEM_FAILURE";
            failure.message = "TIME_OUT";
            return failure;
        }
        if (failNext_.exchange(false)) {
            failure.exception = "SYSTEM_FAILURE";
            failure.message = "Connection to the demo system was reset";
            return failure;
        }
        if (session.client != identity_.client || !knownUser(session.user)) {
            failure.exception = "SYSTEM_FAILURE";
            failure.message = "User is not logged on";
            return failure;
        }
        if (session.language.empty()) {
            failure.exception = "SYSTEM_FAILURE";
            failure.message = "No logon language";
            return failure;
        }
        if (call.name == "RFC_READ_TABLE") {
            // Reading the catalogue (NO_DATA) works: only the rows are out of reach.
            const auto table = call.parameters.find("QUERY_TABLE");
            const auto noData = call.parameters.find("NO_DATA");
            const bool rows = noData == call.parameters.end() || rfc::utf8::trimRight(noData->second).empty();
            if (rows && table != call.parameters.end() && failsTable(upper(std::string(rfc::utf8::trimRight(table->second))))) {
                failure.exception = "SYSTEM_FAILURE";
                failure.message = "Runtime error DBIF_RSQL_SQL_ERROR: the database could not read " + table->second;
                return failure;
            }
            std::string error;
            const ReaderLease reader = lease(&error);
            if (!reader.db()) {
                failure.exception = "SYSTEM_FAILURE";
                failure.message = error;
                return failure;
            }
            ReadTable::Context context;
            context.db = reader.db();
            context.client = session.client;
            context.user = upper(session.user);
            const std::string language = upper(session.language);
            context.portuguese = language == "PT" || language == "P";
            context.modern = profile_ == Profile::ModernRelease;
            context.timeLimit = std::chrono::milliseconds(timeLimitMs_.load());
            if (const unsigned seed = shuffleSeed_.load()) context.shuffleSeed = seed + 7919u * ++reads_;
            context.interrupted = &interrupted_;
            context.cancelled = cancelled;
            return ReadTable(std::move(context)).run(std::move(call));
        }
        if (call.name == "RFC_SYSTEM_INFO") return SystemInfo::run(identity_);
        failure.exception = "FU_NOT_FOUND";
        return failure;
    }

    void setProfile(Profile profile) override { profile_ = profile; }
};

std::atomic<int> memoryCounter{0};

} // namespace

std::unique_ptr<DemoSystem> DemoSystem::open(const Options& options, std::string* error)
{
    auto system = std::make_unique<DemoSystemImpl>();
    system->identity_.host = SystemInfo::hostName();
    system->profile_ = options.profile;
    const int scale = options.scale < 1 ? 1 : options.scale;
    std::string readerName;
    if (options.databasePath.empty()) {
        readerName = "file:/qvor-demo-" + std::to_string(getpid()) + "-" + std::to_string(++memoryCounter) + "?vfs=memdb";
        if (!openConnection(system->writer_, readerName, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error)) return nullptr;
        try {
            generate(system->writer_.db, scale);
        } catch (const std::exception& e) {
            if (error) *error = std::string("Cannot generate the demo database: ") + e.what();
            return nullptr;
        }
    } else {
        readerName = options.databasePath;
        // Opening a FIFO would wait for a writer for good; a folder cannot be replaced.
        std::error_code ec;
        const auto type = std::filesystem::status(readerName, ec).type();
        if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::regular) {
            if (error)
                *error = ec ? "Cannot read the demo database " + readerName + ": " + ec.message()
                            : "The demo database " + readerName + " is not a regular file";
            return nullptr;
        }
        bool usable = type == std::filesystem::file_type::regular;
        if (usable) {
            Connection probe;
            usable = openConnection(probe, readerName, SQLITE_OPEN_READONLY, nullptr)
                && userVersion(probe.db) == DatabaseFormat * 1000 + (scale > 999 ? 999 : scale);
        }
        if (!usable && !generateFile(readerName, scale, error)) return nullptr;
    }
    // One reader now, so a database that cannot be read fails here and not at the first call.
    auto first = std::make_unique<Connection>();
    if (!openReader(*first, readerName, error)) return nullptr;
    system->readerName_ = readerName;
    system->idleReaders_.push_back(std::move(first));
    return system;
}

std::string defaultDatabasePath(int scale)
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) base = std::string(home) + "/.local/share";
    else base = ".";
    return base + "/Qvor/demo-scale" + std::to_string(scale < 1 ? 1 : scale) + ".sqlite";
}

std::string defaultDatabasePath()
{
    return defaultDatabasePath(1);
}

} // namespace demo
