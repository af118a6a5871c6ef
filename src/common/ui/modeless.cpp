#include "common/ui/modeless.h"

#include <algorithm>
#include <vector>

namespace velmora::ui {

namespace {
std::vector<HWND>& Windows() {
    static std::vector<HWND> windows;
    return windows;
}
} // namespace

void ModelessWindows::Add(HWND window) {
    if (window && !Contains(window)) Windows().push_back(window);
}

void ModelessWindows::Remove(HWND window) {
    auto& all = Windows();
    all.erase(std::remove(all.begin(), all.end(), window), all.end());
}

bool ModelessWindows::Contains(HWND window) {
    const auto& all = Windows();
    return std::find(all.begin(), all.end(), window) != all.end();
}

bool ModelessWindows::Dispatch(MSG& msg) {
    // A copy: a handled key may close a window, which removes it from the list.
    const std::vector<HWND> windows = Windows();
    for (HWND window : windows) {
        if (!IsWindow(window)) {
            Remove(window);
            continue;
        }
        if ((msg.hwnd == window || IsChild(window, msg.hwnd)) && IsDialogMessageW(window, &msg)) return true;
    }
    return false;
}

} // namespace velmora::ui
