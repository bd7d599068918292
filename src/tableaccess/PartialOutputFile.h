#pragma once
// The output file of a partitioned import while it grows: OUTPUT.qvor-part beside the output,
// appended partition by partition, made durable at every partition's end so an interrupted run
// can be continued from there, and moved over the output in one step once complete, so the old
// output stays until then. A path that is not a regular file (a device, a pipe, "-" for standard
// output, or a folder that takes no new file) is written into directly and cannot be continued.
#include "tableaccess/FileWriterThread.h"
#include "util/AppError.h"

#include <QFile>
#include <QString>
#include <memory>

namespace qvor {

class PartialOutputFile {
public:
    ~PartialOutputFile();

    static bool isDirect(const QString& output);

    // A new unfinished file that starts with `header`.
    bool start(const QString& output, const QByteArray& header, AppError* error);
    // The unfinished file of an earlier run, cut back to `bytes` (what it held at its last
    // durable point); fails when it is shorter.
    bool resume(const QString& output, qint64 bytes, AppError* error);

    bool write(QByteArray bytes, AppError* error);
    bool backlogged() const;
    // Waits for the bytes handed over, and puts them on the disk; `bytes` is then the file's size.
    bool checkpoint(qint64* bytes, AppError* error);
    // The last checkpoint, then the unfinished file replaces the output (keeping its permissions).
    bool commit(AppError* error);
    // Closes the file and leaves it for a later run to continue.
    void keep();
    // Closes and removes the unfinished file.
    void discard();
    bool direct() const { return direct_; }

private:
    bool open(QIODevice::OpenMode mode, AppError* error);

    QString output_;
    QString path_;
    bool direct_ = false;
    std::unique_ptr<QFile> file_;
    std::unique_ptr<FileWriterThread> writing_;   // after file_: ends before the file closes
};

} // namespace qvor
