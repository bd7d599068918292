#include "tableaccess/ChunkedImportRunner.h"

#include "sap/BapiComponent.h"
#include "sap/SapConnection.h"
#include "tableaccess/MyTableFileWriter.h"
#include "tableaccess/OutputFile.h"
#include "tableaccess/PagedRead.h"
#include "tableaccess/PartitionPlanner.h"
#include "tableaccess/ReadTableCall.h"
#include "util/FileCodec.h"
#include "util/OperationGuard.h"
#include "util/StatusPanels.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QThread>

namespace qvor {
namespace {

constexpr int SliceMilliseconds = 15;
constexpr int BackloggedPauseMilliseconds = 10;
constexpr qsizetype ChunkBytes = 1 << 20;
// The part of each answer kept in memory while several sessions read; the rest waits on disk.
constexpr std::size_t ParallelAnswerMemory = 1 << 20;

QString absolute(const QString& path) { return QFileInfo(path).absoluteFilePath(); }

QByteArray headerLines(const ImportJob& job)
{
    const QByteArray crLf("\r\n");
    return encode8Bit(OutputFile::fieldNamesLine(job.fields, job.separator)) + crLf
        + encode8Bit(OutputFile::fieldTextsLine(job.fields, job.separator)) + crLf;
}

} // namespace

ChunkedImportRunner::ChunkedImportRunner(QObject* parent) : QObject(parent)
{
    sliceTimer_.setSingleShot(true);
    connect(&sliceTimer_, &QTimer::timeout, this, &ChunkedImportRunner::writeSlice);
}

ChunkedImportRunner::~ChunkedImportRunner()
{
    if (checkpoint_) checkpoint_->wait();
    for (Read& r : reads_)
        if (r.reader) r.reader->cancel();
    if (running_) {
        ui().endWait();
        operationGuard().end(guardId_);
        rfc::RowList::setMemoryLimitForNewLists(listMemory_);
    }
}

QString ChunkedImportRunner::fingerprint(const ImportJob& job, const ImportChunking& chunking)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const auto add = [&hash](const QString& text) { hash.addData(text.toUtf8().append('\0')); };
    for (const MyTableField& f : job.fields.fields) {
        add(f.name);
        add(f.type);
        add(QString::number(f.length));
    }
    add(QStringLiteral("options"));
    for (const QString& line : job.options.lines) add(line);
    add(job.separator);
    add(QString::number(job.rowLimit));
    add(chunking.partitionText());
    add(QString::number(chunking.pageRows));
    // Another system or client has other rows.
    if (BapiComponent* bapi = sapConnection().bapi()) {
        add(bapi->Connection().System());
        add(bapi->Connection().client());
    }
    return QString::fromLatin1(hash.result().toHex());
}

QString ChunkedImportRunner::fingerprint() const { return fingerprint(job_, chunking_); }

bool ChunkedImportRunner::resumable(const ImportJob& job, const ImportChunking& chunking)
{
    if (chunking.partitionField.isEmpty() || PartialOutputFile::isDirect(job.outputPath)) return false;
    const auto state = ResumeState::load(ResumeState::statePath(job.outputPath), nullptr);
    return state && state->fingerprint == fingerprint(job, chunking) && state->output == absolute(job.outputPath)
        && QFileInfo(ResumeState::partPath(job.outputPath)).size() >= state->bytes;
}

