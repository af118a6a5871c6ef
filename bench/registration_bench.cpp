// Registration through the helper process against the system's own registration tool on the same file,
// and a dry run against a real registration; both sides start a process each time. Best of N each, the
// sides alternating in one run.
//
//   registration_bench SERVER [ROUNDS]      default 5 rounds; SERVER a self-registering control server
//   registration_bench SERVER --once tool|helper|dry   one run of one side (for counting Wine server requests)
//
// Registers into the registry of the prefix it runs in (unregistering at the end). Exit code 3 when a
// ratio is above its target (helper: 1.5 x regsvr32; dry run: 2 x a registration through the helper).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "bench_registry.h"
#include "common/path_split.h"
#include "inspect/pe_imports.h"
#include "registration/reg_engine.h"

using nivex::bench::NowMs;

namespace {

// The system's tool of the server's bitness, run silently and waited for.
double SystemTool(const std::wstring& server) {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const bool other = nivex::ServerMachine(server) != nivex::OwnMachine();
    const std::wstring tool = std::wstring(windows) +
                              (other ? (sizeof(void*) == 8 ? L"\\SysWOW64" : L"\\Sysnative") : L"\\System32") +
                              L"\\regsvr32.exe";
    std::wstring command = L"\"" + tool + L"\" /s \"" + server + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const double start = NowMs();
    if (!CreateProcessW(tool.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                        &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    const double elapsed = NowMs() - start;
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code == 0 ? elapsed : -1;
}

double Helper(const std::wstring& server) {
    const double start = NowMs();
    const bool ok = nivex::RunServerRegistration(server, nivex::kModeRegister).outcome == nivex::RegOutcome::Completed;
    return ok ? NowMs() - start : -1;
}

double DryRun(const std::wstring& server) {
    const double start = NowMs();
    const bool ok = nivex::CaptureServerRegistration(server).result.outcome == nivex::RegOutcome::Completed;
    return ok ? NowMs() - start : -1;
}

void Best(double& best, double value) {
    if (value >= 0 && (best < 0 || value < best)) best = value;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: registration_bench SERVER [ROUNDS]\n");
        return 2;
    }
    const std::wstring server = nivex::AbsolutePath(argv[1]);
    const bool once = argc > 3 && std::wstring(argv[2]) == L"--once";
    const long rounds = argc > 2 && !once ? std::wcstol(argv[2], nullptr, 10) : 5;
    // The helpers of the build: bench\..\bin.
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    nivex::SetHelperFolder(nivex::GetFilePath(std::wstring(self, length)) + L"..\\bin");

    if (once) {
        const std::wstring side = argv[3];
        const double ms = side == L"tool" ? SystemTool(server) : side == L"helper" ? Helper(server) : DryRun(server);
        std::wprintf(L"%ls: %.1f ms\n", side.c_str(), ms);
        return ms < 0 ? 1 : 0;
    }
    double tool = -1, helper = -1, dry = -1;
    for (long round = 0; round < rounds; ++round) {
        Best(tool, SystemTool(server));
        Best(helper, Helper(server));
        Best(dry, DryRun(server));
    }
    nivex::RunServerRegistration(server, nivex::kModeUnregister);
    if (tool < 0 || helper < 0 || dry < 0) {
        std::fwprintf(stderr, L"a run failed (regsvr32 %.1f, helper %.1f, dry run %.1f)\n", tool, helper, dry);
        return 1;
    }
    const double helperRatio = helper / tool, dryRatio = dry / helper;
    std::wprintf(L"best of %ld: regsvr32 %.1f ms, helper %.1f ms (%.2fx, target <= 1.5), dry run %.1f ms "
                 L"(%.2fx a registration, target <= 2)\n",
                 rounds, tool, helper, helperRatio, dry, dryRatio);
    return helperRatio > 1.5 || dryRatio > 2.0 ? 3 : 0;
}
