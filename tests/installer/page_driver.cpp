// Walks a setup wizard's pages for the installer test: waits for a top-level window whose title holds a
// text, reports which page it shows, and presses its buttons as a person would.
//   page_driver wait TITLE                 waits (up to 60 s) until the window is shown
//   page_driver page TITLE TEXT            waits (up to 120 s) until it shows a control whose text holds TEXT
//   page_driver click TITLE ID [TEXT]      waits until button ID is enabled (and, with TEXT, until a
//                                          static text holding TEXT is shown), then presses it
//   page_driver check TITLE TEXT           succeeds when a shown check box's caption holds TEXT and it is checked
//   page_driver close TITLE                asks the window to close
// Exit code 0 when done, 1 when the window or button never came, 2 on bad usage.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK FindTitled(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t text[256] = {};
    GetWindowTextW(hwnd, text, 256);
    if (IsWindowVisible(hwnd) && std::wcsstr(text, search->title)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(const wchar_t* title, DWORD timeoutMs) {
    for (DWORD waited = 0; waited <= timeoutMs; waited += 100) {
        Search search{title, nullptr};
        EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(100);
    }
    return nullptr;
}

struct TextSearch {
    const wchar_t* text;
    bool checkBox;
    HWND found;
};

// Wizard pages are child dialogs of the wizard: their controls are found among all descendants.
BOOL CALLBACK FindChildText(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<TextSearch*>(param);
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    if (!IsWindowVisible(hwnd) || !std::wcsstr(text, search->text)) return TRUE;
    if (search->checkBox) {
        const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE) & BS_TYPEMASK;
        if (style != BS_CHECKBOX && style != BS_AUTOCHECKBOX) return TRUE;
    }
    search->found = hwnd;
    return FALSE;
}

HWND FindText(HWND window, const wchar_t* text, bool checkBox) {
    TextSearch search{text, checkBox, nullptr};
    EnumChildWindows(window, FindChildText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int Fail(const wchar_t* what, const wchar_t* title) {
    std::fwprintf(stderr, L"page_driver: %ls \"%ls\"\n", what, title);
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: page_driver wait|page|click|check|close TITLE [ID [TEXT] | TEXT]\n");
        return 2;
    }
    const std::wstring command = argv[1];
    const wchar_t* title = argv[2];
    HWND window = WaitForWindow(title, 60000);
    if (!window) return Fail(L"no window titled", title);
    if (command == L"wait") return 0;
    if (command == L"close") {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (command == L"page" && argc == 4) {
        for (int waited = 0; waited < 120000; waited += 100, Sleep(100)) {
            window = WaitForWindow(title, 0);
            if (window && FindText(window, argv[3], false)) return 0;
        }
        return Fail(L"the page never came in", title);
    }
    if (command == L"check" && argc == 4) {
        HWND box = FindText(window, argv[3], true);
        return box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 0 : Fail(L"no checked box in", title);
    }
    if (command == L"click" && argc >= 4) {
        const int id = _wtoi(argv[3]);
        for (int waited = 0; waited < 120000; waited += 100, Sleep(100)) {
            window = WaitForWindow(title, 0);
            if (!window) continue;
            HWND button = GetDlgItem(window, id);
            if (!button || !IsWindowEnabled(button) || !IsWindowVisible(button)) continue;
            if (argc >= 5 && !FindText(window, argv[4], false)) continue;
            // Posted: the wizard may start work (or a program) that outlasts this driver.
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            return 0;
        }
        return Fail(L"the button never became ready in", title);
    }
    std::fwprintf(stderr, L"usage: page_driver wait|page|click|check|close TITLE [ID [TEXT] | TEXT]\n");
    return 2;
}
