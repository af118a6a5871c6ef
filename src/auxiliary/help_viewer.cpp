#include "auxiliary/help_viewer.h"

#include <htmlhelp.h>

#include "auxiliary/about_text.h"
#include "auxiliary/help_ids.h"
#include "common/desktop.h"
#include "common/paths.h"

namespace nivex {

namespace {

using HtmlHelpWProc = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

// HTML Help through its wide entry point, so help files in folders outside the ANSI code page open.
class HtmlHelpViewer final : public HelpViewer {
public:
    HWND ShowTopic(HWND owner, const std::wstring& helpFile) override {
        return Call(owner, helpFile.c_str(), HH_DISPLAY_TOPIC, 0);
    }
    HWND ShowContext(HWND owner, const std::wstring& helpFile, unsigned long id) override {
        return Call(owner, helpFile.c_str(), HH_HELP_CONTEXT, id);
    }
    bool ShowTextPopup(HWND owner, const std::wstring& popupFile, unsigned long id, POINT at) override {
        HH_POPUP popup{};
        popup.cbStruct = sizeof(popup);
        popup.idString = static_cast<UINT>(id);
        popup.pt = at;
        popup.clrForeground = static_cast<COLORREF>(-1);
        popup.clrBackground = static_cast<COLORREF>(-1);
        popup.rcMargins = RECT{-1, -1, -1, -1};
        return Call(owner, popupFile.c_str(), HH_DISPLAY_TEXT_POPUP, reinterpret_cast<DWORD_PTR>(&popup)) != nullptr;
    }
    void CloseAll() override {
        if (proc_) proc_(nullptr, nullptr, HH_CLOSE_ALL, 0);
    }

private:
    HWND Call(HWND owner, LPCWSTR file, UINT command, DWORD_PTR data) {
        if (!Load()) return nullptr;
        return proc_(owner, file, command, data);
    }
    bool Load() {
        if (proc_) return true;
        if (tried_) return false;
        tried_ = true;
        // Kept loaded to the end of the process: the viewer's windows live in it.
        HMODULE module = LoadLibraryW(L"hhctrl.ocx");
        if (module) proc_ = reinterpret_cast<HtmlHelpWProc>(reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")));
        return proc_ != nullptr;
    }

    HtmlHelpWProc proc_ = nullptr;
    bool tried_ = false;
};

HtmlHelpViewer& RealViewer() {
    static HtmlHelpViewer viewer;
    return viewer;
}
HelpViewer* installed = nullptr;

void UnableToDisplay(HWND owner, Desktop& desktop, const std::wstring& path) {
    desktop.Message(owner, L"Unable to display " + path, L"Error", MsgButtons::Ok, MsgIcon::Critical);
}

} // namespace

HelpViewer& TheHelpViewer() { return installed ? *installed : RealViewer(); }

HelpViewer* SetHelpViewer(HelpViewer* viewer) {
    HelpViewer* previous = installed;
    installed = viewer;
    return previous;
}

void ShowHelpContents(HWND owner, Desktop& desktop) {
    const std::wstring path = HelpFilePath(ProgramFolder());
    if (!TheHelpViewer().ShowTopic(owner, path)) UnableToDisplay(owner, desktop, path);
}

void ShowHelpTopic(HWND owner, unsigned long id) {
    const std::wstring path = HelpFilePath(ProgramFolder());
    // Reached from any dialog's F1, which has no desktop of its own to hand over.
    if (!TheHelpViewer().ShowContext(owner, path, id)) UnableToDisplay(owner, TheDesktop(), path);
}

void OpenProductWebPage(HWND owner, Desktop& desktop) { desktop.Execute(owner, L"open", kProductWebAddress, L""); }

void CloseAllHelpWindows() { TheHelpViewer().CloseAll(); }

} // namespace nivex
