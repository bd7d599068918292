#pragma once
// Which texts count as numbers for the tree's "No numbers allowed" and for the row-limit box:
// blanks around are ignored; an optional sign, digits with an optional "." (or "." and digits),
// and an optional exponent ("e" or "E", optionally signed). "12", "-1.5e3", "+.5" and "12." are
// numbers; "1,000", "$5", "&H1F" and "1e" are not.
#include <QString>

namespace qvor {

bool readsAsNumber(const QString& text);

} // namespace qvor
