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
constexpr std::int32_t kTypeRegistryAccess = static_cast<std::int32_t>(0x8002801C); // TYPE_E_REGISTRYACCESS
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorBadExeFormat = 193;

std::wstring CrashText(const RegResult& r, int mode) {
    if (r.exceptionCode == 0)
        return r.problem.empty() ? std::wstring(L"The helper ended without reporting an outcome.") : r.problem;
    std::wstring text = L"The server stopped with exception 0x" + Hex8(r.exceptionCode);
    const std::wstring name = ExceptionName(r.exceptionCode);
    if (!name.empty()) text += L" (" + name + L")";
    switch (r.phase) {
    case RegPhase::Load: text += L" while it was being loaded"; break;
    case RegPhase::LookUp: text += L" while its entry point was looked up"; break;
    case RegPhase::Call: text += std::wstring(L" in ") + (mode == kModeRegister ? L"DllRegisterServer" : L"DllUnregisterServer"); break;
    case RegPhase::Start:
    case RegPhase::Done: break;
    }
    return text + L".";
}
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
    case RegOutcome::Crashed: return L"The server stopped unexpectedly";
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

std::wstring ExceptionName(std::uint32_t code) {
    static const struct { std::uint32_t code; const wchar_t* name; } names[] = {
        {0xC0000005, L"access violation"},         {0xC00000FD, L"stack overflow"},
        {0xC0000094, L"integer division by zero"}, {0xC0000095, L"integer overflow"},
        {0xC000001D, L"illegal instruction"},      {0xC0000096, L"privileged instruction"},
        {0xC0000006, L"in-page error"},            {0xC000008C, L"array bounds exceeded"},
        {0xC000008E, L"floating-point division by zero"}, {0xC0000409, L"stack buffer overrun"},
        {0xC0000374, L"heap corruption"},          {0x80000003, L"breakpoint"},
        {0xE06D7363, L"C++ exception"},            {0xC0000017, L"out of memory"},
    };
    for (const auto& n : names)
        if (n.code == code) return n.name;
    return {};
}

std::wstring FillInserts(const std::wstring& systemText, const std::wstring& fileName) {
    std::wstring text;
    for (size_t i = 0; i < systemText.size(); ++i) {
        // "%1" but not "%10": the loader's texts have one insert, the file.
        if (systemText[i] == L'%' && i + 1 < systemText.size() && systemText[i + 1] == L'1' &&
            (i + 2 >= systemText.size() || systemText[i + 2] < L'0' || systemText[i + 2] > L'9')) {
            text += fileName;
            ++i;
        } else {
            text += systemText[i];
        }
    }
    return text;
}

std::wstring ReasonFor(const RegResult& r, int mode, const std::wstring& path) {
    const std::wstring name = GetFileName(path).empty() ? std::wstring(L"the file") : GetFileName(path);
    switch (r.outcome) {
    case RegOutcome::LoadFailed: {
        if (r.fileMissing) break;
        std::wstring explanation = r.explanation;
        // The loader's "bad format" for a file with no program header at all says nothing of processors.
        if (explanation.empty() && r.systemError == kErrorBadExeFormat) explanation = name + L" is not a program file";
        return LoadFailureText(FillInserts(r.systemText, name), explanation);
    }
    case RegOutcome::ThreadFailed:
        if (!r.problem.empty()) return r.problem;
        break;
    case RegOutcome::EntryPointFailed: return EntryPointFailureText(mode, r.hresult, r.systemText);
    case RegOutcome::Crashed: return CrashText(r, mode);
    default: break;
    }
    return ReasonText(r.outcome, mode);
}

bool NeedsAdministrator(const RegResult& r) {
    if (r.outcome == RegOutcome::LoadFailed) return r.systemError == kErrorAccessDenied;
    if (r.outcome != RegOutcome::EntryPointFailed) return false;
    if (r.hresult == kAccessDenied || r.hresult == kPrivilegeNotHeld || r.hresult == kTypeRegistryAccess) return true;
    return (r.hresult == kSelfRegClass || r.hresult == kSelfRegTypeLib) && r.registryDenied;
}

OutcomeText DescribeResult(const RegResult& result, int mode, const std::wstring& path) {
    return DescribeOutcome(result.outcome, mode, path, ReasonFor(result, mode, path));
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
