#pragma once
// Places the VelmoraGUI controls on Nivex's windows: the real controls when the library can be had
// (its registration, or VelmoraGUI.ocx in the program's own folder), plain frames otherwise.
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <string_view>

namespace nivex {

class ControlHost;

enum class GuiControlKind { Bevel, EtchedLine };

class GuiControl {
public:
    ~GuiControl();
    GuiControl(const GuiControl&) = delete;
    GuiControl& operator=(const GuiControl&) = delete;

    // Places a control on parent at rect (client pixels) with its property set ("Name=Value" lines,
    // as kept in the window's resources). Never fails for want of the library: a plain frame (a
    // group box with the caption, or an etched static line) stands in.
    static std::unique_ptr<GuiControl> Place(GuiControlKind kind, HWND parent, int id, const RECT& rect,
                                             std::wstring_view properties);

    bool Hosted() const { return host_ != nullptr; }
    ControlHost* Host() const { return host_.get(); }
    // The control's window, or the plain frame standing in for it.
    HWND Window() const;
    // Where windows placed inside a Bevel go: their parent, and the area inside the frame and below
    // the title bar in that parent's client coordinates.
    HWND ChildParent() const;
    RECT InnerRect() const;
    RECT Rect() const;
    void Move(const RECT& rect);
    // A Bevel's caption (the plain frame's text when one stands in).
    void SetCaption(const std::wstring& caption);

private:
    GuiControl() = default;
    GuiControlKind kind_ = GuiControlKind::Bevel;
    HWND parent_ = nullptr;
    std::unique_ptr<ControlHost> host_;
    HWND plain_ = nullptr;
    RECT rect_{};
};

// Places a control where a dialog template keeps a placeholder (a hidden static of the same id):
// the placeholder goes, the control takes its rectangle and identifier.
std::unique_ptr<GuiControl> PlaceInDialog(GuiControlKind kind, HWND dialog, int placeholderId, int propertySetId);

// Looks for VelmoraGUI.ocx in folder (empty: the program's folder) when the class is not registered,
// and forgets the class objects and the failure seen so far (for tests and benchmarks).
void UseGuiControlsFrom(const std::wstring& folder);

// Why the control library could not be had, the first time that happened; empty afterwards and
// while it loads. For one status-bar message.
std::wstring TakeGuiControlsProblem();

// A window's property set for one placed control: resource type "VGUIPROPS" of module, text in
// UTF-8. Empty when there is none.
std::wstring PropertySetResource(HINSTANCE module, int id);

} // namespace nivex
