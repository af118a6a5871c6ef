// nivexcmd host: the registration helper. Loads one server, calls its entry point on a worker thread and
// writes a report (registration/reg_host_report.h) to the file it was given; never shows anything. A server
// that crashes is caught by the process's last exception filter, so the report still says what happened.
#include "cli/host_command.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <string>
#include <vector>

#include "cli/console.h"
#include "common/error.h"
#include "common/handles.h"
#include "common/path_split.h"
#include "common/text.h"
#include "inspect/dependency_files.h"
#include "inspect/pe_imports.h"
#include "registration/helper_command.h"
#include "registration/reg_backup.h"
#include "registration/reg_engine.h"
#include "registration/reg_host_report.h"
#include "registration/repair_operations.h"
#include "registry/predefined_keys.h"

namespace nivex {

namespace {

constexpr int kExitHostUsage = 2;
constexpr int kExitHostNoReport = 1;

// Shared with the worker and the exception filter, which may run on a thread with hardly any stack left.
HANDLE crashEvent = nullptr;
std::atomic<int> phase{static_cast<int>(RegPhase::Start)};
std::atomic<std::uint32_t> crashCode{0};

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* info) {
    crashCode = static_cast<std::uint32_t>(info->ExceptionRecord->ExceptionCode);
    SetEvent(crashEvent);
    // The main thread writes the report and ends the process; this thread must never return into the server.
    for (;;) Sleep(INFINITE);
}

struct Work {
    std::wstring file;
    const char* entryName = "";
    HMODULE module = nullptr;
    DWORD loadError = 0;
    bool found = false;
    HRESULT result = S_OK;
};

DWORD WINAPI Worker(void* parameter) {
    Work& w = *static_cast<Work*>(parameter);
    phase = static_cast<int>(RegPhase::Load);
    // The altered search path lets the server's own dependencies be found beside it.
    w.module = LoadLibraryExW(w.file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!w.module) {
        w.loadError = GetLastError();
        return 0;
    }
    phase = static_cast<int>(RegPhase::LookUp);
    using EntryPoint = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(w.module, w.entryName)));
    if (!entry) return 0;
    w.found = true;
    phase = static_cast<int>(RegPhase::Call);
    // Servers may create COM objects or marshal while registering; give them an apartment. (Not the whole of
    // OLE: its clipboard and drag-and-drop set-up would cost more than the registration itself.)
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    w.result = entry();
    if (SUCCEEDED(com)) CoUninitialize();
    phase = static_cast<int>(RegPhase::Done);
    return 0;
}

// The four roots a dry run redirects, their names in the report and below the scratch key.
struct CaptureRoot {
    HKEY key;
    const wchar_t* name;
    const wchar_t* scratch;
};
const CaptureRoot kCaptureRoots[] = {{HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L"HKCR"},
                                     {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", L"HKLM"},
                                     {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"HKCU"},
                                     {HKEY_USERS, L"HKEY_USERS", L"HKU"}};

// Redirections of the predefined keys: first the caller's (so the helper sees what the caller sees), then
// during a dry run the scratch keys on top.
class Redirections {
public:
    // Every target is opened before any key is redirected, so all paths are below the user's own key.
    bool Apply(const std::vector<std::pair<HKEY, std::wstring>>& targets) {
        std::vector<HKEY> opened;
        for (const auto& [root, path] : targets) {
            HKEY key = nullptr;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr) != ERROR_SUCCESS)
                return false;
            opened.push_back(key);
        }
        for (size_t i = 0; i < targets.size(); ++i) {
            RegOverridePredefKey(targets[i].first, opened[i]);
            applied_.emplace_back(targets[i].first, opened[i]);
        }
        return true;
    }
    void End() {
        for (auto it = applied_.rbegin(); it != applied_.rend(); ++it) {
            RegOverridePredefKey(it->first, nullptr);
            RegCloseKey(it->second);
        }
        applied_.clear();
    }
    ~Redirections() { End(); }

private:
    std::vector<std::pair<HKEY, HKEY>> applied_;
};

