#include "tableaccess/OutputFile.h"

#include "util/AppSettings.h"
#include "util/StatusPanels.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"
#include "util/WholeFileWriter.h"

#include <cmath>

namespace qvor {

namespace {

const QString DataFilter = QStringLiteral("Text (*.csv)|*.csv|Text (*.txt)|*.txt");
const QString DataFilesFilter =
    QStringLiteral("Text (*.csv)|*.csv|Text (*.txt)|*.txt|Excel (*.xls)|*.xls|All Files (*.*)|*.*");
const QString TextFilesFilter = QStringLiteral("Text (*.txt)|*.txt|All Files (*.*)|*.*");

} // namespace

QString OutputFile::ReplaceText(const QString& text, const QString& find, const QString& replacement)
{
    if (find.isEmpty()) return text;
    QString result = text;
    return result.replace(find, replacement);
}

QString OutputFile::folderPart(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return cut < 0 ? QString() : path.left(cut + 1);
}

QString OutputFile::proposedPath(const QString& currentOutputPath, const QString& tableName)
{
    return folderPart(currentOutputPath) + ReplaceText(tableName, QStringLiteral("/"), QStringLiteral("_"));
}

bool OutputFile::SaveMyTableAs(const QString& tableName, QString& outputPath)
{
    outputPath = proposedPath(outputPath, tableName);
    const auto chosen = ui().saveFileDialog(tx(TextId::SaveMyTableAsTitle), DataFilter, outputPath, true);
    if (!chosen) return false;
    outputPath = *chosen;
    return CheckOutputFile(outputPath);
}

void OutputFile::reportFileError(const AppError& error, const QString& path)
{
    ui().message(error.text());
    if (error.number == AppError::permissionDenied().number)
        ui().message(tx(TextId::CloseYourTable).arg(path));
}

bool OutputFile::CheckOutputFile(const QString& path)
{
    panels().setMessage(tx(TextId::CheckingFile).arg(path));
    // Found out without emptying the file: it keeps its content until a new one is complete.
    AppError error;
    if (!WholeFileWriter::checkWritable(path, &error)) {
        reportFileError(error, path);
        panels().setMessage(QString());
        return false;
    }
    return true;
}

QString OutputFile::headerLine(const QStringList& items, const QString& separator)
{
    QString line;
    for (const QString& item : items) line += item + separator;
    line.chop(1);
    return line;
}

QString OutputFile::fieldNamesLine(const MyTableBuffer& fields, const QString& separator)
{
    QStringList names;
    for (const auto& f : fields.fields) names << f.name;
    return headerLine(names, separator);
}

QString OutputFile::fieldTextsLine(const MyTableBuffer& fields, const QString& separator)
{
    QStringList texts;
    for (const auto& f : fields.fields) texts << f.text;
    return headerLine(texts, separator);
}

QString OutputFile::ElapsedText(double seconds, const QLocale& locale)
{
    const double hours = seconds / 3600.0;
    const long long h = static_cast<long long>(std::floor(hours));
    const double minutes = (hours - static_cast<double>(h)) * 60.0;
    const long long m = static_cast<long long>(std::floor(minutes));
    const double sec = (minutes - static_cast<double>(m)) * 60.0;
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    const QString secText = plain.toString(sec, 'f', 2) + QStringLiteral(" s");
    if (h > 0) return QStringLiteral("%1 h %2 min ").arg(h).arg(m) + secText;
    if (m > 0) return QStringLiteral("%1 min ").arg(m) + secText;
    return secText;
}

QString OutputFile::completionText(int fieldCount, qint64 rows, int bytesPerRow, double seconds, const QLocale& locale)
{
    return tx(TextId::ImportCompleted)
        .arg(fieldCount)
        .arg(rows)
        .arg(bytesPerRow)
        .arg(ElapsedText(seconds, locale));
}

void OutputFile::ShowCompletion(int fieldCount, qint64 rows, int bytesPerRow, double seconds)
{
    panels().setMessage(completionText(fieldCount, rows, bytesPerRow, seconds));
}

bool OutputFile::OpenTableFile(const QString& title)
{
    AppSettings& s = appSettings();
    if (!s.FolderTable.isEmpty() && !s.TableFile.contains(s.FolderTable)) {
        // The folder setting is edited by hand; on this platform a folder written with "/" is
        // joined with "/" so the proposal stays a valid path.
        const QString join = s.FolderTable.contains(QLatin1Char('/')) ? QStringLiteral("/") : QStringLiteral("\\");
        s.TableFile = s.FolderTable + join + s.TableFile;
    }
    const auto chosen = ui().openFileDialog(title, DataFilesFilter, s.TableFile);
    if (!chosen) return false;
    s.TableFile = *chosen;
    return true;
}

QString OutputFile::dialogFilter(int kind)
{
    return kind == DataFiles ? DataFilesFilter : TextFilesFilter;
}

std::optional<QString> OutputFile::OpenFileDialog(const QString& initialName, int kind)
{
    return ui().openFileDialog(tx(TextId::OpenDialogTitle), dialogFilter(kind), initialName);
}

std::optional<QString> OutputFile::SaveFileDialog(const QString& initialName, int kind)
{
    return ui().saveFileDialog(tx(TextId::SaveAsDialogTitle), dialogFilter(kind), initialName, true);
}

} // namespace qvor
