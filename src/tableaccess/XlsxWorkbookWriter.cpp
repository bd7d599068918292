#include "tableaccess/XlsxWorkbookWriter.h"

#include "tableaccess/SapValue.h"

#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>

namespace qvor {

namespace {

// A spreadsheet keeps 15 significant digits; longer numbers stay exact as text.
constexpr std::size_t MaxExactDigits = 15;
// The first day a spreadsheet counts without its 1900 leap-year quirk (1900-03-01).
constexpr long long FirstPlainDay = 61;
constexpr long long RowsBetweenChecks = 4096;

AppError errorFromErrno(int code)
{
    switch (code) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return AppError::diskFull();
    case EACCES:
    case EPERM:
    case EROFS:
        return AppError::permissionDenied();
    case ENOENT:
    case ENOTDIR:
        return AppError::pathNotFound();
    default:
        return AppError::pathFileAccess();
    }
}

double columnWidth(const XlsxColumn& c)
{
    if (c.type == 'D') return 11;
    if (c.type == 'T') return 9;
    return std::clamp<double>(std::max<qsizetype>(c.length, c.name.size()) + 1, 6, 60);
}

} // namespace

XlsxWorkbookWriter::~XlsxWorkbookWriter() { discard(); }

QString XlsxWorkbookWriter::sheetNameFor(const QString& base, int number)
{
    QString name = base;
    for (QChar& c : name)
        if (QStringLiteral("[]:*?/\\").contains(c)) c = QLatin1Char('_');
    while (name.startsWith(QLatin1Char('\''))) name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\''))) name.chop(1);
    if (name.isEmpty()) name = QStringLiteral("Sheet");
    const QString suffix = number > 1 ? QStringLiteral(" (%1)").arg(number) : QString();
    return name.left(31 - suffix.size()) + suffix;
}

bool XlsxWorkbookWriter::failed(AppError* error, int libraryError)
{
    const int code = errno;
    if (error) {
        *error = libraryError == LXW_ERROR_MEMORY_MALLOC_FAILED ? AppError{7, QStringLiteral("Out of memory")}
                                                                : errorFromErrno(code);
    }
    return false;
}

bool XlsxWorkbookWriter::sheetFileFailed(bool flush) const
{
    FILE* file = sheet_ ? sheet_->optimize_tmpfile : nullptr;
    if (!file) return false;
    return (flush && std::fflush(file) != 0) || std::ferror(file);
}

bool XlsxWorkbookWriter::open(const QString& path, std::vector<XlsxColumn> columns, const Options& options,
                              AppError* error)
{
    discard();
    if (columns.empty() || columns.size() > static_cast<std::size_t>(MaxColumns)) {
        if (error) *error = AppError::subscriptOutOfRange();
        return false;
    }
    path_ = path;
    nativePath_ = QFile::encodeName(QDir::toNativeSeparators(path)).toStdString();
    temporaryFolder_ = QFile::encodeName(options.temporaryFolder.isEmpty() ? QDir::tempPath()
                                                                          : options.temporaryFolder).toStdString();
    columns_ = std::move(columns);
    options_ = options;
    headerRows_ = options.descriptionRow ? 2 : 1;
    options_.sheetRows = std::max<long long>(options.sheetRows, headerRows_ + 1);
    sheets_ = 0;
    overflows_ = 0;

    lxw_workbook_options settings = {};
    settings.constant_memory = LXW_TRUE;
    settings.tmpdir = temporaryFolder_.data();
    settings.use_zip64 = LXW_TRUE;   // the sheets of a big result pass 4 GB before compression
    errno = 0;
    workbook_ = workbook_new_opt(nativePath_.c_str(), &settings);
    if (!workbook_) return failed(error, LXW_ERROR_MEMORY_MALLOC_FAILED);

    headerFormat_ = workbook_add_format(workbook_);
    format_set_bold(headerFormat_);
    descriptionFormat_ = workbook_add_format(workbook_);
    format_set_italic(descriptionFormat_);
    dateFormat_ = workbook_add_format(workbook_);
    format_set_num_format(dateFormat_, "yyyy-mm-dd");
    timeFormat_ = workbook_add_format(workbook_);
    format_set_num_format(timeFormat_, "hh:mm:ss");
    numberFormats_.clear();
    return addSheet(error);
}

lxw_format* XlsxWorkbookWriter::numberFormat(std::size_t decimals)
{
    if (decimals >= numberFormats_.size()) numberFormats_.resize(decimals + 1, nullptr);
    lxw_format*& format = numberFormats_[decimals];
    if (!format) {
        format = workbook_add_format(workbook_);
        const std::string pattern = decimals == 0 ? std::string("0") : "0." + std::string(decimals, '0');
        format_set_num_format(format, pattern.c_str());
    }
    return format;
}

