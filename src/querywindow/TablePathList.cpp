#include "querywindow/TablePathList.h"

namespace qvor {

TablePathList::Entry TablePathList::parse(const QString& entry)
{
    const qsizetype last = entry.lastIndexOf(Separator);
    if (last < 0) return {entry, QString(), true};
    const qsizetype before = entry.lastIndexOf(Separator, last - 1 >= 0 ? last - 1 : 0);
    const qsizetype parentStart = (before >= 0 && before < last) ? before + 1 : 0;
    return {entry.mid(last + 1), entry.mid(parentStart, last - parentStart), false};
}

bool TablePathList::isWithin(const QString& path, const QString& cutPath)
{
    if (path == cutPath) return true;
    return path.size() > cutPath.size() && path.startsWith(cutPath) && path.at(cutPath.size()) == Separator;
}

QStringList TablePathList::rewriteForPaste(const QStringList& entries, const QString& cutPath,
                                           const QString& targetKey)
{
    const qsizetype nameStart = cutPath.lastIndexOf(Separator) + 1;
    QStringList result;
    for (const QString& entry : entries) {
        if (!isWithin(entry, cutPath)) continue;
        result.append(targetKey + Separator + entry.mid(nameStart));
    }
    return result;
}

QStringList TablePathList::capped(QStringList entries)
{
    if (entries.size() > MaxEntries) entries.resize(MaxEntries);
    return entries;
}

} // namespace qvor
