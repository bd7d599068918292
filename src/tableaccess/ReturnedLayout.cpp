#include "tableaccess/ReturnedLayout.h"

#include "rfc/Utf8.h"

#include <algorithm>

namespace qvor {
namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::size_t number(const rfc::Table& fields, std::size_t row, std::string_view column)
{
    const std::string_view text = trimmed(fields.value(row, column));
    std::size_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    return n;
}

bool isAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

ReturnedLayout ReturnedLayout::read(const QStringList& requested, const rfc::Table& fields, const QString& delimiter,
                                    QString* missing)
{
    struct Returned {
        std::string name;
        std::size_t offset, length;
        bool packed;
    };
    std::vector<Returned> returned;
    for (std::size_t r = 0; r < fields.rows.size(); ++r)
        returned.push_back({std::string(rfc::utf8::trimRight(fields.value(r, "FIELDNAME"))), number(fields, r, "OFFSET"),
                            number(fields, r, "LENGTH"), trimmed(fields.value(r, "TYPE")) == "P"});
    std::stable_sort(returned.begin(), returned.end(), [](const Returned& a, const Returned& b) { return a.offset < b.offset; });

    ReturnedLayout layout;
    const std::string given = delimiter.toStdString();
    if (!given.empty() && given[0] != ' ') layout.delimiter_ = given.substr(0, rfc::utf8::byteOffset(given, 1));
    const std::size_t gap = layout.delimiter_.empty() ? 0 : 1;

    layout.unchanged_ = static_cast<std::size_t>(requested.size()) == returned.size();
    std::size_t classicOffset = 0;
    for (qsizetype i = 0; i < requested.size(); ++i) {
        const std::string name(rfc::utf8::trimRight(requested[i].toStdString()));
        const auto at = std::find_if(returned.begin(), returned.end(), [&](const Returned& f) { return f.name == name; });
        if (at == returned.end()) {
            if (missing) *missing = requested[i];
            return {};
        }
        Slot slot;
        slot.offset = at->offset;
        slot.length = at->length;
        slot.packed = at->packed;
        // A packed field may take more room than its LENGTH: up to the next field, or the line's end.
        const auto next = at + 1;
        slot.width = !at->packed ? at->length : next == returned.end() ? 0 : next->offset - gap - at->offset;
        layout.slots_.push_back(slot);
        if (i > 0) classicOffset += gap;
        layout.unchanged_ = layout.unchanged_ && !at->packed && at->offset == classicOffset
                            && static_cast<std::size_t>(at - returned.begin()) == static_cast<std::size_t>(i);
        classicOffset += at->length;
    }
    return layout;
}

void ReturnedLayout::rebuild(std::string_view line, std::string& out) const
{
    out.clear();
    // Character positions to bytes: only lines with non-ASCII text need the table.
    thread_local std::vector<std::size_t> bytes;
    const bool ascii = isAscii(line);
    if (!ascii) {
        bytes.clear();
        for (std::size_t pos = 0; pos < line.size();) {
            bytes.push_back(pos);
            rfc::utf8::next(line, pos);
        }
        bytes.push_back(line.size());
    }
    const std::size_t characters = ascii ? line.size() : bytes.size() - 1;
    const auto byteAt = [&](std::size_t c) { return ascii ? std::min(c, line.size()) : bytes[std::min(c, characters)]; };
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const Slot& s = slots_[i];
        if (i > 0) out += delimiter_;
        const std::size_t from = byteAt(s.offset);
        const std::size_t to = s.width == 0 ? line.size() : byteAt(s.offset + s.width);
        const std::string_view text = line.substr(from, to - from);
        if (s.packed) appendClassicPacked(out, text, s.length);
        else rfc::utf8::appendLeft(out, text, s.length);
    }
}

void ReturnedLayout::rebuildColumn(rfc::Table& data, std::string_view column) const
{
    const int c = data.columnIndex(column);
    if (unchanged_ || c < 0) return;
    std::string line;
    for (std::size_t r = 0; r < data.rows.size(); ++r) {
        std::string& value = data.rows[r][static_cast<std::size_t>(c)];
        rebuild(value, line);
        value.swap(line);
    }
}

void ReturnedLayout::appendClassicPacked(std::string& out, std::string_view text, std::size_t length)
{
    std::string_view t = trimmed(text);
    if (length == 0) return;
    if (!t.empty() && t.front() == '*') {
        // Already the classic overflow form.
        if (t.size() > length) t = t.substr(t.size() - length);
        out.append(length - t.size(), ' ');
        out += t;
        return;
    }
    bool negative = false;
    if (!t.empty() && (t.back() == '-' || t.front() == '-')) {
        negative = true;
        t = trimmed(t.back() == '-' ? t.substr(0, t.size() - 1) : t.substr(1));
    }
    if (t.size() + 1 <= length) {
        out.append(length - t.size() - 1, ' ');
        out += t;
        out += negative ? '-' : ' ';
    } else if (!negative && t.size() <= length) {
        out.append(length - t.size(), ' ');
        out += t;
    } else {
        const std::string all = std::string(t) + (negative ? "-" : "");
        out += '*';
        out.append(all, all.size() - (length - 1), length - 1);
    }
}

} // namespace qvor
