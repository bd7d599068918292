#include "app/TileLayout.h"

namespace qvor {

QList<QRect> tileRectangles(const QRect& area, int count, TileDirection direction)
{
    QList<QRect> tiles;
    if (count <= 0 || area.isEmpty()) return tiles;
    const bool side = direction == TileDirection::SideBySide;
    const int total = side ? area.width() : area.height();
    const int each = total / count;
    int offset = 0;
    for (int i = 0; i < count; ++i) {
        const int length = i == count - 1 ? total - offset : each;
        tiles << (side ? QRect(area.left() + offset, area.top(), length, area.height())
                       : QRect(area.left(), area.top() + offset, area.width(), length));
        offset += length;
    }
    return tiles;
}

} // namespace qvor
