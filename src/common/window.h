#pragma once
// Base classes for windows and dialogs: the object travels as the creation parameter, is kept in
// GWLP_USERDATA and receives every message through a virtual handler. No exception leaves a procedure.
#include <windows.h>

#include <string>

#include "common/base_namespace.h"

namespace velmora {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND Handle() const { return hwnd_; }

    // Registers a window class whose procedure forwards to the object (once per class name).
    static void RegisterWindowClass(const wchar_t* className, UINT style = CS_HREDRAW | CS_VREDRAW,
                                    HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                                    HICON icon = nullptr, HICON smallIcon = nullptr);

    HWND Create(DWORD exStyle, const wchar_t* className, const std::wstring& title, DWORD style, int x, int y,
                int width, int height, HWND parent, HMENU menu);
    void Destroy();

protected:
    // Called for every message once the object is attached; the default calls DefWindowProcW.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after WM_NCDESTROY: the handle is gone.
    virtual void OnDestroyed() {}

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    HWND Handle() const { return hwnd_; }
    // A dialog from a resource template. Modal returns the EndDialog result, -1 on failure.
    INT_PTR RunModal(int templateId, HWND owner);
    HWND CreateModeless(int templateId, HWND owner);
    void Close(INT_PTR result = IDCANCEL);
    bool IsModal() const { return modal_; }

protected:
    // Return TRUE when handled; the default handles nothing.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnDestroyed() {}

private:
    static INT_PTR CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    bool modal_ = false;
};

// The module that holds the program's resources.
HINSTANCE ProgramInstance();

// Lets pending window messages run (the "DoEvents" of long operations).
void PumpPendingMessages();

// Pumps at most once per interval, so a long loop stays responsive without a round trip per step.
class ThrottledPump {
public:
    explicit ThrottledPump(DWORD intervalMs = 40) : interval_(intervalMs), last_(GetTickCount()) {}
    // True when it pumped.
    bool Tick();

private:
    DWORD interval_;
    DWORD last_;
};

// Twips are 1/1440 inch; window positions and sizes are kept in them.
int TwipsPerPixelX();
int TwipsPerPixelY();
inline int PixelsToTwipsX(int pixels) { return pixels * TwipsPerPixelX(); }
inline int PixelsToTwipsY(int pixels) { return pixels * TwipsPerPixelY(); }
inline int TwipsToPixelsX(int twips) { return twips / TwipsPerPixelX(); }
inline int TwipsToPixelsY(int twips) { return twips / TwipsPerPixelY(); }

} // namespace velmora