std::vector<std::pair<HKEY, std::wstring>> CallerTargets(const HostRequest& request) {
    std::vector<std::pair<HKEY, std::wstring>> targets;
    for (const auto& [root, path] : request.redirects) targets.emplace_back(PredefinedKeyByName(root), path);
    return targets;
}

std::wstring ScratchPath(const HostRequest& request) { return L"Software\\" + request.scratch; }

// Every key below the scratch keys, under its real root's name, with what the registry holds there now.
// Runs after the scratch redirections have ended.
std::vector<CapturedKey> CollectCapture(const HostRequest& request) {
    std::vector<CapturedKey> captured;
    for (const CaptureRoot& root : kCaptureRoots) {
        const std::wstring below = ScratchPath(request) + L"\\" + root.scratch;
        std::vector<RegFileKey> keys;
        ReadKeyTree(HKEY_CURRENT_USER, L"", below, keys);
        const std::wstring prefix = L"\\" + below;
        for (RegFileKey& key : keys) {
            const std::wstring rest = key.path.substr(prefix.size()); // "" for the scratch key itself
            if (rest.empty()) continue;
            CapturedKey entry;
            entry.written.path = root.name + rest;
            entry.written.values = std::move(key.values);
            entry.existed = ReadKeyValues(root.key, rest.substr(1), entry.current);
            captured.push_back(std::move(entry));
        }
    }
    return captured;
}

// After a self-registration failure: would the registry have taken the server's class keys at all?
bool RegistryRefusesWrites() {
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_CREATE_SUB_KEY, &key);
    if (key) RegCloseKey(key);
    return rc == ERROR_ACCESS_DENIED;
}

