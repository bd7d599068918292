#pragma once
// Marks the time a long operation (import, preview) runs. It works on process-wide buffers and
// on the active window, so the main window refuses commands that would disturb it while busy.
// begin()/end() nest; OperationScope pairs them for one scope.
namespace qvor {

class OperationGuard {
public:
    bool busy() const { return depth_ > 0; }
    void begin() { ++depth_; }
    void end() { if (depth_ > 0) --depth_; }
    void reset() { depth_ = 0; }

private:
    int depth_ = 0;
};

OperationGuard& operationGuard();

class OperationScope {
public:
    OperationScope() { operationGuard().begin(); }
    ~OperationScope() { operationGuard().end(); }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;
};

} // namespace qvor
