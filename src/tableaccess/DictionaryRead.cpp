#include "tableaccess/DictionaryRead.h"

#include "sap/FunctionsComponent.h"

namespace qvor {

namespace {
const QString Separator = QStringLiteral("|");
constexpr int MaxConditionLine = 72;
} // namespace

RfcFunction* DictionaryRead::prepare(FunctionsComponent* component, const QString& table, const QStringList& fields,
                                     const QStringList& condition, int rowLimit)
{
    if (!component) return nullptr;
    component->RemoveAll();
    RfcFunction* f = component->Add(QStringLiteral("RFC_READ_TABLE"));
    if (!f) return nullptr;
    f->Exports(QStringLiteral("QUERY_TABLE")).setValue(table);
    f->Exports(QStringLiteral("DELIMITER")).setValue(Separator);
    f->Exports(QStringLiteral("ROWCOUNT")).setValue(QString::number(rowLimit));
    RfcTable& fieldRows = f->Tables(QStringLiteral("FIELDS"));
    for (const QString& name : fields) {
        fieldRows.appendrow();
        fieldRows.setValue(fieldRows.RowCount(), QStringLiteral("FIELDNAME"), name);
    }
    RfcTable& options = f->Tables(QStringLiteral("OPTIONS"));
    for (const QString& line : condition) {
        options.appendrow();
        options.setValue(options.RowCount(), QStringLiteral("TEXT"), line);
    }
    f->Tables(QStringLiteral("DATA"));
    return f;
}

std::vector<QStringList> DictionaryRead::rows(RfcFunction& function, const QStringList& fields)
{
    const RfcTable& answerFields = function.Tables(QStringLiteral("FIELDS"));
    QStringList order;
    for (int row = 1; row <= answerFields.RowCount(); ++row)
        order << answerFields.Value(row, QStringLiteral("FIELDNAME")).trimmed();
    const RfcTable& data = function.Tables(QStringLiteral("DATA"));
    std::vector<QStringList> result;
    result.reserve(static_cast<std::size_t>(data.RowCount()));
    for (int row = 1; row <= data.RowCount(); ++row) {
        // The last value takes the rest of the line: a text may hold the separator itself.
        const QString line = data.Value(row, QStringLiteral("WA"));
        QStringList values;
        qsizetype at = 0;
        for (qsizetype i = 0; i < order.size(); ++i) {
            const qsizetype end = i + 1 < order.size() ? line.indexOf(Separator, at) : -1;
            values << line.mid(at, end < 0 ? -1 : end - at).trimmed();
            if (end < 0) break;
            at = end + Separator.size();
        }
        QStringList asked;
        for (const QString& name : fields) {
            const qsizetype i = order.indexOf(name);
            asked << (i >= 0 && i < values.size() ? values[i] : QString());
        }
        result.push_back(asked);
    }
    return result;
}

QStringList DictionaryRead::conditionLines(const QStringList& pieces)
{
    QStringList lines;
    QString current;
    for (const QString& piece : pieces) {
        if (!current.isEmpty() && current.size() + 1 + piece.size() > MaxConditionLine) {
            lines << current;
            current.clear();
        }
        current += (current.isEmpty() ? QString() : QStringLiteral(" ")) + piece;
    }
    if (!current.isEmpty()) lines << current;
    return lines;
}

QString DictionaryRead::literal(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace qvor
