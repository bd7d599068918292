#pragma once
// The table tree's path list: one full path per node ("Sales\Customers\KNA1"), parents before
// children. These helpers read and rewrite its entries; the list itself is process-wide.
#include <QString>
#include <QStringList>

namespace qvor {

class TablePathList {
public:
    static constexpr QChar Separator = QLatin1Char('\\');
    static constexpr int MaxEntries = 999;

    // What building the tree takes from one entry: only the last two components count.
    struct Entry {
        QString name;         // the part after the last separator (the whole entry without one)
        QString parentName;   // the component just before it; empty at the root level
        bool atRoot = true;
    };
    static Entry parse(const QString& entry);

    // True when path is cutPath itself or lies below it.
    static bool isWithin(const QString& path, const QString& cutPath);

    // Paste: every entry is re-rooted under targetKey from the cut node's own name on, e.g. cut
    // Old\Sales\KNA1 onto Archive turns Old\Sales\KNA1\Notes into Archive\KNA1\Notes. Entries
    // that do not lie within the cut path are dropped.
    static QStringList rewriteForPaste(const QStringList& entries, const QString& cutPath,
                                       const QString& targetKey);

    static QStringList capped(QStringList entries);
};

} // namespace qvor
