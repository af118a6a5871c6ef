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
    void Paint(HDC dc, const RECT& bounds, int) override {
        EtchedLineLook look;
        look.width = bounds.right - bounds.left;
        look.height = bounds.bottom - bounds.top;
        look.etchStyle = Number(VGUI_DISPID_ETCHSTYLE);
        look.orientation = Number(VGUI_DISPID_ORIENTATION);
        look.highLight = Colour(VGUI_DISPID_HIGHLIGHTCOLOR);
        look.shadow = Colour(VGUI_DISPID_SHADOWCOLOR);
        for (const PaintStep& step : PlanEtchedLine(look).steps) {
            const RECT area{step.area.left + bounds.left, step.area.top + bounds.top, step.area.right + bounds.left,
                            step.area.bottom + bounds.top};
            SetBkColor(dc, step.colour);
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
        }
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
