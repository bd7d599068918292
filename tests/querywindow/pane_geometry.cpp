// Pane layout on resize, the four boundary moves, dragging near edges, pointer shapes and
// closing/reopening the preview.
#include "querywindow/PaneGeometry.h"
#include "querywindow/PanePointer.h"

#include <QTest>

using namespace qvor;
using E = PaneElement;

Q_DECLARE_METATYPE(qvor::DragPane)
Q_DECLARE_METATYPE(qvor::PointerShape)
Q_DECLARE_METATYPE(QList<qvor::MoveLineCall>)

namespace {

PaneGeometry laidOut(int W, int H, bool rowsStrip, bool editor)
{
    PaneGeometry g;
    if (!rowsStrip) g.hideRowsStrip();
    if (editor) g.showOptionsEditor();
    g.Resize(W, H);
    return g;
}

TwipsRect R(int l, int t, int w, int h) { return {l, t, w, h}; }

} // namespace

namespace QTest {
template <>
char* toString(const TwipsRect& r)
{
    return qstrdup(QStringLiteral("(%1,%2 %3x%4)").arg(r.left).arg(r.top).arg(r.width).arg(r.height).toLatin1());
}
} // namespace QTest

class PaneGeometryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fullLayout()
    {
        const PaneGeometry g = laidOut(12000, 9000, true, true);
        QCOMPARE(g.PreviewHeight(), 4186);
        QCOMPARE(g.rect(E::TreeCaption), R(0, 30, 2400, 210));
        QCOMPARE(g.rect(E::TreePane), R(0, 240, 2400, 4574));
        QCOMPARE(g.rect(E::FieldList), R(2400, 0, 4985, 4814));
        QCOMPARE(g.rect(E::MyTableList), R(7385, 0, 4615, 2906));
        QCOMPARE(g.rect(E::OptionsList), R(7385, 3191, 4615, 1308));
        QCOMPARE(g.rect(E::PreviewList), R(0, 4814, 12000, 4186));
        for (int i = 0; i < 5; ++i) QCOMPARE(g.rect(rowsStripButton(i)), R(7385 + 285 * i, 2906, 285, 285));
        QCOMPARE(g.rect(E::AllRowsBox), R(8860, 2906, 1512, 285));   // 0.7 x 2160
        QCOMPARE(g.rect(E::RowLimitBox), R(10372, 2906, 1628, 285));
        QCOMPARE(g.rect(E::FieldChooser), R(7385, 4499, 2160, 315));
        QCOMPARE(g.rect(E::OperatorBox), R(9545, 4499, 1260, 315));
        QCOMPARE(g.rect(E::ContentsBox), R(10805, 4499, 250, 315));
        QCOMPARE(g.rect(E::ConjunctionBox), R(11055, 4499, 630, 315));
        QCOMPARE(g.rect(E::AddButton), R(11685, 4499, 315, 315));
    }

    void stripsDecideListHeights_data()
    {
        QTest::addColumn<bool>("rowsStrip");
        QTest::addColumn<bool>("editor");
        QTest::addColumn<int>("myTableHeight");
        QTest::addColumn<int>("optionsHeight");
        QTest::newRow("both shown") << true << true << 2906 << 1308;
        QTest::newRow("neither") << false << false << 3191 << 1623;
    }
    void stripsDecideListHeights()
    {
        QFETCH(bool, rowsStrip);
        QFETCH(bool, editor);
        PaneGeometry g = laidOut(12000, 9000, rowsStrip, editor);
        QTEST(g.rect(E::MyTableList).height, "myTableHeight");
        QTEST(g.rect(E::OptionsList).height, "optionsHeight");
        QCOMPARE(g.rect(E::Button0).top, 2906);   // the strips are laid out even while hidden
    }

    void roundingHalvesToEven()
    {
        // TW = 5: the chooser is 0.9 x 5 = 4.5 -> 4, the check box 0.7 x 4 = 2.8 -> 3.
        const PaneGeometry g = laidOut(25, 9000, true, false);
        QCOMPARE(g.rect(E::FieldChooser).width, 4);
        QCOMPARE(g.rect(E::AllRowsBox).width, 3);
    }

    void negativeSizesLeaveElementsWhereTheyWere()
    {
        PaneGeometry g = laidOut(12000, 9000, true, false);
        const TwipsRect contentsBefore = g.rect(E::ContentsBox);
        g.Resize(1000, 600);
        // Contents box: 1000 - 945 - its left < 0, so it stays; the conjunction box follows its
        // (unchanged) right edge, and everything else is placed anew.
        QCOMPARE(g.rect(E::ContentsBox), contentsBefore);
        QCOMPARE(g.rect(E::ConjunctionBox).left, contentsBefore.right());
        QCOMPARE(g.rect(E::TreePane).width, 200);
        QCOMPARE(g.rect(E::AddButton).left, 685);
        // My Table would be 213 - 285 high: refused, keeps its old rectangle.
        QCOMPARE(g.rect(E::MyTableList), R(7385, 0, 4615, 2906));
    }

    void moveLine1()
    {
        PaneGeometry g = laidOut(12000, 9000, true, false);
        g.moveTreeBoundary(100);
        QCOMPARE(g.rect(E::FieldList), R(2500, 0, 4885, 4814));
        QCOMPARE(g.rect(E::TreePane), R(0, 240, 2500, 4574));
        QCOMPARE(g.rect(E::TreeCaption), R(0, 30, 2500, 210));
        // A move that would make the tree negative leaves the tree alone, not the field list.
        g.moveTreeBoundary(-3000);
        QCOMPARE(g.rect(E::TreePane).width, 2500);
        QCOMPARE(g.rect(E::TreeCaption).width, 2500);
        QCOMPARE(g.rect(E::FieldList), R(-500, 0, 7885, 4814));
    }

    void moveLine2WidthRules_data()
    {
        QTest::addColumn<int>("W");
        QTest::addColumn<int>("allRowsWidth");
        QTest::addColumn<bool>("allRowsShrinks");
        QTest::addColumn<bool>("chooserShrinks");
        QTest::newRow("check box exactly 1000") << 7940 << 1000 << false << false;
        QTest::newRow("check box 1001") << 7945 << 1001 << true << false;
        QTest::newRow("wide window, chooser over 2000") << 12000 << 1512 << true << true;
    }
    void moveLine2WidthRules()
    {
        QFETCH(int, W);
        QFETCH(int, allRowsWidth);
        QFETCH(bool, allRowsShrinks);
        QFETCH(bool, chooserShrinks);
        PaneGeometry g = laidOut(W, 9000, true, true);
        QCOMPARE(g.rect(E::AllRowsBox).width, allRowsWidth);
        const PaneRects before = g.rects();
        const int d = 60;
        g.moveFieldListBoundary(d);
        auto was = [&](E e) { return before[static_cast<std::size_t>(e)]; };

        QCOMPARE(g.rect(E::FieldList).width, was(E::FieldList).width + d);
        for (E e : {E::MyTableList, E::OptionsList}) {
            QCOMPARE(g.rect(e).left, was(e).left + d);
            QCOMPARE(g.rect(e).width, was(e).width - d);
        }
        QCOMPARE(g.rect(E::Button3).left, was(E::Button3).left + d);
        QCOMPARE(g.rect(E::AllRowsBox).left, was(E::AllRowsBox).left + d);
        QCOMPARE(g.rect(E::AllRowsBox).width, was(E::AllRowsBox).width - (allRowsShrinks ? d : 0));
        QCOMPARE(g.rect(E::RowLimitBox).left, was(E::RowLimitBox).left + (allRowsShrinks ? 0 : d));
        QCOMPARE(g.rect(E::FieldChooser).left, was(E::FieldChooser).left + d);
        QCOMPARE(g.rect(E::FieldChooser).width, was(E::FieldChooser).width - (chooserShrinks ? d : 0));
        QCOMPARE(g.rect(E::OperatorBox).left, was(E::OperatorBox).left + (chooserShrinks ? 0 : d));
        // In the narrow windows the contents box never got a width (negative) and cannot shrink.
        const int contents = was(E::ContentsBox).width;
        QCOMPARE(g.rect(E::ContentsBox).width, chooserShrinks || contents < d ? contents : contents - d);
        QCOMPARE(g.rect(E::ConjunctionBox), was(E::ConjunctionBox));
        QCOMPARE(g.rect(E::AddButton), was(E::AddButton));
    }

    void moveLine4PullsOptionsBoundaryBelow310_data()
    {
        QTest::addColumn<int>("d");
        QTest::addColumn<int>("optionsTop");
        QTest::addColumn<int>("optionsHeight");
        QTest::addColumn<int>("myTableHeight");
        QTest::newRow("options stay 323 high") << -1300 << 3191 << 323 << 2906;
        QTest::newRow("options would be 223: boundary follows") << -1400 << 1791 << 1623 << 1506;
    }
    void moveLine4PullsOptionsBoundaryBelow310()
    {
        QFETCH(int, d);
        PaneGeometry g = laidOut(12000, 9000, true, false);
        g.movePreviewBoundary(d);
        QCOMPARE(g.rect(E::PreviewList), R(0, 4814 + d, 12000, 4186 - d));
        QCOMPARE(g.rect(E::TreePane).height, 4574 + d);
        QCOMPARE(g.rect(E::FieldList).height, 4814 + d);
        QCOMPARE(g.rect(E::AddButton).top, 4499 + d);
        QTEST(g.rect(E::OptionsList).top, "optionsTop");
        QTEST(g.rect(E::OptionsList).height, "optionsHeight");
        QTEST(g.rect(E::MyTableList).height, "myTableHeight");
    }

    void closeAndReopenPreview()
    {
        PaneGeometry g = laidOut(12000, 4300, true, false);
        QCOMPARE(g.rect(E::PreviewList).height, 2000);
        const int top = g.rect(E::PreviewList).top;
        g.ClosePreview();
        QCOMPARE(g.rect(E::PreviewList).height, 30);
        QCOMPARE(g.rect(E::PreviewList).top, top + 1970);
        QCOMPARE(g.PreviewHeight(), 2000);
        QVERIFY(g.previewClosed());
        g.OpenPreview();   // 22 steps of 90
        QCOMPARE(g.rect(E::PreviewList).height, 2010);
        QCOMPARE(g.rect(E::PreviewList).top, top - 10);
        QVERIFY(!g.previewClosed());
    }

    void rowsStripCommands()
    {
        PaneGeometry g = laidOut(12000, 9000, false, false);
        QCOMPARE(g.rect(E::MyTableList).height, 3191);
        g.showRowsStrip();
        g.showRowsStrip();   // twice lowers My Table only once
        QCOMPARE(g.rect(E::MyTableList).height, 2906);
        g.hideRowsStrip();
        g.hideRowsStrip();
        QCOMPARE(g.rect(E::MyTableList).height, 3191);
        g.showOptionsEditor();
        QCOMPARE(g.rect(E::OptionsList).height, 1308);
        g.hideOptionsEditor();
        QCOMPARE(g.rect(E::OptionsList).height, 1623);
    }

    void dragRules_data()
    {
        QTest::addColumn<DragPane>("pane");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QList<MoveLineCall>>("calls");
        using L = QList<MoveLineCall>;
        // 12000 x 9000, rows strip shown: tree 2400 wide, field list 4985 x 4814, My Table 2906
        // high, options 1623 high.
        QTest::newRow("field list, x = 0") << DragPane::FieldList << 0 << 2000 << L{};
        QTest::newRow("field list near left") << DragPane::FieldList << 299 << 2000 << L{{1, 45}};
        QTest::newRow("field list near right") << DragPane::FieldList << 4400 << 2000 << L{{2, -45}};
        QTest::newRow("field list near bottom") << DragPane::FieldList << 2000 << 4300 << L{{4, -90}};
        QTest::newRow("tree near right and bottom") << DragPane::Tree << 2300 << 4714 << L{{1, -45}, {4, -90}};
        QTest::newRow("My Table left") << DragPane::MyTable << 100 << 1000 << L{{2, 45}};
        QTest::newRow("My Table bottom") << DragPane::MyTable << 1000 << 2300 << L{{3, -90}};
        QTest::newRow("options top-left") << DragPane::Options << 100 << 100 << L{{2, 45}, {3, 45}};
        QTest::newRow("preview top") << DragPane::Preview << 5000 << 554 << L{{4, 45}};
        QTest::newRow("preview at 555") << DragPane::Preview << 5000 << 555 << L{};
    }
    void dragRules()
    {
        QFETCH(DragPane, pane);
        QFETCH(int, x);
        QFETCH(int, y);
        PaneGeometry g = laidOut(12000, 9000, true, false);
        QTEST(g.Drag(pane, x, y), "calls");
    }

    void dragConditionsReadTheMovedPanes()
    {
        // Field list narrowed to 500: x = 200 is near both edges. The first move narrows it by
        // 45 more, and the right-edge test then sees the new width.
        PaneGeometry g = laidOut(12000, 9000, true, false);
        g.moveFieldListBoundary(500 - g.rect(E::FieldList).width);
        QCOMPARE(g.rect(E::FieldList).width, 500);
        const QList<MoveLineCall> calls = g.Drag(DragPane::FieldList, 200, 100);
        QCOMPARE(calls, (QList<MoveLineCall>{{1, 45}, {2, -45}}));
        QCOMPARE(g.rect(E::FieldList).width, 410);
    }

    void pointerShape_data()
    {
        QTest::addColumn<int>("X");
        QTest::addColumn<int>("Y");
        QTest::addColumn<PointerShape>("shape");
        QTest::newRow("inside") << 16 << 16 << PointerShape::Default;
        QTest::newRow("left edge") << 15 << 100 << PointerShape::SizeWestEast;
        QTest::newRow("bottom edge") << 100 << 15 << PointerShape::SizeNorthSouth;
        QTest::newRow("corner: north-south wins") << 3 << 3 << PointerShape::SizeNorthSouth;
    }
    void pointerShape()
    {
        QFETCH(int, X);
        QFETCH(int, Y);
        QTEST(pointerShapeNearEdge(X, Y), "shape");
    }

    void pointerYPerPane()
    {
        // Bottom-measured panes: height 4574, y 4460 -> 5 (north-south); top-measured: y itself.
        QCOMPARE(endEdgeDistance(DragPane::Tree, 4574, 4460), 5);
        QCOMPARE(endEdgeDistance(DragPane::MyTable, 2906, 2781.5), 16);   // 15.5 -> 16
        QCOMPARE(endEdgeDistance(DragPane::Options, 1623, 10.5), 10);
        QCOMPARE(endEdgeDistance(DragPane::Preview, 4186, 300), 300);
    }
};

QTEST_GUILESS_MAIN(PaneGeometryTest)
#include "pane_geometry.moc"
