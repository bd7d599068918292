#pragma once
// Writes the output file of an import: the line of qualified field names, the line of field
// descriptions, then the joined rows unchanged, every line ending CR LF. The file is written
// whole: until commit() the old content stays, and a failed write never leaves a file that
// looks complete. Rows can be written in slices so the caller may return to the event loop; the
// bytes reach the disk on a thread of their own, so a slow disk does not hold up the caller.
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/FileWriterThread.h"
#include "tableaccess/RowJoiner.h"
#include "util/AppError.h"
#include "util/WholeFileWriter.h"

#include <QString>
#include <memory>

namespace qvor {

class MyTableFileWriter {
public:
    // Opens the file and writes the two header lines.
    bool begin(const QString& path, const MyTableBuffer& fields, const QString& separator, AppError* error);
    // Opens the file and writes `head` as it stands (another format's header).
    bool beginWith(const QString& path, const QByteArray& head, AppError* error);
    // One joined row (UTF-8, as the joiner gives it).
    bool writeRow(const QByteArray& row, AppError* error);
    // Bytes as they stand, line ends included.
    bool writeBytes(const QByteArray& bytes, AppError* error) { return put(bytes, error); }
    // Waits for the queued bytes and makes sure they are on the disk; may take long for a big
    // file, so it may run on a thread of its own. The old file is still in place after it.
    bool finishWriting(AppError* error);
    // Replaces the old file with the new one (after finishWriting); quick.
    bool commit(AppError* error);
    void cancel();
    bool isOpen() const { return file_.isOpen(); }
    // A joined row (UTF-8) as the file holds it, without its line end.
    static QByteArray fileBytes(const QByteArray& row);
    // True while so many bytes wait for the disk that the caller should pause before more rows.
    bool backlogged() const;

private:
    bool put(const QByteArray& bytes, AppError* error);
    bool flushBuffer(AppError* error);

    WholeFileWriter file_;
    std::unique_ptr<FileWriterThread> writing_;   // declared after file_: ends before the file
    QByteArray buffer_;
};

// The whole file at once (the rows of the joiner from the first); failures are reported with the
// file error messages and give false.
bool CreateMyTableFile(const QString& path, const MyTableBuffer& fields, const QString& separator, RowJoiner& rows);

} // namespace qvor
