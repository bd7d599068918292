#include "tableaccess/FileWriterThread.h"

#include <QFileDevice>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace qvor {

FileWriterThread::FileWriterThread(QFileDevice& file) : file_(file), thread_([this] { run(); }) {}

FileWriterThread::~FileWriterThread()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
        pending_ = 0;
    }
    wake_.notify_one();
    thread_.join();
}

bool FileWriterThread::put(QByteArray bytes)
{
    {
        std::lock_guard lock(mutex_);
        if (failed_) return false;
        pending_ += bytes.size();
        queue_.push_back(std::move(bytes));
    }
    wake_.notify_one();
    return true;
}

bool FileWriterThread::drain()
{
    std::unique_lock lock(mutex_);
    written_.wait(lock, [this] { return failed_ || (queue_.empty() && !writing_); });
    return !failed_;
}

qint64 FileWriterThread::pendingBytes() const
{
    std::lock_guard lock(mutex_);
    return pending_;
}

AppError FileWriterThread::error() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

void FileWriterThread::giveWayToWindow()
{
#ifdef Q_OS_LINUX
    // On Linux the nice value belongs to the thread; a failure only leaves the default.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 5);
#endif
}

void FileWriterThread::run()
{
    giveWayToWindow();
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        QByteArray block = std::move(queue_.front());
        queue_.pop_front();
        writing_ = true;
        lock.unlock();
        const qint64 written = file_.write(block);
        const bool ok = written == block.size();
        // Read on this thread while nobody else uses the file.
        const AppError failure = ok ? AppError()
                                    : file_.error() == QFileDevice::NoError ? AppError::diskFull()
                                                                            : AppError::fromFile(file_);
        lock.lock();
        writing_ = false;
        pending_ -= block.size();
        if (!ok && !failed_) {
            failed_ = true;
            error_ = failure;
            queue_.clear();
            pending_ = 0;
        }
        written_.notify_all();
    }
}

} // namespace qvor
