#pragma once
// qvor-extract as this build made it, for the tests that start it.
#include <QString>

namespace qvor::test {

inline QString extractToolPath() { return QStringLiteral(QVOR_BINARY_DIR "/qvor-extract"); }

} // namespace qvor::test
