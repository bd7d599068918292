#pragma once
// The HTTP security sessions of the server, as SAP's ICF keeps them: a random id sent to the client
// in the cookie SAP_SESSIONID_<SID>_<client>, found again when the client sends the cookie back.
// Sessions end after half an hour without a request; the oldest go first when too many are open.
// Thread-safe.
#include "demosystem/DemoSystem.h"

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>

class SessionRegistry {
public:
    using Clock = std::chrono::steady_clock;

    explicit SessionRegistry(std::chrono::seconds idleLimit = std::chrono::minutes(30), std::size_t maxSessions = 1000);

    struct Opened {
        std::string id;
        long number = 0;   // 1 for the first session since the start, and so on
    };

    // The session with this id when it is still alive and belongs to the same logon
    // (client, user and language); it counts as used now.
    bool reuse(const std::string& id, const demo::Session& logon);
    Opened open(const demo::Session& logon);

    std::size_t size() const;
    // Counts one more read of the session and gives the count (0 for a session that is gone).
    long countRead(const std::string& id);

private:
    struct Entry {
        demo::Session logon;
        Clock::time_point lastUse;
        long reads = 0;
    };
    void dropExpired(Clock::time_point now);
    std::string newId();

    const std::chrono::seconds idleLimit_;
    const std::size_t maxSessions_;
    mutable std::mutex mutex_;
    std::map<std::string, Entry> sessions_;
    long opened_ = 0;
    std::mt19937_64 random_;
};
