#include "app/WindowGeometry.h"

#include "util/Rounding.h"

#include <cmath>
#include <limits>

namespace qvor {

TwipsGeometry restoredGeometry(const TwipsGeometry& current, const AppSettings& settings)
{
    TwipsGeometry g = current;
    if (settings.fzeqTop != 0) g.top = settings.fzeqTop;
    if (settings.fzeqLeft != 0) g.left = settings.fzeqLeft;
    if (settings.fzeqHeight != 0) g.height = settings.fzeqHeight;
    if (settings.fzeqWidth != 0) g.width = settings.fzeqWidth;
    return g;
}

namespace {

void storeOne(int16_t& target, double value)
{
    if (!std::isfinite(value)) return;
    // Far outside the range even before rounding: no integer conversion may overflow.
    if (value < -1e9 || value > 1e9) return;
    const long long rounded = roundHalfEven(value);
    if (rounded < std::numeric_limits<int16_t>::min() || rounded > std::numeric_limits<int16_t>::max()) return;
    target = static_cast<int16_t>(rounded);
}

} // namespace

void storeGeometry(AppSettings& settings, const TwipsGeometry& geometry)
{
    storeOne(settings.fzeqTop, geometry.top);
    storeOne(settings.fzeqLeft, geometry.left);
    storeOne(settings.fzeqHeight, geometry.height);
    storeOne(settings.fzeqWidth, geometry.width);
}

std::optional<int> messagePanelTwips(int outerWidthTwips)
{
    if (outerWidthTwips > StatusPanelsReserveTwips) return outerWidthTwips - StatusPanelsReserveTwips;
    return std::nullopt;
}

} // namespace qvor
