#include "tableaccess/CsvLineFormatter.h"

#include "tableaccess/SapValue.h"

#include <cstring>

namespace qvor {

CsvLineFormatter::CsvLineFormatter(std::vector<char> types, const QString& separator)
    : types_(std::move(types)), separator_(separator.toUtf8())
{
}

QByteArray CsvLineFormatter::byteOrderMark() { return QByteArray("\xEF\xBB\xBF"); }

void CsvLineFormatter::appendField(QByteArray& out, std::string_view text) const
{
    bool quote = text.find_first_of("\"\r\n") != std::string_view::npos;
    if (!quote && !separator_.isEmpty()) {
        quote = separator_.size() == 1
                    ? std::memchr(text.data(), separator_.at(0), text.size()) != nullptr
                    : text.find(std::string_view(separator_.constData(), static_cast<std::size_t>(separator_.size())))
                          != std::string_view::npos;
    }
    if (!quote) {
        out.append(text.data(), static_cast<qsizetype>(text.size()));
        return;
    }
    out.append('"');
    for (std::size_t at = 0;;) {
        const std::size_t q = text.find('"', at);
        out.append(text.data() + at, static_cast<qsizetype>((q == std::string_view::npos ? text.size() : q) - at));
        if (q == std::string_view::npos) break;
        out.append("\"\"", 2);
        at = q + 1;
    }
    out.append('"');
}

QByteArray CsvLineFormatter::headerLine(const QStringList& items) const
{
    QByteArray out;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0) out.append(separator_);
        const QByteArray item = items[i].toUtf8();
        appendField(out, std::string_view(item.constData(), static_cast<std::size_t>(item.size())));
    }
    out.append("\r\n", 2);
    return out;
}

void CsvLineFormatter::appendRow(QByteArray& out, const std::vector<std::string_view>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out.append(separator_);
        const SapValue value = SapValue::parse(values[i], i < types_.size() ? types_[i] : 'C');
        if (value.kind == SapValue::Kind::Overflow) ++overflows_;
        if (value.kind == SapValue::Kind::Text || value.kind == SapValue::Kind::Overflow) {
            appendField(out, value.text);
            continue;
        }
        // Converted values are checked too: a separator such as "-" or "." can occur in them.
        scratch_.clear();
        value.appendText(scratch_);
        appendField(out, scratch_);
    }
    out.append("\r\n", 2);
}

} // namespace qvor
