#pragma once
// The main window's commands: each subsystem adds its entries (identifier, what it needs, what it runs),
// so a new command is one entry. A menu item, toolbar button or accelerator without an entry stays
// greyed. Portable, tested natively.
#include <functional>
#include <map>
#include <vector>

#include "app/command_rules.h"

namespace nivex {

class CommandTable {
public:
    struct Entry {
        unsigned needs = kNeedsNothing;
        std::function<void()> run;
        // A further condition of the window's own (for example "the first details list is active").
        std::function<bool()> extraRule;
    };

    // Adds or replaces the entry of a menu command; its toolbar button follows it.
    void Add(int id, unsigned needs, std::function<void()> run, std::function<bool()> extraRule = {});
    bool Has(int id) const { return entries_.count(id) != 0; }
    // False for a command without an entry, and when its needs are not met.
    bool Enabled(int id, const CommandConditions& conditions) const;
    // Runs the command when it is enabled; false when it did not run.
    bool Run(int id, const CommandConditions& conditions) const;
    std::vector<int> Ids() const;

private:
    std::map<int, Entry> entries_;
};

} // namespace nivex
