#pragma once
// Where tiled child windows go: side by side (each the full height) or one above the other
// (each the full width). The last window takes the pixels left by the division, so the tiles
// always fill the area exactly.
#include <QList>
#include <QRect>

namespace qvor {

enum class TileDirection { SideBySide, Stacked };

QList<QRect> tileRectangles(const QRect& area, int count, TileDirection direction);

} // namespace qvor
