#include "registration/helper_command.h"

#include "common/command_args.h"
#include "common/path_split.h"
#include "common/paths.h"
#include "common/text.h"
#include "inspect/pe_imports.h"

namespace nivex {

namespace {

const wchar_t* ModeWord(HostMode mode) {
    switch (mode) {
    case HostMode::Register: return L"register";
    case HostMode::Unregister: return L"unregister";
    case HostMode::Capture: return L"capture";
    }
    return L"";
}

bool IsRootName(const std::wstring& name) {
    return name == L"HKCR" || name == L"HKLM" || name == L"HKCU" || name == L"HKU";
}

} // namespace

std::wstring HelperProgramPath(const std::wstring& programFolder, std::uint16_t ownMachine,
                               std::uint16_t serverMachine) {
    const std::wstring folder = WithTrailingBackslash(programFolder);
    if (ownMachine == kMachineX64 && serverMachine == kMachineX86) return folder + L"x86\\" + kHelperProgram;
    if (ownMachine == kMachineX86 && serverMachine == kMachineX64) {
        std::wstring parent = folder.substr(0, folder.size() - 1); // without its closing backslash
        if (EqualsNoCase(GetFileName(parent), L"x86")) return GetFilePath(parent) + kHelperProgram;
        return folder + L"x64\\" + kHelperProgram;
    }
    return folder + kHelperProgram;
}

std::wstring HelperKindText(std::uint16_t machine) {
    const int bits = MachineBits(machine);
    if (bits != 0 && machine != kMachineArm64) return std::to_wstring(bits) + L"-bit";
    return Utf8ToWide(MachineName(machine));
}

std::wstring HostArguments(const HostRequest& r) {
    std::wstring line = std::wstring(L"host ") + ModeWord(r.mode) + L" " + QuoteArgument(r.file) + L" --result " +
                        QuoteArgument(r.result);
    for (const auto& [root, path] : r.redirects) line += L" --redirect " + QuoteArgument(root + L"=" + path);
    if (!r.scratch.empty()) line += L" --scratch " + QuoteArgument(r.scratch);
    return line;
}

HostParse ParseHostArguments(const std::vector<std::wstring>& args) {
    HostParse parsed;
    HostRequest& r = parsed.request;
    auto fail = [&](std::wstring message) {
        parsed.error = std::move(message);
        return parsed;
    };
    if (args.size() < 2) return fail(L"host needs a mode and a file.");
    if (args[0] == L"register") r.mode = HostMode::Register;
    else if (args[0] == L"unregister") r.mode = HostMode::Unregister;
    else if (args[0] == L"capture") r.mode = HostMode::Capture;
    else return fail(L"Unknown host mode '" + args[0] + L"'.");
    r.file = args[1];
    for (size_t i = 2; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        if (i + 1 >= args.size()) return fail(a + L" needs a value.");
        const std::wstring& value = args[++i];
        if (a == L"--result") r.result = value;
        else if (a == L"--scratch") r.scratch = value;
        else if (a == L"--redirect") {
            const size_t equals = value.find(L'=');
            if (equals == std::wstring::npos || !IsRootName(value.substr(0, equals)) || equals + 1 == value.size())
                return fail(L"--redirect takes ROOT=PATH (ROOT one of HKCR, HKLM, HKCU, HKU).");
            r.redirects.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        } else {
            return fail(L"Unknown option '" + a + L"' for host.");
        }
    }
    if (r.file.empty() || r.result.empty()) return fail(L"host needs a file and --result FILE.");
    if (r.mode == HostMode::Capture && r.scratch.empty()) return fail(L"host capture needs --scratch NAME.");
    // The scratch key is a single name below Software: nothing that could climb elsewhere.
    if (r.scratch.find(L'\\') != std::wstring::npos) return fail(L"--scratch takes a key name without backslashes.");
    return parsed;
}

} // namespace nivex
