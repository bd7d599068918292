#pragma once
// Positions and sizes are kept in twips (1/1440 inch) as the program's layouts are written;
// widgets get pixels for the screen's logical DPI: 15 twips per pixel at 96 DPI.
#include "util/Rounding.h"

#include <QtGlobal>

namespace qvor {

constexpr int TwipsPerInch = 1440;

constexpr int twipsToPixels(int twips, qreal logicalDpi)
{
    return roundHalfEven(static_cast<double>(twips) * logicalDpi / TwipsPerInch);
}

constexpr int pixelsToTwips(int pixels, qreal logicalDpi)
{
    if (logicalDpi <= 0) return 0;
    return roundHalfEven(static_cast<double>(pixels) * TwipsPerInch / logicalDpi);
}

static_assert(twipsToPixels(15, 96) == 1 && pixelsToTwips(1, 96) == 15);

} // namespace qvor
