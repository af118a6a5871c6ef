#include "reports/view_in_browser.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "common/error.h"
#include "common/handles.h"
#include "common/winutil.h"
#include "registry/settings.h"
#include "reports/browser_page.h"

namespace nivex {

namespace {

const wchar_t* const kSource = L"BrowserTest";
const wchar_t* const kProcedure = L"mnuTestInBrowser_Click";

Error SystemError(DWORD code, const std::wstring& what) {
    return Error(static_cast<long>(code), kSource, what + L": " + SystemErrorText(code));
}

std::wstring TemporaryFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0) throw SystemError(GetLastError(), L"The temporary folder is not known");
    if (length > MAX_PATH) throw Error(ERROR_BUFFER_OVERFLOW, kSource, L"The temporary folder's path is too long");
    return std::wstring(buffer, length);
}

// "C:\Temp\Niv1A2.tmp" -> "C:\Temp\Niv1A2.htm"
std::wstring PagePathFor(const std::wstring& uniqueName) {
    const size_t slash = uniqueName.find_last_of(L"\\/");
    const size_t dot = uniqueName.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    return (hasExtension ? uniqueName.substr(0, dot) : uniqueName) + L".htm";
}

// The shell's failure codes: Win32 error codes, except 0 and its own 26 to 32.
std::wstring ShellFailureText(long long code) {
    switch (code) {
    case 0: return L"The system is out of memory or resources.";
    case SE_ERR_SHARE: return L"A sharing violation occurred.";
    case SE_ERR_ASSOCINCOMPLETE:
    case SE_ERR_NOASSOC: return L"No program is associated with the file.";
    case SE_ERR_DDETIMEOUT:
    case SE_ERR_DDEFAIL:
    case SE_ERR_DDEBUSY: return L"The request to the program failed.";
    case SE_ERR_DLLNOTFOUND: return L"A library the program needs was not found.";
    default: return L"Error " + std::to_wstring(code) + L" - " + SystemErrorText(static_cast<DWORD>(code));
    }
}

} // namespace

std::optional<BrowserViewTarget> PickBrowserControl(const CatalogueTree& tree, int node) {
    if (!tree.IsValid(node)) return std::nullopt;
    const CatalogueNode* chosen = &tree.Node(node);
    if (chosen->childCount > 0) {
        if (!tree.IsValid(chosen->firstChild)) return std::nullopt;
        chosen = &tree.Node(chosen->firstChild);
    } else if (chosen->parent == 0) {
        return std::nullopt; // a library left without controls
    }
    // The page names the control, not the tree's view mark.
    std::wstring name = chosen->text;
    const std::wstring mark = kThirtyTwoBitMark;
    if (chosen->view == RegistryView::Bits32 && name.size() > mark.size() &&
        name.compare(name.size() - mark.size(), mark.size(), mark) == 0)
        name.resize(name.size() - mark.size());
    return BrowserViewTarget{name, chosen->key};
}

std::wstring WritePageBeside(const std::wstring& uniqueName, const std::string& bytes) {
    const std::wstring pagePath = PagePathFor(uniqueName);
    FileHandle file(CreateFileW(pagePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return {};
        throw SystemError(code, L"The test page '" + pagePath + L"' could not be created");
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
            written == 0) {
            const DWORD code = GetLastError();
            file.Reset();
            DeleteFileW(pagePath.c_str()); // a page cut short is no use to anyone
            throw SystemError(code, L"The test page '" + pagePath + L"' could not be written");
        }
        done += written;
    }
    return pagePath;
}

std::wstring WriteBrowserPageFile(const std::string& bytes, const std::wstring& folder,
                               const std::function<void(const std::wstring&)>& addTempFile) {
    const std::wstring where = folder.empty() ? TemporaryFolder() : folder;
    auto remember = [&](const std::wstring& path) {
        if (addTempFile) addTempFile(path);
    };
    // The unique name may have a page of that name beside it already: then take the next unique name.
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t unique[MAX_PATH] = {};
        if (GetTempFileNameW(where.c_str(), L"Nivex", 0, unique) == 0)
            throw SystemError(GetLastError(), L"No temporary file could be created in '" + where + L"'");
        const std::wstring uniquePath(unique, wcsnlen(unique, MAX_PATH));
        remember(uniquePath);
        const std::wstring pagePath = WritePageBeside(uniquePath, bytes);
        if (pagePath.empty()) continue;
        remember(pagePath);
        return pagePath;
    }
    throw Error(ERROR_FILE_EXISTS, kSource, L"No unused name for a test page was found in '" + where + L"'");
}

BrowserViewResult ViewInBrowser(Desktop& desktop, const BrowserViewTarget& target, const BrowserViewContext& context) {
    return ViewInBrowser(desktop, std::optional<BrowserViewTarget>(target), context);
}

BrowserViewResult ViewInBrowser(Desktop& desktop, const std::optional<BrowserViewTarget>& selected,
                                const BrowserViewContext& context) {
    const std::wstring browser = ReadSetting(kSectionOptions, kKeyTestBrowser);
    if (browser.empty()) {
        if (desktop.Message(context.owner, kNoBrowserText, kNoBrowserTitle, MsgButtons::YesNo, MsgIcon::None) ==
                MsgAnswer::Yes &&
            context.chooseBrowser)
            context.chooseBrowser();
        return BrowserViewResult::NoBrowser;
    }
    if (!selected) {
        desktop.Message(context.owner, kNoControlText, kViewInBrowserTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return BrowserViewResult::NoControl;
    }
    const BrowserViewTarget& target = *selected;
    const std::optional<std::string> bytes = BrowserPageBytes(target.name, target.classId);
    if (!bytes) {
        desktop.Message(context.owner, NotAGuidMessage(target.classId), kViewInBrowserTitle, MsgButtons::Ok,
                        MsgIcon::Exclamation);
        return BrowserViewResult::Refused;
    }
    std::wstring page;
    try {
        page = WriteBrowserPageFile(*bytes, context.tempFolder, context.addTempFile);
    } catch (const Error& e) {
        desktop.Message(context.owner, ErrorInMessage(kProcedure, e), kViewInBrowserTitle, MsgButtons::Ok,
                        MsgIcon::Critical);
        return BrowserViewResult::Failed;
    }
    // Quoted: a temporary folder with blanks would otherwise reach the browser as several arguments.
    const long long result = desktop.Execute(context.owner, L"open", browser, L"\"" + page + L"\"");
    if (result <= 32) {
        const std::wstring reason = ShellFailureText(result);
        desktop.Message(context.owner,
                        L"The test browser \"" + browser + L"\" could not be started.\n" + reason +
                            L"\nChoose another one on the Browser tab of the Options.",
                        kViewInBrowserTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return BrowserViewResult::Failed;
    }
    return BrowserViewResult::Opened;
}

} // namespace nivex
