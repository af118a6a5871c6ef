#pragma once
// RegUnRegOCX: runs a control server's own DllRegisterServer or DllUnregisterServer in this process,
// on a worker thread, for at most kRegistrationTimeoutMs.
#include <windows.h>

#include <cstdint>
#include <string>

#include "registration/reg_outcome.h"

namespace nivex {

constexpr DWORD kRegistrationTimeoutMs = 10000;

// What the engine learnt beyond the outcome: the system's load error, the entry point's result,
// and the reason text to show instead of the fixed one (empty when the fixed one fits).
struct RegDetail {
    DWORD loadError = 0;
    std::int32_t entryPointResult = 0;
    std::wstring reason;
};

// path: the server file (made absolute against the current folder; loaded by that full path only).
// mode: kModeRegister (1) or kModeUnregister (0); anything else gives InvalidMode without touching the file.
// Blocks for at most about ten seconds plus the load time; only window messages sent by other threads are
// handled meanwhile, so an entry point that talks to this thread's windows cannot deadlock it.
RegOutcome RegisterServer(const std::wstring& path, int mode, RegDetail* detail = nullptr);

// Makes library look-ups of this process skip the current folder (and use the safe default folders where
// the platform offers them). Programs call it first thing at start-up.
void SetSafeDllSearch();

// The path made absolute against the current folder ("." and ".." resolved); empty for an empty path.
std::wstring AbsolutePath(const std::wstring& path);

// The system's text for an entry point's result code; empty when the system has none.
std::wstring ResultCodeText(std::int32_t code);

// ---- the worker, exposed for tests ----
using RegistrationEntryPoint = HRESULT(STDAPICALLTYPE*)();

enum class WorkerEnd { Returned, NoThread, TimedOut };
struct WorkerResult {
    WorkerEnd end = WorkerEnd::NoThread;
    HRESULT result = S_OK; // what the entry point returned (Returned only)
};

// Runs entry on a new thread with OLE initialised for it and waits at most timeoutMs. A thread that does not
// end in time is stopped; whatever it was running must stay loaded for the rest of the process.
WorkerResult RunEntryPointOnWorker(RegistrationEntryPoint entry, DWORD timeoutMs);

// How many server modules were kept loaded for the life of the process after a time-out.
size_t PinnedServerCount();

} // namespace nivex
