#include "util/OperationGuard.h"

namespace qvor {

OperationGuard& operationGuard()
{
    static OperationGuard guard;
    return guard;
}

} // namespace qvor
