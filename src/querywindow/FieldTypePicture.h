#pragma once
// The picture of a field type in the query window's picture list (3..11; unknown types take 3),
// and the item role under which the field lists hand it to their views.
#include <QString>
#include <Qt>

namespace qvor {

inline constexpr int PictureRole = Qt::UserRole + 1;

inline int fieldTypePicture(const QString& type)
{
    if (type.size() != 1) return 3;
    switch (type.at(0).unicode()) {
    case 'C': return 3;
    case 'N': return 4;
    case 'P': return 5;
    case 'D': return 6;
    case 'T': return 7;
    case 'X': return 8;
    case 'I': return 9;
    case 'F': return 10;
    case 's': return 11;
    default: return 3;
    }
}

} // namespace qvor
