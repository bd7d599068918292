#include "CallWorkers.h"

CallWorkers::CallWorkers(unsigned threads)
{
    for (unsigned i = 0; i < (threads ? threads : 1); ++i) threads_.emplace_back([this] { run(); });
}

CallWorkers::~CallWorkers() { stop(); }

void CallWorkers::post(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void CallWorkers::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    for (std::thread& t : threads_)
        if (t.joinable()) t.join();
}

void CallWorkers::run()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}
