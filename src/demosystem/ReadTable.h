#pragma once
// RFC_READ_TABLE as the classic function module answers it (or the newer class, per profile):
// layout of FIELDS, exceptions in their order of checks, and the rows streamed from SQLite
// straight into DATA.
#include "rfc/RfcData.h"

#include <atomic>
#include <chrono>
#include <string>

struct sqlite3;

namespace demo {

class ReadTable {
public:
    static constexpr int LineWidth = 512;   // TAB512-WA

    struct Context {
        sqlite3* db = nullptr;                 // read-only connection
        std::string client;                    // logon client
        std::string user;
        bool portuguese = false;               // logon language picks FIELDTEXT
        bool modern = false;                   // newer-release profile
        std::chrono::milliseconds timeLimit{std::chrono::minutes(10)};
        unsigned shuffleSeed = 0;              // not 0: rows in an order drawn from it (tests)
        const std::atomic<bool>* interrupted = nullptr;   // set: the read ends as if out of time
        const std::atomic<bool>* cancelled = nullptr;     // set by the caller: the read ends
    };

    explicit ReadTable(Context context) : ctx_(std::move(context)) {}

    // The call's tables come back in the result as they were sent (SAP appends to DATA), moved, not copied.
    rfc::FunctionResult run(rfc::FunctionCall call) const;

private:
    Context ctx_;
};

} // namespace demo
