#include "SessionRegistry.h"

#include <algorithm>

SessionRegistry::SessionRegistry(std::chrono::seconds idleLimit, std::size_t maxSessions)
    : idleLimit_(idleLimit), maxSessions_(std::max<std::size_t>(maxSessions, 1))
{
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
    random_.seed(seed);
}

bool SessionRegistry::reuse(const std::string& id, const demo::Session& logon)
{
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    dropExpired(now);
    const auto it = sessions_.find(id);
    if (it == sessions_.end()) return false;
    const demo::Session& s = it->second.logon;
    if (s.client != logon.client || s.user != logon.user || s.language != logon.language) return false;
    it->second.lastUse = now;
    return true;
}

SessionRegistry::Opened SessionRegistry::open(const demo::Session& logon)
{
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    dropExpired(now);
    if (sessions_.size() >= maxSessions_) {
        const auto oldest = std::min_element(sessions_.begin(), sessions_.end(), [](const auto& a, const auto& b) {
            return a.second.lastUse < b.second.lastUse;
        });
        sessions_.erase(oldest);
    }
    std::string id = newId();
    while (sessions_.count(id)) id = newId();
    sessions_.emplace(id, Entry{logon, now});
    return Opened{std::move(id), ++opened_};
}

std::size_t SessionRegistry::size() const
{
    std::lock_guard lock(mutex_);
    return sessions_.size();
}

long SessionRegistry::countRead(const std::string& id)
{
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(id);
    return it == sessions_.end() ? 0 : ++it->second.reads;
}

void SessionRegistry::dropExpired(Clock::time_point now)
{
    std::erase_if(sessions_, [&](const auto& entry) { return now - entry.second.lastUse > idleLimit_; });
}

std::string SessionRegistry::newId()
{
    // 162 random bits in cookie-safe characters, about as long as SAP's own ids.
    static constexpr char Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string id;
    for (int part = 0; part < 3; ++part) {
        std::uint64_t bits = random_();
        for (int i = 0; i < 9; ++i, bits >>= 6) id += Digits[bits & 63];
    }
    return id;
}
