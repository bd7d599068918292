#include "querywindow/PaneLayout.h"

#include "util/Rounding.h"

namespace qvor {

PaneLayout PaneLayout::compute(int W, int H)
{
    PaneLayout l;
    l.TW = roundHalfEven(W / 5.0);
    l.RW = roundHalfEven(W / 2.6);
    l.FW = W - l.TW - l.RW;
    l.MH = roundHalfEven(H / 2.82);
    l.PH = roundHalfEven(H / 2.15);
    l.OH = H - l.MH - l.PH;
    return l;
}

} // namespace qvor
