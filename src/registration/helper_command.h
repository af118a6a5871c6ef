#pragma once
// The registration helper: which program runs a server of a given machine type, and the command line
// that Nivex and nivexcmd hand it (`nivexcmd host ...`, a mode for the programs' own use). Portable.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace nivex {

inline const wchar_t* const kHelperProgram = L"nivexcmd.exe";

// The helper for a server of serverMachine, as a program built for ownMachine in programFolder finds it:
// its own nivexcmd.exe for its own machine (and for files of no or an unknown machine type, which then
// fail to load with their reason); a 64-bit program's 32-bit helper in "x86" below its folder; a 32-bit
// program's 64-bit helper in the folder above when its own folder is "x86" (the 32-bit programs of a
// 64-bit installation), else in "x64" below its folder.
std::wstring HelperProgramPath(const std::wstring& programFolder, std::uint16_t ownMachine, std::uint16_t serverMachine);

// "32-bit", "64-bit" or the machine's name, for the message that a helper is missing.
std::wstring HelperKindText(std::uint16_t machine);

enum class HostMode { Register, Unregister, Capture };

struct HostRequest {
    HostMode mode = HostMode::Register;
    std::wstring file;   // the server, a full path
    std::wstring result; // where the helper writes its report (registration/reg_host_report.h)
    // Predefined keys the caller has redirected ("HKCR", "HKCU", ...) and the key below HKEY_CURRENT_USER
    // they point at, so that the helper sees the registry the caller sees.
    std::vector<std::pair<std::wstring, std::wstring>> redirects;
    // Dry runs: the key below HKEY_CURRENT_USER\Software that takes the server's writes; the caller
    // removes it afterwards whatever became of the helper.
    std::wstring scratch;
    bool operator==(const HostRequest&) const = default;
};

// The arguments after the program's name: "host register FILE --result FILE ...", each quoted as needed.
std::wstring HostArguments(const HostRequest& request);

struct HostParse {
    HostRequest request;
    std::wstring error; // empty when the arguments are usable
};
// args: what follows "host".
HostParse ParseHostArguments(const std::vector<std::wstring>& args);

} // namespace nivex
