#include "util/WholeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qvor {

namespace {

void setError(AppError* error, const AppError& value)
{
    if (error) *error = value;
}

// The folder a replacement goes into: the one of a link's target, as the file replaced is that one.
QString folderOfFile(const QString& path)
{
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.canonicalFilePath() : QString();
    return QFileInfo(target.isEmpty() ? path : target).absolutePath();
}

bool folderTakesNewFile(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// Another program that holds the file open for its own (an advisory lock of either kind).
bool lockedElsewhere(int fd)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    ::flock(fd, LOCK_UN);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

const QString StandardOutputName = QStringLiteral("-");

} // namespace

struct WholeFileWriter::State {
    Target target = Target::Replace;
    std::unique_ptr<QSaveFile> saveFile;   // Replace and InPlace
    std::unique_ptr<QFile> stream;         // Stream and StandardOutput
    QFileDevice* device() const { return saveFile ? static_cast<QFileDevice*>(saveFile.get()) : stream.get(); }
};

WholeFileWriter::WholeFileWriter() = default;

WholeFileWriter::~WholeFileWriter() { cancel(); }

WholeFileWriter::Target WholeFileWriter::targetOf(const QString& path)
{
    if (path == StandardOutputName) return Target::StandardOutput;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Target::Replace;   // fails when opened, with its error
        if (!S_ISREG(st.st_mode)) return Target::Stream;
        return folderTakesNewFile(folderOfFile(path)) ? Target::Replace : Target::InPlace;
    }
    return Target::Replace;
}

bool WholeFileWriter::checkWritable(const QString& path, AppError* error)
{
    if (path.isEmpty()) return setError(error, AppError::fileNotFound()), false;
    if (path == StandardOutputName) return true;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        if (errno != ENOENT) return setError(error, AppError::fromErrno(errno)), false;
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo(folder).isDir()) return setError(error, AppError::pathNotFound()), false;
        if (!folderTakesNewFile(folder)) return setError(error, AppError::permissionDenied()), false;
        return true;
    }
    if (S_ISDIR(st.st_mode)) return setError(error, AppError::pathFileAccess()), false;
    if (!S_ISREG(st.st_mode)) {
        // Opening a FIFO here would already tell its reader that the data has ended.
        if (::access(name.constData(), W_OK) == 0) return true;
        return setError(error, AppError::fromErrno(errno)), false;
    }
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return setError(error, AppError::fromErrno(errno)), false;
    const bool locked = lockedElsewhere(fd);
    ::close(fd);
    if (locked) return setError(error, AppError::permissionDenied()), false;
    return true;
}

bool WholeFileWriter::open(const QString& path, AppError* error)
{
    cancel();
    auto state = std::make_unique<State>();
    state->target = targetOf(path);
    switch (state->target) {
    case Target::Replace:
    case Target::InPlace:
        state->saveFile = std::make_unique<QSaveFile>(path);
        state->saveFile->setDirectWriteFallback(state->target == Target::InPlace);
        // Unbuffered: Qt 6.4 loses a failed flush at commit and would put an empty file in place.
        if (!state->saveFile->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return setError(error, AppError::fromFile(*state->saveFile)), false;
        break;
    case Target::Stream: {
        // Without a reader a FIFO would hold the program up here for good.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            if (errno == ENXIO)
                return setError(error, {75, QStringLiteral("Path/File access error (no program reads from %1)").arg(path)}), false;
            return setError(error, AppError::fromErrno(errno)), false;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        state->stream = std::make_unique<QFile>();
        if (!state->stream->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return setError(error, AppError::fromFile(*state->stream)), false;
        }
        break;
    }
    case Target::StandardOutput:
        state->stream = std::make_unique<QFile>();
        if (!state->stream->open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
            return setError(error, AppError::fromFile(*state->stream)), false;
        break;
    }
    state_ = std::move(state);
    return true;
}

bool WholeFileWriter::isOpen() const { return state_ != nullptr; }

QFileDevice* WholeFileWriter::device() const { return state_ ? state_->device() : nullptr; }

bool WholeFileWriter::write(QByteArrayView bytes, AppError* error)
{
    if (!state_) return setError(error, AppError::pathFileAccess()), false;
    QFileDevice* d = state_->device();
    if (d->write(bytes.data(), bytes.size()) == bytes.size()) return true;
    setError(error, AppError::fromFile(*d).isError() ? AppError::fromFile(*d) : AppError::diskFull());
    return false;
}

bool WholeFileWriter::finishWriting(AppError* error)
{
    if (!state_) return setError(error, AppError::pathFileAccess()), false;
    if (!state_->saveFile) return true;   // a stream has nothing to sync
    // A file system that reserves space late (a network share) reports a full disk only here.
    if (::fsync(state_->saveFile->handle()) != 0 && errno != EINVAL) return setError(error, AppError::fromErrno(errno)), false;
    return true;
}

bool WholeFileWriter::commit(AppError* error)
{
    if (!state_) return setError(error, AppError::pathFileAccess()), false;
    bool ok = true;
    if (QSaveFile* f = state_->saveFile.get()) {
        ok = f->commit();
        if (!ok)
            setError(error, f->error() == QFileDevice::RenameError ? AppError::permissionDenied()
                            : f->error() == QFileDevice::NoError   ? AppError::diskFull()
                                                                   : AppError::fromFile(*f));
    } else {
        state_->stream->close();
    }
    state_.reset();
    return ok;
}

void WholeFileWriter::cancel()
{
    if (!state_) return;
    if (QSaveFile* f = state_->saveFile.get()) {
        f->cancelWriting();
        f->commit();   // discards the new file after cancelWriting()
    } else {
        state_->stream->close();
    }
    state_.reset();
}

bool writeFileWhole(const QString& path, QByteArrayView bytes, AppError* error)
{
    WholeFileWriter file;
    return file.open(path, error) && file.write(bytes, error) && file.finishWriting(error) && file.commit(error);
}

} // namespace qvor
