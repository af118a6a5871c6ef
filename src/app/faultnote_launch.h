#pragma once
// The main program's side of the bug-report wizard: where faultnote.exe is and what it is told.
#include <functional>
#include <string>

namespace nivex {

inline constexpr const wchar_t* kFaultnoteExe = L"faultnote.exe";

// title + "%" + major + "." + minor + "%" + revision as four digits ("Velmora Control Manager%1.0%0012").
std::wstring FaultnoteArguments(const std::wstring& title, int major, int minor, int revision);

struct FileSystemProbe {
    std::function<bool(const std::wstring&)> isFile;
    std::function<bool(const std::wstring&)> isFolder;
};

// The program to start: "Install Path" may name Faultnote's folder or the program itself (blanks and one pair of
// quotes around it are ignored); when it is empty or names nothing, faultnote.exe in the main program's folder.
// Empty text when neither exists.
std::wstring ChooseFaultnotePath(const std::wstring& installPath, const std::wstring& programFolder,
                                 const FileSystemProbe& probe);

} // namespace nivex
