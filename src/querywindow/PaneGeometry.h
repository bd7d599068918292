#pragma once
// Where every element of a query window is, in twips, and how resizing, the boundary moves,
// dragging near pane edges and closing/reopening the preview change it. The window widget only
// copies these rectangles to its children.
#include "querywindow/PaneElements.h"

#include <QList>

namespace qvor {

// The panes that react to dragging with the left button.
enum class DragPane { Tree, FieldList, MyTable, Options, Preview };

// A boundary move that a drag ran, by the window operation's number (MoveLine1..MoveLine4).
struct MoveLineCall {
    int line = 0;   // 1..4
    int d = 0;
    friend bool operator==(const MoveLineCall&, const MoveLineCall&) = default;
};

class PaneGeometry {
public:
    static constexpr int StripButtonSize = 285;
    static constexpr int EditorHeight = 315;
    static constexpr int ClosedPreviewHeight = 30;
    static constexpr int PreviewStep = 90;

    PaneGeometry();

    const TwipsRect& rect(PaneElement e) const { return rects_[static_cast<std::size_t>(e)]; }
    const PaneRects& rects() const { return rects_; }

    // Visibility of the two strips (judged by button 0 and by the add button).
    bool rowsStripShown() const { return rowsStripShown_; }
    bool optionsEditorShown() const { return optionsEditorShown_; }

    int PreviewHeight() const { return previewHeight_; }

    // Lays every element out afresh from the inner size; also sets PreviewHeight.
    void Resize(int W, int H);

    // The four boundaries, each by d twips: tree | field list (positive = right), field list |
    // right column, My Table / options list (positive = down), upper panes / preview list.
    void moveTreeBoundary(int d);
    void moveFieldListBoundary(int d);
    void moveMyTableBoundary(int d);
    void movePreviewBoundary(int d);

    void ClosePreview();
    void OpenPreview();
    bool previewClosed() const { return rect(PaneElement::PreviewList).height < 50; }

    // The Rows / Close Rows commands; showing twice lowers My Table once.
    void showRowsStrip();
    void hideRowsStrip();
    // ShowOption and the hiding after an add.
    void showOptionsEditor();
    void hideOptionsEditor();

    // One mouse movement with the left button held over a pane at (x, y) inside that pane:
    // runs the matching boundary moves and tells which ran.
    QList<MoveLineCall> Drag(DragPane pane, int x, int y);
    // True when a left-button press at (x, y) starts a boundary drag: a movement there would
    // move a boundary.
    bool inDragZone(DragPane pane, int x, int y) const;

private:
    TwipsRect& at(PaneElement e) { return rects_[static_cast<std::size_t>(e)]; }
    // The window system refuses negative sizes; such a request leaves the element as it was.
    void place(PaneElement e, const TwipsRect& r);
    void shift(PaneElement e, int dLeft, int dTop, int dWidth, int dHeight);
    void runMoveLine(int line, int d);

    PaneRects rects_{};
    bool rowsStripShown_ = true;
    bool optionsEditorShown_ = false;
    int previewHeight_ = 0;
};

} // namespace qvor
