#pragma once
// A read of one of SAP's dictionary tables (DD02L, DD02T, DD03L) with RFC_READ_TABLE: the
// program learns key fields and finds tables the same way on every system it reaches.
#include <QString>
#include <QStringList>
#include <vector>

namespace qvor {

class FunctionsComponent;
class RfcFunction;

class DictionaryRead {
public:
    // Sets up the read of `fields` of `table` with the condition lines (each at most 72
    // characters) and a row limit (0 = all); null without a component.
    static RfcFunction* prepare(FunctionsComponent* component, const QString& table, const QStringList& fields,
                                const QStringList& condition, int rowLimit = 0);
    // The answer's rows, one value per requested field in the order asked for (newer releases
    // return the fields in the dictionary's order); values are trimmed.
    static std::vector<QStringList> rows(RfcFunction& function, const QStringList& fields);
    // Condition lines of at most 72 characters, cut between the given pieces.
    static QStringList conditionLines(const QStringList& pieces);
    // A text as a quoted literal of a condition.
    static QString literal(const QString& text);
};

} // namespace qvor
