#pragma once
// The one way the program writes a file: a regular file is written beside its old self and
// replaces it only when complete and on the disk, so a failed, killed or cancelled write leaves the
// old file as it was; a full disk is always an error (every write is unbuffered and checked, and the
// data is synced before the replacement). Paths that are no regular files are written into as they
// are, never replaced: a character device, a FIFO (whose reader must be there), and "-" for
// standard output.
//
// A symbolic link keeps pointing at its target, which is replaced. A file with several hard links
// gets a new inode under the name written; the other names keep the old content. Where the folder
// allows no new file but the file itself is writable (some shared folders), the file is written
// into directly; writesInPlace() tells the caller beforehand, so it can wait until it has all the
// data.
#include "util/AppError.h"

#include <QByteArrayView>
#include <QString>
#include <memory>

class QFileDevice;

namespace qvor {

class WholeFileWriter {
public:
    enum class Target {
        Replace,          // a regular file, or none yet: replaced when complete
        InPlace,          // a regular file in a folder that takes no new file: written into directly
        Stream,           // a character device, a FIFO or a socket: written into
        StandardOutput    // "-"
    };

    WholeFileWriter();
    ~WholeFileWriter();   // an unfinished file is dropped
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    static Target targetOf(const QString& path);
    static bool writesInPlace(const QString& path) { return targetOf(path) != Target::Replace; }

    // Whether the path can be written, found out without changing it: an existing file is opened
    // for appending and closed unwritten; a file that another program holds locked counts as not
    // writable (Error 70); for a new file, the folder must take one.
    static bool checkWritable(const QString& path, AppError* error);

    bool open(const QString& path, AppError* error);
    bool isOpen() const;
    // The open file for a writer of its own (a thread); null when not open.
    QFileDevice* device() const;
    bool write(QByteArrayView bytes, AppError* error);
    // Makes sure everything written is on the disk; the old file is still in place after it. May
    // take long for a big file, so it may run on another thread.
    bool finishWriting(AppError* error);
    // Puts the new file in place of the old one; quick.
    bool commit(AppError* error);
    // Drops what was written; the old file stays (a stream keeps what it was sent).
    void cancel();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Writes the file whole with WholeFileWriter in one go.
bool writeFileWhole(const QString& path, QByteArrayView bytes, AppError* error);

} // namespace qvor
