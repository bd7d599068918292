#pragma once
// The output file of an import and the file choices around it: proposing and checking the path,
// the header lines, the completion text with the elapsed time, and the generic open and save
// dialogs that the query-table commands use.
#include "tableaccess/ExtractionBuffers.h"
#include "util/AppError.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

namespace qvor {

class OutputFile {
public:
    // Filter kinds of the generic dialogs.
    enum DialogKind { TextFiles = 2, DataFiles = 4 };

    static QString ReplaceText(const QString& text, const QString& find, const QString& replacement);
    // Everything up to and including the last "/" or "\" (whichever is later); empty without one.
    static QString folderPart(const QString& path);
    // The path SaveMyTableAs proposes: the folder of the previous output + the table name with
    // "/" replaced by "_" (namespaced tables such as /ABC/TABLE).
    static QString proposedPath(const QString& currentOutputPath, const QString& tableName);

    // Asks for the output path (outputPath is the document's MyTableF); true when the chosen file
    // can be written. The proposal stays in outputPath also when the user cancels.
    static bool SaveMyTableAs(const QString& tableName, QString& outputPath);

    // Whether the file can be written, found out without changing it; on failure the error
    // messages, an empty message panel, false.
    static bool CheckOutputFile(const QString& path);
    // "Error n: description", and for a file open elsewhere the request to close it.
    static void reportFileError(const AppError& error, const QString& path);

    // Each item followed by the separator, then the line's last character removed.
    static QString headerLine(const QStringList& items, const QString& separator);
    static QString fieldNamesLine(const MyTableBuffer& fields, const QString& separator);
    static QString fieldTextsLine(const MyTableBuffer& fields, const QString& separator);

    static QString ElapsedText(double seconds, const QLocale& locale = QLocale());
    static QString completionText(int fieldCount, qint64 rows, int bytesPerRow, double seconds,
                                  const QLocale& locale = QLocale());
    static void ShowCompletion(int fieldCount, qint64 rows, int bytesPerRow, double seconds);

    // The file choice of "Open Table in Excel" on the TableFile / FolderTable settings.
    static bool OpenTableFile(const QString& title);

    static QString dialogFilter(int kind);
    static std::optional<QString> OpenFileDialog(const QString& initialName, int kind);
    static std::optional<QString> SaveFileDialog(const QString& initialName, int kind);
};

} // namespace qvor
