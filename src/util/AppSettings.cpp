#include "util/AppSettings.h"

namespace qvor {

AppSettings& appSettings()
{
    static AppSettings settings;
    return settings;
}

} // namespace qvor
