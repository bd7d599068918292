#pragma once
// The program's settings, process-wide for the whole run: read once at start-up from "Qvor.ini",
// changed in memory by commands and windows, written once when the main window closes.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace qvor {

// The file an import writes: the specified one (values as SAP delivered them), CSV for
// spreadsheets, or an Excel workbook. The names are those of the settings file and of
// qvor-extract's --format.
enum class OutputFormat { Sap, Csv, Xlsx };
QString outputFormatName(OutputFormat format);
std::optional<OutputFormat> outputFormatNamed(const QString& name);

struct AppSettings {
    QString sSapLogon;
    QString FolderTable;
    QString TableFile;
    QString SGlobal;
    bool ChOpt = false;
    bool OptEN = false;
    bool OptPT = false;
    bool OptCT = false;
    bool Tool = false;
    bool Status = false;
    QString listSeparator = QStringLiteral(";");   // file key "z": between values of an imported row
    int16_t fzeqTop = 0;
    int16_t fzeqLeft = 0;
    int16_t fzeqHeight = 0;
    int16_t fzeqWidth = 0;
    int16_t SAT = 0;
    QStringList ssAddTab;   // entries 1..SAT are ssAddTab[0..SAT-1]
    QString FileQvor;
    // Beyond the specified keys, written only when they differ from these defaults, so the file
    // of a program with default settings keeps the specified lines.
    OutputFormat ExpFormat = OutputFormat::Sap;
    bool ExpTexts = false;    // the descriptions as a second header line (CSV) or row (workbook)
    bool JoinKeys = false;    // the calls' rows joined by key fields instead of by position
    // Beyond the specified keys, written only when set: how Import reads a large table.
    QString importPartition;    // "TABLE-FIELD:N"; empty: no partitions
    int importSessions = 1;     // parallel sessions
    int importPageRows = 0;     // rows per call; 0: no pages

    static constexpr int MaxTreeEntries = 999;

    // English test and Portuguese test, used by every wording choice of the program.
    bool englishTest() const { return OptEN || OptCT; }
    bool portugueseTest() const { return OptPT; }
};

// The one instance of the running program (tests reset it with `appSettings() = {}`).
AppSettings& appSettings();

} // namespace qvor
