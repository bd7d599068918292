#include "tableaccess/ImportChunking.h"

#include "tableaccess/ExtractionBuffers.h"
#include "util/AppSettings.h"
#include "util/UiTexts.h"

#include <QRegularExpression>

namespace qvor {

bool ImportChunking::setPartition(const QString& text, QString* error)
{
    static const QRegularExpression form(QStringLiteral("^([A-Za-z0-9_/]+(?:-[A-Za-z0-9_/]+)?)(?::(\\d{1,9}))?$"));
    const auto match = form.match(text.trimmed());
    if (!match.hasMatch()) {
        if (error) *error = tx(TextId::ChunkPartitionForm).arg(text);
        return false;
    }
    partitionField = match.captured(1).toUpper();
    partitions = match.captured(2).isEmpty() ? DefaultPartitions : match.captured(2).toInt();
    return check(error);
}

QString ImportChunking::partitionText() const
{
    return partitionField.isEmpty() ? QString() : partitionField + QLatin1Char(':') + QString::number(partitions);
}

bool ImportChunking::check(QString* error) const
{
    QString why;
    if (!partitionField.isEmpty() && (partitions < MinPartitions || partitions > MaxPartitions))
        why = tx(TextId::ChunkPartitionsRange).arg(MinPartitions).arg(MaxPartitions);
    else if (parallel < 1 || parallel > MaxParallel)
        why = tx(TextId::ChunkParallelRange).arg(MaxParallel);
    else if (pageRows < 0)
        why = tx(TextId::ChunkPageRowsRange);
    if (error) *error = why;
    return why.isEmpty();
}

} // namespace qvor

namespace qvor {

ImportChunking ImportChunking::fromSettings(const AppSettings& settings, const MyTableBuffer& fields)
{
    ImportChunking c;
    c.parallel = settings.importSessions;
    c.pageRows = settings.importPageRows;
    if (!settings.importPartition.isEmpty() && c.setPartition(settings.importPartition, nullptr)) {
        const QString table = tableOfField(c.partitionField);
        bool read = false;
        for (const MyTableField& f : fields.fields) read = read || tableOfField(f.name) == table;
        if (!read || !c.partitionField.contains(QLatin1Char('-'))) c.partitionField.clear();
    }
    if (!c.check(nullptr)) c = ImportChunking();
    return c;
}

} // namespace qvor
