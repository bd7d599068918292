#include "tableaccess/MyTableFileWriter.h"

#include "tableaccess/OutputFile.h"
#include "util/FileCodec.h"

namespace qvor {

namespace {

const QByteArray CrLf("\r\n");
constexpr qsizetype FlushSize = 1 << 20;
// Enough to ride out the pauses the system gives a writer of a big file.
constexpr qint64 BacklogBytes = qint64(16) << 20;

} // namespace

bool MyTableFileWriter::begin(const QString& path, const MyTableBuffer& fields, const QString& separator,
                              AppError* error)
{
    return beginWith(path,
                     encode8Bit(OutputFile::fieldNamesLine(fields, separator)) + CrLf
                         + encode8Bit(OutputFile::fieldTextsLine(fields, separator)) + CrLf,
                     error);
}

bool MyTableFileWriter::beginWith(const QString& path, const QByteArray& head, AppError* error)
{
    if (!file_.open(path, error)) return false;
    writing_ = std::make_unique<FileWriterThread>(*file_.device());
    buffer_.clear();
    buffer_.reserve(FlushSize + 4096);
    return put(head, error);
}

bool MyTableFileWriter::flushBuffer(AppError* error)
{
    if (buffer_.isEmpty()) return true;
    if (!writing_->put(std::move(buffer_))) {
        if (error) *error = writing_->error();
        cancel();
        return false;
    }
    buffer_ = QByteArray();
    buffer_.reserve(FlushSize + 4096);
    return true;
}

bool MyTableFileWriter::backlogged() const { return writing_ && writing_->pendingBytes() >= BacklogBytes; }

bool MyTableFileWriter::put(const QByteArray& bytes, AppError* error)
{
    if (!file_.isOpen()) {
        if (error) *error = AppError::pathFileAccess();
        return false;
    }
    buffer_.append(bytes);
    return buffer_.size() < FlushSize || flushBuffer(error);
}

bool MyTableFileWriter::writeRow(const QByteArray& row, AppError* error)
{
    if (!file_.isOpen()) {
        if (error) *error = AppError::pathFileAccess();
        return false;
    }
    buffer_.append(fileBytes(row));
    buffer_.append(CrLf);
    return buffer_.size() < FlushSize || flushBuffer(error);
}

QByteArray MyTableFileWriter::fileBytes(const QByteArray& row)
{
#ifdef Q_OS_WIN
    return encode8Bit(QString::fromUtf8(row));
#else
    // The file's encoding is UTF-8 here, the rows' own encoding.
    return row;
#endif
}

bool MyTableFileWriter::finishWriting(AppError* error)
{
    if (!file_.isOpen()) {
        if (error) *error = AppError::pathFileAccess();
        return false;
    }
    if (!flushBuffer(error)) return false;
    if (!writing_->drain()) {
        if (error) *error = writing_->error();
        cancel();
        return false;
    }
    writing_.reset();
    if (file_.finishWriting(error)) return true;
    cancel();
    return false;
}

bool MyTableFileWriter::commit(AppError* error) { return file_.commit(error); }

void MyTableFileWriter::cancel()
{
    writing_.reset();
    file_.cancel();
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
    if (ok) ok = writer.finishWriting(&error) && writer.commit(&error);
    else writer.cancel();
    if (!ok) OutputFile::reportFileError(error, path);
    return ok;
}

} // namespace qvor
