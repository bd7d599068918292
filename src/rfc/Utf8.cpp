#include "rfc/Utf8.h"

#include <cstdint>
#include <cstring>

namespace rfc::utf8 {

namespace {
bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
}

std::size_t length(std::string_view text)
{
    std::size_t n = 0;
    std::size_t i = 0;
    // Eight bytes at a time while they are plain ASCII, as most SAP data is.
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if ((word & 0x8080808080808080ull) == 0) {
            n += 8;
            continue;
        }
        for (std::size_t k = i; k < i + 8; ++k)
            if (!isContinuation(static_cast<unsigned char>(text[k]))) ++n;
    }
    for (; i < text.size(); ++i)
        if (!isContinuation(static_cast<unsigned char>(text[i]))) ++n;
    return n;
}

std::size_t byteOffset(std::string_view text, std::size_t codePoints)
{
    std::size_t pos = 0;
    while (pos < text.size() && codePoints > 0) {
        ++pos;
        while (pos < text.size() && isContinuation(static_cast<unsigned char>(text[pos]))) ++pos;
        --codePoints;
    }
    return pos;
}

void appendLeft(std::string& out, std::string_view text, std::size_t width)
{
    // Fast path: pure ASCII text is the common case.
    if (text.size() <= width) {
        std::size_t chars = text.size();
        bool ascii = true;
        for (unsigned char c : text)
            if (c >= 0x80) { ascii = false; break; }
        if (!ascii) chars = length(text);
        if (chars <= width) {
            out.append(text);
            out.append(width - chars, ' ');
            return;
        }
    }
    const std::size_t cut = byteOffset(text, width);
    out.append(text.substr(0, cut));
    const std::size_t got = length(text.substr(0, cut));
    if (got < width) out.append(width - got, ' ');
}

void appendRight(std::string& out, std::string_view text, std::size_t width)
{
    const std::size_t chars = length(text);
    if (chars < width) out.append(width - chars, ' ');
    out.append(text);
}

std::string_view trimRight(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    return text.substr(0, end);
}

char32_t next(std::string_view text, std::size_t& pos)
{
    const auto c = static_cast<unsigned char>(text[pos++]);
    int extra = 0;
    char32_t cp = c;
    if (c >= 0xF0 && c < 0xF8) { extra = 3; cp = c & 0x07; }
    else if (c >= 0xE0) { extra = 2; cp = c & 0x0F; }
    else if (c >= 0xC0) { extra = 1; cp = c & 0x1F; }
    else return c;
    for (int i = 0; i < extra; ++i) {
        if (pos >= text.size() || !isContinuation(static_cast<unsigned char>(text[pos]))) return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    return cp;
}

} // namespace rfc::utf8
