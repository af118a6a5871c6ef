#include "registration/reg_engine.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "common/handles.h"
#include "common/path_split.h"
#include "common/winutil.h"
#include "inspect/dependency_files.h"
#include "inspect/pe_imports.h"
#include "registration/helper_command.h"
#include "registry/predefined_keys.h"

namespace nivex {

namespace {

// A report larger than this is not one of ours.
constexpr DWORD kMaxReportBytes = 64u * 1024 * 1024;

std::wstring& HelperFolderOverride() {
    static std::wstring folder;
    return folder;
}

std::wstring TrimLineEnds(std::wstring text) {
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return text;
}

// How the helper process ended.
struct HelperRun {
    bool started = false;
    DWORD startError = 0;
    bool timedOut = false;
    DWORD exitCode = 0;
};

// Waits for the process until the deadline while answering messages that other threads send to this
// thread's windows. Posted messages and input stay queued: the user interface stays still.
bool WaitForProcess(HANDLE process, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD rc = MsgWaitForMultipleObjects(1, &process, FALSE, left, QS_SENDMESSAGE);
        if (rc == WAIT_OBJECT_0) return true;
        if (rc == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        if (rc == WAIT_FAILED) return WaitForSingleObject(process, left) == WAIT_OBJECT_0;
        return false; // WAIT_TIMEOUT
    }
}

// Runs the helper in a job of its own: at the time limit, and in any case when the run is over, the job
// ends the helper and whatever the server started from it.
HelperRun RunHelper(const std::wstring& helper, const std::wstring& arguments, const EngineOptions& options) {
    HelperRun run;
    if (options.elevated) {
        // Only a flow elevates, and it hands over its desktop (the one that may ask for rights).
        if (!options.desktop) {
            run.startError = ERROR_INVALID_PARAMETER;
            return run;
        }
        const ElevatedRun elevated = options.desktop->RunElevated(options.owner, helper, arguments, options.timeoutMs);
        run.started = elevated.started;
        run.startError = elevated.error;
        run.timedOut = elevated.timedOut;
        run.exitCode = elevated.exitCode;
        return run;
    }
    KernelHandle job(CreateJobObjectW(nullptr, nullptr));
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    }
    std::wstring command = L"\"" + helper + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(helper.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                        nullptr, nullptr, &si, &pi)) {
        run.startError = GetLastError();
        return run;
    }
    KernelHandle process(pi.hProcess), thread(pi.hThread);
    // Without a job (nested jobs refused) the helper itself is still ended at the time limit.
    const bool inJob = job && AssignProcessToJobObject(job.Get(), process.Get());
    ResumeThread(thread.Get());
    run.started = true;
    if (!WaitForProcess(process.Get(), options.timeoutMs)) {
        run.timedOut = true;
        if (inJob) TerminateJobObject(job.Get(), static_cast<UINT>(ERROR_TIMEOUT));
        TerminateProcess(process.Get(), static_cast<UINT>(ERROR_TIMEOUT));
        WaitForSingleObject(process.Get(), 5000);
    }
    GetExitCodeProcess(process.Get(), &run.exitCode);
    return run;
}

// A folder of its own for one helper's report, removed with it.
class ReportFolder {
public:
    ReportFolder() {
        static std::atomic<unsigned> counter{0};
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        if (length == 0 || length > MAX_PATH) return;
        for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
            const std::wstring candidate = std::wstring(temp, length) + L"Nivex helper " +
                                           std::to_wstring(GetCurrentProcessId()) + L"-" +
                                           std::to_wstring(counter++);
            if (CreateDirectoryW(candidate.c_str(), nullptr)) folder_ = candidate;
            else if (GetLastError() != ERROR_ALREADY_EXISTS) return;
        }
    }
    ~ReportFolder() {
        if (folder_.empty()) return;
        DeleteFileW(File().c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    ReportFolder(const ReportFolder&) = delete;
    ReportFolder& operator=(const ReportFolder&) = delete;
    bool Made() const { return !folder_.empty(); }
    std::wstring File() const { return folder_ + L"\\report.txt"; }

private:
    std::wstring folder_;
};

std::optional<HostReport> ReadReport(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxReportBytes) return std::nullopt;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD done = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
                           done != bytes.size()))
        return std::nullopt;
    return ParseHostReport(bytes);
}

RegResult Failure(RegOutcome outcome, std::wstring problem) {
    RegResult r;
    r.outcome = outcome;
    r.problem = std::move(problem);
    return r;
}

