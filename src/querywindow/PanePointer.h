#pragma once
// The pointer shape near pane edges: west-east at a left edge, north-south at a bottom (or, for
// the options list and the preview, a top) edge.
#include "querywindow/PaneGeometry.h"

namespace qvor {

enum class PointerShape { Default, SizeWestEast, SizeNorthSouth };

// The shape for a pointer this far (in twips) from a pane's left edge and from its resizable
// top or bottom edge (the window's CheckMouse X and Y); north-south wins when both are near.
PointerShape pointerShapeNearEdge(int sideEdgeDistance, int endEdgeDistance);

// The end-edge distance that a pane hands on for a pointer at y inside it: the distance from the
// bottom edge (less 109) for the tree pane, the field list and My Table, y itself otherwise.
int endEdgeDistance(DragPane pane, int paneHeight, double y);

} // namespace qvor