void ChunkedImportRunner::start(const ImportJob& job, const ImportChunking& chunking)
{
    job_ = job;
    if (job_.bytesPerRow < 0) job_.bytesPerRow = job_.fields.totalLength();
    chunking_ = chunking;
    groups_ = CallGroups();
    ranges_.clear();
    state_.reset();
    reads_.clear();
    nextRead_ = 0;
    idleSessions_.clear();
    written_ = 0;
    running_ = true;
    stopping_ = false;
    limitReached_ = false;
    outcome_ = Outcome::Done;
    progress_ = 0;
    rows_ = 0;
    readsDone_ = 0;
    retries_ = 0;
    elapsed_ = 0;
    completion_.clear();
    guardId_ = operationGuard().begin([this] { cancel(); });
    ui().beginWait();
    clock_.start();
    listMemory_ = rfc::RowList::memoryLimitForNewLists();
    if (chunking_.parallel > 1) rfc::RowList::setMemoryLimitForNewLists(std::min(listMemory_, ParallelAnswerMemory));

    QString why;
    if (!chunking_.check(&why)) return stop(Outcome::BadSetup, why);
    // The partitions' files are pieces of the specified file, which the other formats cannot be.
    if (job_.output.format != OutputFormat::Sap || job_.output.joinOnKeys)
        return stop(Outcome::BadSetup, tx(TextId::ChunkFormatUnsupported));
    if (!loadState()) return;
    if (!OutputFile::CheckOutputFile(job_.outputPath)) return stop(Outcome::OutputFailed);
    if (!ReadLIMytable(job_.fields, job_.options, groups_)) return stop(Outcome::CutFailed);
    if (chunking_.partitionField.isEmpty()) {
        ranges_.emplace_back();
        return openSessions();
    }
    planner_ = new PartitionPlanner(sapConnection().functions(), job_.fields, job_.options, groups_, chunking_,
                                    job_.rowLimit, this);
    std::optional<std::vector<KeyTuple>> boundaries;
    if (state_) boundaries = state_->boundaries;
    planner_->start(std::move(boundaries), [this](PartitionPlanner::Plan plan) {
        planner_->deleteLater();
        planner_ = nullptr;
        switch (plan.kind) {
        case PartitionPlanner::Plan::Kind::BadSetup: return stop(Outcome::BadSetup, plan.message);
        case PartitionPlanner::Plan::Kind::CallFailed: return stop(Outcome::Failed, plan.message);
        case PartitionPlanner::Plan::Kind::Planned: break;
        }
        boundaries_ = std::move(plan.boundaries);
        ranges_ = std::move(plan.ranges);
        openSessions();
    });
}

bool ChunkedImportRunner::loadState()
{
    if (!chunking_.resume) return true;
    const QString path = job_.outputPath;
    if (PartialOutputFile::isDirect(path)) {
        stop(Outcome::BadSetup, tx(TextId::ChunkResumeNotFile).arg(path));
        return false;
    }
    const QString statePath = ResumeState::statePath(path);
    QString why;
    state_ = ResumeState::load(statePath, &why);
    if (!state_) {
        if (why.isEmpty()) return true;   // nothing to continue: a run from the start
        stop(Outcome::BadSetup, tx(TextId::ChunkResumeUnreadable).arg(statePath, why));
        return false;
    }
    if (state_->fingerprint != fingerprint()) {
        state_.reset();
        stop(Outcome::BadSetup, tx(TextId::ChunkResumeOtherQuery).arg(statePath));
        return false;
    }
    if (state_->output != absolute(path)) {
        const QString other = state_->output;
        state_.reset();
        stop(Outcome::BadSetup, tx(TextId::ChunkResumeOtherOutput).arg(statePath, other, absolute(path)));
        return false;
    }
    return true;
}

void ChunkedImportRunner::openSessions()
{
    if (stopping_) return;
    const int partitions = partitionCount();
    const int groups = groups_.count();
    const int firstPartition = state_ ? std::min(state_->done, partitions) : 0;
    const int pending = (partitions - firstPartition) * groups;
    const int wanted = std::clamp(std::min(chunking_.parallel, pending), 1, ImportChunking::MaxParallel);
    if (wanted > 1) panels().setMessage(tx(TextId::ChunkOpeningSessions).arg(wanted));
    QString why;
    const bool opened = pool_.open(wanted, &why);
    if (stopping_) return;   // cancelled while logging on
    if (!opened) return stop(Outcome::NoSessions, why);
    if (!openOutput()) return;
    for (int p = firstPartition; p < partitions; ++p)
        for (int k = 1; k <= groups; ++k) {
            Read r;
            r.partition = p;
            r.group = k;
            reads_.push_back(std::move(r));
        }
    for (int s = 0; s < pool_.size(); ++s) idleSessions_.push_back(s);
    readingClock_.start();
    schedule();
    writeNext();
}

bool ChunkedImportRunner::openOutput()
{
    const QString path = job_.outputPath;
    AppError error;
    if (state_) {
        if (!output_.resume(path, state_->bytes, &error)) {
            stop(Outcome::BadSetup, tx(TextId::ChunkResumePartMissing).arg(ResumeState::partPath(path)));
            return false;
        }
        written_ = state_->done;
        rows_ = state_->rows;
        resumedRows_ = rows_;
        panels().setMessage(tx(TextId::ChunkContinuing).arg(written_).arg(partitionCount()));
        return true;
    }
    // A fresh run: a state file left by an earlier one no longer describes the unfinished file.
    QFile::remove(ResumeState::statePath(path));
    if (!output_.start(path, headerLines(job_), &error)) {
        OutputFile::reportFileError(error, path);
        stop(Outcome::OutputFailed);
        return false;
    }
    if (partitionCount() > 1 && !output_.direct()) {
        state_ = ResumeState();
        state_->fingerprint = fingerprint();
        state_->output = absolute(path);
        state_->boundaries = boundaries_;
    }
    return true;
}

