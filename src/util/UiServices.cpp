#include "util/UiServices.h"

namespace qvor {
namespace {

// Used before the program or a test installs its own services: answers like a user who
// cancels everything, so library code never blocks on a missing user.
class SilentUiServices final : public UiServices {
public:
    MsgResult message(const QString&, MsgButtons buttons, MsgIcon, const QString&) override
    {
        return buttons == MsgButtons::Ok ? MsgResult::Ok
             : buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
    }
    std::optional<QString> openFileDialog(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFileDialog(const QString&, const QString&, const QString&, bool) override { return {}; }
    bool logonPrompt(const LogonAttempt&) override { return false; }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    void beginWait() override {}
    void endWait() override {}
};

SilentUiServices silent;
UiServices* current = &silent;

} // namespace

UiServices& ui() { return *current; }
void setUiServices(UiServices* services) { current = services ? services : &silent; }

QString toQtFilter(const QString& pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i];
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the parentheses of the label; add them when the label has none.
        if (!label.contains(QLatin1Char('(')))
            label += QStringLiteral(" (") + pattern + QLatin1Char(')');
        out << label;
    }
    return out.join(QStringLiteral(";;"));
}

namespace {

// "csv" of "Text (*.csv)"; empty for "*.*", "*" or a pattern list.
QString suffixOfFilter(const QString& filter)
{
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open) return {};
    const QString pattern = filter.mid(open + 1, close - open - 1).trimmed();
    if (!pattern.startsWith(QLatin1String("*.")) || pattern.contains(QLatin1Char(' '))) return {};
    const QString suffix = pattern.mid(2);
    if (suffix.isEmpty() || suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?'))) return {};
    return suffix;
}

} // namespace

QString saveSuffix(const QString& qtFilters, const QString& chosenFilter)
{
    if (const QString own = suffixOfFilter(chosenFilter); !own.isEmpty()) return own;
    return suffixOfFilter(qtFilters.section(QStringLiteral(";;"), 0, 0));
}

} // namespace qvor
