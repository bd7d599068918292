#pragma once
// SAP lengths count characters; our strings are UTF-8. These helpers count and cut by code point.
#include <cstddef>
#include <string>
#include <string_view>

namespace rfc::utf8 {

std::size_t length(std::string_view text);

// Byte offset of the code point with the given index (text.size() when beyond the end).
std::size_t byteOffset(std::string_view text, std::size_t codePoints);

// Appends text cut or blank-padded to exactly `width` characters, left-justified.
void appendLeft(std::string& out, std::string_view text, std::size_t width);

// Appends text right-justified in `width` characters (text must already fit).
void appendRight(std::string& out, std::string_view text, std::size_t width);

// The text without trailing blanks.
std::string_view trimRight(std::string_view text);

// Decodes the code point at `pos` and advances pos; invalid bytes count as one character each.
char32_t next(std::string_view text, std::size_t& pos);

} // namespace rfc::utf8
