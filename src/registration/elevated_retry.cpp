#include "registration/elevated_retry.h"

#include "common/command_args.h"
#include "registration/reg_engine.h"
#include "registry/predefined_keys.h"
#include "registration/reg_flows.h"

namespace nivex {

std::wstring HostOperationArguments(const std::wstring& operation, const std::vector<std::wstring>& operands,
                                    std::optional<RegistryView> view) {
    std::wstring line = L"host " + operation;
    for (const auto& [root, path] : PredefinedKeyRedirects()) line += L" --redirect " + QuoteArgument(root + L"=" + path);
    if (view) line += std::wstring(L" --view ") + ViewNumber(*view);
    line += L" --";
    for (const std::wstring& operand : operands) line += L" " + QuoteArgument(operand);
    return line;
}

ElevatedRetry RetryAsAdministrator(Desktop& desktop, WindowRef owner, const std::wstring& failure,
                                   const std::wstring& title, const std::wstring& arguments, bool ask) {
    ElevatedRetry retry;
    if (desktop.RunsAsAdministrator()) return retry;
    if (ask && desktop.Message(owner, failure + L"\n\n" + kTryAsAdministratorText, title, MsgButtons::YesNo,
                               MsgIcon::Question) != MsgAnswer::Yes)
        return retry;
    const std::wstring helper = HelperFolder() + L"\\nivexcmd.exe";
    const ElevatedRun run = desktop.RunElevated(owner, helper, arguments, kRegistrationTimeoutMs);
    retry.ran = run.started;
    retry.succeeded = run.started && !run.timedOut && run.exitCode == 0;
    if (!run.started) retry.problem = helper + L" was not started with administrator rights.";
    else if (run.timedOut) retry.problem = L"With administrator rights it did not end within 10 seconds.";
    else if (run.exitCode != 0)
        retry.problem = L"With administrator rights it failed too (exit code " + std::to_wstring(run.exitCode) + L").";
    return retry;
}

} // namespace nivex
