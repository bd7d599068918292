#pragma once
// Where the answered calls of an import go: the rows paired by position (as specified) or by key,
// written in the chosen format. The calls' rows are handed over as they arrive; once the last call
// is in, begin() opens the file and next() writes one result row at a time, so the caller can
// return to the event loop between slices. The file is written whole: it replaces the old one only
// with commit().
#include "tableaccess/CallGroups.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/KeyJoinPlan.h"
#include "tableaccess/RowStore.h"
#include "util/AppError.h"
#include "util/AppSettings.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace qvor {

class KeyAgreementCheck;

struct OutputChoice {
    OutputFormat format = OutputFormat::Sap;
    bool descriptionRow = false;   // csv and xlsx: the descriptions as a second header line
    bool joinOnKeys = false;
};

class ImportOutput {
public:
    // `plan` when the rows are joined by key.
    ImportOutput(const MyTableBuffer& fields, const CallGroups& groups, const QString& separator,
                 const OutputChoice& choice, std::optional<KeyJoinPlan> plan);
    ~ImportOutput();
    ImportOutput(const ImportOutput&) = delete;
    ImportOutput& operator=(const ImportOutput&) = delete;

    // The DELIMITER the calls send: the list separator for the specified file, a blank (fields
    // back to back, cut by their lengths) for the other formats and for joins by key.
    static QString callDelimiter(const OutputChoice& choice, const QString& separator);
    // The file a format writes for the output path the user chose: the same path for the
    // specified file, the path with the format's extension otherwise.
    static QString pathFor(const QString& path, OutputFormat format);

    // The rows of call k (1-based); failed calls are not added.
    bool addCall(int k, std::unique_ptr<RowStore> rows);
    // Rows paired by position are checked with this before they are written.
    void setCheck(std::unique_ptr<KeyAgreementCheck> check);
    bool begin(const QString& path, AppError* error);
    // Writes the next result row; false at the end or on a failure (see the error).
    bool next(AppError* error);
    bool backlogged() const;
    // Waits for the bytes to reach the disk; may run on a thread of its own.
    bool finishWriting(AppError* error);
    // Puts the new file in the place of the old one.
    bool commit(AppError* error);
    void cancel();

    // Warnings for the completion text: overflow markers kept as text, lines that paired rows of
    // different keys, rows without a match. Empty when there is nothing to say.
    QString notes() const;

private:
    class Sink;
    class SapSink;
    class CsvSink;
    class XlsxSink;

    bool nextPositional(std::vector<std::string_view>& values, AppError* error);

    MyTableBuffer fields_;
    CallGroups groups_;
    QString separator_;
    OutputChoice choice_;
    std::optional<KeyJoinPlan> plan_;
    std::unique_ptr<KeyAgreementCheck> check_;
    std::vector<std::unique_ptr<RowStore>> calls_;   // by call, null for a failed call
    std::unique_ptr<class KeyJoin> join_;
    std::unique_ptr<class RowJoiner> joiner_;
    std::unique_ptr<Sink> sink_;
    std::vector<std::vector<int>> lengths_;          // positional cutting, per call
    std::vector<QByteArray> lines_;
    std::vector<std::string_view> values_, cells_;
    QByteArray row_;
    qint64 disagreeing_ = 0;
    qint64 withoutMatch_ = 0;
    bool failed_ = false;
};

} // namespace qvor