bool WriteReport(const std::wstring& path, const HostReport& report) {
    const std::string bytes = FormatHostReport(report);
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// The result of a worker that came back (did not crash). probe: after a failure, ask the registry whether it
// refuses writes (meaningless in a dry run, whose keys are scratch keys).
RegResult Finished(const Work& work, bool probe) {
    RegResult r;
    r.phase = static_cast<RegPhase>(phase.load());
    if (!work.module) {
        r.outcome = RegOutcome::LoadFailed;
        r.systemError = work.loadError;
        r.fileMissing = GetFileAttributesW(work.file.c_str()) == INVALID_FILE_ATTRIBUTES;
        if (!r.fileMissing) {
            r.systemText = SystemMessageText(work.loadError);
            // The imports tell which module is missing or that the file is for another processor, where the
            // system only says "not found" or "bad format".
            r.explanation = ExplainLoadFailure(work.file);
        }
        return r;
    }
    if (!work.found) {
        r.outcome = RegOutcome::EntryPointMissing;
        return r;
    }
    r.hresult = static_cast<std::int32_t>(work.result);
    if (FAILED(work.result)) {
        r.outcome = RegOutcome::EntryPointFailed;
        r.systemText = ResultCodeText(r.hresult);
        r.registryDenied = probe && RegistryRefusesWrites();
        return r;
    }
    r.outcome = RegOutcome::Completed;
    return r;
}

// The registry operations a caller without administrator rights hands over (delete-keys, edit, restore):
// "OPERATION [--redirect ROOT=PATH]... -- OPERAND...". Exit code 0 when all was done, 1 when not.
int RunRegistryOperation(const std::vector<std::wstring>& args) {
    std::vector<std::pair<HKEY, std::wstring>> targets;
    RegistryView view = OwnView();
    size_t i = 1;
    for (; i + 1 < args.size() && (args[i] == L"--redirect" || args[i] == L"--view"); i += 2) {
        if (args[i] == L"--view") {
            const std::optional<RegistryView> named = ParseViewNumber(args[i + 1]);
            if (!named) return kExitHostUsage;
            view = *named;
            continue;
        }
        const size_t equals = args[i + 1].find(L'=');
        const HKEY root = equals == std::wstring::npos ? nullptr : PredefinedKeyByName(args[i + 1].substr(0, equals));
        if (!root) return kExitHostUsage;
        targets.emplace_back(root, args[i + 1].substr(equals + 1));
    }
    if (i >= args.size() || args[i] != L"--") return kExitHostUsage;
    const std::vector<std::wstring> operands(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    Redirections caller;
    if (!caller.Apply(targets)) return kExitHostNoReport;
    const std::wstring& operation = args[0];
    if (operation == L"delete-keys") {
        // Only keys inside a class's or a library's own key (a removal may take one view's part of a library).
        for (const std::wstring& path : operands)
            if (!DeletionAllowed(std::wstring(kClassesRootName) + L"\\" + path)) return kExitHostUsage;
        std::vector<KeyFailure> failures;
        for (const std::wstring& path : operands) DeleteAllKeys(HKEY_CLASSES_ROOT, path, failures, view);
        return failures.empty() ? 0 : kExitHostNoReport;
    }
    if (operation == L"edit" && operands.size() == 3)
        return WriteElementValue(operands[0], operands[1], operands[2], view).ok ? 0 : kExitHostNoReport;
    if (operation == L"restore" && operands.size() == 1) return ImportBackup(operands[0]).ok ? 0 : kExitHostNoReport;
    return kExitHostUsage;
}

} // namespace

int RunHostCommand(const std::vector<std::wstring>& args) {
    if (!args.empty() && (args[0] == L"delete-keys" || args[0] == L"edit" || args[0] == L"restore"))
        return RunRegistryOperation(args);
    const HostParse parsed = ParseHostArguments(args);
    if (!parsed.error.empty()) {
        Err(L"nivexcmd: " + parsed.error + L"\r\n");
        return kExitHostUsage;
    }
    const HostRequest& request = parsed.request;
    // Nothing may stop for a person: no pop-up about a missing file or a crash.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    crashEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetUnhandledExceptionFilter(&CrashFilter);

    HostReport report;
    report.machine = OwnMachine();
    Redirections caller, scratch;
    if (!caller.Apply(CallerTargets(request))) {
        report.result.outcome = RegOutcome::ThreadFailed;
        report.result.problem = L"The helper could not see the registry its caller sees.";
        return WriteReport(request.result, report) ? 0 : kExitHostNoReport;
    }
    const bool capture = request.mode == HostMode::Capture;
    if (capture) {
        std::vector<std::pair<HKEY, std::wstring>> targets;
        for (const CaptureRoot& root : kCaptureRoots)
            targets.emplace_back(root.key, ScratchPath(request) + L"\\" + root.scratch);
        if (!scratch.Apply(targets)) {
            report.result.outcome = RegOutcome::ThreadFailed;
            report.result.problem = L"The scratch keys of the dry run could not be made.";
            return WriteReport(request.result, report) ? 0 : kExitHostNoReport;
        }
    }

    const int mode = request.mode == HostMode::Unregister ? kModeUnregister : kModeRegister;
    Work work;
    work.file = request.file;
    work.entryName = EntryPointName(mode);
    KernelHandle thread(CreateThread(nullptr, 0, &Worker, &work, 0, nullptr));
    if (!thread) {
        report.result.outcome = RegOutcome::ThreadFailed;
        return WriteReport(request.result, report) ? 0 : kExitHostNoReport;
    }
    const HANDLE waits[] = {thread.Get(), crashEvent};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        // The crashed thread may hold the loader lock or a heap lock: write the report and go, touching
        // nothing else. The caller removes a dry run's scratch keys.
        report.result.outcome = RegOutcome::Crashed;
        report.result.phase = static_cast<RegPhase>(phase.load());
        report.result.exceptionCode = crashCode;
        const bool written = WriteReport(request.result, report);
        TerminateProcess(GetCurrentProcess(), written ? 0 : kExitHostNoReport);
    }
    report.result = Finished(work, !capture);
    if (capture) {
        // Ending a redirection gives the system's key back, not the caller's: make the caller's again.
        scratch.End();
        caller.End();
        caller.Apply(CallerTargets(request));
        try {
            report.keys = CollectCapture(request);
        } catch (const Error& e) {
            report.result.outcome = RegOutcome::ThreadFailed;
            report.result.problem = L"The keys written could not be read back: " + e.Description();
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, ScratchPath(request).c_str());
    }
    const bool written = WriteReport(request.result, report);
    if (work.module) FreeLibrary(work.module);
    return written ? 0 : kExitHostNoReport;
}

} // namespace nivex
