#pragma once
// An import or a preview as a small asynchronous runner: the RFC_READ_TABLE calls of the call
// groups go out one after another, each answer is handled when it arrives, and the output file is
// written in slices, so control keeps returning to the event loop and the window stays live.
// The query window and qvor-extract use the same runner; the caller connects first if needed.
#include "tableaccess/CallGroups.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/ImportOutput.h"
#include "tableaccess/ReadTableCall.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class QThread;

namespace rfc { struct Table; }

namespace qvor {

class KeyAgreementCheck;

class RfcFunction;
class RfcReply;

struct ImportJob {
    MyTableBuffer fields;
    OptionsBuffer options;
    QString outputPath;      // import only
    QString separator;       // import only; the preview always sends a blank
    qint32 rowLimit = 0;     // 0 = all rows
    int bytesPerRow = -1;    // the completion text's width; -1: the sum of the field lengths
    OutputChoice output;     // import only: the file's format and how the calls' rows are paired
};

class ImportRunner : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Done,           // every call answered, file written
        GroupsFailed,   // some calls failed; the file holds the other groups' rows
        CutFailed,      // My Table is empty or could not be cut into calls
        OutputFailed,   // the output file could not be checked or written
        Cancelled,      // stopped on request; an existing output file is left as it was
    };
    Q_ENUM(Outcome)

    // A preview hands each answered group's DATA rows (data lines in "WA") to this callback.
    using GroupRows = std::function<void(const CallGroup& group, const rfc::Table& data)>;

    explicit ImportRunner(QObject* parent = nullptr);
    ~ImportRunner() override;

    // Checks the output file, then calls, joins and writes. Returns at once.
    void startImport(const ImportJob& job);
    // The same calls with a blank delimiter and previewLimit(job.rowLimit) rows per call.
    void startPreview(const ImportJob& job, GroupRows rows);

    // Stops the run: the call on its way is cancelled, a file being written is dropped, and
    // finished(Cancelled) follows once control is back in the event loop. The busy guard's Cancel
    // comes here too. Nothing happens when the run is not running or its file is already in place.
    void cancel();

    // 0 and limits above 500 fetch 500 rows.
    static qint32 previewLimit(qint32 rowLimit);
    // Advances a progress value by n percent in 100 single-precision increments.
    static float progressStep(float value, int percent);

    bool running() const { return running_; }
    Outcome outcome() const { return outcome_; }
    float progress() const { return progress_; }
    const CallGroups& groups() const { return groups_; }
    int failedGroups() const { return failedGroups_; }
    qint64 rowCount() const { return rowCount_; }
    double elapsedSeconds() const { return elapsed_; }
    const QString& completionText() const { return completion_; }
    // Rows written per slice before returning to the event loop (tests make it small).
    void setSliceRows(int rows) { sliceRows_ = rows; }

Q_SIGNALS:
    void progressChanged(float value);
    // The output file is complete; the window opens it with its program before the completion text.
    void outputWritten(const QString& path);
    void finished(qvor::ImportRunner::Outcome outcome);

private:
    void begin(const ImportJob& job, bool preview);
    bool planCalls();
    std::unique_ptr<KeyAgreementCheck> positionalCheck() const;
    void nextGroup(int k);
    void onReply(int k, RfcFunction* function, RfcReply* reply);
    ReadTableRequest requestFor(int k) const;
    void keepRows(int k, rfc::RowList rows, int column, std::shared_ptr<const ReturnedLayout> layout);
    void groupFailed(int k);
    void writeOutput();
    void writeSlice();
    void closeOutput();
    void outputClosed(bool committed, AppError error);
    void complete();
    void finish(Outcome outcome);
    void step(int percent);
    void addProgress(float amount);
    void queue(std::function<void()> next);

    ImportJob job_;
    bool preview_ = false;
    GroupRows previewRows_;
    CallGroups groups_;
    std::optional<KeyJoinPlan> plan_;
    std::unique_ptr<ImportOutput> output_;
    QElapsedTimer clock_;
    bool running_ = false;
    Outcome outcome_ = Outcome::Done;
    float progress_ = 0;
    int failedGroups_ = 0;
    qint64 rowCount_ = 0;
    double elapsed_ = 0;
    QString completion_;
    int sliceRows_ = 20000;
    RfcFunction* pendingFunction_ = nullptr;   // kept by the component until its call has ended
    int guardId_ = 0;
    bool cancelRequested_ = false;
    // A zero timer rather than a posted call between slices: the event loop then treats the
    // progress strip's timer alike, so it ticks after every slice, not after every second one.
    QTimer sliceTimer_;
    // Syncing a file of gigabytes to disk and dropping the spilled rows take seconds; this
    // thread does both while the window stays live.
    std::unique_ptr<QThread> closer_;
};

} // namespace qvor
