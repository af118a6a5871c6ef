#pragma once
// What the VelmoraGUI tests share: the loaded library and its class objects, property access through
// IDispatch, persistence helpers and drawings compared with the drawing plans.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>
#include <type_traits>
#include <vector>

#include "common/com/com_ptr.h"
#include "common/com/property_bag.h"
#include "common/handles.h"
#include "guicontrols/bevel_plan.h"
#include "guicontrols/etched_line_plan.h"
#include "guicontrols/ocx/velmoragui_guids.h"
#include "support/temp_folder.h"

namespace nivex::vguitest {

inline std::wstring LibraryPath() {
    return testing::BinFolder() + L"\\" + vgui::kLibraryFileName;
}
// Loaded for the whole run, as a host keeps it.
inline HMODULE Library() {
    static HMODULE module = LoadLibraryW(LibraryPath().c_str());
    return module;
}
template <typename Fn> Fn Entry(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(Library(), name)));
}
inline ComPtr<IClassFactory> Factory(const CLSID& clsid) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(Entry<LPFNGETCLASSOBJECT>("DllGetClassObject")(clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
    return factory;
}

// Set by the end-to-end run: objects then come through the system's class look-up.
inline bool throughRegistration = false;

template <typename T> ComPtr<T> Create(const CLSID& clsid, REFIID iid) {
    ComPtr<T> object;
    EXPECT_EQ(throughRegistration ? CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.PutVoid())
                                  : Factory(clsid)->CreateInstance(nullptr, iid, object.PutVoid()),
              S_OK);
    return object;
}
template <typename T = IDispatch> ComPtr<T> As(IUnknown* object, REFIID iid = IID_IDispatch) {
    ComPtr<T> as;
    EXPECT_EQ(as.QueryFrom(object, iid), S_OK);
    return as;
}

// A variant that clears itself; numbers are 32-bit signed, as the controls hold them.
struct Var : VARIANT {
    Var() { VariantInit(this); }
    template <typename Number, typename = std::enable_if_t<std::is_integral_v<Number> && !std::is_same_v<Number, bool>>>
    explicit Var(Number value) : Var() {
        vt = VT_I4;
        lVal = static_cast<LONG>(value);
    }
    explicit Var(bool value) : Var() {
        vt = VT_BOOL;
        boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    explicit Var(const wchar_t* text) : Var() {
        vt = VT_BSTR;
        bstrVal = SysAllocString(text);
    }
    explicit Var(const VARIANT& other) : Var() { VariantCopy(this, const_cast<VARIANT*>(&other)); }
    Var(const Var& other) : Var(static_cast<const VARIANT&>(other)) {}
    Var& operator=(const Var&) = delete;
    ~Var() { VariantClear(this); }
    long Long() const {
        Var copy;
        return SUCCEEDED(VariantChangeType(&copy, const_cast<Var*>(this), 0, VT_I4)) ? copy.lVal : -999;
    }
    std::wstring Text() const {
        Var copy;
        return SUCCEEDED(VariantChangeType(&copy, const_cast<Var*>(this), 0, VT_BSTR)) ? copy.bstrVal : L"<not text>";
    }
};

inline DISPID IdOf(IDispatch* dispatch, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR>(name);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    return id;
}
inline Var Get(IDispatch* dispatch, const wchar_t* name) {
    Var result;
    DISPPARAMS none{};
    EXPECT_EQ(
        dispatch->Invoke(IdOf(dispatch, name), IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
        S_OK);
    return result;
}
// The HRESULT, or the raised error's scode when the call raised one.
inline HRESULT Put(IDispatch* dispatch, const wchar_t* name, const VARIANT& value) {
    VARIANT arg = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    EXCEPINFO error{};
    const WORD flags = value.vt == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    const HRESULT hr = dispatch->Invoke(IdOf(dispatch, name), IID_NULL, 0, flags, &params, nullptr, &error, nullptr);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    return hr == DISP_E_EXCEPTION ? error.scode : hr;
}

inline ComPtr<IDispatch> NewControl(const CLSID& clsid) {
    auto persist = Create<IPersistStreamInit>(clsid, IID_IPersistStreamInit);
    EXPECT_EQ(persist->InitNew(), S_OK);
    return As(persist.Get());
}
inline ComPtr<MemoryPropertyBag> Bag(const wchar_t* text) {
    ComPtr<MemoryPropertyBag> bag;
    bag.Attach(MemoryPropertyBag::FromText(text));
    return bag;
}
inline ComPtr<MemoryPropertyBag> SavedBag(IUnknown* control) {
    auto bag = Bag(L"");
    EXPECT_EQ(As<IPersistPropertyBag>(control, IID_IPersistPropertyBag)->Save(bag.Get(), TRUE, FALSE), S_OK);
    return bag;
}
inline ComPtr<IDispatch> LoadedControl(const CLSID& clsid, IPropertyBag* bag) {
    auto persist = Create<IPersistPropertyBag>(clsid, IID_IPersistPropertyBag);
    EXPECT_EQ(persist->Load(bag, nullptr), S_OK);
    return As(persist.Get());
}
inline Var NewFont(const wchar_t* face, int points, bool bold, bool italic) {
    FONTDESC desc{sizeof(FONTDESC),
                  const_cast<LPOLESTR>(face),
                  {{static_cast<unsigned long>(points * 10000), 0}},
                  static_cast<SHORT>(bold ? FW_BOLD : FW_NORMAL),
                  ANSI_CHARSET,
                  italic,
                  FALSE,
                  FALSE};
    Var font;
    font.vt = VT_DISPATCH;
    EXPECT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font.pdispVal)), S_OK);
    return font;
}
inline ComPtr<IFont> FontOf(IDispatch* control) {
    return As<IFont>(Get(control, L"TitleBarFont").pdispVal, IID_IFont);
}

