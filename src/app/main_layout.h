#pragma once
// Where the main window's parts go, in twips. Portable, tested natively.
namespace nivex {

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct MainLayoutInput {
    int innerWidth = 0;  // the window's client area
    int innerHeight = 0;
    int toolbarHeight = 0;
    bool toolbarVisible = true;
    int statusBarHeight = 0;
    bool statusBarVisible = true;
};

struct MainLayout {
    TwipsRect toolbarFrame; // fraToolbar
    TwipsRect toolbar;      // tlbMain, relative to the frame
    TwipsRect splitTop;     // SplitTop
};

MainLayout ComputeMainLayout(const MainLayoutInput& in);

// A details list inside its frame (frame-relative), and the width of its "Data" column; dataWidth is
// 0 when the list is narrower than its first column (the column is then left as it is).
struct InfoListLayout {
    TwipsRect list;
    int dataWidth = 0;
};
InfoListLayout ComputeInfoListLayout(int frameWidth, int frameHeight, int firstColumnWidth);

// A rectangle that came out negative (a tiny window) is clamped to nothing rather than failing.
inline int NotNegative(int value) { return value < 0 ? 0 : value; }

} // namespace nivex
