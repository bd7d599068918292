#pragma once
// RFC_SYSTEM_INFO: the RFCSI_EXPORT structure and resource figures of the demo system.
#include "demosystem/DemoSystem.h"
#include "rfc/RfcData.h"

namespace demo {

class SystemInfo {
public:
    static rfc::FunctionResult run(const Identity& identity);
    // The machine's host name as gethostname() gives it ("localhost" when that fails).
    static std::string hostName();
};

} // namespace demo
