#pragma once
// Faultnote's contact with the system: the version query, today's date, and where the report file goes.
#include <optional>
#include <string>

#include "faultnote/system_info.h"

namespace faultnote {

// The platform's true version (RtlGetVersion, which does not pretend to be 8.1 to programs without a
// compatibility entry for newer systems); falls back to GetVersionExW. valid is false when both fail.
OsVersionRecord QueryOsVersion();

// Today in the user's short date format.
std::wstring ShortDateText();

// The user's Documents folder; empty when the system cannot say.
std::wstring DocumentsFolder();

// The text in the given ANSI code page when every character survives the round trip; nullopt otherwise.
std::optional<std::string> LosslessAnsi(const std::wstring& text, unsigned codePage);

struct SaveOutcome {
    bool saved = false;
    std::wstring path;  // the file written, or the last one tried
    std::wstring error; // when nothing was written: one line per file tried, with the system's reason
};

// Writes the report as "Bug_Report.txt" into the first folder that takes it: Faultnote's own folder, where it
// replaces the last report, else the user's Documents folder (read-only program folders are the rule under
// Program Files), where it never replaces a file: "Bug_Report (2).txt" and so on when the name is taken.
// A failed write leaves no piece of a file. ANSI when that loses nothing, otherwise UTF-8 with a byte-order
// mark.
SaveOutcome SaveReportFile(const std::wstring& report, const std::wstring& programFolder,
                           const std::wstring& documentsFolder, unsigned codePage);

} // namespace faultnote
