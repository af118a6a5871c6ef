#include "app/command_dispatch.h"

#include "common/scope_guard.h"

namespace nivex {

CommandConditions CommandDispatch::Conditions() const {
    return CommandConditions{!busy_, !selection_.IsEmpty(), selection_.missing, catalogue_.missing,
                             catalogue_.TwoViews()};
}

void CommandDispatch::RunBusy(const std::function<void()>& operation) {
    busy_ = true;
    Refresh();
    {
        ScopeGuard done([this] { busy_ = false; });
        operation();
    }
    Refresh();
}

void CommandDispatch::Dispatch(int id) {
    if (busy_ || !bar_.IsEnabled(id)) return;
    table_.Run(CommandBar::CommandOf(id), Conditions());
}

} // namespace nivex
