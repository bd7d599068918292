#pragma once
// The embedded demo SAP system: a small, real SAP-like system with a data dictionary and
// deterministic rows in SQLite, answering RFC_READ_TABLE and RFC_SYSTEM_INFO as SAP does.
// Plain C++; calls may come from any thread at the same time, each reading on a connection of its own.
#include "rfc/RfcData.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

namespace demo {

enum class Profile { Classic, ModernRelease };

struct Options {
    std::string databasePath;   // empty: an in-memory database (tests)
    int scale = 1;              // multiplies the row counts (scale 100: about a million BSEG rows)
    Profile profile = Profile::Classic;
};

struct Identity {
    std::string systemEntry = "DEMO";   // the name of the system entry in the logon dialog
    std::string sid = "DEM";
    std::string client = "001";
    std::string systemNumber = "00";
    std::string host;                   // the machine's host name
    std::string release = "750";
};

// One logged-on user; calls run with its client, language and authorisations.
struct Session {
    std::string client;
    std::string user;
    std::string language;   // one- or two-letter logon language, e.g. "EN", "PT"
};

class DemoSystem {
public:
    // Opens the database, generating it first when the file does not exist yet. Returns null
    // and sets error on failure.
    static std::unique_ptr<DemoSystem> open(const Options& options, std::string* error);
    virtual ~DemoSystem() = default;

    virtual const Identity& identity() const = 0;

    // Empty on success; otherwise the reason the logon was refused, as a user reads it.
    virtual std::string logon(const Session& session, const std::string& password) const = 0;

    // Runs one remote function for a logged-on session: RFC_READ_TABLE or RFC_SYSTEM_INFO; any
    // other name gives the exception FU_NOT_FOUND. DATA lines come back as wide as the FIELDS
    // layout (not padded to 512), the same width a SOAP answer has after padding. The call's tables
    // are moved into the result (SAP answers them back), so a caller that has no more use for them
    // passes them by std::move.
    // Setting *cancelled while the call runs ends it soon after, with SYSTEM_FAILURE.
    virtual rfc::FunctionResult call(const Session& session, rfc::FunctionCall call,
                                     const std::atomic<bool>* cancelled = nullptr) = 0;

    virtual void setProfile(Profile profile) = 0;

    // Fault hooks for tests: the next call answers SYSTEM_FAILURE; every read of one table's rows
    // does; every call waits first.
    void failNextCall() { failNext_ = true; }
    void failCallsOf(const std::string& table)
    {
        std::lock_guard lock(failingMutex_);
        failingTable_ = table;
    }
    void setCallDelay(std::chrono::milliseconds delay) { delayMs_ = static_cast<int>(delay.count()); }
    // The work-process time limit of one call; a longer read ends in SYSTEM_FAILURE "TIME_OUT".
    void setTimeLimit(std::chrono::milliseconds limit) { timeLimitMs_ = static_cast<long long>(limit.count()); }
    // For tests of joins that must not rely on row order: with a seed other than 0, every read
    // returns its rows in an order of its own (drawn from the seed and a count of the reads)
    // instead of key order. Meant for small tables: the rows are gathered in memory first.
    void shuffleRows(unsigned seed) { shuffleSeed_ = seed; }

    // From any thread: the read running now ends soon with SYSTEM_FAILURE "TIME_OUT", and every later
    // call fails at once (a server that is stopping).
    void interrupt() { interrupted_ = true; }

protected:
    std::atomic<bool> interrupted_{false};
    bool failsTable(const std::string& table) const
    {
        std::lock_guard lock(failingMutex_);
        return !failingTable_.empty() && failingTable_ == table;
    }
    std::atomic<bool> failNext_{false};
    mutable std::mutex failingMutex_;
    std::string failingTable_;
    std::atomic<int> delayMs_{0};
    std::atomic<long long> timeLimitMs_{10 * 60 * 1000};
    std::atomic<unsigned> shuffleSeed_{0};
    std::atomic<unsigned> reads_{0};
};

// The per-user database file the program uses (generated on first use):
// $XDG_DATA_HOME (or ~/.local/share)/Qvor/demo-scale<scale>.sqlite.
std::string defaultDatabasePath();
std::string defaultDatabasePath(int scale);

} // namespace demo
