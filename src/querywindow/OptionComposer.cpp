#include "querywindow/OptionComposer.h"

#include "util/UiTexts.h"

namespace qvor {

QString OptionComposer::compose(const QString& field, const QString& op, const QString& value,
                                const QString& conjunction)
{
    const QChar blank = QLatin1Char(' ');
    return field + blank + op + blank + value + blank + conjunction;
}

OptionComposer::Verdict OptionComposer::classify(const QString& line)
{
    if (line.size() > MaxLength) return Verdict::TooLong;
    if (line == QLatin1String("   ")) return Verdict::Blank;
    return Verdict::Valid;
}

QString OptionComposer::tooLongMessage(const QString& line)
{
    return tx(TextId::QwOptionTooLong).arg(line.size());
}

} // namespace qvor
