#include "tableaccess/TableSearch.h"

#include "sap/FunctionsComponent.h"
#include "sap/RfcConnection.h"
#include "sap/SapConnection.h"
#include "tableaccess/DictionaryRead.h"
#include "util/UiServices.h"

#include <QMap>

namespace qvor {

namespace {

// Room for "OR DDTEXT LIKE '...'" in one condition line of 72.
constexpr int MaxPatternLength = 50;
const QString ReadableClass = QStringLiteral("AND TABCLASS <> 'INTTAB' AND TABCLASS <> 'APPEND'");

QString capitalised(const QString& s)
{
    return s.isEmpty() ? s : s.left(1).toUpper() + s.mid(1).toLower();
}

} // namespace

QString TableSearch::likePattern(const QString& typed, bool upperCase)
{
    QString t = typed.trimmed();
    if (upperCase) t = t.toUpper();
    const bool wildcard = t.contains(QLatin1Char('*')) || t.contains(QLatin1Char('?')) || t.contains(QLatin1Char('%'))
                          || t.contains(QLatin1Char('_'));
    t.replace(QLatin1Char('*'), QLatin1Char('%')).replace(QLatin1Char('?'), QLatin1Char('_'));
    QString pattern;
    for (;;) {
        pattern = DictionaryRead::literal(wildcard ? t : QLatin1Char('%') + t + QLatin1Char('%'));
        if (pattern.size() <= MaxPatternLength || t.isEmpty()) break;
        t.chop(1);
    }
    return t.isEmpty() || t.count(QLatin1Char('%')) == t.size() ? QString() : pattern;
}

QString TableSearch::languageKey(const QString& logonLanguage)
{
    const QString l = logonLanguage.trimmed().toUpper();
    if (l.size() <= 1) return l.isEmpty() ? QStringLiteral("E") : l;
    static const QMap<QString, QString> keys{
        {"EN", "E"}, {"PT", "P"}, {"DE", "D"}, {"ES", "S"}, {"FR", "F"}, {"IT", "I"}, {"NL", "N"},
        {"JA", "J"}, {"ZH", "1"}, {"RU", "R"}, {"PL", "L"}, {"CS", "C"}, {"SV", "V"}, {"DA", "K"},
        {"FI", "U"}, {"NO", "O"}, {"HU", "H"}, {"TR", "T"}, {"KO", "3"}, {"EL", "G"}, {"SK", "Q"},
    };
    return keys.value(l, l.left(1));
}

QStringList TableSearch::namesCondition(const QString& typed)
{
    return DictionaryRead::conditionLines({QStringLiteral("TABNAME LIKE ") + likePattern(typed, true),
                                           QStringLiteral("AND AS4LOCAL = 'A'"), ReadableClass});
}

QStringList TableSearch::textsCondition(const QString& typed, const QString& languageKey)
{
    QStringList pieces{QStringLiteral("DDLANGUAGE = ") + DictionaryRead::literal(languageKey),
                       QStringLiteral("AND AS4LOCAL = 'A'"),
                       QStringLiteral("AND ( TABNAME LIKE ") + likePattern(typed, true)};
    QStringList variants;
    for (const QString& v : {typed.trimmed(), capitalised(typed.trimmed()), typed.trimmed().toUpper(), typed.trimmed().toLower()})
        if (!variants.contains(v)) variants << v;
    for (const QString& v : variants) pieces << QStringLiteral("OR DDTEXT LIKE ") + likePattern(v, false);
    pieces.last() += QStringLiteral(" )");
    return DictionaryRead::conditionLines(pieces);
}

QStringList TableSearch::classesCondition(const QStringList& names)
{
    QStringList pieces{QStringLiteral("AS4LOCAL = 'A'"), ReadableClass, QStringLiteral("AND TABNAME IN (")};
    for (qsizetype i = 0; i < names.size(); ++i)
        pieces << DictionaryRead::literal(names[i]) + (i + 1 < names.size() ? QStringLiteral(",") : QStringLiteral(" )"));
    return DictionaryRead::conditionLines(pieces);
}

bool TableSearch::run(const QString& typed, std::vector<FoundTable>* found)
{
    WaitPointer wait;
    found->clear();
    if (likePattern(typed, true).isEmpty()) return true;
    FunctionsComponent* component = sapConnection().functions();
    if (!component) return false;
    const QString language = languageKey(component->Connection().Language());
    const auto read = [&](const QString& table, const QStringList& fields, const QStringList& condition,
                          std::vector<QStringList>* rows) {
        RfcFunction* f = DictionaryRead::prepare(component, table, fields, condition, MaxResults);
        if (!f) return false;
        if (!f->Call()) {
            ui().message(f->exception());
            return false;
        }
        *rows = DictionaryRead::rows(*f, fields);
        return true;
    };
    const QStringList nameFields{QStringLiteral("TABNAME"), QStringLiteral("TABCLASS")};
    std::vector<QStringList> byName, byText, classes;
    if (!read(QStringLiteral("DD02L"), nameFields, namesCondition(typed), &byName)) return false;
    if (!read(QStringLiteral("DD02T"), {QStringLiteral("TABNAME"), QStringLiteral("DDTEXT")},
              textsCondition(typed, language), &byText))
        return false;
    QMap<QString, FoundTable> tables;
    for (const QStringList& row : byName) tables[row[0]] = {row[0], QString(), row[1]};
    QStringList withoutClass;
    for (const QStringList& row : byText) {
        if (tables.contains(row[0])) tables[row[0]].text = row[1];
        else withoutClass << row[0];
    }
    if (!withoutClass.isEmpty()) {
        if (!read(QStringLiteral("DD02L"), nameFields, classesCondition(withoutClass), &classes)) return false;
        for (const QStringList& row : classes) tables[row[0]] = {row[0], QString(), row[1]};
        for (const QStringList& row : byText)
            if (tables.contains(row[0])) tables[row[0]].text = row[1];
    }
    for (const FoundTable& t : tables) found->push_back(t);
    return true;
}

} // namespace qvor
