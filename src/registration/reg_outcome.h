#pragma once
// What one register or unregister attempt came to, and the words the program shows for it.
// Portable: the texts are composed here so the console companion and the status window agree.
#include <cstdint>
#include <string>

namespace nivex {

enum class RegOutcome : std::int16_t {
    Cancelled = -1,        // the user stopped the flow before the engine ran (flows only)
    InvalidMode = 0,       // mode neither register nor unregister
    LoadFailed = 1,        // the file could not be loaded as a library
    EntryPointMissing = 2, // no DllRegisterServer / DllUnregisterServer export
    ThreadFailed = 3,      // the worker thread could not be created
    Completed = 4,         // the entry point ran and reported success: the only success
    TimedOut = 5,          // the entry point had not returned after the time limit
    EntryPointFailed = 6,  // the entry point returned a failure code
    Crashed = 7,           // the server stopped its helper with an exception (or the helper ended unreported)
};

// How far a helper got with the server: loading it, looking its entry point up, calling it, done.
enum class RegPhase : std::uint8_t { Start = 0, Load = 1, LookUp = 2, Call = 3, Done = 4 };

// Everything one register or unregister attempt reports. The helper process that runs the server writes
// it (registration/reg_host_report.h), Nivex and nivexcmd read it and build every text from it, so the
// status window, the console and the helper never disagree.
struct RegResult {
    RegOutcome outcome = RegOutcome::LoadFailed;
    RegPhase phase = RegPhase::Start;
    std::int32_t hresult = 0;        // what the entry point returned (phase Call and Done)
    std::uint32_t systemError = 0;   // why the load failed
    std::wstring systemText;         // the system's text for systemError, or for a failing hresult; inserts unfilled
    bool fileMissing = false;        // the load failed because there is no such file
    std::uint32_t exceptionCode = 0; // Crashed: the exception that stopped the server (0: the helper just ended)
    std::wstring explanation;        // LoadFailed: what the file's imports tell (a missing module, another machine)
    std::wstring problem;            // ThreadFailed, Crashed: what went wrong with the helper itself
    bool registryDenied = false;     // after a failing entry point the registry refused the helper a write
};

// Engine modes: the numbers callers pass.
constexpr int kModeUnregister = 0;
constexpr int kModeRegister = 1;

inline bool IsSuccess(RegOutcome outcome) { return outcome == RegOutcome::Completed; }

// "DllRegisterServer" for mode 1, "DllUnregisterServer" for mode 0, empty otherwise.
const char* EntryPointName(int mode);

// The fixed reason text of a failure ("File Not Found", "Invalid ActiveX Control", ...); empty for
// Completed and Cancelled. EntryPointFailed has no fixed text: see EntryPointFailureText.
std::wstring ReasonText(RegOutcome outcome, int mode);

// The reason for an entry point that returned a failure code: its name, the code in hexadecimal and
// the system's text for it, with a hint when the code means access was denied.
std::wstring EntryPointFailureText(int mode, std::int32_t code, const std::wstring& systemText);

// The reason for a file that exists but could not be loaded: the system's text for the load error, and
// on a line of its own what the file's imports tell about it (the missing module and the chain that
// needs it, or a server built for another processor), when there is something to tell.
std::wstring LoadFailureText(const std::wstring& systemText, const std::wstring& explanation);

// The reason shown under "... failed." for a result: the fixed text of the outcome unless the result says
// more (the system's text with its inserts filled by the file's name, the imports' explanation, the entry
// point's code, the exception that stopped the server, the helper's own problem).
std::wstring ReasonFor(const RegResult& result, int mode, const std::wstring& path);

// "access violation" for 0xC0000005 and the other exceptions a server may die of; empty when unknown.
std::wstring ExceptionName(std::uint32_t code);

// The system's message text with "%1" standing for the file's name (the loader's texts say "%1").
std::wstring FillInserts(const std::wstring& systemText, const std::wstring& fileName);

// True when the attempt failed for lack of rights, so that running the helper as an administrator may
// succeed: E_ACCESSDENIED, TYPE_E_REGISTRYACCESS, a self-registration error whose cause was a refused
// registry write, or a file the helper was not allowed to load.
bool NeedsAdministrator(const RegResult& result);

// What the status window (or the console) shows for an outcome, and the sound that goes with it.
struct OutcomeText {
    RegOutcome outcome = RegOutcome::Cancelled;
    bool success = false;
    std::wstring caption; // window caption
    std::wstring title;   // bold title line
    std::wstring message; // the message; "\n" separates lines
    std::wstring sound;   // below the program folder, e.g. "Media\nivex_regS.wav"
};

// path: the file as it was registered (its name and folder are quoted in the message).
// detail: a reason that replaces the fixed one (load error, entry point's failure code); may be empty.
OutcomeText DescribeOutcome(RegOutcome outcome, int mode, const std::wstring& path, const std::wstring& detail);
// The same from a whole result.
OutcomeText DescribeResult(const RegResult& result, int mode, const std::wstring& path);

// Exit codes of the one-shot runs and of nivexcmd register/unregister: 0 Completed, 3 Cancelled,
// 10 + the outcome's code for every failure (11 load failed ... 16 entry point failed, 17 crashed).
// 1 and 2 stay with the other commands (failed, bad usage).
constexpr int kExitCancelled = 3;
constexpr int kExitOutcomeBase = 10;
int OutcomeExitCode(RegOutcome outcome);

} // namespace nivex
