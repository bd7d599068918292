#pragma once
// My Table entries as the field list copies them, from the connected system's own catalogue.
// Empty when the catalogue cannot be read; fields that are not there are left out.
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/FieldCatalogue.h"
#include "tableaccess/FieldEntry.h"

namespace qvor::test {

inline MyTableField myTableField(const QString& table, const FieldEntry& e)
{
    return {table + QLatin1Char('-') + e.FIELDNAME, e.FIELDTEXT, e.TYPE, static_cast<int16_t>(e.LENGTH)};
}

// `count` fields from position `first` (0 is the client); count -1: all from there.
inline std::vector<MyTableField> catalogueFields(const QString& table, int first, int count = -1)
{
    std::vector<FieldEntry> entries;
    std::vector<MyTableField> out;
    if (!GetFields(table, &entries)) return out;
    for (int i = first; i < int(entries.size()) && (count < 0 || i < first + count); ++i)
        out.push_back(myTableField(table, entries[std::size_t(i)]));
    return out;
}

// The named fields, in the order named.
inline std::vector<MyTableField> catalogueFields(const QString& table, const QStringList& names)
{
    std::vector<FieldEntry> entries;
    std::vector<MyTableField> out;
    if (!GetFields(table, &entries)) return out;
    for (const QString& name : names)
        for (const FieldEntry& e : entries)
            if (e.FIELDNAME == name) out.push_back(myTableField(table, e));
    return out;
}

} // namespace qvor::test
