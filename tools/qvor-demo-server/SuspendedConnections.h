#pragma once
// The connections libmicrohttpd holds back for us: while a call runs on a worker, or while an answer
// waits out the configured delay. Each suspension has a ticket that resumes it exactly once, from a
// worker, from the timer thread of this class, or from resumeAll() when the server stops; after
// that nothing is suspended any more, so the daemon can be stopped without a connection left behind.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

struct MHD_Connection;

class SuspendedConnections {
public:
    using Clock = std::chrono::steady_clock;
    using Ticket = std::uint64_t;   // 0: not suspended

    SuspendedConnections();
    ~SuspendedConnections();
    SuspendedConnections(const SuspendedConnections&) = delete;
    SuspendedConnections& operator=(const SuspendedConnections&) = delete;

    // Only from libmicrohttpd's access handler or content reader of that connection. 0 once
    // resumeAll() has run: the caller then ends the request instead.
    Ticket suspend(MHD_Connection* connection);
    // Suspends and resumes by itself at the given time.
    Ticket suspendUntil(MHD_Connection* connection, Clock::time_point when);

    // From any thread; a ticket already resumed does nothing.
    void resume(Ticket ticket);
    // Resumes every connection and refuses later suspensions.
    void resumeAll();

private:
    void runTimer();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<Ticket, MHD_Connection*> suspended_;
    std::multimap<Clock::time_point, Ticket> timers_;
    Ticket last_ = 0;
    bool closed_ = false;
    bool ending_ = false;
    std::thread timer_;
};
