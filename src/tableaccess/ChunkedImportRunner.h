#pragma once
// An import read in partitions, pages and parallel sessions (see ImportChunking). Every call
// group of every partition is one read, sent to the next free session; a partition's rows are
// joined as the plain import joins them and appended to the unfinished output file in partition
// order as soon as the partition and all before it are in, so memory stays flat and the rows come
// in the order one plain read gives. After each partition the file is made durable and a small
// state file records it, so a run that is stopped, fails or is killed can be continued; the
// finished file replaces the output in one step, and the state file goes.
#include "tableaccess/CallGroups.h"
#include "tableaccess/ImportChunking.h"
#include "tableaccess/ImportRunner.h"
#include "tableaccess/PartialOutputFile.h"
#include "tableaccess/PartitionRanges.h"
#include "tableaccess/ResumeState.h"
#include "tableaccess/RowJoiner.h"
#include "tableaccess/SessionPool.h"

#include <QElapsedTimer>
#include <QThread>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

namespace qvor {

class PagedRead;
class PartitionPlanner;

class ChunkedImportRunner : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Done,           // every partition read and the file in place
        Failed,         // a read failed for good; the partitions written so far are kept
        BadSetup,       // the partition field or the state file does not fit; nothing written
        NoSessions,     // a parallel logon was refused
        CutFailed,      // My Table is empty or could not be cut into calls
        OutputFailed,   // the output file could not be checked or written
        Cancelled,      // stopped on request; the partitions written so far are kept
    };
    Q_ENUM(Outcome)

    explicit ChunkedImportRunner(QObject* parent = nullptr);
    ~ChunkedImportRunner() override;

    void start(const ImportJob& job, const ImportChunking& chunking);
    void cancel();

    // Whether an interrupted run of this job into its output can be continued.
    static bool resumable(const ImportJob& job, const ImportChunking& chunking);

    bool running() const { return running_; }
    Outcome outcome() const { return outcome_; }
    float progress() const { return progress_; }
    qint64 rowCount() const { return rows_; }
    double elapsedSeconds() const { return elapsed_; }
    const QString& completionText() const { return completion_; }
    int partitionCount() const { return static_cast<int>(ranges_.size()); }
    int partitionsWritten() const { return written_; }
    int sessionCount() const { return pool_.size(); }
    int retries() const { return retries_; }

Q_SIGNALS:
    void progressChanged(float value);
    void outputWritten(const QString& path);
    void finished(qvor::ChunkedImportRunner::Outcome outcome);

private:
    struct Read {
        int partition = 0;
        int group = 0;          // 1-based call group
        int session = -1;       // while it runs
        bool done = false;
        std::unique_ptr<RowStore> rows;
        QPointer<PagedRead> reader;
    };

    bool loadState();
    void planned();
    void openSessions();
    bool openOutput();
    void schedule();
    void startRead(std::size_t index, int session);
    void readDone(std::size_t index, bool ok);
    void writeNext();
    void writeSlice();
    void partitionWritten();
    bool recordCheckpoint();
    void complete();
    void stop(Outcome outcome, const QString& message = {});
    void finish(Outcome outcome);
    void showProgress();
    QString fingerprint() const;
    static QString fingerprint(const ImportJob& job, const ImportChunking& chunking);

    ImportJob job_;
    ImportChunking chunking_;
    CallGroups groups_;
    SessionPool pool_;
    QPointer<PartitionPlanner> planner_;
    std::vector<QStringList> ranges_;        // one per partition; an empty list is the whole table
    std::optional<ResumeState> state_;       // kept up to date once partitions are being written
    PartialOutputFile output_;
    std::vector<Read> reads_;                // partition by partition, group by group
    std::size_t nextRead_ = 0;
    std::vector<int> idleSessions_;
    int written_ = 0;                        // partitions in the file
    std::unique_ptr<RowJoiner> joiner_;      // of the partition being written
    struct Checkpoint {
        qint64 bytes = 0;
        AppError error;
    };
    std::unique_ptr<QThread> checkpoint_;    // makes a written partition durable
    std::shared_ptr<Checkpoint> checkpointed_;
    std::vector<KeyTuple> boundaries_;
    QTimer sliceTimer_;
    QElapsedTimer clock_;
    QElapsedTimer readingClock_;
    qint64 resumedRows_ = 0;                 // rows in the file before this run
    bool limitReached_ = false;
    bool running_ = false;
    bool stopping_ = false;
    Outcome outcome_ = Outcome::Done;
    float progress_ = 0;
    qint64 rows_ = 0;
    qint64 readsDone_ = 0;
    int retries_ = 0;
    double elapsed_ = 0;
    QString completion_;
    int guardId_ = 0;
    std::size_t listMemory_ = 0;             // the answers' memory limit before this run
};

} // namespace qvor
