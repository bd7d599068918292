#pragma once
// The item role under which the field lists hand a field's type picture (TypeIcon) to their views.
#include <Qt>

namespace qvor {

inline constexpr int PictureRole = Qt::UserRole + 1;

} // namespace qvor
