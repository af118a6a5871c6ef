#pragma once
// Help identifiers of the program's windows and controls, with the pop-up text and help page of each.
// Written once, in help_texts.inc; the help file's pop-up topics and map are generated from it.
#include <string>
#include <vector>

namespace nivex {

#define NIVEX_HELP_TOPIC(name, number, page, text) constexpr unsigned long name = number;
#define NIVEX_HELP_TEXT(name, number, page, text) constexpr unsigned long name = number;
#include "auxiliary/help_texts.inc"
#undef NIVEX_HELP_TOPIC
#undef NIVEX_HELP_TEXT

struct HelpEntry {
    unsigned long id;
    const char* name;
    const wchar_t* page; // page inside the help file, e.g. "options.htm"
    const wchar_t* text; // the pop-up text
    bool window;         // a window's identifier: the help file maps it to its page
};

// Every entry, in the order of the source file.
const std::vector<HelpEntry>& HelpEntries();
// The entry of an identifier; nullptr for an unknown one.
const HelpEntry* FindHelpEntry(unsigned long id);

// The help file beside the program: folder + "Nivex.chm", one backslash between.
std::wstring HelpFilePath(const std::wstring& programFolder);
// The help file's pop-up topic file, as the viewer addresses it: help file + "::/popups.txt".
std::wstring HelpPopupPath(const std::wstring& programFolder);

} // namespace nivex
