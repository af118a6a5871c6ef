#pragma once
#include <windows.h>

// Style bits, usable in dialog templates too:
//   CONTROL "Files", id, "NivexBevel", WS_CHILD | WS_VISIBLE | NVBS_TITLEBAR, x, y, w, h
#define NVBS_TITLEBAR 0x0001L      // Bevel: draw a title bar carrying the window text
#define NVBS_CAPTIONRIGHT 0x0002L  // Bevel: caption right-aligned
#define NVBS_CAPTIONCENTRE 0x0004L // Bevel: caption centred
#define NVBS_NOTIFY 0x0100L        // Bevel: send NVBN_CLICKED / NVBN_DBLCLK to the parent
#define NVES_RAISED 0x0001L        // EtchedLine: highlight first, shadow second (default sunken)
#define NVES_VERTICAL 0x0002L      // EtchedLine: vertical (default horizontal)

// Bevel notifications (with NVBS_NOTIFY), sent to the parent as WM_COMMAND (MAKEWPARAM(id, code),
// (LPARAM)bevel) when the mouse is clicked on the bevel's own surface (not on a child).
#define NVBN_CLICKED 0
#define NVBN_DBLCLK 5

#ifndef RC_INVOKED
namespace nivex {
// Window classes that paint the bevelled panel and the etched line. Registered once per process.
inline const wchar_t* const kBevelClass = L"NivexBevel";
inline const wchar_t* const kEtchedLineClass = L"NivexEtchedLine";
void RegisterGuiControlClasses();

// Colour values: an RGB COLORREF, or with the top bit set a system colour whose index is the low
// byte (0x8000000F = COLOR_BTNFACE). System colours are looked up at every paint.
enum class BevelColour : int {
    Back = 0,               // panel face, default 0x8000000F (button face)
    TitleBarBack = 1,       // title bar when inactive, default 0x80000003 (inactive caption)
    ActiveTitleBarBack = 2, // title bar when active, default 0x80000002 (active caption)
    TitleBarFore = 3,       // caption text when inactive, default 0x80000009 (caption text)
    ActiveTitleBarFore = 4, // caption text when active, default 0x80000009
    HighLight = 5,          // top and left edges, lower title-bar rule, default 0x80000014
    Shadow = 6,             // right and bottom edges, upper title-bar rule, default 0x80000010
};
enum class EtchColour : int { HighLight = 0, Shadow = 1 };

// Bevel: the window text is the title-bar caption, WM_SETFONT/WM_GETFONT the caption font (default:
// the parent's font, else the system message font). Children placed inside it are clipped, and
// their WM_COMMAND/WM_NOTIFY (and WM_CTLCOLOR*, WM_DRAWITEM, WM_MEASUREITEM, scroll) messages go
// on to the bevel's parent. The title bar shows the active colours while the bevel or a window
// inside it has the focus (followed through the children's focus notifications; NVBM_SETACTIVE
// forces it).
inline constexpr UINT NVBM_SETCOLOUR = WM_USER + 0x300;       // wParam BevelColour, lParam colour; returns the old one
inline constexpr UINT NVBM_GETCOLOUR = WM_USER + 0x301;       // wParam BevelColour; returns the colour value
inline constexpr UINT NVBM_SETTITLEBAR = WM_USER + 0x302;     // wParam BOOL (same as the NVBS_TITLEBAR style)
inline constexpr UINT NVBM_GETTITLEBAR = WM_USER + 0x303;     // returns BOOL
inline constexpr UINT NVBM_SETTITLEBARSIZE = WM_USER + 0x304; // wParam height in twips (default 250)
inline constexpr UINT NVBM_GETTITLEBARSIZE = WM_USER + 0x305; // returns twips
inline constexpr UINT NVBM_SETALIGNMENT = WM_USER + 0x306;    // wParam 0 left, 1 right, 2 centre
inline constexpr UINT NVBM_GETALIGNMENT = WM_USER + 0x307;
inline constexpr UINT NVBM_SETACTIVE = WM_USER + 0x308;    // wParam BOOL: draw the active look
inline constexpr UINT NVBM_GETACTIVE = WM_USER + 0x309;    // returns BOOL
inline constexpr UINT NVBM_GETINNERRECT = WM_USER + 0x30A; // lParam RECT*: the area inside the frame
                                                           // and below the title bar, client coordinates

// EtchedLine: keeps itself 2 pixels thick across its orientation, whatever size it is given.
inline constexpr UINT NVEM_SETCOLOUR = WM_USER + 0x320; // wParam EtchColour, lParam colour; returns the old one
inline constexpr UINT NVEM_GETCOLOUR = WM_USER + 0x321;
inline constexpr UINT NVEM_SETSTYLE = WM_USER + 0x322; // wParam 0 sunken, 1 raised
inline constexpr UINT NVEM_GETSTYLE = WM_USER + 0x323;
inline constexpr UINT NVEM_SETORIENTATION = WM_USER + 0x324; // wParam 0 horizontal, anything else vertical
inline constexpr UINT NVEM_GETORIENTATION = WM_USER + 0x325;

// The same through functions.
HWND CreateBevel(HWND parent, int id, const wchar_t* caption, bool titleBar, int x, int y, int width, int height);
HWND CreateEtchedLine(HWND parent, int id, bool vertical, int x, int y, int length);
void SetBevelColour(HWND bevel, BevelColour which, DWORD colour);
void SetBevelTitleBar(HWND bevel, bool shown);
void SetBevelTitleBarSize(HWND bevel, int twips);
void SetBevelAlignment(HWND bevel, int alignment);
void SetBevelActive(HWND bevel, bool active);
RECT BevelInnerRect(HWND bevel);
void SetEtchedLineColour(HWND line, EtchColour which, DWORD colour);
void SetEtchedLineStyle(HWND line, int etchStyle);
void SetEtchedLineOrientation(HWND line, int orientation);
} // namespace nivex
#endif
