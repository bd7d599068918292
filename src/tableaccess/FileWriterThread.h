#pragma once
// Writes blocks of bytes to an open file on a thread of its own, in the order they were handed
// over. A disk that is slow to take a large file (the system pauses a writer while it flushes)
// then holds up this thread, not the window. The file must not be touched by anyone else until
// drain() has returned or the object is gone.
#include "util/AppError.h"

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class QFileDevice;

namespace qvor {

class FileWriterThread {
public:
    explicit FileWriterThread(QFileDevice& file);
    // Drops what is not written yet and ends the thread.
    ~FileWriterThread();
    FileWriterThread(const FileWriterThread&) = delete;
    FileWriterThread& operator=(const FileWriterThread&) = delete;

    // Queues a block; false once a write has failed (see error()), and the block is dropped.
    bool put(QByteArray bytes);
    // Waits until every queued block is written; false when a write failed.
    bool drain();
    // Bytes handed over and not written yet.
    qint64 pendingBytes() const;
    // The failure of the first write that failed ("Error 61: Disk full" for a short write).
    AppError error() const;

    // Lets the calling thread give way to the window's thread: copying gigabytes into the file
    // cache otherwise holds a processor for a tenth of a second at a time.
    static void giveWayToWindow();

private:
    void run();

    QFileDevice& file_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable written_;
    std::deque<QByteArray> queue_;
    qint64 pending_ = 0;
    bool writing_ = false;
    bool stop_ = false;
    bool failed_ = false;
    AppError error_;
    std::thread thread_;
};

} // namespace qvor
