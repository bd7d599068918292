#include "tableaccess/SessionPool.h"

#include "sap/FunctionsComponent.h"
#include "sap/RfcConnection.h"
#include "sap/SapConnection.h"

#include "util/UiTexts.h"

#include <QTimer>

namespace qvor {
namespace {

// Components whose calls were cancelled live until their replies are in; their callers may
// still be handed the answer of a call that has just ended.
void retire(std::vector<std::unique_ptr<FunctionsComponent>> sessions)
{
    std::erase_if(sessions, [](const auto& s) { return !s->callsInFlight(); });
    if (sessions.empty()) return;
    auto held = std::make_shared<std::vector<std::unique_ptr<FunctionsComponent>>>(std::move(sessions));
    QTimer::singleShot(20, [held]() mutable { retire(std::move(*held)); });
}

} // namespace

SessionPool::SessionPool() = default;

SessionPool::~SessionPool() { close(); }

bool SessionPool::open(int count, QString* error)
{
    close();
    if (!sapConnection().connected() || !sapConnection().functions()) {
        if (error) *error = tx(TextId::SapNotLoggedOn);
        return false;
    }
    size_ = 1;
    while (size() < count) {
        std::unique_ptr<FunctionsComponent> session = sapConnection().openSession(error);
        if (!session) return false;
        extra_.push_back(std::move(session));
    }
    return true;
}

FunctionsComponent* SessionPool::at(int i) const
{
    if (i == 0) return size_ > 0 ? sapConnection().functions() : nullptr;
    if (i < 1 || i > static_cast<int>(extra_.size())) return nullptr;
    return extra_[static_cast<std::size_t>(i - 1)].get();
}

void SessionPool::cancelCalls()
{
    if (FunctionsComponent* own = at(0)) own->cancelCalls();
    for (auto& s : extra_) s->cancelCalls();
}

bool SessionPool::callsInFlight() const
{
    for (int i = 0; i < size(); ++i)
        if (FunctionsComponent* s = at(i); s && s->callsInFlight()) return true;
    return false;
}

void SessionPool::close()
{
    for (auto& s : extra_) {
        s->cancelCalls();
        if (s->Connection().IsConnected() == 1) s->Connection().Logoff();
    }
    retire(std::move(extra_));
    extra_.clear();
    size_ = 0;
}

} // namespace qvor
