#pragma once
// The threads that run the demo system's calls, so that libmicrohttpd's own threads never wait for
// a database read and keep serving every other connection meanwhile.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CallWorkers {
public:
    explicit CallWorkers(unsigned threads);
    ~CallWorkers();
    CallWorkers(const CallWorkers&) = delete;
    CallWorkers& operator=(const CallWorkers&) = delete;

    void post(std::function<void()> job);
    // Drops the jobs not yet started and waits for the running ones; later posts are dropped.
    void stop();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
