#pragma once
// Finding tables by name or short text: the dictionary tables DD02L (names and classes) and
// DD02T (short texts per language) read with RFC_READ_TABLE, so the search works on every
// system the program reaches. A pattern takes * and ? as wildcards (% and _ work too); without
// one it matches anywhere in the name or text. Texts are compared as typed, capitalised, in
// capitals and in small letters, because SAP compares case-sensitively. Structures and appends
// cannot be read and are left out.
#include <QString>
#include <QStringList>
#include <vector>

namespace qvor {

struct FoundTable {
    QString name;
    QString text;
    QString tableClass;   // TRANSP, VIEW, CLUSTER, POOL
    bool operator==(const FoundTable&) const = default;
};

class TableSearch {
public:
    static constexpr int MaxResults = 500;

    // The LIKE pattern of what the user typed; empty when nothing is left to search for.
    static QString likePattern(const QString& typed, bool upperCase);
    // SAP's one-letter language key for a logon language ("EN" -> "E", "PT" -> "P").
    static QString languageKey(const QString& logonLanguage);

    // The condition lines of the three reads: names with their class, texts in the language (by
    // name or by text), and the classes of tables found by their text alone.
    static QStringList namesCondition(const QString& typed);
    static QStringList textsCondition(const QString& typed, const QString& languageKey);
    static QStringList classesCondition(const QStringList& names);

    // Runs the search on the connection and waits for it while the event loop keeps running.
    // False after showing SAP's exception; `found` is sorted by name.
    static bool run(const QString& typed, std::vector<FoundTable>* found);
};

} // namespace qvor
