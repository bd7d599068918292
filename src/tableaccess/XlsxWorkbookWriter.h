#pragma once
// The Excel workbook of an import, written row by row through libxlsxwriter in its
// constant-memory mode, so a million rows cost disk, not memory. Numbers become numbers with the
// field's decimals, dates and times real dates and times, everything else text (leading zeros
// kept). The header row holds the field names, each with its description as a comment; an
// optional second row repeats the descriptions. The header stays in view (frozen) and carries
// an autofilter. A sheet holds at most 1,048,576 rows; the rows beyond go on to a new sheet that
// starts with the same header.
#include "util/AppError.h"

#include <QString>
#include <string>
#include <string_view>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace qvor {

struct XlsxColumn {
    QString name;   // qualified field name
    QString text;   // description
    char type = 'C';
    int length = 0;
};

class XlsxWorkbookWriter {
public:
    static constexpr long long MaxSheetRows = 1048576;
    static constexpr int MaxColumns = 16384;

    struct Options {
        bool descriptionRow = false;
        QString sheetName;            // the first table's name; made fit for a sheet name
        QString temporaryFolder;      // for the library's files while rows are written; empty: the system's
        long long sheetRows = MaxSheetRows;   // tests make it small
    };

    XlsxWorkbookWriter() = default;
    ~XlsxWorkbookWriter();
    XlsxWorkbookWriter(const XlsxWorkbookWriter&) = delete;
    XlsxWorkbookWriter& operator=(const XlsxWorkbookWriter&) = delete;

    // Starts the workbook; nothing is at `path` until close() succeeds.
    bool open(const QString& path, std::vector<XlsxColumn> columns, const Options& options, AppError* error);
    // One row from the columns' slots (UTF-8, as SAP filled them).
    bool writeRow(const std::vector<std::string_view>& values, AppError* error);
    // Writes the file. False with the error when anything could not be written.
    bool close(AppError* error);
    // Drops everything written so far; no file remains.
    void discard();

    long long overflowCount() const { return overflows_; }
    int sheetCount() const { return sheets_; }

    // A name Excel accepts for the sheet with the given number (1 for the first).
    static QString sheetNameFor(const QString& base, int number);

private:
    bool addSheet(AppError* error);
    void finishSheet();
    lxw_format* numberFormat(std::size_t decimals);
    bool failed(AppError* error, int libraryError);
    // The library does not check its writes of the current sheet's rows; this does.
    bool sheetFileFailed(bool flush) const;

    QString path_;
    std::string nativePath_;
    std::string temporaryFolder_;
    std::vector<XlsxColumn> columns_;
    Options options_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* headerFormat_ = nullptr;
    lxw_format* descriptionFormat_ = nullptr;
    lxw_format* dateFormat_ = nullptr;
    lxw_format* timeFormat_ = nullptr;
    std::vector<lxw_format*> numberFormats_;   // by decimals
    int headerRows_ = 1;
    int sheets_ = 0;
    long long row_ = 0;   // next row of the current sheet (0-based)
    long long overflows_ = 0;
    std::string scratch_;
};

} // namespace qvor
