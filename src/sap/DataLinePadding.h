#pragma once
// SAP's SOAP answers carry RFC_READ_TABLE's data lines without their trailing blanks. Padding each
// line back to the width of the returned field layout gives the program the same lines the
// embedded demo system hands over, so cutting by offsets works alike for both transports.
#include "rfc/RfcData.h"

namespace qvor {

// The width of a data line: the end of the field that ends last (OFFSET + LENGTH); 0 when the
// layout does not say.
int dataLineWidth(const rfc::Table& fields);

// Pads one line with blanks to width characters; false when it was that wide already.
bool padLine(std::string& line, std::size_t width);

// Pads every WA line shorter than width with blanks (lengths in characters). Returns false when
// no line needed it (the table is untouched then).
bool padDataLines(rfc::Table& data, int width);

// Both steps for one answer of RFC_READ_TABLE; other answers are left alone.
void padReadTableAnswer(rfc::FunctionResult& result);

} // namespace qvor
