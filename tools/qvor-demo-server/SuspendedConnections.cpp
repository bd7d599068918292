#include "SuspendedConnections.h"

#include <microhttpd.h>

SuspendedConnections::SuspendedConnections() : timer_([this] { runTimer(); }) {}

SuspendedConnections::~SuspendedConnections()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    timer_.join();
}

// libmicrohttpd is called under the lock in both directions, so a resume can never reach a connection
// before its suspension is complete, nor after resumeAll() has let the daemon close it.
SuspendedConnections::Ticket SuspendedConnections::suspend(MHD_Connection* connection)
{
    std::lock_guard lock(mutex_);
    if (closed_) return 0;
    MHD_suspend_connection(connection);
    suspended_.emplace(++last_, connection);
    return last_;
}

SuspendedConnections::Ticket SuspendedConnections::suspendUntil(MHD_Connection* connection, Clock::time_point when)
{
    std::lock_guard lock(mutex_);
    if (closed_) return 0;
    MHD_suspend_connection(connection);
    suspended_.emplace(++last_, connection);
    const bool first = timers_.empty() || when < timers_.begin()->first;
    timers_.emplace(when, last_);
    if (first) wake_.notify_all();
    return last_;
}

void SuspendedConnections::resume(Ticket ticket)
{
    std::lock_guard lock(mutex_);
    const auto it = suspended_.find(ticket);
    if (it == suspended_.end()) return;
    MHD_resume_connection(it->second);
    suspended_.erase(it);
}

void SuspendedConnections::resumeAll()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (const auto& [ticket, connection] : suspended_) MHD_resume_connection(connection);
    suspended_.clear();
    timers_.clear();
}

void SuspendedConnections::runTimer()
{
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if (timers_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const auto first = timers_.begin();
        // A copy: wait_until keeps reading its argument while the lock is released, and resumeAll()
        // may free the map node meanwhile.
        const Clock::time_point due = first->first;
        if (Clock::now() < due) {
            wake_.wait_until(lock, due);
            continue;
        }
        const Ticket ticket = first->second;
        timers_.erase(first);
        if (const auto it = suspended_.find(ticket); it != suspended_.end()) {
            MHD_resume_connection(it->second);
            suspended_.erase(it);
        }
    }
}
