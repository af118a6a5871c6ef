// The EtchedLine control: a two-pixel etched separator, horizontal or vertical, that keeps its
// thickness whatever size the host gives it.
#include <windows.h>

#include "guicontrols/etched_line_plan.h"
#include "guicontrols/ocx/control_base.h"
#include "guicontrols/ocx/controls.h"
#include "guicontrols/ocx/velmoragui_guids.h"

namespace nivex::vgui {
namespace {

class EtchedLineControl final : public ControlBase {
public:
    EtchedLineControl()
        : ControlBase(kEtchedLineClsid, kEtchedLineDiid, kEtchedLineEventsDiid, EtchedLineProperties(),
                      L"VelmoraGUIEtchedLine") {}

protected:
    void OnPropertyChanged(const PropertyInfo& info) override {
        if (info.dispId == VGUI_DISPID_ORIENTATION) Place(PosRect()); // the thickness moves to the other side
        Redraw();
    }

    void AfterSave() override { Redraw(); }

    DWORD MiscStatusBits() const override { return kEtchedLineMiscStatus; }

    RECT FitRect(const RECT& rect) const override {
        RECT fitted = rect;
        if (EtchIsVertical(Number(VGUI_DISPID_ORIENTATION)))
            fitted.right = fitted.left + kEtchThickness;
        else
            fitted.bottom = fitted.top + kEtchThickness;
        return fitted;
    }

    // Pixels along the control's own length: nothing is drawn past its edge.
    void Paint(const PaintTarget& target) override {
        EtchedLineLook look;
        look.width = target.width;
        look.height = target.height;
        look.etchStyle = Number(VGUI_DISPID_ETCHSTYLE);
        look.orientation = Number(VGUI_DISPID_ORIENTATION);
        look.highLight = Colour(VGUI_DISPID_HIGHLIGHTCOLOR);
        look.shadow = Colour(VGUI_DISPID_SHADOWCOLOR);
        target.Fill(PlanEtchedLine(look).steps);
    }

    bool HandleWindowMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (message != WM_NCHITTEST) return false;
        result = HTTRANSPARENT; // a separator takes no clicks
        return true;
    }
};

} // namespace

HRESULT CreateEtchedLineControl(REFIID iid, void** out) {
    try {
        auto* control = new EtchedLineControl();
        const HRESULT hr = control->QueryInterface(iid, out);
        control->Release();
        return hr;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace nivex::vgui
