#include "registration/reg_engine.h"

#include <ole2.h>

#include <mutex>
#include <vector>

#include "common/handles.h"
#include "common/winutil.h"
#include "inspect/dependency_files.h"

namespace nivex {

namespace {

// Shared with the worker. Allocated on the heap and, after a time-out, never freed: a stopped (or
// unstoppable) worker may still hold it.
struct WorkerBlock {
    RegistrationEntryPoint entry = nullptr;
    HRESULT result = S_OK;
};

DWORD WINAPI WorkerMain(void* parameter) {
    auto* block = static_cast<WorkerBlock*>(parameter);
    // Servers may create COM objects or marshal while registering; give them an apartment.
    const HRESULT ole = OleInitialize(nullptr);
    block->result = block->entry();
    if (SUCCEEDED(ole)) OleUninitialize();
    return static_cast<DWORD>(block->result);
}

// Waits for the thread until the deadline while letting messages that other threads send to this
// thread's windows through. Posted messages and input stay queued: the user interface stays still.
bool WaitForWorker(HANDLE thread, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD rc = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
        if (rc == WAIT_OBJECT_0) return true;
        if (rc == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        if (rc == WAIT_FAILED) return WaitForSingleObject(thread, left) == WAIT_OBJECT_0;
        return false; // WAIT_TIMEOUT
    }
}

std::mutex pinnedLock;
std::vector<HMODULE> pinned;

// A module whose worker was stopped by force may still be referenced by the dead thread's state (locks,
// apartments, callbacks it registered): it is never unloaded.
void KeepLoaded(HMODULE module) {
    HMODULE pin = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(module), &pin);
    std::lock_guard<std::mutex> lock(pinnedLock);
    pinned.push_back(module); // and our own reference is kept, too
}

} // namespace

std::wstring AbsolutePath(const std::wstring& path) { return FullPathName(path); }

namespace {

bool IsMissingFileError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_BAD_NETPATH || error == ERROR_INVALID_DRIVE;
}

std::wstring FormatSystemText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer) text.assign(buffer, length);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    return text;
}

} // namespace

std::wstring ResultCodeText(std::int32_t code) {
    const DWORD value = static_cast<DWORD>(code);
    // Win32 errors wrapped in a result code read best as the error itself.
    if (HRESULT_FACILITY(value) == FACILITY_WIN32) {
        std::wstring text = FormatSystemText(HRESULT_CODE(value));
        if (!text.empty()) return text;
    }
    return FormatSystemText(value);
}

WorkerResult RunEntryPointOnWorker(RegistrationEntryPoint entry, DWORD timeoutMs) {
    WorkerResult out;
    auto* block = new WorkerBlock{entry, S_OK};
    KernelHandle thread(CreateThread(nullptr, 0, &WorkerMain, block, 0, nullptr));
    if (!thread) {
        delete block;
        out.end = WorkerEnd::NoThread;
        return out;
    }
    if (WaitForWorker(thread.Get(), timeoutMs)) {
        out.end = WorkerEnd::Returned;
        out.result = block->result;
        delete block;
        return out;
    }
    TerminateThread(thread.Get(), static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_TIMEOUT)));
    out.end = WorkerEnd::TimedOut;
    return out; // the block is left to the stopped thread
}

RegOutcome RegisterServer(const std::wstring& path, int mode, RegDetail* detail) {
    RegDetail scratch;
    RegDetail& d = detail ? *detail : scratch;
    d = RegDetail{};
    if (mode != kModeRegister && mode != kModeUnregister) return RegOutcome::InvalidMode;

    // By its full path only: a bare name would be searched for, the current folder included. The altered
    // search path lets the server's own dependencies be found beside it.
    const std::wstring full = AbsolutePath(path);
    Module module;
    if (!full.empty()) {
        DWORD previousMode = 0;
        // No system pop-up about a missing dependency: the outcome says it.
        const BOOL modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
        module.Reset(LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        d.loadError = module ? 0 : GetLastError();
        if (modeSet) SetThreadErrorMode(previousMode, nullptr);
    } else {
        d.loadError = ERROR_FILE_NOT_FOUND;
    }
    if (!module) {
        if (!IsMissingFileError(d.loadError) && GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES)
            // The imports tell which module is missing (error 126) or that the file is for another processor
            // (193), where the system only says "not found" or "not a valid application".
            d.reason = LoadFailureText(FormatSystemText(d.loadError), ExplainLoadFailure(full));
        return RegOutcome::LoadFailed;
    }

    auto entry = reinterpret_cast<RegistrationEntryPoint>(
        reinterpret_cast<void*>(GetProcAddress(module.Get(), EntryPointName(mode))));
    if (!entry) return RegOutcome::EntryPointMissing;

    const WorkerResult run = RunEntryPointOnWorker(entry, kRegistrationTimeoutMs);
    switch (run.end) {
    case WorkerEnd::NoThread: return RegOutcome::ThreadFailed;
    case WorkerEnd::TimedOut: KeepLoaded(module.Release()); return RegOutcome::TimedOut;
    case WorkerEnd::Returned: break;
    }
    d.entryPointResult = static_cast<std::int32_t>(run.result);
    if (FAILED(run.result)) {
        d.reason = EntryPointFailureText(mode, d.entryPointResult, ResultCodeText(d.entryPointResult));
        return RegOutcome::EntryPointFailed;
    }
    return RegOutcome::Completed;
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

size_t PinnedServerCount() {
    std::lock_guard<std::mutex> lock(pinnedLock);
    return pinned.size();
}

} // namespace nivex
