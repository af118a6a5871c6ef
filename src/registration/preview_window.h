#pragma once
// Tools > Preview Registration...: what a server's DllRegisterServer would write, found by a dry run in a
// helper process, as a tree of keys and values each marked new, changed or same against the registry,
// with Export to a registry file. The registry is not changed. Modeless; its owner stays disabled while
// it is open.
#include <windows.h>

#include <string>
#include <vector>

#include "common/desktop.h"
#include "common/window.h"
#include "registration/reg_host_report.h"

namespace nivex {

class frmPreviewRegistration final : public Dialog {
public:
    // Shows the report of a dry run of file. The window deletes itself when it is closed; nullptr when it
    // cannot be created (no template in the executable).
    static frmPreviewRegistration* Open(HWND owner, Desktop& desktop, const std::wstring& file, HostReport report);

    // Asks where to save and writes the keys as a registry file; false when cancelled or it failed (said).
    bool Export();

    // What the window shows, for tests: each tree item's text, indented by two blanks per level.
    std::vector<std::wstring> TreeLines() const;
    std::wstring SummaryText() const;

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    frmPreviewRegistration(HWND owner, Desktop& desktop, std::wstring file, HostReport report)
        : owner_(owner), desktop_(desktop), file_(std::move(file)), report_(std::move(report)) {}
    void Load();
    void Fill();
    void Layout();
    HWND Item(int id) const { return GetDlgItem(Handle(), id); }
    void OnDestroyed() override;

    HWND owner_;
    Desktop& desktop_;
    std::wstring file_;
    HostReport report_;
};

inline const wchar_t* const kPreviewTitle = L"Preview Registration";

// The command: asks for a control file, runs the dry run (the window waits meanwhile) and opens the
// preview; a dry run that fails before the server wrote anything is reported in a message instead.
void PreviewRegistrationCommand(HWND owner, Desktop& desktop);

} // namespace nivex
