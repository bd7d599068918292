#pragma once
// The pane sizes that a resize derives from the window's inner width and height (twips).
namespace qvor {

struct PaneLayout {
    int TW = 0;   // tree column width
    int RW = 0;   // right column width (My Table, options)
    int FW = 0;   // field list width
    int MH = 0;   // My Table height, rows strip included
    int PH = 0;   // preview height, also the PreviewHeight to restore
    int OH = 0;   // options height, options editor included

    static PaneLayout compute(int W, int H);
};

} // namespace qvor
