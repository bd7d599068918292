#pragma once
// How often one byte occurs in a text, eight bytes at a time: the joiner counts the separators of
// every row it pads, so this runs once per row and group of a large import.
#include <QtGlobal>

namespace qvor {

qsizetype countByte(const char* text, qsizetype size, char c);

} // namespace qvor
