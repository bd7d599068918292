#include "sap/DataLinePadding.h"

#include "rfc/Utf8.h"

#include <algorithm>
#include <charconv>

namespace qvor {
namespace {

int number(const std::string& text)
{
    int value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    while (begin < end && *begin == ' ') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr != begin ? value : -1;
}

} // namespace

int dataLineWidth(const rfc::Table& fields)
{
    const int offset = fields.columnIndex("OFFSET");
    const int length = fields.columnIndex("LENGTH");
    if (offset < 0 || length < 0) return 0;
    int width = 0;
    for (const auto& row : fields.rows) {
        const int o = number(row[static_cast<std::size_t>(offset)]);
        const int l = number(row[static_cast<std::size_t>(length)]);
        if (o < 0 || l < 0) return 0;
        width = std::max(width, o + l);
    }
    return width;
}

bool padLine(std::string& line, std::size_t width)
{
    const std::size_t length = rfc::utf8::length(line);
    if (length >= width) return false;
    line.append(width - length, ' ');
    return true;
}

bool padDataLines(rfc::Table& data, int width)
{
    const int wa = data.columnIndex("WA");
    if (wa < 0 || width <= 0) return false;
    const auto column = static_cast<std::size_t>(wa);
    const auto target = static_cast<std::size_t>(width);
    // SAP drops trailing blanks of all lines alike, so one short line means most are; the lines are
    // copied once into a fresh list (sequential reads and appends, also when they live in a file).
    bool anyShort = false;
    for (const auto& row : data.rows)
        if (rfc::utf8::length(row[column]) < target) {
            anyShort = true;
            break;
        }
    if (!anyShort) return false;
    rfc::RowList padded;
    for (const auto& row : data.rows) {
        rfc::RowList::Row copy = row;
        padLine(copy[column], target);
        padded.push_back(std::move(copy));
    }
    data.rows = std::move(padded);
    return true;
}

void padReadTableAnswer(rfc::FunctionResult& result)
{
    const auto fields = result.tables.find("FIELDS");
    const auto data = result.tables.find("DATA");
    if (fields == result.tables.end() || data == result.tables.end()) return;
    padDataLines(data->second, dataLineWidth(fields->second));
}

} // namespace qvor
