#include "tableaccess/QTableFormat.h"

#include "util/KeyLines.h"

#include <limits>

namespace qvor {

namespace {

const QString KeyMyTableF = QStringLiteral("MyTableF");
const QString KeyChSsl = QStringLiteral("ChSsl  ");
const QString KeyChRow = QStringLiteral("ChRow  ");
const QString KeySRows = QStringLiteral("sRows  ");
const QString KeySFI = QStringLiteral("SFI  ");
const QString KeySOP = QStringLiteral("SOP  ");
const QString KeyField = QStringLiteral("ssField  ");
const QString KeyOption = QStringLiteral("ssOption ");

bool readBool(const QString& line, bool& target, AppError* error)
{
    const auto value = parseBool(valueFrom14(line));
    if (!value) {
        if (error) *error = AppError::typeMismatch();
        return false;
    }
    target = *value;
    return true;
}

bool readNumber(const QString& line, qint64 low, qint64 high, qint64& target, AppError* error)
{
    const auto value = parseInteger(valueFrom14(line));
    if (!value) {
        if (error) *error = AppError::typeMismatch();
        return false;
    }
    if (*value < low || *value > high) {
        if (error) *error = AppError::overflow();
        return false;
    }
    target = *value;
    return true;
}

// A list count: 16-bit, negative is refused, above 999 is cut to 999.
bool readCount(const QString& line, int16_t& count, QStringList& items, AppError* error)
{
    qint64 n = 0;
    if (!readNumber(line, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), n, error))
        return false;
    if (n < 0) {
        if (error) *error = AppError::subscriptOutOfRange();
        return false;
    }
    count = static_cast<int16_t>(std::min<qint64>(n, QTableDocument::MaxItems));
    while (items.size() < count) items.append(QString());
    while (items.size() > count) items.removeLast();
    return true;
}

} // namespace

bool QTableFormat::parseLines(const QStringList& lines, QTableDocument& doc, AppError* error)
{
    for (const QString& line : lines) {
        if (line.contains(KeyMyTableF)) doc.MyTableF = valueFrom14(line);
        if (line.contains(KeyChSsl) && !readBool(line, doc.ChSsl, error)) return false;
        if (line.contains(KeyChRow) && !readBool(line, doc.ChRow, error)) return false;
        if (line.contains(KeySRows)) {
            qint64 n = 0;
            if (!readNumber(line, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), n, error))
                return false;
            doc.sRows = static_cast<qint32>(n);
        }
        if (line.contains(KeySFI) && !readCount(line, doc.fieldCount, doc.ssField, error)) return false;
        readListEntries(line, KeyField, doc.fieldCount, doc.ssField);
        if (line.contains(KeySOP) && !readCount(line, doc.optionCount, doc.ssOption, error)) return false;
        readListEntries(line, KeyOption, doc.optionCount, doc.ssOption);
    }
    return true;
}

QStringList QTableFormat::lines(const QTableDocument& doc)
{
    QStringList out;
    out << keyLine(QStringLiteral("MyTableF"), doc.MyTableF)
        << keyLine(QStringLiteral("ChSsl"), formatBool(doc.ChSsl))
        << keyLine(QStringLiteral("ChRow"), formatBool(doc.ChRow))
        << keyLine(QStringLiteral("sRows"), formatNumber(doc.sRows))
        << keyLine(QStringLiteral("SFI"), formatNumber(doc.fieldCount));
    for (int i = 1; i <= doc.fieldCount; ++i) out << listKey(QStringLiteral("ssField"), i) + doc.ssField.value(i - 1);
    out << keyLine(QStringLiteral("SOP"), formatNumber(doc.optionCount));
    for (int j = 1; j <= doc.optionCount; ++j) out << listKey(QStringLiteral("ssOption"), j) + doc.ssOption.value(j - 1);
    return out;
}

bool QTableFormat::parseFieldRecord(const QString& record, MyTableField& field, AppError* error)
{
    // Lengths are three digits as written; a longer length (written with more digits) is read up
    // to the blank that ends it, so the name behind it still comes back.
    field.type = record.left(1);
    qsizetype blank = record.indexOf(QLatin1Char(' '), 1);
    if (blank < 4) blank = 4;
    const QString lengthText = record.mid(1, blank - 1);
    bool ok = false;
    const int length = lengthText.trimmed().toInt(&ok);
    if (!ok) {
        if (error) *error = AppError::typeMismatch();
        return false;
    }
    if (length < std::numeric_limits<int16_t>::min() || length > std::numeric_limits<int16_t>::max()) {
        if (error) *error = AppError::overflow();
        return false;
    }
    field.length = static_cast<int16_t>(length);
    const QString rest = record.mid(blank + 1);
    const qsizetype end = rest.indexOf(QLatin1Char(' '));
    field.name = end < 0 ? rest : rest.left(end);
    field.text = end < 0 ? QString() : rest.mid(end + 1);
    return true;
}

QString QTableFormat::fieldRecord(const MyTableField& field)
{
    const QString length = field.length < 0 ? QStringLiteral("-%1").arg(-field.length, 3, 10, QLatin1Char('0'))
                                            : QStringLiteral("%1").arg(field.length, 3, 10, QLatin1Char('0'));
    return field.type + length + QLatin1Char(' ') + field.name + QLatin1Char(' ') + field.text;
}

} // namespace qvor
