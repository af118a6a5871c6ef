#include "common/win32_desktop.h"

#include <windows.h>
#include <cderr.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/paths.h"

namespace velmora {

namespace {

// "Text|*.txt|All|*.*" becomes the NUL-separated, double-NUL-ended form the dialogs take.
std::vector<wchar_t> DialogFilter(const std::wstring& filter) {
    std::vector<wchar_t> out(filter.begin(), filter.end());
    for (auto& ch : out)
        if (ch == L'|') ch = L'\0';
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

// The longest path the system takes (with the "\\?\" form), and its terminating NUL.
constexpr DWORD kLongPathChars = 32768;

// What a dialog failure that is not a cancel means to the person who chose the file.
std::wstring FileDialogFailureText(DWORD code) {
    switch (code) {
    case FNERR_BUFFERTOOSMALL: return L"The path of the file chosen is too long.";
    case FNERR_INVALIDFILENAME: return L"The file name is not valid.";
    default: {
        wchar_t hex[16] = {};
        std::swprintf(hex, 16, L"0x%04lX", static_cast<unsigned long>(code));
        return std::wstring(L"The file dialog could not be shown (error ") + hex + L").";
    }
    }
}

std::wstring RunFileDialog(Desktop& desktop, const FileDialogRequest& request, bool save) {
    std::vector<wchar_t> file(kLongPathChars, L'\0');
    std::vector<wchar_t> filter = DialogFilter(request.filter);
    const std::wstring folder = request.initialFolder.empty() ? ProgramFolder() : request.initialFolder;
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = static_cast<HWND>(request.owner);
    ofn.lpstrFilter = filter.data();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = kLongPathChars;
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrTitle = request.title.c_str();
    ofn.lpstrDefExt = request.defaultExt.empty() ? nullptr : request.defaultExt.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    ofn.Flags |= save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) {
        // Only a cancel is silent: anything else would look like one to the person who chose a file.
        if (const DWORD code = CommDlgExtendedError())
            desktop.Message(request.owner, FileDialogFailureText(code), request.title, MsgButtons::Ok, MsgIcon::Exclamation);
        return kDialogCancelled;
    }
    return std::wstring(file.data(), wcsnlen(file.data(), file.size()));
}

// Another program (a clipboard viewer, a remote session) may hold the clipboard for a moment.
bool OpenClipboardPatiently(HWND owner) {
    for (int attempt = 0;; ++attempt) {
        if (OpenClipboard(owner)) return true;
        if (attempt == 9) return false;
        Sleep(30);
    }
}

} // namespace

MsgAnswer Win32Desktop::Message(WindowRef owner, const std::wstring& text, const std::wstring& title,
                                MsgButtons buttons, MsgIcon icon) {
    const int answer = MessageBoxW(static_cast<HWND>(owner), text.c_str(), title.c_str(),
                                   static_cast<UINT>(buttons) | static_cast<UINT>(icon));
    return answer == 0 ? MsgAnswer::Cancel : static_cast<MsgAnswer>(answer);
}

std::wstring Win32Desktop::OpenFile(const FileDialogRequest& request) { return RunFileDialog(*this, request, false); }

std::wstring Win32Desktop::SaveFile(const FileDialogRequest& request) { return RunFileDialog(*this, request, true); }

std::wstring Win32Desktop::BrowseFolder(WindowRef owner, const std::wstring& title) {
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = static_cast<HWND>(owner);
    info.pszDisplayName = display;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info);
    if (!list) return {};
    wchar_t path[MAX_PATH] = {};
    const BOOL ok = SHGetPathFromIDListW(list, path);
    CoTaskMemFree(list);
    return ok ? std::wstring(path) : std::wstring();
}

long long Win32Desktop::Execute(WindowRef owner, const std::wstring& verb, const std::wstring& file,
                                const std::wstring& parameters) {
    if (verb == L"properties") {
        // The properties sheet is a context-menu verb: only the extended call with the item's menu shows it.
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_INVOKEIDLIST;
        info.hwnd = static_cast<HWND>(owner);
        info.lpVerb = verb.c_str();
        info.lpFile = file.c_str();
        info.nShow = SW_SHOWNORMAL;
        return ShellExecuteExW(&info) ? 42 : 0;
    }
    const HINSTANCE result = ShellExecuteW(static_cast<HWND>(owner), verb.c_str(), file.c_str(),
                                           parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<long long>(result);
}

void Win32Desktop::PlaySoundFile(const std::wstring& path) {
    PlaySoundW(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

bool Win32Desktop::SetClipboardText(WindowRef owner, const std::wstring& text) {
    if (!OpenClipboardPatiently(static_cast<HWND>(owner))) return false;
    if (!EmptyClipboard()) {
        CloseClipboard();
        return false;
    }
    bool done = false;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(memory)) {
            std::memcpy(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!done) GlobalFree(memory);
    }
    CloseClipboard();
    return done;
}

} // namespace velmora
