#include "tableaccess/PartialOutputFile.h"

#include "tableaccess/ResumeState.h"
#include "util/WholeFileWriter.h"

#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace qvor {
namespace {

constexpr qint64 BacklogBytes = qint64(16) << 20;

} // namespace

PartialOutputFile::~PartialOutputFile() { keep(); }

bool PartialOutputFile::isDirect(const QString& output)
{
    // A folder that takes no new file has no room for the unfinished one either.
    return WholeFileWriter::targetOf(output) != WholeFileWriter::Target::Replace;
}

bool PartialOutputFile::open(QIODevice::OpenMode mode, AppError* error)
{
    file_ = std::make_unique<QFile>(path_);
    const bool opened = output_ == QLatin1String("-") ? file_->open(stdout, QIODevice::WriteOnly)
                                                      : file_->open(mode);
    if (!opened) {
        if (error) *error = AppError::fromFile(*file_);
        file_.reset();
        return false;
    }
    writing_ = std::make_unique<FileWriterThread>(*file_);
    return true;
}

bool PartialOutputFile::start(const QString& output, const QByteArray& header, AppError* error)
{
    output_ = output;
    direct_ = isDirect(output);
    path_ = direct_ ? output : ResumeState::partPath(output);
    return open(QIODevice::WriteOnly | QIODevice::Truncate, error) && write(header, error);
}

bool PartialOutputFile::resume(const QString& output, qint64 bytes, AppError* error)
{
    output_ = output;
    direct_ = false;
    path_ = ResumeState::partPath(output);
    if (QFileInfo(path_).size() < bytes) {
        if (error) *error = AppError::fileNotFound();
        return false;
    }
    if (!open(QIODevice::ReadWrite, error)) return false;
    // What came after the last durable point belongs to a partition that was not finished.
    if (!file_->resize(bytes) || !file_->seek(bytes)) {
        if (error) *error = AppError::fromFile(*file_);
        discard();
        return false;
    }
    return true;
}

bool PartialOutputFile::write(QByteArray bytes, AppError* error)
{
    if (writing_ && writing_->put(std::move(bytes))) return true;
    if (error) *error = writing_ ? writing_->error() : AppError::pathFileAccess();
    return false;
}

bool PartialOutputFile::backlogged() const { return writing_ && writing_->pendingBytes() >= BacklogBytes; }

bool PartialOutputFile::checkpoint(qint64* bytes, AppError* error)
{
    if (!writing_ || !writing_->drain()) {
        if (error) *error = writing_ ? writing_->error() : AppError::pathFileAccess();
        return false;
    }
    if (!file_->flush()) {
        if (error) *error = AppError::fromFile(*file_);
        return false;
    }
    // A full disk shows at the latest here; a direct output (a pipe) has nothing to sync.
    if (!direct_ && ::fsync(file_->handle()) != 0) {
        if (error) *error = AppError::diskFull();
        return false;
    }
    if (bytes) *bytes = file_->pos();
    return true;
}

bool PartialOutputFile::commit(AppError* error)
{
    if (!checkpoint(nullptr, error)) return false;
    writing_.reset();
    file_->close();
    file_.reset();
    if (direct_) return true;
    const QFileInfo old(output_);
    if (old.exists()) QFile::setPermissions(path_, old.permissions());
    if (std::rename(QFile::encodeName(path_).constData(), QFile::encodeName(output_).constData()) != 0) {
        if (error) *error = AppError::permissionDenied();
        return false;
    }
    return true;
}

void PartialOutputFile::keep()
{
    writing_.reset();
    if (file_) file_->close();
    file_.reset();
}

void PartialOutputFile::discard()
{
    keep();
    if (!direct_ && !path_.isEmpty()) QFile::remove(path_);
}

} // namespace qvor
