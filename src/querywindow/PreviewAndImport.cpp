#include "querywindow/PreviewAndImport.h"

#include "querywindow/FieldListsController.h"
#include "querywindow/OptionsEditor.h"
#include "querywindow/PreviewPane.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/RowsStrip.h"
#include "querywindow/WindowRegistry.h"
#include "rfc/RfcData.h"
#include "sap/SapConnection.h"
#include "tableaccess/ChunkedImportRunner.h"
#include "tableaccess/ImportRunner.h"
#include "tableaccess/OutputFile.h"
#include "util/AppSettings.h"
#include "util/CommandRegistry.h"
#include "util/ExternalPrograms.h"
#include "util/OperationGuard.h"
#include "util/ProgressValue.h"
#include "util/StatusPanels.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"
#include "util/widgets/ProgressStrip.h"

namespace qvor {

PreviewAndImport::PreviewAndImport(QueryWindow& window)
    : QObject(&window), window_(window), runner_(new ImportRunner(this)), chunked_(new ChunkedImportRunner(this))
{
    const auto progress = [](float value) { ProgressValue::current() = value; };
    const auto open = [](const QString& path) { OpenWithAssociatedProgram(path); };
    const auto end = [this] {
        if (ProgressStrip* strip = ProgressStrip::current()) strip->ProgressEnd();
        Q_EMIT finished();
    };
    connect(runner_, &ImportRunner::progressChanged, this, progress);
    connect(runner_, &ImportRunner::outputWritten, this, open);
    connect(runner_, &ImportRunner::finished, this, end);
    connect(chunked_, &ChunkedImportRunner::progressChanged, this, progress);
    connect(chunked_, &ChunkedImportRunner::outputWritten, this, open);
    connect(chunked_, &ChunkedImportRunner::finished, this, end);
}

PreviewAndImport::~PreviewAndImport() = default;

bool PreviewAndImport::running() const { return runner_->running() || chunked_->running(); }

bool PreviewAndImport::ensureConnected() const
{
    if (!sapConnection().connected()) sapConnection().Connect();
    return sapConnection().connected();
}

void PreviewAndImport::UpdatePreview()
{
    if (operationGuard().refuseIfBusy()) return;
    if (window_.paneGeometry().previewClosed()) window_.OpenPreview();
    commands().setEnabled(QStringLiteral("mcloseqpreview"), true);
    PreviewPane* preview = window_.preview();
    preview->resetColumns();

    ImportJob job;
    job.fields.fields = window_.lists().myTable().fields();
    job.options.lines = window_.options().model().lines();
    job.rowLimit = window_.rowsStrip().rowLimit();
    job.bytesPerRow = myTableBytes();
    if (job.fields.count() == 0) {
        commands().setEnabled(QStringLiteral("mprintpreview"), false);
        return;
    }
    if (!ensureConnected()) return;

    PreviewTableModel& model = preview->previewModel();
    model.setColumns(PreviewColumns::AddColumnHeadersPreview(job.fields.fields));
    connect(runner_, &ImportRunner::finished, this, [this](ImportRunner::Outcome outcome) {
        if (outcome != ImportRunner::Outcome::CutFailed) commands().setEnabled(QStringLiteral("mprintpreview"), true);
        else commands().setEnabled(QStringLiteral("mprintpreview"), false);
    }, Qt::SingleShotConnection);
    runner_->startPreview(job, [&model](const CallGroup& group, const rfc::Table& data) {
        const int wa = data.columnIndex("WA");
        QStringList lines;
        lines.reserve(static_cast<qsizetype>(data.rows.size()));
        for (const auto& row : data.rows)
            lines << (wa < 0 ? QString() : QString::fromStdString(row[static_cast<std::size_t>(wa)]));
        panels().setMessage(PreviewTableModel::groupMessage(group.table, group.firstField, group.lastField,
                                                            static_cast<int>(lines.size())));
        model.AddDataPreview(group.firstField, group.lastField, lines);
    });
}

void PreviewAndImport::ImportMyTable()
{
    if (operationGuard().refuseIfBusy()) return;
    if (!ensureConnected()) return;
    MyTableModel& myTable = window_.lists().myTable();
    if (myTable.rowCount() == 0) return;
    QString& outputPath = documentValues().MyTableF;
    if (!OutputFile::SaveMyTableAs(myTable.QTableName(), outputPath)) return;

    ImportJob job;
    job.fields.fields = myTable.fields();
    job.options.lines = window_.options().model().lines();
    job.output = {appSettings().ExpFormat, appSettings().ExpTexts, appSettings().JoinKeys};
    job.outputPath = ImportOutput::pathFor(outputPath, job.output.format);
    job.separator = appSettings().listSeparator;
    job.rowLimit = window_.rowsStrip().rowLimit();
    job.bytesPerRow = myTableBytes();
    ImportChunking chunking = ImportChunking::fromSettings(appSettings(), job.fields);
    if (ChunkedImportRunner::resumable(job, chunking)) {
        const auto state = ResumeState::load(ResumeState::statePath(job.outputPath), nullptr);
        const QString question = tx(TextId::ImportContinueQuestion)
                                     .arg(job.outputPath)
                                     .arg(state ? state->done : 0)
                                     .arg(state ? int(state->boundaries.size()) + 1 : 0);
        chunking.resume = ui().message(question, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
    }
    if (ProgressStrip* strip = ProgressStrip::current()) strip->ProgressStart(QStringLiteral("Import"));
    prefetchAssociation(job.outputPath);
    if (chunking.active()) chunked_->start(job, chunking);
    else runner_->startImport(job);
}

} // namespace qvor
