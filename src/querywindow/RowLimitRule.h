#pragma once
// The row-limit box and the "All Rows" box keep each other and sRows in step.
//
// Texts read as numbers as NumberText.h says. Numbers above 2147483647 become 2147483647 and,
// alike, numbers below -2147483648 become -2147483648. A fraction is rounded half to even, and
// "All Rows" follows the rounded limit (0.4 checks it, as the limit is then 0).
#include <QString>

namespace qvor {

class RowLimitRule {
public:
    struct Result {
        QString text;                 // what the box shows afterwards
        bool textReplaced = false;    // the box must take `text`
        bool sRowsChanged = false;
        long sRows = 0;               // 32-bit value; the new sRows when sRowsChanged
        bool allRowsTouched = false;
        bool allRowsChecked = false;
    };

    // The box's text changed; currentSRows is kept when the text is not a number.
    static Result textChanged(const QString& text, long currentSRows);

    // A click on "All Rows" that leaves it checked writes "0" into the box (which then runs
    // textChanged); a click that clears it changes nothing. Gives the box text to set, if any.
    static QString allRowsClicked(bool checkedNow);
};

} // namespace qvor