// One helper run for the request (whose file and mode are set); the report, or a result that says why
// there is none.
HostReport RunHost(HostRequest request, const EngineOptions& options) {
    HostReport report;
    const std::uint16_t machine = ServerMachine(request.file);
    report.machine = machine != 0 ? machine : OwnMachine();
    const std::wstring helper = HelperProgramPath(HelperFolder(), OwnMachine(), machine);
    if (GetFileAttributesW(helper.c_str()) == INVALID_FILE_ATTRIBUTES) {
        report.result = Failure(RegOutcome::ThreadFailed, L"The helper for " + HelperKindText(report.machine) +
                                                              L" control servers is missing: " + helper + L".");
        return report;
    }
    ReportFolder folder;
    if (!folder.Made()) {
        report.result = Failure(RegOutcome::ThreadFailed, L"No folder for the helper's report could be made in the "
                                                          L"temporary folder: " + SystemMessageText(GetLastError()));
        return report;
    }
    request.result = folder.File();
    request.redirects = PredefinedKeyRedirects();
    const HelperRun run = RunHelper(helper, HostArguments(request), options);
    if (!run.started) {
        std::wstring why = TrimLineEnds(SystemMessageText(run.startError));
        report.result = Failure(RegOutcome::ThreadFailed,
                                L"The helper " + helper + (options.elevated ? L" was not started with administrator "
                                                                              L"rights"
                                                                            : L" could not be started") +
                                    (why.empty() ? L"." : L": " + why));
        return report;
    }
    if (run.timedOut) {
        report.result = Failure(RegOutcome::TimedOut, L"");
        return report;
    }
    if (std::optional<HostReport> written = ReadReport(request.result)) return *written;
    // Ended without a word: a crash the helper could not catch, or something that ended it.
    RegResult& r = report.result;
    r.outcome = RegOutcome::Crashed;
    if (run.exitCode >= 0xC0000000u) r.exceptionCode = run.exitCode;
    else r.problem = L"The helper ended with exit code " + std::to_wstring(run.exitCode) + L" without reporting an outcome.";
    return report;
}

std::wstring DefaultHelperFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            const std::wstring folder = GetFilePath(std::wstring(buffer.data(), length));
            return folder.size() > 3 ? folder.substr(0, folder.size() - 1) : folder; // keep "C:\"
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

std::wstring AbsolutePath(const std::wstring& path) { return FullPathName(path); }

std::wstring SystemMessageText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer) text.assign(buffer, length);
    if (buffer) LocalFree(buffer);
    return TrimLineEnds(text);
}

std::wstring ResultCodeText(std::int32_t code) {
    const DWORD value = static_cast<DWORD>(code);
    // Win32 errors wrapped in a result code read best as the error itself.
    if (HRESULT_FACILITY(value) == FACILITY_WIN32) {
        std::wstring text = SystemMessageText(HRESULT_CODE(value));
        if (!text.empty()) return text;
    }
    return SystemMessageText(value);
}

const std::wstring& HelperFolder() {
    static const std::wstring own = DefaultHelperFolder();
    return HelperFolderOverride().empty() ? own : HelperFolderOverride();
}

void SetHelperFolder(const std::wstring& folder) { HelperFolderOverride() = folder; }

std::uint16_t ServerMachine(const std::wstring& path) {
    // The headers alone: the machine is all that picks the helper.
    FileSource source(path);
    char mz[2] = {}, signature[4] = {};
    std::uint32_t peOffset = 0;
    std::uint16_t machine = 0;
    if (!source.IsOpen() || !source.Read(0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z' || !source.Read(0x3C, &peOffset, 4) ||
        !source.Read(peOffset, signature, 4) || std::memcmp(signature, "PE\0\0", 4) != 0 ||
        !source.Read(static_cast<std::uint64_t>(peOffset) + 4, &machine, 2))
        return 0;
    return machine;
}

RegResult RunServerRegistration(const std::wstring& path, int mode, const EngineOptions& options) {
    if (mode != kModeRegister && mode != kModeUnregister) return Failure(RegOutcome::InvalidMode, L"");
    // By its full path only: a bare name would be searched for, the current folder included.
    HostRequest request;
    request.mode = mode == kModeRegister ? HostMode::Register : HostMode::Unregister;
    request.file = AbsolutePath(path);
    if (request.file.empty()) {
        RegResult r;
        r.outcome = RegOutcome::LoadFailed;
        r.fileMissing = true;
        return r;
    }
    return RunHost(request, options).result;
}

HostReport CaptureServerRegistration(const std::wstring& path, const EngineOptions& options) {
    static std::atomic<unsigned> counter{0};
    HostRequest request;
    request.mode = HostMode::Capture;
    request.file = AbsolutePath(path);
    if (request.file.empty()) {
        HostReport report;
        report.result.outcome = RegOutcome::LoadFailed;
        report.result.fileMissing = true;
        return report;
    }
    request.scratch = L"Nivex Dry Run " + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(counter++);
    EngineOptions plain = options;
    plain.elevated = false; // a dry run writes nothing that would need rights
    HostReport report = RunHost(request, plain);
    // Also after a crash or a time-out, when the helper could not clean up.
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + request.scratch).c_str());
    return report;
}

RegOutcome RegisterServer(const std::wstring& path, int mode, RegDetail* detail) {
    const RegResult r = RunServerRegistration(path, mode);
    if (detail) {
        detail->loadError = r.systemError;
        detail->entryPointResult = r.hresult;
        const std::wstring reason = ReasonFor(r, mode, path);
        detail->reason = reason == ReasonText(r.outcome, mode) ? std::wstring() : reason;
    }
    return r.outcome;
}

void SetSafeDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
        auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
        if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    }
    SetDllDirectoryW(L"");
}

} // namespace nivex
