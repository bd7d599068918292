#include "tableaccess/ImportRunner.h"

#include "sap/FunctionsComponent.h"
#include "sap/RfcReply.h"
#include "sap/SapConnection.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/FileWriterThread.h"
#include "tableaccess/KeyAgreementCheck.h"
#include "tableaccess/OutputFile.h"
#include "util/OperationGuard.h"
#include "util/Rounding.h"
#include "util/StatusPanels.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"
#include "util/WholeFileWriter.h"

#include <QThread>

namespace qvor {

namespace {

constexpr qint32 PreviewMaxRows = 500;
// Short against the progress strip's 30 ms: a slice that the system slows down (a busy disk,
// other programs on the processor) still leaves the strip ticking well within 100 ms.
constexpr int SliceMilliseconds = 15;
constexpr int BackloggedPauseMilliseconds = 10;

} // namespace

ImportRunner::ImportRunner(QObject* parent) : QObject(parent)
{
    sliceTimer_.setSingleShot(true);
    sliceTimer_.setInterval(0);
    connect(&sliceTimer_, &QTimer::timeout, this, &ImportRunner::writeSlice);
}

ImportRunner::~ImportRunner()
{
    if (closer_) closer_->wait();   // it uses the output
    if (pendingFunction_) pendingFunction_->abandonCall();
    if (running_) {
        ui().endWait();
        operationGuard().end(guardId_);
    }
    if (output_) output_->cancel();
}

qint32 ImportRunner::previewLimit(qint32 rowLimit)
{
    return rowLimit == 0 || rowLimit > PreviewMaxRows ? PreviewMaxRows : rowLimit;
}

float ImportRunner::progressStep(float value, int percent)
{
    for (int i = 0; i < 100; ++i) value = static_cast<float>(value + (1.0 / 100.0) * percent / 100.0);
    return value;
}

void ImportRunner::step(int percent)
{
    progress_ = progressStep(progress_, percent);
    Q_EMIT progressChanged(progress_);
}

void ImportRunner::addProgress(float amount)
{
    progress_ += amount;
    Q_EMIT progressChanged(progress_);
}

void ImportRunner::queue(std::function<void()> next)
{
    QTimer::singleShot(0, this, std::move(next));
}

void ImportRunner::begin(const ImportJob& job, bool preview)
{
    job_ = job;
    if (job_.bytesPerRow < 0) job_.bytesPerRow = job_.fields.totalLength();
    preview_ = preview;
    running_ = true;
    outcome_ = Outcome::Done;
    progress_ = 0;
    failedGroups_ = 0;
    rowCount_ = 0;
    elapsed_ = 0;
    completion_.clear();
    groups_ = CallGroups();
    plan_.reset();
    output_.reset();
    cancelRequested_ = false;
    guardId_ = operationGuard().begin([this] { cancel(); });
    ui().beginWait();
}

void ImportRunner::cancel()
{
    if (!running_ || cancelRequested_) return;
    cancelRequested_ = true;
    if (pendingFunction_) {
        // Its reply comes back cancelled; onReply ends the run.
        pendingFunction_->cancelCall();
        return;
    }
    // The file being closed is dropped when its thread ends (outputClosed).
    if (closer_) return;
    sliceTimer_.stop();
    if (output_) output_->cancel();
    queue([this] { finish(Outcome::Cancelled); });
}

void ImportRunner::startImport(const ImportJob& job)
{
    begin(job, false);
    if (!OutputFile::CheckOutputFile(job_.outputPath)) {
        finish(Outcome::OutputFailed);
        return;
    }
    clock_.start();
    step(1);
    if (!planCalls()) {
        finish(Outcome::CutFailed);
        return;
    }
    if (cancelRequested_) return;
    queue([this] { nextGroup(1); });
}

// The calls of an import; with joins by key each table's key fields first, so every call can
// carry them.
bool ImportRunner::planCalls()
{
    TableKeys keys;
    if (job_.output.joinOnKeys) {
        for (const QString& table : KeyJoinPlan::tablesOf(job_.fields))
            if (!GetKeyFields(table, &keys[table])) return false;
        AppError error;
        if (!groups_.build(job_.fields, job_.options, &error, KeyJoinPlan::keyWidths(keys))) {
            ui().message(error.text(QStringLiteral(" on ReadLIMytable")));
            return false;
        }
        if (job_.fields.count() == 0) return false;
        KeyJoinPlan::Problem problem;
        plan_ = KeyJoinPlan::build(job_.fields, groups_, keys, &problem);
        if (!plan_) {
            ui().message(problem.kind == KeyJoinPlan::Problem::NoKeyFields
                             ? tx(TextId::KeyJoinNoKeys).arg(problem.table)
                             : tx(TextId::KeyJoinNothingShared).arg(problem.firstTable, problem.table));
            return false;
        }
    } else if (!ReadLIMytable(job_.fields, job_.options, groups_)) {
        return false;
    }
    output_ = std::make_unique<ImportOutput>(job_.fields, groups_, job_.separator, job_.output, plan_);
    return true;
}

void ImportRunner::startPreview(const ImportJob& job, GroupRows rows)
{
    begin(job, true);
    previewRows_ = std::move(rows);
    if (!ReadLIMytable(job_.fields, job_.options, groups_)) {
        finish(Outcome::CutFailed);
        return;
    }
    clock_.start();
    queue([this] { nextGroup(1); });
}

void ImportRunner::nextGroup(int k)
{
    if (cancelRequested_) return;   // cancel() has queued the end
    if (k > groups_.count()) {
        if (preview_) complete();
        else writeOutput();
        return;
    }
    const CallGroup& group = groups_.group(k);
    panels().setMessage(tx(TextId::ProcessingRfcFor).arg(group.table));
    const ReadTableRequest request = requestFor(k);
    AppError error;
    RfcFunction* function =
        ReadTableCall::prepare(sapConnection().functions(), request, job_.fields, job_.options, &error);
    if (!function) {
        ui().endWait();
        ReadTableCall::reportError(error);
        ui().beginWait();
        groupFailed(k);
        return;
    }
    RfcReply* reply = function->startCall();
    pendingFunction_ = function;
    if (reply->isFinished()) {
        queue([this, k, function, reply] { onReply(k, function, reply); });
        return;
    }
    connect(reply, &RfcReply::finished, this, [this, k, function, reply] { onReply(k, function, reply); },
            Qt::SingleShotConnection);
}

void ImportRunner::groupFailed(int k)
{
    ++failedGroups_;
    queue([this, k] { nextGroup(k + 1); });
}

void ImportRunner::onReply(int k, RfcFunction* function, RfcReply* reply)
{
    pendingFunction_ = nullptr;
    const bool answered = function->finishCall(reply);
    if (cancelRequested_) {
        finish(Outcome::Cancelled);
        return;
    }
    // Newer releases may answer the fields in another order and width than they were asked for.
    auto layout = std::make_shared<ReturnedLayout>();
    if (!answered || !ReadTableCall::readLayout(*function, requestFor(k), job_.fields, layout.get())) {
        // Messages show with the normal pointer, as after a call made on the spot.
        ui().endWait();
        ReadTableCall::reportException(answered ? QLatin1String(ReadTableCall::MissingField) : function->exception());
        ui().beginWait();
        groupFailed(k);
        return;
    }
    CallGroup& group = groups_.group(k);
    RfcTable& answer = function->Tables(QStringLiteral("DATA"));
    const rfc::Table& data = answer.data();
    group.rowCount = static_cast<qint32>(data.rows.size());
    rowCount_ = std::max<qint64>(rowCount_, group.rowCount);
    if (preview_) {
        layout->rebuildColumn(answer.answerData(), ReadTableCall::DataColumn);
        if (previewRows_) previewRows_(group, data);
    } else {
        step(roundHalfEven(9.0 / groups_.count()));
        keepRows(k, answer.takeRows(), data.columnIndex(ReadTableCall::DataColumn), std::move(layout));
    }
    // The answer's rows are kept elsewhere now; let the component drop them before the next call.
    if (FunctionsComponent* component = sapConnection().functions()) component->RemoveAll();
    queue([this, k] { nextGroup(k + 1); });
}

ReadTableRequest ImportRunner::requestFor(int k) const
{
    auto request = ReadTableRequest::forGroup(groups_.group(k), preview_ ? previewLimit(job_.rowLimit) : job_.rowLimit,
                                              preview_ ? QStringLiteral(" ")
                                                       : ImportOutput::callDelimiter(job_.output, job_.separator));
    if (plan_ && !preview_) request.fieldNames = plan_->sentFields(k);
    return request;
}

void ImportRunner::keepRows(int k, rfc::RowList rows, int column, std::shared_ptr<const ReturnedLayout> layout)
{
    const CallGroup& group = groups_.group(k);
    panels().setMessage(tx(TextId::PreparingDataFor)
                            .arg(group.table)
                            .arg(group.firstField)
                            .arg(group.lastField)
                            .arg(group.rowCount));
    // The answer's own storage is read in place: a big one already lives in a temporary file.
    output_->addCall(k, std::make_unique<RowStore>(std::move(rows), column, std::move(layout)));
    addProgress(0.6f / static_cast<float>(groups_.count()));
}

// Rows paired by position are checked where calls of different tables carry key fields they
// share. Their key fields are read after the data calls, so these go out as they always did; a
// table whose key fields cannot be read is not checked.
std::unique_ptr<KeyAgreementCheck> ImportRunner::positionalCheck() const
{
    if (plan_) return nullptr;
    TableKeys keys;
    for (const QString& table : KeyAgreementCheck::tablesToAsk(job_.fields)) {
        RfcFunction* f = KeyFieldsCall::prepare(sapConnection().functions(), table);
        if (f && f->Call()) keys[table] = KeyFieldsCall::read(*f);
    }
    if (keys.empty()) return nullptr;
    const QString delimiter = ImportOutput::callDelimiter(job_.output, job_.separator);
    auto check = std::make_unique<KeyAgreementCheck>(job_.fields, groups_, keys,
                                                     delimiter.isEmpty() || delimiter.front() == QLatin1Char(' ') ? 0 : 1);
    return check->active() ? std::move(check) : nullptr;
}

void ImportRunner::writeOutput()
{
    // A file that can only be written into is written only with every group's rows.
    if (failedGroups_ > 0 && WholeFileWriter::targetOf(job_.outputPath) == WholeFileWriter::Target::InPlace) {
        ui().endWait();
        ui().message(tx(TextId::FileKeptAfterFailedCalls).arg(job_.outputPath));
        ui().beginWait();
        finish(Outcome::GroupsFailed);
        return;
    }
    panels().setMessage(tx(TextId::CreatingFile).arg(job_.outputPath));
    if (progress_ < 0.7f) step(roundHalfEven((0.7 - progress_) * 100.0));
    output_->setCheck(positionalCheck());
    if (cancelRequested_) return;   // cancel() has queued the end while the key fields were read
    if (FunctionsComponent* component = sapConnection().functions()) component->RemoveAll();
    AppError error;
    if (!output_->begin(job_.outputPath, &error)) {
        output_->cancel();
        OutputFile::reportFileError(error, job_.outputPath);
        finish(Outcome::OutputFailed);
        return;
    }
    sliceTimer_.start();
}

void ImportRunner::writeSlice()
{
    QElapsedTimer slice;
    slice.start();
    const float perRow = rowCount_ > 0 ? 0.3f / static_cast<float>(rowCount_) : 0.0f;
    AppError error;
    int written = 0;
    bool more = true;
    bool backlogged = false;
    while ((more = output_->next(&error))) {
        progress_ += perRow;
        if (++written >= sliceRows_ || slice.elapsed() >= SliceMilliseconds) break;
        if ((backlogged = output_->backlogged())) break;
    }
    if (error.isError()) {
        output_->cancel();
        OutputFile::reportFileError(error, job_.outputPath);
        finish(Outcome::OutputFailed);
        return;
    }
    Q_EMIT progressChanged(progress_);
    // While the disk is behind, the next slice waits a little instead of queuing more bytes.
    if (more) sliceTimer_.start(backlogged ? BackloggedPauseMilliseconds : 0);
    else closeOutput();
}

void ImportRunner::closeOutput()
{
    struct Closing {
        bool committed = false;
        AppError error;
    };
    auto closing = std::make_shared<Closing>();
    closer_.reset(QThread::create([this, closing] {
        FileWriterThread::giveWayToWindow();
        closing->committed = output_->finishWriting(&closing->error);
    }));
    connect(closer_.get(), &QThread::finished, this, [this, closing] {
        closer_->wait();
        closer_.reset();
        outputClosed(closing->committed, closing->error);
    });
    closer_->start();
}

void ImportRunner::outputClosed(bool committed, AppError error)
{
    if (cancelRequested_) {
        output_->cancel();
        finish(Outcome::Cancelled);
        return;
    }
    if (committed) committed = output_->commit(&error);
    if (!committed) {
        output_->cancel();
        OutputFile::reportFileError(error, job_.outputPath);
        finish(Outcome::OutputFailed);
        return;
    }
    complete();
}

void ImportRunner::complete()
{
    if (!preview_ && progress_ < 0.99f) step(roundHalfEven((0.99 - progress_) * 100.0));
    elapsed_ = static_cast<double>(clock_.nsecsElapsed()) / 1e9;
    if (!preview_) Q_EMIT outputWritten(job_.outputPath);
    completion_ = OutputFile::completionText(job_.fields.count(), rowCount_, job_.bytesPerRow, elapsed_);
    if (output_) {
        if (const QString notes = output_->notes(); !notes.isEmpty()) completion_ += QStringLiteral("; ") + notes;
    }
    panels().setMessage(completion_);
    finish(failedGroups_ > 0 ? Outcome::GroupsFailed : Outcome::Done);
}

void ImportRunner::finish(Outcome outcome)
{
    if (!running_) return;
    outcome_ = outcome;
    running_ = false;
    if (outcome == Outcome::Cancelled) panels().setMessage(tx(TextId::OperationCancelled));
    ui().endWait();
    operationGuard().end(guardId_);
    Q_EMIT finished(outcome);
}

} // namespace qvor
