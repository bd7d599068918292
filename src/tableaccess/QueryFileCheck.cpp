#include "tableaccess/QueryFileCheck.h"

#include "tableaccess/QTableFormat.h"
#include "util/AppError.h"
#include "util/FileCodec.h"

#include <QFile>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace qvor {

namespace {

bool fail(QString* problem, const QString& path, const QString& why)
{
    if (problem) *problem = path + QStringLiteral(": ") + why;
    return false;
}

bool statOf(const QString& path, struct stat& st) { return ::stat(QFile::encodeName(path).constData(), &st) == 0; }

// What the bytes are when they are no text of the program's: it writes 8-bit text with CR LF.
QString notText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff") || bytes.contains(QByteArrayView("\0", 1)))
        return bytes.count('\0') * 3 >= bytes.size() ? QStringLiteral("UTF-16 text, not a query file saved by the program")
                                                     : QStringLiteral("binary data, not a query file");
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\r' && c != '\n' && c != '\t') return QStringLiteral("binary data, not a query file");
    }
    return {};
}

bool hasKey(const QStringList& lines, const QString& key)
{
    return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(key); });
}

} // namespace

std::optional<QTableDocument> QueryFileCheck::read(const QString& path, QString* problem)
{
    struct stat st {};
    if (!statOf(path, st)) return fail(problem, path, QString::fromLocal8Bit(std::strerror(errno))), std::nullopt;
    if (!S_ISREG(st.st_mode)) return fail(problem, path, QStringLiteral("not a regular file")), std::nullopt;
    if (st.st_size > MaxBytes)
        return fail(problem, path, QStringLiteral("larger than 16 MiB, not a query file")), std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(problem, path, file.errorString()), std::nullopt;
    // The size may have grown since; no more than the limit is read all the same.
    const QByteArray bytes = file.read(MaxBytes + 1);
    if (bytes.size() > MaxBytes) return fail(problem, path, QStringLiteral("larger than 16 MiB, not a query file")), std::nullopt;
    if (bytes.isEmpty()) return fail(problem, path, QStringLiteral("the file is empty")), std::nullopt;
    if (const QString why = notText(bytes); !why.isEmpty()) return fail(problem, path, why), std::nullopt;

    const QStringList lines = splitLines(decode8Bit(bytes));
    QTableDocument doc;
    AppError error;
    if (!QTableFormat::parseLines(lines, doc, &error)) return fail(problem, path, error.text()), std::nullopt;
    if (!hasKey(lines, QStringLiteral("SFI ")))
        return fail(problem, path, QStringLiteral("no field count (SFI), not a query file")), std::nullopt;
    if (doc.fieldCount == 0) return fail(problem, path, QStringLiteral("the query has no fields")), std::nullopt;
    for (int i = 1; i <= doc.fieldCount; ++i) {
        const QString record = doc.ssField.value(i - 1);
        if (record.isEmpty())
            return fail(problem, path, QStringLiteral("cut short: field %1 of %2 is missing").arg(i).arg(doc.fieldCount)), std::nullopt;
        MyTableField field;
        if (!QTableFormat::parseFieldRecord(record, field, nullptr) || field.length <= 0 || field.name.isEmpty())
            return fail(problem, path, QStringLiteral("field %1 has no valid type, length and name: %2").arg(i).arg(record)), std::nullopt;
    }
    // The options' count is the last thing written: without it the file was cut short.
    if (!hasKey(lines, QStringLiteral("SOP ")))
        return fail(problem, path, QStringLiteral("cut short: the options count (SOP) is missing")), std::nullopt;
    for (int j = 1; j <= doc.optionCount; ++j)
        if (!hasKey(lines, QStringLiteral("ssOption %1 ").arg(j, 3, 10, QLatin1Char('0'))))
            return fail(problem, path, QStringLiteral("cut short: option %1 of %2 is missing").arg(j).arg(doc.optionCount)), std::nullopt;
    return doc;
}

bool QueryFileCheck::sameFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    return statOf(a, sa) && statOf(b, sb) && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace qvor
