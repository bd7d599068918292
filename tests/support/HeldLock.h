#pragma once
// Holds a file open with an exclusive lock, as a spreadsheet program that has the file open does;
// works the same for root, unlike file permissions.
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qvor::test {

class HeldLock {
public:
    enum class Kind { Flock, RecordLock };

    HeldLock(const QString& path, Kind kind)
    {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) return;
        if (kind == Kind::Flock) {
            held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
        } else {
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            held_ = ::fcntl(fd_, F_OFD_SETLK, &lock) == 0;
        }
    }
    ~HeldLock()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

    bool held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

} // namespace qvor::test
