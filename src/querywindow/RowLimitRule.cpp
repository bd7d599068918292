#include "querywindow/RowLimitRule.h"

#include "querywindow/NumberText.h"
#include "util/Rounding.h"

#include <climits>
#include <cmath>

namespace qvor {

RowLimitRule::Result RowLimitRule::textChanged(const QString& text, long currentSRows)
{
    Result r;
    r.text = text;
    r.sRows = currentSRows;
    if (!readsAsNumber(text)) {
        r.text.clear();
        r.textReplaced = !text.isEmpty();
        return r;
    }
    const QString number = text.trimmed();
    bool ok = false;
    double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        // Out of the double range: a huge exponent is huge, a tiny one is 0.
        const bool tiny = number.contains(QLatin1String("e-"), Qt::CaseInsensitive);
        value = tiny ? 0.0 : (number.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL);
    }
    if (value > INT_MAX) {
        value = INT_MAX;
        r.text = QString::number(INT_MAX);
        r.textReplaced = true;
    } else if (value < INT_MIN) {
        value = INT_MIN;
        r.text = QString::number(INT_MIN);
        r.textReplaced = true;
    }
    r.sRows = roundHalfEven(value);
    r.sRowsChanged = true;
    // Judged on the rounded limit, so the box and the limit always agree about "all rows".
    r.allRowsTouched = true;
    r.allRowsChecked = r.sRows == 0;
    return r;
}

QString RowLimitRule::allRowsClicked(bool checkedNow)
{
    return checkedNow ? QStringLiteral("0") : QString();
}

} // namespace qvor
