#pragma once
// The pointer shape near pane edges: west-east at a left edge, north-south at a bottom (or, for
// the options list and the preview, a top) edge.
#include "querywindow/PaneGeometry.h"

namespace qvor {

enum class PointerShape { Default, SizeWestEast, SizeNorthSouth };

// X and Y as CheckMouse takes them; north-south wins when both are near an edge.
PointerShape CheckMouse(int X, int Y);

// The Y that a pane hands to CheckMouse for a pointer at y inside it: the distance from the
// bottom edge (less 109) for the tree pane, the field list and My Table, y itself otherwise.
int checkMouseY(DragPane pane, int paneHeight, double y);

} // namespace qvor
