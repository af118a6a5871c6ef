#include "app/main_layout.h"

namespace nivex {

MainLayout ComputeMainLayout(const MainLayoutInput& in) {
    MainLayout out;
    out.toolbarFrame = {0, -45, NotNegative(in.innerWidth), NotNegative(in.toolbarHeight + 180)};
    out.toolbar = {45, 135, NotNegative(out.toolbarFrame.width - 90), NotNegative(in.toolbarHeight)};
    const int contentTop = in.toolbarVisible ? out.toolbarFrame.top + out.toolbarFrame.height + 50 : 0;
    const int statusHeight = in.statusBarVisible ? in.statusBarHeight : 0;
    // The same 45-twip margin on both sides, so the right pane's edge stays inside the window.
    out.splitTop = {45, contentTop, NotNegative(in.innerWidth - 90), NotNegative(in.innerHeight - contentTop - statusHeight)};
    return out;
}

InfoListLayout ComputeInfoListLayout(int frameWidth, int frameHeight, int firstColumnWidth) {
    InfoListLayout out;
    out.list = {50, 310, NotNegative(frameWidth - 100), NotNegative(frameHeight - 360)};
    if (out.list.width >= firstColumnWidth) out.dataWidth = NotNegative(out.list.width - firstColumnWidth - 100);
    return out;
}

} // namespace nivex
