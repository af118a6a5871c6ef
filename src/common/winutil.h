#pragma once
// Small Win32 helpers: ANSI text, system error texts, the running module's names.
#include <windows.h>

#include <string>
#include <string_view>

#include "common/base_namespace.h"

namespace velmora {

// Conversion through the system's ANSI code page, for the text files the programs write.
std::string WideToAnsi(std::wstring_view text);
std::wstring AnsiToWide(std::string_view text);

// The system's message text for a Win32 error code, without the trailing line break.
std::wstring SystemErrorText(DWORD code);

// Full path of this executable, its folder (no trailing backslash) and its name without extension.
std::wstring ExecutablePath();
std::wstring ExecutableFolder();
std::wstring ExecutableBaseName();

// The absolute form of a path (relative parts and ".." resolved); empty text when it has none.
std::wstring FullPathName(const std::wstring& path);

// Asks the platform for the system folder; empty text when it cannot say.
std::wstring QuerySystemDirectory();

// Opens the shell's properties sheet of a file (the "properties" verb through the item's context menu).
// False when the shell refused.
bool ShowFileProperties(HWND owner, const std::wstring& path);

} // namespace velmora
