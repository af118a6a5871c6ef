#pragma once
// RegUnRegOCX: runs a control server's own DllRegisterServer or DllUnregisterServer, never inside this
// program: in a short-lived helper process (`nivexcmd host`) of the server's own machine type, found by
// HelperProgramPath. A server that crashes or hangs ends only its helper; the helper reports a RegResult.
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/desktop.h"
#include "registration/reg_host_report.h"
#include "registration/reg_outcome.h"

namespace nivex {

constexpr DWORD kRegistrationTimeoutMs = 10000;

struct EngineOptions {
    DWORD timeoutMs = kRegistrationTimeoutMs;
    // Run the helper with administrator rights, through desktop->RunElevated.
    bool elevated = false;
    Desktop* desktop = nullptr;
    WindowRef owner = nullptr;
};

// path: the server file (made absolute against the current folder). mode: kModeRegister (1) or
// kModeUnregister (0); anything else gives InvalidMode without touching the file. Blocks until the helper
// has ended, at most timeoutMs plus its start; messages that other threads send to this thread's windows
// are answered meanwhile. When the time is up the helper and everything it started are ended.
RegResult RunServerRegistration(const std::wstring& path, int mode, const EngineOptions& options = {});

// A dry run: the server's DllRegisterServer in a helper whose HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE,
// HKEY_CURRENT_USER and HKEY_USERS point at scratch keys; the report holds every key it wrote with what
// the registry (in the server's view) holds there now. Nothing of the registry changes; the scratch keys
// are removed whatever becomes of the helper.
HostReport CaptureServerRegistration(const std::wstring& path, const EngineOptions& options = {});

// The outcome alone, with what callers used to read beside it.
struct RegDetail {
    DWORD loadError = 0;
    std::int32_t entryPointResult = 0;
    std::wstring reason; // the reason text to show instead of the fixed one (empty when the fixed one fits)
};
RegOutcome RegisterServer(const std::wstring& path, int mode, RegDetail* detail = nullptr);

// The folder holding nivexcmd.exe (and x86\ or x64\ beside it): this program's own folder unless set.
const std::wstring& HelperFolder();
void SetHelperFolder(const std::wstring& folder); // empty restores the default

// The machine type in the file's PE header; 0 when it has none (no file, not a program).
std::uint16_t ServerMachine(const std::wstring& path);

// Makes library look-ups of this process skip the current folder (and use the safe default folders where
// the platform offers them). Programs call it first thing at start-up.
void SetSafeDllSearch();

// The path made absolute against the current folder ("." and ".." resolved); empty for an empty path.
std::wstring AbsolutePath(const std::wstring& path);

// The system's text for an entry point's result code; empty when the system has none.
std::wstring ResultCodeText(std::int32_t code);
// The system's text for an error code, inserts left as they are ("%1").
std::wstring SystemMessageText(DWORD code);

} // namespace nivex
