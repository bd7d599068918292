#pragma once
// The data lines of one RFC_READ_TABLE answer as the program asked for them. Classic systems lay
// the fields out in the order sent, each as wide as its LENGTH. Newer releases answer in dictionary
// order, skip unknown names, collapse duplicates, and give packed fields one more character,
// left-justified. The FIELDS table that comes back says where each field really is (OFFSET), so each
// line is cut there and put together again: the fields in the order sent, each LENGTH wide, packed
// numbers right-justified with their sign behind as the classic module writes them, joined by the
// call's delimiter. Lines of a classic layout without packed fields are used as they are.
#include "rfc/RfcData.h"

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace qvor {

class ReturnedLayout {
public:
    // requested: the FIELDNAME values sent, in order; fields: the FIELDS table returned; delimiter:
    // the DELIMITER sent (blank or empty: none). When a requested field is not in the answer, the
    // layout is not usable and missing names it.
    static ReturnedLayout read(const QStringList& requested, const rfc::Table& fields, const QString& delimiter,
                               QString* missing);

    // The lines come as the program wants them already.
    bool unchanged() const { return unchanged_; }
    // One line as asked for (in characters: OFFSET and LENGTH count characters, the line is UTF-8).
    void rebuild(std::string_view line, std::string& out) const;
    // Every value of the column in place (answers small enough to hold: previews, catalogue reads).
    void rebuildColumn(rfc::Table& data, std::string_view column) const;

    // A packed number's text in the classic slot of `length` characters: right-justified, the sign
    // (blank or "-") in the last place, given up by a positive number that needs it, and cut on the
    // left behind "*" when still too long. Text already in that form stays as it is.
    static void appendClassicPacked(std::string& out, std::string_view text, std::size_t length);

private:
    struct Slot {
        std::size_t offset = 0;   // characters
        std::size_t width = 0;    // characters it occupies in the returned line; 0: to the line's end
        std::size_t length = 0;   // characters it occupies in the rebuilt line
        bool packed = false;
    };
    std::vector<Slot> slots_;   // in the order asked for
    std::string delimiter_;
    bool unchanged_ = true;
};

} // namespace qvor
