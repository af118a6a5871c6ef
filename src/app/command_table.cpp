#include "app/command_table.h"

#include <utility>

namespace nivex {

void CommandTable::Add(int id, unsigned needs, std::function<void()> run, std::function<bool()> extraRule) {
    entries_[id] = Entry{needs, std::move(run), std::move(extraRule)};
}

bool CommandTable::Enabled(int id, const CommandConditions& conditions) const {
    const auto it = entries_.find(id);
    if (it == entries_.end() || !it->second.run) return false;
    if (!NeedsMet(it->second.needs, conditions)) return false;
    return !it->second.extraRule || it->second.extraRule();
}

bool CommandTable::Run(int id, const CommandConditions& conditions) const {
    if (!Enabled(id, conditions)) return false;
    // A copy: the command may replace its own entry while it runs.
    const std::function<void()> run = entries_.at(id).run;
    run();
    return true;
}

std::vector<int> CommandTable::Ids() const {
    std::vector<int> ids;
    for (const auto& [id, entry] : entries_) ids.push_back(id);
    return ids;
}

} // namespace nivex
