#include "common/paths.h"

namespace velmora {

namespace {
std::wstring programFolder;
std::wstring systemFolder = L"\\";
bool osIsMajor5 = false;
} // namespace

std::wstring JoinPath(const std::wstring& folder, const std::wstring& relative) {
    if (!folder.empty() && folder.back() == L'\\') return folder + relative;
    return folder + L"\\" + relative;
}

std::wstring WithTrailingBackslash(const std::wstring& folder) {
    if (!folder.empty() && folder.back() == L'\\') return folder;
    return folder + L"\\";
}

const std::wstring& ProgramFolder() { return programFolder; }
void SetProgramFolder(const std::wstring& folder) { programFolder = folder; }

const std::wstring& SystemFolder() { return systemFolder; }
void SetSystemFolder(const std::wstring& folder) { systemFolder = WithTrailingBackslash(folder); }

bool OsIsMajor5() { return osIsMajor5; }
void SetOsIsMajor5(bool value) { osIsMajor5 = value; }

} // namespace velmora
