#include "auxiliary/help_ids.h"

#include "common/paths.h"

namespace nivex {

const std::vector<HelpEntry>& HelpEntries() {
#define NIVEX_HELP_TOPIC(name, number, page, text) {number, #name, L"" page, L"" text, true},
#define NIVEX_HELP_TEXT(name, number, page, text) {number, #name, L"" page, L"" text, false},
    static const std::vector<HelpEntry> entries = {
#include "auxiliary/help_texts.inc"
    };
#undef NIVEX_HELP_TOPIC
#undef NIVEX_HELP_TEXT
    return entries;
}

const HelpEntry* FindHelpEntry(unsigned long id) {
    for (const auto& entry : HelpEntries())
        if (entry.id == id) return &entry;
    return nullptr;
}

std::wstring HelpFilePath(const std::wstring& programFolder) { return JoinPath(programFolder, L"Nivex.chm"); }

std::wstring HelpPopupPath(const std::wstring& programFolder) {
    return HelpFilePath(programFolder) + L"::/popups.txt";
}

} // namespace nivex
