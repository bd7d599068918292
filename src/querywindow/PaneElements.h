#pragma once
// The elements of a query window that the layout places, and a rectangle in twips.
#include <array>
#include <cstddef>

namespace qvor {

enum class PaneElement {
    TreeCaption,
    TreePane,
    FieldList,
    MyTableList,
    OptionsList,
    PreviewList,
    Button0,
    Button1,
    Button2,
    Button3,
    Button4,
    AllRowsBox,
    RowLimitBox,
    FieldChooser,
    OperatorBox,
    ContentsBox,
    ConjunctionBox,
    AddButton,
};

inline constexpr std::size_t PaneElementCount = static_cast<std::size_t>(PaneElement::AddButton) + 1;

inline constexpr PaneElement rowsStripButton(int i)
{
    return static_cast<PaneElement>(static_cast<int>(PaneElement::Button0) + i);
}

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

using PaneRects = std::array<TwipsRect, PaneElementCount>;

} // namespace qvor
