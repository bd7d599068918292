#pragma once
// What an interrupted partitioned import leaves beside its output file so that a later run can
// continue it: the partitions written so far into the unfinished file (OUTPUT.qvor-part), how
// many bytes and rows they came to, the partition boundaries drawn at the start, and a
// fingerprint of the query and the system, so a run of another query never continues it.
#include "tableaccess/PartitionRanges.h"
#include "util/AppError.h"

#include <QString>
#include <optional>
#include <vector>

namespace qvor {

struct ResumeState {
    QString fingerprint;
    QString output;           // the output file's absolute path
    int done = 0;             // partitions written, in order
    qint64 bytes = 0;         // of the unfinished file once they were
    qint64 rows = 0;
    std::vector<KeyTuple> boundaries;

    static QString statePath(const QString& output) { return output + QStringLiteral(".qvor-resume"); }
    static QString partPath(const QString& output) { return output + QStringLiteral(".qvor-part"); }

    // Written whole (the old state stays on a failure).
    bool save(const QString& path, AppError* error) const;
    // Nothing and no error when there is no file; nothing and the reason when it cannot be used.
    static std::optional<ResumeState> load(const QString& path, QString* error);
};

} // namespace qvor
