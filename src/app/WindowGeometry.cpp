#include "app/WindowGeometry.h"

#include "util/Rounding.h"

#include <algorithm>
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

QRect keepOnScreen(const QRect& frame, int titleHeight, const QList<QRect>& screens)
{
    if (screens.isEmpty()) return frame;
    const QRect title(frame.left(), frame.top(), frame.width(), std::max(titleHeight, 8));
    // Enough of the title strip to grab it with the mouse.
    for (const QRect& s : screens) {
        const QRect seen = s.intersected(title);
        if (seen.width() >= std::min(title.width(), 40) && seen.height() >= 4) return frame;
    }
    const auto distance = [&frame](const QRect& s) {
        const int dx = std::max({s.left() - frame.right(), frame.left() - s.right(), 0});
        const int dy = std::max({s.top() - frame.bottom(), frame.top() - s.bottom(), 0});
        return static_cast<long long>(dx) * dx + static_cast<long long>(dy) * dy;
    };
    const QRect nearest = *std::min_element(screens.begin(), screens.end(),
                                            [&](const QRect& a, const QRect& b) { return distance(a) < distance(b); });
    QRect moved = frame;
    moved.moveLeft(std::clamp(frame.left(), nearest.left(), std::max(nearest.left(), nearest.right() + 1 - frame.width())));
    moved.moveTop(std::clamp(frame.top(), nearest.top(), std::max(nearest.top(), nearest.bottom() + 1 - frame.height())));
    return moved;
}

std::optional<int> messagePanelTwips(int outerWidthTwips)
{
    if (outerWidthTwips > StatusPanelsReserveTwips) return outerWidthTwips - StatusPanelsReserveTwips;
    return std::nullopt;
}

} // namespace qvor