bool XlsxWorkbookWriter::addSheet(AppError* error)
{
    ++sheets_;
    const std::string name = sheetNameFor(options_.sheetName, sheets_).toStdString();
    errno = 0;
    sheet_ = workbook_add_worksheet(workbook_, name.c_str());
    if (!sheet_) {
        // A name the library still refuses: a plain numbered one.
        sheet_ = workbook_add_worksheet(workbook_, QStringLiteral("Sheet%1").arg(sheets_).toUtf8().constData());
        if (!sheet_) return failed(error, LXW_ERROR_CREATING_TMPFILE);
    }
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const auto col = static_cast<lxw_col_t>(c);
        worksheet_set_column(sheet_, col, col, columnWidth(columns_[c]), nullptr);
        worksheet_write_string(sheet_, 0, col, columns_[c].name.toUtf8().constData(), headerFormat_);
        const QByteArray text = columns_[c].text.toUtf8();
        if (!text.isEmpty()) worksheet_write_comment(sheet_, 0, col, text.constData());
    }
    if (options_.descriptionRow) {
        for (std::size_t c = 0; c < columns_.size(); ++c)
            worksheet_write_string(sheet_, 1, static_cast<lxw_col_t>(c), columns_[c].text.toUtf8().constData(),
                                   descriptionFormat_);
    }
    worksheet_freeze_panes(sheet_, static_cast<lxw_row_t>(headerRows_), 0);
    row_ = headerRows_;
    return true;
}

void XlsxWorkbookWriter::finishSheet()
{
    if (!sheet_) return;
    // The filter's first row is the last header row, so its buttons sit right above the data.
    worksheet_autofilter(sheet_, static_cast<lxw_row_t>(headerRows_ - 1), 0, static_cast<lxw_row_t>(row_ - 1),
                         static_cast<lxw_col_t>(columns_.size() - 1));
}

bool XlsxWorkbookWriter::writeRow(const std::vector<std::string_view>& values, AppError* error)
{
    if (!workbook_) {
        if (error) *error = AppError::pathFileAccess();
        return false;
    }
    if (row_ >= options_.sheetRows) {
        if (sheetFileFailed(true)) return failed(error, LXW_ERROR_CREATING_TMPFILE);
        finishSheet();
        if (!addSheet(error)) return false;
    }
    const auto row = static_cast<lxw_row_t>(row_);
    const std::size_t n = std::min(values.size(), columns_.size());
    for (std::size_t c = 0; c < n; ++c) {
        const auto col = static_cast<lxw_col_t>(c);
        const char type = columns_[c].type;
        const SapValue value = SapValue::parse(values[c], type);
        switch (value.kind) {
        case SapValue::Kind::Empty:
            break;
        case SapValue::Kind::Number:
            if (value.integerPart.size() + value.fraction.size() <= MaxExactDigits) {
                worksheet_write_number(sheet_, row, col, value.number(),
                                       type == 'P' ? numberFormat(value.fraction.size()) : nullptr);
                break;
            }
            [[fallthrough]];
        case SapValue::Kind::Text:
        case SapValue::Kind::Overflow:
            if (value.kind == SapValue::Kind::Overflow) ++overflows_;
            scratch_.clear();
            value.appendText(scratch_);
            worksheet_write_string(sheet_, row, col, scratch_.c_str(), nullptr);
            break;
        case SapValue::Kind::Date:
            if (value.dayNumber() >= FirstPlainDay) {
                worksheet_write_number(sheet_, row, col, static_cast<double>(value.dayNumber()), dateFormat_);
            } else {
                scratch_.clear();
                value.appendText(scratch_);
                worksheet_write_string(sheet_, row, col, scratch_.c_str(), nullptr);
            }
            break;
        case SapValue::Kind::Time:
            worksheet_write_number(sheet_, row, col, value.dayFraction(), timeFormat_);
            break;
        }
    }
    ++row_;
    if (row_ % RowsBetweenChecks == 0 && sheetFileFailed(false)) return failed(error, LXW_ERROR_CREATING_TMPFILE);
    return true;
}

bool XlsxWorkbookWriter::close(AppError* error)
{
    if (!workbook_) {
        if (error) *error = AppError::pathFileAccess();
        return false;
    }
    finishSheet();
    // The library writes the last row's cells when the workbook closes; a failure before shows here.
    if (sheetFileFailed(true)) {
        failed(error, LXW_ERROR_CREATING_TMPFILE);
        discard();
        return false;
    }
    lxw_workbook* workbook = workbook_;
    workbook_ = nullptr;
    sheet_ = nullptr;
    errno = 0;
    const lxw_error result = workbook_close(workbook);
    if (result != LXW_NO_ERROR) {
        failed(error, result);
        QFile::remove(path_);
        return false;
    }
    return true;
}

void XlsxWorkbookWriter::discard()
{
    if (!workbook_) return;
    lxw_workbook_free(workbook_);
    workbook_ = nullptr;
    sheet_ = nullptr;
}

} // namespace qvor
