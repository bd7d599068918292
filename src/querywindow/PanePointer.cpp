#include "querywindow/PanePointer.h"

#include "util/Rounding.h"

namespace qvor {

PointerShape pointerShapeNearEdge(int sideEdgeDistance, int endEdgeDistance)
{
    PointerShape shape = PointerShape::Default;
    if (sideEdgeDistance < 16) shape = PointerShape::SizeWestEast;
    if (endEdgeDistance < 16) shape = PointerShape::SizeNorthSouth;
    return shape;
}

int endEdgeDistance(DragPane pane, int paneHeight, double y)
{
    switch (pane) {
    case DragPane::Tree:
    case DragPane::FieldList:
    case DragPane::MyTable:
        return roundHalfEven(paneHeight - y - 109);
    case DragPane::Options:
    case DragPane::Preview:
        break;
    }
    return roundHalfEven(y);
}

} // namespace qvor
