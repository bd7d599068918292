#pragma once
// When calls are paired by position (the default), a line is only right if its calls returned
// their rows in the same order. Where two calls of different tables both carry key fields that
// the tables share (KNA1 and KNB1 both asked for MANDT and KUNNR), this counts the lines whose
// paired rows hold different values in them, so the import can say so.
#include "tableaccess/CallGroups.h"
#include "tableaccess/ExtractionBuffers.h"
#include "tableaccess/KeyJoinPlan.h"
#include "tableaccess/RowStore.h"

#include <QStringList>
#include <vector>

namespace qvor {

class KeyAgreementCheck {
public:
    // The tables whose key fields are worth asking for: those with a field whose name another
    // table of My Table has too. Empty when no two calls can hold the same field.
    static QStringList tablesToAsk(const MyTableBuffer& fields);

    // The pairs of calls to compare; delimiterWidth is 1 when the lines carry a one-character
    // delimiter between fields, 0 when the fields stand back to back.
    KeyAgreementCheck(const MyTableBuffer& fields, const CallGroups& groups, const TableKeys& keys, int delimiterWidth);

    bool active() const { return !pairs_.empty(); }
    // Reads the calls' lines (stores[k - 1] for call k; null for a call that failed) once from
    // the start and gives the number of lines whose paired rows disagree on a shared key.
    // The stores are left rewound.
    qint64 count(const std::vector<RowStore*>& stores) const;

private:
    struct Pair {
        int first = 0, second = 0;           // 0-based calls
        std::vector<int> firstSlots, secondSlots;
    };
    std::vector<Pair> pairs_;
    std::vector<std::vector<int>> lengths_;  // per call: slot lengths, delimiters included
};

} // namespace qvor
