#include "util/OperationGuard.h"

#include "util/StatusPanels.h"
#include "util/UiTexts.h"

#include <vector>

namespace qvor {

OperationGuard& operationGuard()
{
    static OperationGuard guard;
    return guard;
}

int OperationGuard::begin(Canceller cancel)
{
    const bool was = busy();
    const int id = nextId_++;
    running_.emplace(id, std::move(cancel));
    if (!was) Q_EMIT busyChanged(true);
    return id;
}

void OperationGuard::end(int id)
{
    if (running_.erase(id) == 0) return;
    if (!busy()) Q_EMIT busyChanged(false);
}

void OperationGuard::reset()
{
    const bool was = busy();
    running_.clear();
    if (was) Q_EMIT busyChanged(false);
}

bool OperationGuard::cancellable() const
{
    for (const auto& [id, cancel] : running_)
        if (cancel) return true;
    return false;
}

bool OperationGuard::cancel()
{
    // A canceller may end its operation at once; the others are asked all the same.
    std::vector<Canceller> cancellers;
    for (const auto& [id, cancel] : running_)
        if (cancel) cancellers.push_back(cancel);
    for (const Canceller& c : cancellers) c();
    return !cancellers.empty();
}

bool OperationGuard::refuseIfBusy()
{
    if (!busy()) return false;
    const QString text = tx(TextId::OperationRunning);
    panels().setMessage(text);
    Q_EMIT refused(text);
    return true;
}

} // namespace qvor
