#include "tableaccess/MyTableFileWriter.h"

#include "tableaccess/OutputFile.h"
#include "util/FileCodec.h"

namespace qvor {

namespace {

const QByteArray CrLf("\r\n");
constexpr qsizetype FlushSize = 1 << 20;

} // namespace

bool MyTableFileWriter::begin(const QString& path, const MyTableBuffer& fields, const QString& separator,
                              AppError* error)
{
    file_ = std::make_unique<QSaveFile>(path);
    if (!file_->open(QIODevice::WriteOnly)) {
        if (error) *error = AppError::fromFile(*file_);
        file_.reset();
        return false;
    }
    buffer_.clear();
    buffer_.reserve(FlushSize + 4096);
    return put(encode8Bit(OutputFile::fieldNamesLine(fields, separator)) + CrLf, error)
        && put(encode8Bit(OutputFile::fieldTextsLine(fields, separator)) + CrLf, error);
}

bool MyTableFileWriter::flushBuffer(AppError* error)
{
    if (buffer_.isEmpty()) return true;
    const qint64 written = file_->write(buffer_);
    if (written != buffer_.size()) {
        if (error) *error = file_->error() == QFileDevice::NoError ? AppError::diskFull() : AppError::fromFile(*file_);
        cancel();
        return false;
    }
    buffer_.clear();
    return true;
}

bool MyTableFileWriter::put(const QByteArray& bytes, AppError* error)
{
    if (!file_) {
        if (error) *error = AppError::pathFileAccess();
        return false;
    }
    buffer_.append(bytes);
    return buffer_.size() < FlushSize || flushBuffer(error);
}

bool MyTableFileWriter::writeRow(const QByteArray& row, AppError* error)
{
    if (!file_) {
        if (error) *error = AppError::pathFileAccess();
        return false;
    }
#ifdef Q_OS_WIN
    buffer_.append(encode8Bit(QString::fromUtf8(row)));
#else
    // The file's encoding is UTF-8 here, the rows' own encoding.
    buffer_.append(row);
#endif
    buffer_.append(CrLf);
    return buffer_.size() < FlushSize || flushBuffer(error);
}

bool MyTableFileWriter::commit(AppError* error)
{
    if (!file_) {
        if (error) *error = AppError::pathFileAccess();
        return false;
    }
    if (!flushBuffer(error)) return false;
    const bool ok = file_->commit();
    if (!ok && error) *error = file_->error() == QFileDevice::NoError ? AppError::diskFull() : AppError::fromFile(*file_);
    file_.reset();
    return ok;
}

void MyTableFileWriter::cancel()
{
    if (file_) {
        file_->cancelWriting();
        file_->commit();   // discards the temporary file after cancelWriting()
        file_.reset();
    }
    buffer_.clear();
}

bool CreateMyTableFile(const QString& path, const MyTableBuffer& fields, const QString& separator, RowJoiner& rows)
{
    MyTableFileWriter writer;
    AppError error;
    bool ok = writer.begin(path, fields, separator, &error);
    rows.start();
    QByteArray row;
    while (ok && rows.next(row)) ok = writer.writeRow(row, &error);
    if (ok && rows.failed()) {
        error = AppError::pathFileAccess();
        ok = false;
    }
    if (ok) ok = writer.commit(&error);
    else writer.cancel();
    if (!ok) OutputFile::reportFileError(error, path);
    return ok;
}

} // namespace qvor
