#pragma once
// Reads back what tests need from an .xlsx file: the zip container (stored and deflated
// entries, ZIP64 records), the sheets in workbook order with their cells, number formats,
// frozen rows, autofilter and comments. Written for the tests; it understands the files our
// writer makes, not every workbook.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace qvor::test {

struct XlsxCell {
    QString value;    // the text, or the number as written in the file
    bool number = false;
    QString format;   // the number format's code ("yyyy-mm-dd", "0.00"; empty for General)
};

struct XlsxSheet {
    QString name;
    QList<QList<XlsxCell>> rows;       // rows[r][c], 0-based, gaps filled with empty cells
    int frozenRows = 0;
    QString autoFilter;                // e.g. "A1:C4"
    QMap<QString, QString> comments;   // cell reference -> text
};

class XlsxReader {
public:
    // False with a reason when the file is not a readable workbook.
    bool open(const QString& path, QString* why = nullptr);
    QStringList entryNames() const { return entries_.keys(); }
    QByteArray entry(const QString& name) const;
    QList<XlsxSheet> sheets() const;

private:
    struct Entry {
        quint64 localOffset = 0;
        quint64 compressedSize = 0;
        quint64 size = 0;
        int method = 0;
    };
    QByteArray bytes_;
    QMap<QString, Entry> entries_;
};

} // namespace qvor::test
