#pragma once
// Runs a function when the scope ends, however it ends (a busy flag reset, a status text put back).
#include <utility>

#include "common/base_namespace.h"

namespace velmora {

template <class F>
class ScopeGuard {
public:
    explicit ScopeGuard(F f) : f_(std::move(f)) {}
    ~ScopeGuard() {
        if (active_) f_();
    }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
    void Dismiss() { active_ = false; }

private:
    F f_;
    bool active_ = true;
};

} // namespace velmora