void ChunkedImportRunner::schedule()
{
    // Reads run ahead of the file by a few partitions only, so what waits on disk stays bounded.
    const int groups = std::max(1, groups_.count());
    const int window = std::max(2, (pool_.size() + groups - 1) / groups + 1);
    while (!stopping_ && !idleSessions_.empty() && nextRead_ < reads_.size()
           && reads_[nextRead_].partition < written_ + window) {
        const int session = idleSessions_.front();
        idleSessions_.erase(idleSessions_.begin());
        startRead(nextRead_++, session);
    }
}

void ChunkedImportRunner::startRead(std::size_t index, int session)
{
    Read& r = reads_[index];
    r.session = session;
    FunctionsComponent* component = pool_.at(session);
    if (!component) return stop(Outcome::Failed, tx(TextId::SapNotLoggedOn));
    const CallGroup& group = groups_.group(r.group);
    PagedReadSpec spec;
    spec.request = ReadTableRequest::forGroup(group, job_.rowLimit, job_.separator);
    spec.request.rangeRows = ranges_[static_cast<std::size_t>(r.partition)];
    spec.fields = &job_.fields;
    spec.options = &job_.options;
    spec.pageRows = chunking_.pageRows;
    r.reader = new PagedRead(
        component, spec,
        [this, index](rfc::RowList rows, int column) {
            Read& read = reads_[index];
            if (!read.rows) {
                read.rows = std::make_unique<RowStore>(std::move(rows), column);
                return true;
            }
            return read.rows->takePage(std::move(rows));
        },
        [this, index](bool ok) { readDone(index, ok); }, this);
    const QString table = group.table;
    r.reader->setRetryNotice([this, table](int attempt, const QString& why) {
        ++retries_;
        panels().setMessage(tx(TextId::ChunkRetrying).arg(table).arg(attempt).arg(PagedRead::MaxRetries + 1).arg(why));
    });
    r.reader->start();
}

void ChunkedImportRunner::readDone(std::size_t index, bool ok)
{
    Read& r = reads_[index];
    PagedRead* reader = r.reader;
    r.reader = nullptr;
    reader->deleteLater();
    if (!ok) return stop(Outcome::Failed, reader->failure());
    if (!r.rows) r.rows = std::make_unique<RowStore>();
    r.done = true;
    idleSessions_.push_back(r.session);
    r.session = -1;
    ++readsDone_;
    progress_ = 0.99f * static_cast<float>(readsDone_) / static_cast<float>(reads_.size());
    Q_EMIT progressChanged(progress_);
    schedule();
    writeNext();
}

void ChunkedImportRunner::writeNext()
{
    if (stopping_ || joiner_ || checkpoint_) return;
    if (written_ >= partitionCount() || limitReached_) return complete();
    const int groups = groups_.count();
    const std::size_t first = static_cast<std::size_t>(written_ - reads_.front().partition) * static_cast<std::size_t>(groups);
    for (int k = 0; k < groups; ++k)
        if (!reads_[first + static_cast<std::size_t>(k)].done) return;
    joiner_ = std::make_unique<RowJoiner>(job_.separator);
    for (int k = 0; k < groups; ++k) {
        Read& r = reads_[first + static_cast<std::size_t>(k)];
        joiner_->addGroup(r.group, groups_.group(r.group).firstField, std::move(r.rows));
    }
    joiner_->start();
    sliceTimer_.start(0);
}

void ChunkedImportRunner::writeSlice()
{
    QElapsedTimer slice;
    slice.start();
    QByteArray row;
    QByteArray chunk;
    AppError error;
    bool more = true;
    const auto flush = [&] {
        const bool ok = chunk.isEmpty() || output_.write(std::move(chunk), &error);
        chunk = QByteArray();
        return ok;
    };
    while ((more = joiner_->next(row))) {
        chunk += MyTableFileWriter::fileBytes(row);
        chunk += "\r\n";
        if (++rows_ == job_.rowLimit) {
            limitReached_ = true;
            more = false;
            break;
        }
        if (chunk.size() >= ChunkBytes && !flush()) break;
        if (slice.elapsed() >= SliceMilliseconds) break;
    }
    if (!error.isError()) flush();
    if (!error.isError() && !more && joiner_->failed()) error = AppError::pathFileAccess();
    if (error.isError()) {
        OutputFile::reportFileError(error, job_.outputPath);
        return stop(Outcome::OutputFailed);
    }
    if (more) sliceTimer_.start(output_.backlogged() ? BackloggedPauseMilliseconds : 0);
    else partitionWritten();
}

