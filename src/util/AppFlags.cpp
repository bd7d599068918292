#include "util/AppFlags.h"

namespace qvor {

AppFlags& appFlags()
{
    static AppFlags flags;
    return flags;
}

} // namespace qvor
