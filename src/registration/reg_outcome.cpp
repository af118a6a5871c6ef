#include "registration/reg_outcome.h"

#include "registry/sound_names.h"
#include "common/path_split.h"

namespace nivex {

namespace {
std::wstring Hex8(std::uint32_t value) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text(8, L'0');
    for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = digits[value & 0xF];
    return text;
}

constexpr std::int32_t kAccessDenied = static_cast<std::int32_t>(0x80070005);  // E_ACCESSDENIED
constexpr std::int32_t kPrivilegeNotHeld = static_cast<std::int32_t>(0x80070522); // ERROR_PRIVILEGE_NOT_HELD
constexpr std::int32_t kSelfRegTypeLib = static_cast<std::int32_t>(0x80040200);   // SELFREG_E_TYPELIB
constexpr std::int32_t kSelfRegClass = static_cast<std::int32_t>(0x80040201);     // SELFREG_E_CLASS
} // namespace

const char* EntryPointName(int mode) {
    if (mode == kModeRegister) return "DllRegisterServer";
    if (mode == kModeUnregister) return "DllUnregisterServer";
    return "";
}

std::wstring ReasonText(RegOutcome outcome, int mode) {
    switch (outcome) {
    case RegOutcome::InvalidMode: return L"Invalid Function";
    case RegOutcome::LoadFailed: return L"File Not Found";
    case RegOutcome::EntryPointMissing: return L"Invalid ActiveX Control";
    case RegOutcome::ThreadFailed: return L"Unable to Create Thread";
    case RegOutcome::TimedOut: return mode == kModeRegister ? L"Registration Failed" : L"Unregistration Failed";
    case RegOutcome::EntryPointFailed:
        return std::wstring(mode == kModeRegister ? L"DllRegisterServer" : L"DllUnregisterServer") +
               L" reported a failure";
    case RegOutcome::Completed:
    case RegOutcome::Cancelled: break;
    }
    return {};
}

std::wstring EntryPointFailureText(int mode, std::int32_t code, const std::wstring& systemText) {
    std::wstring text = std::wstring(mode == kModeRegister ? L"DllRegisterServer" : L"DllUnregisterServer") +
                        L" returned error 0x" + Hex8(static_cast<std::uint32_t>(code));
    std::wstring meaning = systemText;
    // The self-registration codes have no system text of their own.
    if (meaning.empty() && code == kSelfRegTypeLib) meaning = L"The type library could not be registered.";
    if (meaning.empty() && code == kSelfRegClass) meaning = L"The classes could not be registered.";
    if (!meaning.empty()) text += L": " + meaning;
    if (code == kAccessDenied || code == kPrivilegeNotHeld)
        text += L"\nAdministrator rights are needed: run Nivex as an administrator.";
    return text;
}

std::wstring LoadFailureText(const std::wstring& systemText, const std::wstring& explanation) {
    std::wstring text = L"Unable to Load File";
    if (!systemText.empty()) text += L": " + systemText;
    if (!explanation.empty()) text += L"\n" + explanation + L".";
    return text;
}

OutcomeText DescribeOutcome(RegOutcome outcome, int mode, const std::wstring& path, const std::wstring& detail) {
    OutcomeText out;
    out.outcome = outcome;
    const bool registering = mode == kModeRegister;
    const std::wstring name = GetFileName(path);
    if (outcome == RegOutcome::Cancelled) return out;
    if (outcome == RegOutcome::Completed) {
        out.success = true;
        out.caption = L"Nivex - Success";
        const std::wstring folder = L"\"" + GetFilePath(path) + L"\"";
        if (registering) {
            out.title = L"Registration Successful!";
            out.message = name + L" was successfully registered in the " + folder + L" directory.";
            out.sound = kSoundRegistered;
        } else {
            out.title = L"Unregistration Successful!";
            out.message = name + L" was successfully Unregistered from the " + folder + L" directory.";
            out.sound = kSoundUnregistered;
        }
        return out;
    }
    const std::wstring reason = detail.empty() ? ReasonText(outcome, mode) : detail;
    out.caption = L"Nivex - Failed";
    out.title = registering ? L"Registration Failed!" : L"Unregistration Failed!";
    out.message = (registering ? L"Registration of " : L"Unregistration of ") + name + L" failed.\n" + reason;
    out.sound = kSoundFailed;
    return out;
}

int OutcomeExitCode(RegOutcome outcome) {
    if (outcome == RegOutcome::Completed) return 0;
    if (outcome == RegOutcome::Cancelled) return kExitCancelled;
    return kExitOutcomeBase + static_cast<int>(outcome);
}

} // namespace nivex
