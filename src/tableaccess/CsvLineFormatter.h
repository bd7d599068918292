#pragma once
// Lines of the CSV file for spreadsheets (RFC 4180): a field is quoted when it holds the
// separator, a quote, CR or LF, and quotes inside are doubled; values lose their trailing blanks
// and SAP's own notations (dates, times, trailing minus signs) become what spreadsheets read.
// Lines end CR LF; the file starts with a UTF-8 byte-order mark so spreadsheet programs on
// Windows read the umlauts right.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace qvor {

class CsvLineFormatter {
public:
    // One type letter per column, in column order.
    CsvLineFormatter(std::vector<char> types, const QString& separator);

    static QByteArray byteOrderMark();
    // A header line (field names or descriptions) with its line end.
    QByteArray headerLine(const QStringList& items) const;
    // One data line from the columns' slots (UTF-8, as SAP filled them), with its line end.
    void appendRow(QByteArray& out, const std::vector<std::string_view>& values);

    // Values that SAP marked as too long for their slot ("*" first), kept as text so far.
    qint64 overflowCount() const { return overflows_; }

private:
    void appendField(QByteArray& out, std::string_view text) const;

    std::vector<char> types_;
    QByteArray separator_;
    std::string scratch_;
    qint64 overflows_ = 0;
};

} // namespace qvor
