#pragma once
// The values of one query table as its file holds them.
#include <QString>
#include <QStringList>
#include <cstdint>

namespace qvor {

struct QTableDocument {
    static constexpr int MaxItems = 999;

    QString MyTableF;      // output path of the last import
    bool ChSsl = false;    // tables in the tree open with a single click
    bool ChRow = false;    // the rows strip is shown
    qint32 sRows = 0;      // row limit, 0 = all rows
    // The counts are the file's keys SFI and SOP.
    int16_t fieldCount = 0;
    QStringList ssField;   // records 1..fieldCount: type, length "000 ", qualified name, blank, description
    int16_t optionCount = 0;
    QStringList ssOption;  // option lines 1..optionCount

    bool operator==(const QTableDocument&) const = default;
};

} // namespace qvor
