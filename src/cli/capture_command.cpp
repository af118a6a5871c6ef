// nivexcmd capture: what a server's DllRegisterServer would write, without changing the registry.
#include "cli/capture_command.h"

#include "cli/capture_output.h"
#include "cli/console.h"
#include "common/error.h"
#include "common/text.h"
#include "registration/reg_backup.h"
#include "registration/reg_engine.h"

namespace nivex {

int RunCaptureCommand(const CliOptions& options) {
    const std::wstring file = AbsolutePath(options.file);
    const HostReport report = CaptureServerRegistration(file);
    const RegResult& r = report.result;
    if (r.outcome != RegOutcome::Completed) {
        const OutcomeText text = DescribeResult(r, kModeRegister, file);
        Err(L"Dry Run Failed!\r\n" + ReplaceAll(text.message, L"\n", L"\r\n") + L"\r\n");
    }
    // What was written before a failure is shown too: it is what a real registration would leave.
    if (r.outcome == RegOutcome::Completed || !report.keys.empty())
        Out(options.json ? CaptureJson(report, file) : CaptureText(report, file));
    if (!options.regOut.empty() && r.outcome == RegOutcome::Completed) {
        try {
            std::vector<RegFileKey> keys;
            for (const CapturedKey& key : report.keys) keys.push_back(key.written);
            WriteRegFile(AbsolutePath(options.regOut), keys);
        } catch (const Error& e) {
            Err(L"nivexcmd: " + e.Description() + L"\r\n");
            return kExitFailed;
        }
    }
    return OutcomeExitCode(r.outcome);
}

} // namespace nivex
