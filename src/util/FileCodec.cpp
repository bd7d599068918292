#include "util/FileCodec.h"

#include <QFile>
#include <QStringDecoder>

namespace qvor {
namespace {

// Windows-1252 for 0x80-0x9F; the five undefined bytes map to the C1 controls, as Windows does.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b <= 0x9F) ? QChar(Cp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

void setError(AppError* error, const AppError& value)
{
    if (error) *error = value;
}

} // namespace

QString decode8Bit(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) view = view.sliced(3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8.decode(view);
    if (!utf8.hasError()) return text;
    return decodeWindows1252(view);
}

QByteArray encode8Bit(const QString& text) { return text.toUtf8(); }

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) {
            lines << text.mid(start);
            break;
        }
        qsizetype lineEnd = end;
        if (lineEnd > start && text.at(lineEnd - 1) == QLatin1Char('\r')) --lineEnd;
        lines << text.mid(start, lineEnd - start);
        start = end + 1;
    }
    return lines;
}

QByteArray joinLinesCrLf(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += encode8Bit(line);
        bytes += "\r\n";
    }
    return bytes;
}

std::optional<QByteArray> readFileBytes(const QString& path, AppError* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, AppError::fromFile(file));
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, AppError::pathFileAccess());
        return std::nullopt;
    }
    return bytes;
}

std::optional<QStringList> readTextLines(const QString& path, AppError* error)
{
    const auto bytes = readFileBytes(path, error);
    if (!bytes) return std::nullopt;
    return splitLines(decode8Bit(*bytes));
}

} // namespace qvor
