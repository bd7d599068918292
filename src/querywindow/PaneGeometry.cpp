#include "querywindow/PaneGeometry.h"

#include "querywindow/PaneLayout.h"
#include "util/Rounding.h"

namespace qvor {

using E = PaneElement;

PaneGeometry::PaneGeometry()
{
    // The sizes the controls are drawn with before the first resize.
    for (int i = 0; i < 5; ++i) at(rowsStripButton(i)) = {0, 0, StripButtonSize, StripButtonSize};
    at(E::AllRowsBox).height = StripButtonSize;
    at(E::RowLimitBox).height = StripButtonSize;
    at(E::FieldChooser).height = EditorHeight;
    at(E::OperatorBox).height = EditorHeight;
    at(E::ContentsBox).height = EditorHeight;
    at(E::ConjunctionBox).height = EditorHeight;
    at(E::AddButton) = {0, 0, EditorHeight, EditorHeight};
}

void PaneGeometry::place(E e, const TwipsRect& r)
{
    if (r.width < 0 || r.height < 0) return;
    at(e) = r;
}

void PaneGeometry::shift(E e, int dLeft, int dTop, int dWidth, int dHeight)
{
    const TwipsRect& c = rect(e);
    place(e, {c.left + dLeft, c.top + dTop, c.width + dWidth, c.height + dHeight});
}

void PaneGeometry::Resize(int W, int H)
{
    const PaneLayout l = PaneLayout::compute(W, H);
    previewHeight_ = l.PH;
    const int upper = l.MH + l.OH;
    const int rightLeft = l.TW + l.FW;

    place(E::TreeCaption, {rect(E::TreeCaption).left, 30, l.TW, 210});
    place(E::TreePane, {rect(E::TreePane).left, 240, l.TW, upper - 240});
    place(E::FieldList, {l.TW, rect(E::FieldList).top, l.FW, upper});
    place(E::MyTableList, {rightLeft, rect(E::MyTableList).top, l.RW,
                           rowsStripShown_ ? l.MH - StripButtonSize : l.MH});
    place(E::OptionsList, {rightLeft, l.MH, l.RW, optionsEditorShown_ ? l.OH - EditorHeight : l.OH});
    place(E::PreviewList, {rect(E::PreviewList).left, upper, W, l.PH});
    for (int i = 0; i < 5; ++i) {
        const TwipsRect& b = rect(rowsStripButton(i));
        place(rowsStripButton(i), {rightLeft + StripButtonSize * i, l.MH - StripButtonSize, b.width, b.height});
    }
    // The check box takes its width from the field chooser's width of this same layout.
    const int chooserWidth = roundHalfEven(0.9 * l.TW);
    place(E::AllRowsBox, {rightLeft + 5 * StripButtonSize + 50, l.MH - StripButtonSize,
                          roundHalfEven(0.7 * chooserWidth), rect(E::AllRowsBox).height});
    const int limitLeft = rect(E::AllRowsBox).right();
    place(E::RowLimitBox, {limitLeft, l.MH - StripButtonSize, W - limitLeft, rect(E::RowLimitBox).height});

    const int editorTop = upper - EditorHeight;
    place(E::FieldChooser, {rightLeft, editorTop, chooserWidth, rect(E::FieldChooser).height});
    place(E::OperatorBox, {rect(E::FieldChooser).right(), editorTop, 4 * EditorHeight, rect(E::OperatorBox).height});
    const int contentsLeft = rect(E::OperatorBox).right();
    place(E::ContentsBox, {contentsLeft, editorTop, W - 3 * EditorHeight - contentsLeft, rect(E::ContentsBox).height});
    place(E::ConjunctionBox, {rect(E::ContentsBox).right(), editorTop, 2 * EditorHeight, rect(E::ConjunctionBox).height});
    const TwipsRect& add = rect(E::AddButton);
    place(E::AddButton, {W - EditorHeight, editorTop, add.width, add.height});
}

void PaneGeometry::moveTreeBoundary(int d)
{
    shift(E::FieldList, d, 0, -d, 0);
    shift(E::TreePane, 0, 0, d, 0);
    shift(E::TreeCaption, 0, 0, d, 0);
}

void PaneGeometry::moveFieldListBoundary(int d)
{
    shift(E::FieldList, 0, 0, d, 0);
    shift(E::MyTableList, d, 0, -d, 0);
    shift(E::OptionsList, d, 0, -d, 0);
    for (int i = 0; i < 5; ++i) shift(rowsStripButton(i), d, 0, 0, 0);

    shift(E::AllRowsBox, d, 0, 0, 0);
    if (rect(E::AllRowsBox).width > 1000)
        shift(E::AllRowsBox, 0, 0, -d, 0);
    else
        shift(E::RowLimitBox, d, 0, -d, 0);

    shift(E::FieldChooser, d, 0, 0, 0);
    if (rect(E::FieldChooser).width > 2000) {
        shift(E::FieldChooser, 0, 0, -d, 0);
    } else {
        shift(E::OperatorBox, d, 0, 0, 0);
        shift(E::ContentsBox, d, 0, -d, 0);
    }
}

void PaneGeometry::moveMyTableBoundary(int d)
{
    shift(E::MyTableList, 0, 0, 0, d);
    shift(E::OptionsList, 0, d, 0, -d);
    shift(E::AllRowsBox, 0, d, 0, 0);
    shift(E::RowLimitBox, 0, d, 0, 0);
    for (int i = 0; i < 5; ++i) shift(rowsStripButton(i), 0, d, 0, 0);
}

void PaneGeometry::movePreviewBoundary(int d)
{
    shift(E::TreePane, 0, 0, 0, d);
    shift(E::FieldList, 0, 0, 0, d);
    shift(E::OptionsList, 0, 0, 0, d);
    shift(E::PreviewList, 0, d, 0, -d);
    for (E e : {E::FieldChooser, E::OperatorBox, E::ContentsBox, E::ConjunctionBox, E::AddButton})
        shift(e, 0, d, 0, 0);
    if (rect(E::OptionsList).height < 310) moveMyTableBoundary(d);
}

void PaneGeometry::runMoveLine(int line, int d)
{
    switch (line) {
    case 1: moveTreeBoundary(d); break;
    case 2: moveFieldListBoundary(d); break;
    case 3: moveMyTableBoundary(d); break;
    case 4: movePreviewBoundary(d); break;
    default: break;
    }
}

void PaneGeometry::ClosePreview()
{
    previewHeight_ = rect(E::PreviewList).height;
    movePreviewBoundary(previewHeight_ - ClosedPreviewHeight);
}

void PaneGeometry::OpenPreview()
{
    const int n = roundHalfEven(previewHeight_ / static_cast<double>(PreviewStep));
    for (int i = 0; i < n; ++i) movePreviewBoundary(-PreviewStep);
}

void PaneGeometry::showRowsStrip()
{
    if (rowsStripShown_) return;
    rowsStripShown_ = true;
    shift(E::MyTableList, 0, 0, 0, -StripButtonSize);
}

void PaneGeometry::hideRowsStrip()
{
    // Close Rows is unavailable while the strip is hidden; a second call must not grow My Table again.
    if (!rowsStripShown_) return;
    rowsStripShown_ = false;
    shift(E::MyTableList, 0, 0, 0, StripButtonSize);
}

void PaneGeometry::showOptionsEditor()
{
    if (optionsEditorShown_) return;
    optionsEditorShown_ = true;
    shift(E::OptionsList, 0, 0, 0, -EditorHeight);
}

void PaneGeometry::hideOptionsEditor()
{
    if (!optionsEditorShown_) return;
    optionsEditorShown_ = false;
    shift(E::OptionsList, 0, 0, 0, EditorHeight);
}

QList<MoveLineCall> PaneGeometry::Drag(DragPane pane, int x, int y)
{
    // Each condition is read after the moves before it have run, as the checks are made one by one.
    QList<MoveLineCall> calls;
    auto call = [&](int line, int d) {
        runMoveLine(line, d);
        calls.append({line, d});
    };
    switch (pane) {
    case DragPane::Tree: {
        if (rect(E::TreePane).width - 644 < x && x < rect(E::TreePane).width) call(1, -45);
        const int fh = rect(E::FieldList).height;
        if (fh - 555 < y && y < fh && fh > 725) call(4, -90);
        break;
    }
    case DragPane::FieldList: {
        if (0 < x && x < 300) call(1, 45);
        const int w = rect(E::FieldList).width;
        if (w - 644 < x && x < w) call(2, -45);
        const int h = rect(E::FieldList).height;
        if (h - 555 < y && y < h && h > 725) call(4, -90);
        break;
    }
    case DragPane::MyTable: {
        if (0 < x && x < 300) call(2, 45);
        const int h = rect(E::MyTableList).height;
        if (h - 651 < y && y < h) call(3, -90);
        break;
    }
    case DragPane::Options:
        if (0 < x && x < 300) call(2, 45);
        if (0 < y && y < 555) call(3, 45);
        break;
    case DragPane::Preview:
        if (0 < y && y < 555) call(4, 45);
        break;
    }
    return calls;
}

bool PaneGeometry::inDragZone(DragPane pane, int x, int y) const
{
    PaneGeometry trial = *this;
    return !trial.Drag(pane, x, y).isEmpty();
}

} // namespace qvor
