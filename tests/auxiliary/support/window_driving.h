#pragma once
// Driving windows as a user would, on this thread: messages pumped, clicks posted, Shift held, a step inside
// the next modal loop; and a help viewer that records what it was asked to show and shows no window.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "auxiliary/help_viewer.h"
#include "common/window.h"

namespace nivex::testing {

// Lets posted messages and short timers run for about a tenth of a second.
inline void Pump() {
    for (int i = 0; i < 20; ++i, Sleep(5)) PumpPendingMessages();
}

// A click as the What's-This mode sees it: a button press posted to the window in its client coordinates.
inline void PostClick(HWND window, POINT client, UINT message = WM_LBUTTONDOWN) {
    PostMessageW(window, message, MK_LBUTTON, MAKELPARAM(client.x, client.y));
}
inline POINT CentreOf(HWND control, HWND in) {
    RECT r;
    GetWindowRect(control, &r);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ScreenToClient(in, &p);
    return p;
}

// Shift as the key messages of this thread see it.
inline void HoldShift(bool down) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Runs the action once inside the next modal loop, as soon as ready() holds (a thread timer fires only while
// messages run).
inline std::function<bool()> modalReady;
inline std::function<void()> modalAction;
inline void WhenModal(std::function<bool()> ready, std::function<void()> action) {
    modalReady = std::move(ready);
    modalAction = std::move(action);
    SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (!modalReady()) return;
        KillTimer(nullptr, id);
        std::exchange(modalAction, nullptr)();
    });
}

class RecordingHelpViewer final : public HelpViewer {
public:
    struct Request {
        std::wstring kind; // "topic", "context", "popup"
        std::wstring file;
        unsigned long id = 0;
    };

    RecordingHelpViewer() : previous_(SetHelpViewer(this)) {}
    ~RecordingHelpViewer() override { SetHelpViewer(previous_); }

    bool showsPopups = false;
    std::vector<Request> requests;
    int closeAllCalls = 0;

    HWND ShowTopic(HWND, const std::wstring& file) override { return requests.push_back({L"topic", file, 0}), nullptr; }
    HWND ShowContext(HWND, const std::wstring& file, unsigned long id) override { return requests.push_back({L"context", file, id}), nullptr; }
    bool ShowTextPopup(HWND, const std::wstring& file, unsigned long id, POINT) override {
        return requests.push_back({L"popup", file, id}), showsPopups;
    }
    void CloseAll() override { ++closeAllCalls; }

private:
    HelpViewer* previous_;
};

} // namespace nivex::testing