inline int ScreenDpiY() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// A black 32-bit DIB section in a memory DC, read back as COLORREFs.
struct Canvas {
    Canvas(int width, int height) : size(width * height) {
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        bitmap.Reset(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        SelectObject(dc.Get(), bitmap.Get());
    }
    std::vector<COLORREF> Pixels() const {
        GdiFlush();
        std::vector<COLORREF> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + size);
        for (COLORREF& p : pixels)
            p = RGB(GetBValue(p), GetGValue(p), GetRValue(p)); // the DIB holds 0x00RRGGBB
        return pixels;
    }
    int size;
    void* bits = nullptr;
    GdiObject bitmap; // deleted after the DC that holds it
    MemoryDc dc{CreateCompatibleDC(nullptr)};
};

// The control drawn through IViewObject2 into a fresh bitmap.
inline std::vector<COLORREF> Drawn(IUnknown* control, int width, int height) {
    Canvas canvas(width, height);
    const RECTL bounds{0, 0, width, height};
    EXPECT_EQ(
        As<IViewObject2>(control, IID_IViewObject2)
            ->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.dc.Get(), &bounds, nullptr, nullptr, 0),
        S_OK);
    return canvas.Pixels();
}
// The plan painted as pixels on black, each pixel scale x scale.
inline std::vector<COLORREF> Planned(const std::vector<PaintStep>& steps, int width, int height, int scale = 1) {
    std::vector<COLORREF> pixels(static_cast<size_t>(width * height * scale * scale), RGB(0, 0, 0));
    for (const PaintStep& s : steps)
        for (int y = s.area.top * scale; y < s.area.bottom * scale; ++y)
            for (int x = s.area.left * scale; x < s.area.right * scale; ++x)
                pixels[static_cast<size_t>(y * width * scale + x)] = s.colour;
    return pixels;
}

// A Bevel with a title bar and no caption text (every pixel is the plan's), and its plan.
inline const wchar_t* const kPlannedBevel = L"TitleBar=1\nCaption=\nTitleBarBackColor=255\nShadowColor=-2147483549";
inline BevelPlan PlannedBevel(int width, int height, int dpi) {
    BevelLook look;
    look.width = width;
    look.height = height;
    look.titleBar = true;
    look.pixelsPerInchY = dpi;
    look.colours = {GetSysColor(COLOR_BTNFACE),       RGB(255, 0, 0),
                    GetSysColor(COLOR_ACTIVECAPTION), GetSysColor(COLOR_CAPTIONTEXT),
                    GetSysColor(COLOR_CAPTIONTEXT),   GetSysColor(COLOR_3DHIGHLIGHT),
                    GetSysColor(COLOR_BTNSHADOW)}; // a shadow naming no system colour draws as the default
    return PlanBevel(look);
}
// That Bevel and a raised line compared with their plans at the screen's resolution, at two sizes.
inline void ExpectDrawingsFollowThePlans() {
    for (const auto& [w, h] : {std::pair{40, 30}, std::pair{173, 91}}) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h << " at " << ScreenDpiY() << " dpi");
        auto bevel = LoadedControl(vgui::kBevelClsid, Bag(kPlannedBevel).Get());
        EXPECT_EQ(Drawn(bevel.Get(), w, h), Planned(PlannedBevel(w, h, ScreenDpiY()).steps, w, h));
        auto line = LoadedControl(vgui::kEtchedLineClsid, Bag(L"EtchStyle=1").Get());
        const EtchedLineLook lineLook{w, h, 1, 0, GetSysColor(COLOR_3DHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW)};
        EXPECT_EQ(Drawn(line.Get(), w, h), Planned(PlanEtchedLine(lineLook).steps, w, h));
    }
}

inline void Pump() {
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);)
        DispatchMessageW(&msg);
}
// What a control's window shows, painted through WM_PRINTCLIENT.
inline COLORREF PixelAt(HWND control, int x, int y) {
    RECT client;
    GetClientRect(control, &client);
    Canvas canvas(client.right, client.bottom);
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc.Get()), PRF_CLIENT);
    return GetPixel(canvas.dc.Get(), x, y);
}
// A hidden top-level window of its own class (without a window manager, Wine takes seconds to hide a
// shown one again).
inline HWND TestWindow(const wchar_t* className, WNDPROC procedure) {
    WNDCLASSW wc{0, procedure, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr, className};
    RegisterClassW(&wc);
    return CreateWindowExW(0, className, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 420, 320, nullptr, nullptr,
                           wc.hInstance, nullptr);
}
// An event as "id:argument,argument".
inline std::wstring EventText(DISPID id, const DISPPARAMS& params) {
    std::wstring text = std::to_wstring(id) + L":";
    for (UINT i = params.cArgs; i-- > 0;)
        text += (i + 1 < params.cArgs ? L"," : L"") + Var(params.rgvarg[i]).Text();
    return text;
}

class VguiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Library()) << "cannot load " << ::testing::PrintToString(LibraryPath());
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    }
    void TearDown() override { OleUninitialize(); }
};

} // namespace nivex::vguitest
