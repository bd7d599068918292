#include "querywindow/NumberText.h"

#include <QRegularExpression>

namespace qvor {

bool readsAsNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    return number.match(text.trimmed()).hasMatch();
}

} // namespace qvor