void ChunkedImportRunner::partitionWritten()
{
    joiner_.reset();   // frees the partition's rows and their temporary files
    ++written_;
    // Syncing a partition to the disk takes a while; the reads go on meanwhile.
    checkpointed_ = std::make_shared<Checkpoint>();
    checkpoint_.reset(QThread::create([this, result = checkpointed_] {
        if (!output_.checkpoint(&result->bytes, &result->error) && !result->error.isError())
            result->error = AppError::pathFileAccess();
    }));
    connect(checkpoint_.get(), &QThread::finished, this, [this] {
        if (stopping_) return;   // stop() has taken over
        if (!recordCheckpoint()) return stop(Outcome::OutputFailed);
        showProgress();
        schedule();
        writeNext();
    });
    checkpoint_->start();
}

bool ChunkedImportRunner::recordCheckpoint()
{
    checkpoint_->wait();
    checkpoint_.reset();
    AppError error = checkpointed_->error;
    if (!error.isError() && state_) {
        state_->done = written_;
        state_->bytes = checkpointed_->bytes;
        state_->rows = rows_;
        state_->save(ResumeState::statePath(job_.outputPath), &error);
    }
    if (error.isError()) OutputFile::reportFileError(error, job_.outputPath);
    return !error.isError();
}

void ChunkedImportRunner::showProgress()
{
    const double seconds = std::max(0.001, static_cast<double>(readingClock_.nsecsElapsed()) / 1e9);
    const qint64 rate = static_cast<qint64>(static_cast<double>(rows_ - resumedRows_) / seconds);
    panels().setMessage(tx(TextId::ChunkProgress).arg(written_).arg(partitionCount()).arg(rows_).arg(rate));
}

void ChunkedImportRunner::complete()
{
    // With the row limit reached the reads still on their way are not needed.
    for (Read& r : reads_)
        if (r.reader) {
            r.reader->cancel();
            r.reader->deleteLater();
            r.reader = nullptr;
        }
    pool_.close();
    AppError error;
    if (!output_.commit(&error)) {
        OutputFile::reportFileError(error, job_.outputPath);
        return stop(Outcome::OutputFailed);
    }
    if (state_) QFile::remove(ResumeState::statePath(job_.outputPath));
    progress_ = std::max(progress_, 0.99f);
    Q_EMIT progressChanged(progress_);
    elapsed_ = static_cast<double>(clock_.nsecsElapsed()) / 1e9;
    Q_EMIT outputWritten(job_.outputPath);
    completion_ = OutputFile::completionText(job_.fields.count(), rows_, job_.bytesPerRow, elapsed_);
    panels().setMessage(completion_);
    finish(Outcome::Done);
}

void ChunkedImportRunner::cancel()
{
    if (running_) stop(Outcome::Cancelled);
}

void ChunkedImportRunner::stop(Outcome outcome, const QString& message)
{
    if (!running_ || stopping_) return;
    stopping_ = true;
    sliceTimer_.stop();
    joiner_.reset();
    for (Read& r : reads_)
        if (r.reader) {
            r.reader->cancel();
            r.reader->deleteLater();
            r.reader = nullptr;
        }
    if (planner_) {
        planner_->cancel();
        planner_->deleteLater();
    }
    pool_.close();
    // A partition being made durable still counts.
    if (checkpoint_) recordCheckpoint();
    // Partitions already made durable stay for a run that continues; anything else goes.
    const bool kept = state_ && state_->done > 0;
    if (kept) output_.keep();
    else output_.discard();

    ui().endWait();
    if (!message.isEmpty()) {
        // SAP's exception as the plain import shows it; SYSTEM_FAILURE also ends the connection.
        if (outcome == Outcome::Failed) ReadTableCall::reportException(message);
        else ui().message(message);
    }
    if (kept && (outcome == Outcome::Failed || outcome == Outcome::OutputFailed))
        ui().message(tx(TextId::ChunkStopped).arg(state_->done).arg(partitionCount()).arg(job_.outputPath));
    ui().beginWait();
    // Whoever asked to stop hears the outcome once control is back in the event loop.
    QTimer::singleShot(0, this, [this, outcome] { finish(outcome); });
}

void ChunkedImportRunner::finish(Outcome outcome)
{
    if (!running_) return;
    outcome_ = outcome;
    running_ = false;
    rfc::RowList::setMemoryLimitForNewLists(listMemory_);
    if (outcome == Outcome::Cancelled) panels().setMessage(tx(TextId::OperationCancelled));
    ui().endWait();
    operationGuard().end(guardId_);
    Q_EMIT finished(outcome);
}

} // namespace qvor
