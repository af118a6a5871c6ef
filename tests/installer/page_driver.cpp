// Walks a setup wizard's pages for the installer test: waits for a top-level window whose title holds a
// text, reports which page it shows, and presses its buttons as a person would. A message box shares the
// wizard's title, so every window with that title is searched.
//   page_driver wait TITLE                 waits (up to 60 s) until the window is shown
//   page_driver page TITLE TEXT            waits (up to 120 s) until it shows a control whose text holds TEXT
//   page_driver click TITLE ID             waits until button ID is enabled, then presses it
//   page_driver check TITLE TEXT           succeeds when a shown check box's caption holds TEXT and it is checked
//   page_driver close TITLE                asks the window to close
//   page_driver hold FILE MARKER           keeps FILE open as a program that uses it would (others may read
//                                          it, not write, delete or rename it), creates MARKER, and ends
//                                          when MARKER is deleted (at most 5 minutes)
// Exit code 0 when done, 1 when the window or button never came, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>

namespace {

using Test = std::function<bool(HWND)>;

// A shown window whose text holds part.
bool Shows(HWND hwnd, const wchar_t* part) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return IsWindowVisible(hwnd) && std::wcsstr(text, part);
}

BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<std::pair<const Test*, HWND>*>(param);
    if (!(*search->first)(hwnd)) return TRUE;
    search->second = hwnd;
    return FALSE;
}

// The first top-level window (parent null) or descendant of parent that test takes.
HWND Find(HWND parent, const Test& test) {
    std::pair<const Test*, HWND> search{&test, nullptr};
    if (parent) EnumChildWindows(parent, Visit, reinterpret_cast<LPARAM>(&search));
    else EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The first shown top-level window whose title holds `title` and that `accept` takes.
HWND WaitForWindow(const wchar_t* title, DWORD timeoutMs, const Test& accept = [](HWND) { return true; }) {
    for (DWORD waited = 0; waited <= timeoutMs; waited += 100, Sleep(100))
        if (HWND found = Find(nullptr, [&](HWND w) { return Shows(w, title) && accept(w); })) return found;
    return nullptr;
}

// Wizard pages are child dialogs of the wizard: their controls are found among all descendants.
HWND FindText(HWND window, const wchar_t* text, bool checkBox) {
    return Find(window, [&](HWND w) {
        const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE) & BS_TYPEMASK;
        return Shows(w, text) && (!checkBox || style == BS_CHECKBOX || style == BS_AUTOCHECKBOX);
    });
}

int Fail(const wchar_t* what, const wchar_t* title) {
    std::fwprintf(stderr, L"page_driver: %ls \"%ls\"\n", what, title);
    return 1;
}

int Usage() {
    std::fwprintf(stderr, L"usage: page_driver wait|page|click|check|close TITLE [ID | TEXT] | hold FILE MARKER\n");
    return 2;
}

int Hold(const wchar_t* file, const wchar_t* marker) {
    HANDLE held = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) return Fail(L"cannot open", file);
    HANDLE made = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (made == INVALID_HANDLE_VALUE) return Fail(L"cannot create", marker);
    CloseHandle(made);
    for (int waited = 0; waited < 300000 && GetFileAttributesW(marker) != INVALID_FILE_ATTRIBUTES; waited += 100)
        Sleep(100);
    CloseHandle(held);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return Usage();
    const std::wstring command = argv[1];
    const wchar_t* title = argv[2];
    if (command == L"hold" && argc == 4) return Hold(argv[2], argv[3]);
    HWND window = WaitForWindow(title, 60000);
    if (!window) return Fail(L"no window titled", title);
    if (command == L"wait") return 0;
    if (command == L"close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : Fail(L"cannot close", title);
    if (command == L"page" && argc == 4) {
        const wchar_t* text = argv[3];
        if (WaitForWindow(title, 120000, [text](HWND w) { return FindText(w, text, false) != nullptr; })) return 0;
        return Fail(L"the page never came in", title);
    }
    if (command == L"check" && argc == 4) {
        HWND box = FindText(window, argv[3], true);
        return box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 0 : Fail(L"no checked box in", title);
    }
    if (command == L"click" && argc == 4) {
        const int id = _wtoi(argv[3]);
        window = WaitForWindow(title, 120000, [id](HWND w) {
            HWND button = GetDlgItem(w, id);
            return button && IsWindowEnabled(button) && IsWindowVisible(button);
        });
        if (!window) return Fail(L"the button never became ready in", title);
        // Posted: the wizard may start work (or a program) that outlasts this driver.
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        return 0;
    }
    return Usage();
}
