#pragma once
// frmOptions: the general options, the five confirmation dialogs' actions and the browser for the browser
// test. Modeless, owned by the main window; one at a time.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "common/desktop.h"
#include "common/ui/toolkit.h"
#include "common/window.h"

namespace nivex {

// What the main window does when the user presses O&K: rebuild its toolbar, lay itself out again and give
// its exit menu item the caption passed ("Minimize To Tray" or "E&xit").
class OptionsHost {
public:
    virtual ~OptionsHost() = default;
    virtual void OptionsApplied(const std::wstring& exitCaption) = 0;
};

// One entry of the Dialogs tab: list text, its "Dialogs" key, the actions (position = stored value), and the
// message its owner shows.
struct DialogEntry {
    const wchar_t* text;
    const wchar_t* key;
    std::vector<const wchar_t*> actions;
    const wchar_t* message;
};
const std::vector<DialogEntry>& DialogEntries();

// The icon key of a browser's executable name: "IE", "N4", "N6" or "PROGRAM".
std::wstring BrowserIconKey(const std::wstring& fileName);

class frmOptions final : public Dialog {
public:
    static constexpr int kTabGeneral = 0;
    static constexpr int kTabDialogs = 1;
    static constexpr int kTabBrowser = 2;

    // Opens the dialog owned by owner (or brings the open one forward). host may be null; desktop asks and
    // tells what the dialog needs to.
    static frmOptions* Show(HWND owner, Desktop& desktop, OptionsHost* host);
    // The open dialog, or nullptr.
    static frmOptions* Current();
    // Where the browser search starts ("C:\Program Files\"); tests point it elsewhere.
    static void SetBrowserSearchRoot(const std::wstring& folder);

    // Chooses a tab as a click on it would (the browser test opens the dialog on kTabBrowser).
    void SelectTab(int index);
    int CurrentTab() const;

    struct BrowserEntry {
        std::wstring key;  // full path
        std::wstring text; // file name
        std::wstring icon; // "IE", "N4", "N6", "PROGRAM"
    };
    const std::vector<BrowserEntry>& Browsers() const { return browsers_; }
    bool BrowserListFilled() const { return browsersFilled_; }
    // The full path of the chosen browser (lblBrowser's tooltip; its caption may be shortened).
    const std::wstring& ChosenBrowser() const { return browserPath_; }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void Init();
    void ShowFrame(int tab);
    void FillDialogsFrame(int entry);
    void ActionChosen();
    void FillBrowserList();
    void SearchFolder(const std::wstring& folder, ThrottledPump& pump);
    void AddBrowser(const std::wstring& path, const std::wstring& name, const std::wstring& icon);
    bool HasBrowser(const std::wstring& path) const;
    void BrowserSelected();
    void BrowseForBrowser();
    void ShowBrowserPath(const std::wstring& path);
    int IconIndex(const std::wstring& key, const std::wstring& path);
    void Ok();

    OptionsHost* host_ = nullptr;
    Desktop* desktop_ = nullptr;
    HIMAGELIST images_ = nullptr;
    bool imageFromFile_[3] = {false, false, false};
    ui::Tooltip tooltip_;
    std::vector<BrowserEntry> browsers_;
    std::wstring browserPath_;
    bool browsersFilled_ = false;
    bool searching_ = false;
};

} // namespace nivex
