#include "querywindow/PanePointer.h"

#include "util/Rounding.h"

namespace qvor {

PointerShape CheckMouse(int X, int Y)
{
    PointerShape shape = PointerShape::Default;
    if (X < 16) shape = PointerShape::SizeWestEast;
    if (Y < 16) shape = PointerShape::SizeNorthSouth;
    return shape;
}

int checkMouseY(DragPane pane, int paneHeight, double y)
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
