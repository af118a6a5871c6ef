// VelmoraGUI.ocx through the interfaces containers use, in Nivex's container and in one of the tests' own that
// drives the OLE contracts as other hosts do (ProgIDs, verbs and unloading in the end-to-end run).
#include <gtest/gtest.h>

#include <windows.h>
#include <olectl.h>
#include <sddl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "common/com/com_ptr.h"
#include "common/com/control_host.h"
#include "common/com/property_bag.h"
#include "common/handles.h"
#include "common/window.h"
#include "guicontrols/bevel_plan.h"
#include "guicontrols/etched_line_plan.h"
#include "guicontrols/ocx/velmoragui_guids.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace nivex::vguitest {
namespace {

using vgui::kBevelClsid;
using vgui::kEtchedLineClsid;

std::wstring LibraryPath() {
    return testing::BinFolder() + L"\\" + vgui::kLibraryFileName;
}
// Loaded for the whole run, as a host keeps it.
HMODULE Library() {
    static HMODULE module = LoadLibraryW(LibraryPath().c_str());
    return module;
}
template <typename Fn> Fn Entry(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(Library(), name)));
}
HRESULT Call(const char* name) {
    return Entry<HRESULT(STDAPICALLTYPE*)()>(name)();
}
ComPtr<IClassFactory> Factory(const CLSID& clsid) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(Entry<LPFNGETCLASSOBJECT>("DllGetClassObject")(clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
    return factory;
}

// Through the system's class look-up: the registration in the end-to-end run, else the fixture's class objects.
template <typename T> ComPtr<T> Create(const CLSID& clsid, REFIID iid) {
    ComPtr<T> object;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.PutVoid()), S_OK);
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
    explicit Var(int value) : Var() {
        vt = VT_I4;
        lVal = value;
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
    std::wstring Text() const {
        Var copy;
        return SUCCEEDED(VariantChangeType(&copy, const_cast<Var*>(this), 0, VT_BSTR)) ? copy.bstrVal : L"<not text>";
    }
};

DISPID IdOf(IDispatch* dispatch, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR>(name);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
    return id;
}
Var Get(IDispatch* dispatch, const wchar_t* name) {
    Var result;
    DISPPARAMS none{};
    const DISPID id = IdOf(dispatch, name);
    EXPECT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    return result;
}
// The HRESULT, or the raised error's scode when the call raised one.
HRESULT Put(IDispatch* dispatch, const wchar_t* name, const VARIANT& value) {
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

ComPtr<IDispatch> NewControl(const CLSID& clsid) {
    auto persist = Create<IPersistStreamInit>(clsid, IID_IPersistStreamInit);
    EXPECT_EQ(persist->InitNew(), S_OK);
    return As(persist.Get());
}
ComPtr<MemoryPropertyBag> Bag(const wchar_t* text) {
    ComPtr<MemoryPropertyBag> bag;
    bag.Attach(MemoryPropertyBag::FromText(text));
    return bag;
}
ComPtr<MemoryPropertyBag> SavedBag(IUnknown* control, BOOL saveAll = FALSE) {
    auto bag = Bag(L"");
    EXPECT_EQ(As<IPersistPropertyBag>(control, IID_IPersistPropertyBag)->Save(bag.Get(), TRUE, saveAll), S_OK);
    return bag;
}
ComPtr<IDispatch> LoadedControl(const CLSID& clsid, IPropertyBag* bag) {
    auto persist = Create<IPersistPropertyBag>(clsid, IID_IPersistPropertyBag);
    EXPECT_EQ(persist->Load(bag, nullptr), S_OK);
    return As(persist.Get());
}
Var NewFont(const wchar_t* face, int points, SHORT weight, bool italic) {
    FONTDESC desc{sizeof(FONTDESC), const_cast<LPOLESTR>(face), {{points * 10000ul, 0}}, weight, 0, italic, 0, 0};
    Var font;
    font.vt = VT_DISPATCH;
    EXPECT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font.pdispVal)), S_OK);
    return font;
}
ComPtr<IFont> FontOf(IDispatch* control) {
    return As<IFont>(Get(control, L"TitleBarFont").pdispVal, IID_IFont);
}
// A font's italic mark and weight (the system may substitute its face).
std::pair<BOOL, SHORT> Marks(IFont* font) {
    std::pair<BOOL, SHORT> marks{};
    font->get_Italic(&marks.first);
    font->get_Weight(&marks.second);
    return marks;
}

int ScreenDpiY() {
    return GetDeviceCaps(MemoryDc(CreateCompatibleDC(nullptr)).Get(), LOGPIXELSY);
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

// The control drawn into a fresh bitmap: in pixels, or in HIMETRIC bounds through that mapping (y upwards).
std::vector<COLORREF> Drawn(IUnknown* control, int width, int height, DWORD aspect = DVASPECT_CONTENT,
                            const RECTL* himetric = nullptr) {
    Canvas canvas(width, height);
    const RECTL pixels{0, 0, width, height};
    if (himetric) {
        SetMapMode(canvas.dc.Get(), MM_ANISOTROPIC);
        SetWindowExtEx(canvas.dc.Get(), 2540, 2540, nullptr);
        SetViewportExtEx(canvas.dc.Get(), GetDeviceCaps(canvas.dc.Get(), LOGPIXELSX),
                         -GetDeviceCaps(canvas.dc.Get(), LOGPIXELSY), nullptr);
    }
    EXPECT_EQ(As<IViewObject2>(control, IID_IViewObject2)
                  ->Draw(aspect, -1, nullptr, nullptr, nullptr, canvas.dc.Get(), himetric ? himetric : &pixels, nullptr,
                         nullptr, 0),
              S_OK);
    return canvas.Pixels();
}
// The plan painted as pixels on black, each pixel scale x scale.
std::vector<COLORREF> Planned(const std::vector<PaintStep>& steps, int width, int height, int scale = 1) {
    std::vector<COLORREF> pixels(static_cast<size_t>(width * height * scale * scale), RGB(0, 0, 0));
    for (const PaintStep& s : steps)
        for (int y = s.area.top * scale; y < s.area.bottom * scale; ++y)
            for (int x = s.area.left * scale; x < s.area.right * scale; ++x)
                pixels[static_cast<size_t>(y * width * scale + x)] = s.colour;
    return pixels;
}

// A Bevel with a title bar and no caption text (every pixel is the plan's), and its plan.
const wchar_t* const kPlannedBevel = L"TitleBar=1\nCaption=\nTitleBarBackColor=255\nShadowColor=-2147483549";
BevelPlan PlannedBevel(int width, int height, int dpi) {
    return PlanBevel(
        {.width = width,
         .height = height,
         .titleBar = true,
         .pixelsPerInchY = dpi,
         .colours = {GetSysColor(COLOR_BTNFACE), RGB(255, 0, 0), GetSysColor(COLOR_ACTIVECAPTION),
                     GetSysColor(COLOR_CAPTIONTEXT), GetSysColor(COLOR_CAPTIONTEXT), GetSysColor(COLOR_3DHIGHLIGHT),
                     GetSysColor(COLOR_BTNSHADOW)}}); // a shadow naming no system colour: the default
}

// What a control's window shows, painted through WM_PRINTCLIENT.
COLORREF PixelAt(HWND control, int x, int y) {
    RECT client;
    GetClientRect(control, &client);
    Canvas canvas(client.right, client.bottom);
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc.Get()), PRF_CLIENT);
    return GetPixel(canvas.dc.Get(), x, y);
}

// One object is the client site, the in-place site, the ambient properties (design mode and a font of its
// own) and the sink for view changes. It offers no frame, as a site may not.
class Container final : public IOleClientSite, public IOleInPlaceSite, public IDispatch, public IAdviseSink {
public:
    explicit Container(HWND hwnd) : window(hwnd) {}
    HWND window;
    RECT pos{10, 10, 110, 70}, clip{10, 10, 110, 70};
    Var font = NewFont(L"Courier New", 11, FW_NORMAL, true), userMode{false}; // designing
    int viewChanges = 0;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
            *out = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (IsEqualIID(iid, IID_IDispatch))
            *out = static_cast<IDispatch*>(this);
        else if (IsEqualIID(iid, IID_IAdviseSink))
            *out = static_cast<IAdviseSink*>(this);
        return *out ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; } // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    STDMETHODIMP GetWindow(HWND* hwnd) override { return *hwnd = window, S_OK; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clipping, LPOLEINPLACEFRAMEINFO info) override {
        *frame = nullptr;
        *document = nullptr;
        *position = pos;
        *clipping = clip;
        info->hwndFrame = window;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT rect) override { return pos = *rect, S_OK; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id == DISPID_AMBIENT_FONT) return VariantCopy(result, &font);
        return id == DISPID_AMBIENT_USERMODE ? VariantCopy(result, &userMode) : DISP_E_MEMBERNOTFOUND;
    }
    STDMETHODIMP_(void) OnDataChange(FORMATETC*, STGMEDIUM*) override {}
    STDMETHODIMP_(void) OnViewChange(DWORD, LONG) override { ++viewChanges; }
    STDMETHODIMP_(void) OnRename(IMoniker*) override {}
    STDMETHODIMP_(void) OnSave() override {}
    STDMETHODIMP_(void) OnClose() override {}
};

HWND WindowOf(IUnknown* control) {
    HWND hwnd = nullptr;
    As<IOleInPlaceObject>(control, IID_IOleInPlaceObject)->GetWindow(&hwnd);
    return hwnd;
}

class VguiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Library()) << "cannot load " << ::testing::PrintToString(LibraryPath());
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        // Outside the end-to-end run the system's creation functions find the loaded library's classes here.
        for (const CLSID* clsid : {&kBevelClsid, &kEtchedLineClsid})
            if (!std::getenv("NIVEX_VGUI_E2E"))
                CoRegisterClassObject(*clsid, Factory(*clsid).Get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                      &cookies.emplace_back());
    }
    void Revoke() {
        for (DWORD cookie : cookies)
            CoRevokeClassObject(cookie); // the class objects go, which held the library
        cookies.clear();
    }
    void TearDown() override {
        Revoke();
        DestroyWindow(window);
        OleUninitialize();
    }
    // Nivex's container, in the same window.
    std::unique_ptr<ControlHost> Host(const CLSID& clsid, const RECT& rect, const wchar_t* properties) {
        ComPtr<IClassFactory> factory;
        std::unique_ptr<ControlHost> hosted;
        EXPECT_EQ(GetControlClassObject(clsid, LibraryPath(), factory.Put()), S_OK);
        EXPECT_EQ(ControlHost::Create(factory.Get(), window, rect, Bag(properties).Get(), hosted), S_OK);
        return hosted;
    }
    // Hidden: without a window manager, Wine takes seconds to hide a shown window again.
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 420, 320, nullptr,
                                  nullptr, nullptr, nullptr);
    Container site{window};
    std::vector<DWORD> cookies;
};
// The tests the end-to-end run repeats through the registration.
class ForeignContainer : public VguiTest {};

std::wstring Text(const std::wstring& path, const std::wstring& name = L"") {
    bool found = false;
    const std::wstring text = testing::GetRegString(HKEY_CLASSES_ROOT, path, name, &found);
    return found ? text : L"<absent>";
}
bool Present(const std::wstring& path) {
    return testing::RegKeyPresent(HKEY_CLASSES_ROOT, path);
}
// The platform key of this build's type library, and the other build's.
const std::wstring kPlatform = sizeof(void*) == 8 ? L"win64" : L"win32";
const std::wstring kOtherPlatform = sizeof(void*) == 8 ? L"win32" : L"win64";

TEST_F(VguiTest, RegistrationIsCompleteAllOrNothingAndUndoneWithoutTouchingOthers) {
    const std::wstring path = LibraryPath(), libId = L"{" VGUI_LIBID L"}";
    {
        testing::RegistrySandbox sandbox;
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
        ASSERT_EQ(Call("DllRegisterServer"), S_OK); // over its own registration
        // Class, ProgID, toolbox bitmap, MiscStatus (the Bevel's marks a frame), display name.
        const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*> classes[] = {
            {L"{" VGUI_BEVEL_CLSID L"}", L"VelmoraGUI.Bevel", L", 1", L"197009", L"Bevel"},
            {L"{" VGUI_ETCHEDLINE_CLSID L"}", L"VelmoraGUI.EtchedLine", L", 2", L"147857", L"EtchedLine"}};
        for (const auto& [clsid, progId, bitmap, misc, name] : classes) {
            const std::wstring key = std::wstring(L"CLSID\\") + clsid;
            const std::wstring expected[][3] = {
                {key + L"\\InprocServer32", L"", path},
                {key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
                {key + L"\\ProgID", L"", progId},
                {key + L"\\VersionIndependentProgID", L"", progId},
                {key + L"\\TypeLib", L"", libId},
                {key + L"\\ToolboxBitmap32", L"", path + bitmap},
                {key + L"\\MiscStatus\\1", L"", misc},
                {std::wstring(progId) + L"\\CLSID", L"", clsid},
                {key + L"\\Version", L"", L"1.0"},
                {key, L"", std::wstring(L"VelmoraGUI ") + name}, // the display name; the ProgID keeps its own
                {progId, L"", name},
            };
            for (const auto& [k, valueName, value] : expected)
                EXPECT_EQ(Text(k, valueName), value) << ::testing::PrintToString(k + L" " + valueName);
            EXPECT_TRUE(Present(key + L"\\Control"));
            // A control, safe for scripting, safe for initialising.
            for (const wchar_t* category :
                 {L"{40FC6ED4-2438-11CF-A3DB-080036F12502}", L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}",
                  L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}"})
                EXPECT_TRUE(Present(key + L"\\Implemented Categories\\" + category));
        }
        EXPECT_EQ(Text(L"TypeLib\\" + libId + L"\\1.0\\0\\" + kPlatform), path);
        EXPECT_EQ(Text(L"Interface\\{" VGUI_BEVEL_EVENTS_DIID L"}\\TypeLib"), libId);

        // Another server has since taken the line's ProgID; another version of the library is registered.
        testing::SetRegString(HKEY_CLASSES_ROOT, L"VelmoraGUI.EtchedLine\\CLSID", L"",
                              L"{0B1E2C3D-4A5F-4607-8899-AABBCCDDEEFF}");
        testing::SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + libId + L"\\2.0", L"", L"VelmoraGUI 2");
        ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
        for (const std::wstring& gone :
             {std::wstring(L"CLSID\\{" VGUI_BEVEL_CLSID L"}"), std::wstring(L"CLSID\\{" VGUI_ETCHEDLINE_CLSID L"}"),
              std::wstring(L"VelmoraGUI.Bevel"), L"TypeLib\\" + libId + L"\\1.0",
              std::wstring(L"Interface\\{" VGUI_BEVEL_DIID L"}")})
            EXPECT_FALSE(Present(gone)) << ::testing::PrintToString(gone);
        EXPECT_TRUE(Present(L"VelmoraGUI.EtchedLine"));
        EXPECT_TRUE(Present(L"TypeLib\\" + libId + L"\\2.0"));
        // The other build's library still registered: the shared version key stays with it.
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
        testing::SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + libId + L"\\1.0\\0\\" + kOtherPlatform, L"", L"x");
        ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
        EXPECT_EQ(Text(L"TypeLib\\" + libId + L"\\1.0"), L"VelmoraGUI");
        EXPECT_FALSE(Present(L"TypeLib\\" + libId + L"\\1.0\\0\\" + kPlatform));
    }
    // A ProgID key that may be read but not written makes the second class fail: nothing stays.
    testing::RegistrySandbox sandbox;
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KR;;;WD)", 1, &readOnly, nullptr));
    RegKey locked;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, L"VelmoraGUI.EtchedLine", locked.Put()), ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeySecurity(locked.Get(), DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    LocalFree(readOnly);
    EXPECT_EQ(Call("DllRegisterServer"), SELFREG_E_CLASS);
    for (const wchar_t* key : {L"CLSID\\{" VGUI_BEVEL_CLSID L"}", L"VelmoraGUI.Bevel", L"TypeLib\\{" VGUI_LIBID L"}"})
        EXPECT_FALSE(Present(key)) << ::testing::PrintToString(std::wstring(key));
    EXPECT_TRUE(Present(L"VelmoraGUI.EtchedLine")); // not ours to remove
}

// "Name=Value " for each value a property bag receives (all, or those that differ from their defaults).
std::wstring Saved(IUnknown* control, BOOL saveAll) {
    auto bag = SavedBag(control, saveAll);
    std::wstring text;
    for (const std::wstring& name : bag->Names())
        if (name != L"Font") text += name + L"=" + Var(*bag->Find(name)).Text() + L" ";
    return text;
}

TEST_F(VguiTest, EveryPropertyHasItsDefaultIsSavedUnderItsNameOnceItDiffersAndLoadsSafely) {
    // Colours are signed 32-bit patterns; the Bevel's "HighlightColor" has a small l, the line's a capital.
    const std::tuple<CLSID, std::wstring, std::wstring> cases[] = {
        {kBevelClsid,
         L"BackColor=-2147483633 Enabled=-1 TitleBar=0 TitleBarSize=250 TitleBarBackColor=-2147483645 "
         L"Caption=Bevel Alignment=0 HighlightColor=-2147483628 ShadowColor=-2147483632 "
         L"TitleBarForeColor=-2147483639 ActiveTitlebarForeColor=-2147483639 ActiveTitlebarBackColor=-2147483646 ",
         L"BackColor=3368601 Enabled=0 TitleBarSize=300 TitleBarBackColor=16711680 Caption=Files Alignment=2 "
         L"HighlightColor=16777215 ShadowColor=-2147483627 TitleBarForeColor=66051 ActiveTitlebarForeColor=263430 "
         L"ActiveTitlebarBackColor=255 "},
        {kEtchedLineClsid, L"ShadowColor=-2147483632 HighLightColor=-2147483628 EtchStyle=0 Orientation=0 ",
         L"ShadowColor=4210752 HighLightColor=15790320 EtchStyle=1 Orientation=1 "}};
    for (const auto& [clsid, defaults, written] : cases) {
        auto control = NewControl(clsid);
        EXPECT_EQ(Saved(control.Get(), TRUE), defaults);
        EXPECT_EQ(Saved(control.Get(), FALSE), L"");
        std::wstring lines = written;
        std::replace(lines.begin(), lines.end(), L' ', L'\n');
        auto values = Bag(lines.c_str()); // each written through the control's dispatch interface, as text
        for (const std::wstring& name : values->Names())
            EXPECT_EQ(Put(control.Get(), name.c_str(), *values->Find(name)), S_OK);
        EXPECT_EQ(Saved(control.Get(), FALSE), written);
        EXPECT_EQ(Saved(LoadedControl(clsid, SavedBag(control.Get()).Get()).Get(), FALSE), written); // and back
    }
    auto bevel = NewControl(kBevelClsid);
    // Run mode (a host that does not say otherwise): the title bar cannot be switched (error 382).
    EXPECT_EQ(Put(bevel.Get(), L"TitleBar", Var(true)), CTL_E_SETNOTSUPPORTEDATRUNTIME);
    // What a property cannot hold is refused and changes nothing.
    EXPECT_EQ(Put(bevel.Get(), L"TitleBarSize", Var(-1)), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(Put(bevel.Get(), L"Alignment", Var(3)), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(Put(bevel.Get(), L"TitleBarSize", Var(L"not a number")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Saved(bevel.Get(), FALSE), L"");
    // A window's property set: an unreadable value loads as its default, one out of range clamped, an
    // unsigned colour as the same bits.
    const std::pair<const wchar_t*, const wchar_t*> sets[] = {
        {L"; a comment\r\nTitleBar=True\r\nTitleBarSize=99999999999\r\nAlignment=7\r\nBackColor=purple\r\n"
         L"Enabled=maybe\r\nHighlightColor=2147483663",
         L"TitleBar=-1 TitleBarSize=32767 Alignment=2 HighlightColor=-2147483633 "},
        {L"TitleBarSize=-40\nAlignment=-1", L"TitleBarSize=0 "}};
    for (const auto& [set, loaded] : sets)
        EXPECT_EQ(Saved(LoadedControl(kBevelClsid, Bag(set).Get()).Get(), FALSE), loaded) << set;
}

// That Bevel and a raised line draw as planned at the screen's resolution (in the end-to-end run, at each one it
// sets); the caption is a label at left 2, top 2 in the title bar: text from the top, wrapped within its edges.
TEST_F(ForeignContainer, DrawingFollowsThePlansAndTheCaptionIsALabelAtTheTopOfTheTitleBar) {
    const int dpi = ScreenDpiY();
    for (const auto& [w, h] : {std::pair{40, 30}, std::pair{173, 91}}) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h << " at " << dpi << " dpi");
        auto bevel = LoadedControl(kBevelClsid, Bag(kPlannedBevel).Get());
        EXPECT_EQ(Drawn(bevel.Get(), w, h), Planned(PlannedBevel(w, h, dpi).steps, w, h));
        auto line = LoadedControl(kEtchedLineClsid, Bag(L"EtchStyle=1").Get());
        const EtchedLineLook lineLook{w, h, 1, 0, GetSysColor(COLOR_3DHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW)};
        EXPECT_EQ(Drawn(line.Get(), w, h), Planned(PlanEtchedLine(lineLook).steps, w, h));
    }
    auto bevel = LoadedControl(kBevelClsid, Bag(L"TitleBar=1\nTitleBarSize=1000\nTitleBarBackColor=255\n"
                                                L"TitleBarForeColor=65280\nCaption=Wrapped onto two lines")
                                                .Get());
    const int width = 90, bar = TitleBarPixels(1000, dpi), height = 2 * bar;
    const std::vector<COLORREF> pixels = Drawn(bevel.Get(), width, height);
    int top = height, bottom = 0, right = 0;
    for (int y = 1; y < bar; ++y)
        for (int x = 1; x < width - 1; ++x)
            if (pixels[static_cast<size_t>(y * width + x)] != RGB(255, 0, 0))
                top = std::min(top, y), bottom = std::max(bottom, y), right = std::max(right, x);
    EXPECT_LE(top, 6 * dpi / 96); // not centred in the bar
    EXPECT_GT(bottom - top, 16);  // a second line
    EXPECT_LT(right, width - 4);  // within the label
}

// Nivex's container. Down, up, double click, up: one Click for the left button, DblClick in place of the second
// press; the other buttons press twice. Events are "id:Button,Shift,X,Y" (pixels: the host's units).
TEST_F(VguiTest, TheBevelFollowsTheFocusAndTheMouseAndTheLineKeepsItsThickness) {
    constexpr COLORREF kBar = RGB(0, 0, 160), kActiveBar = RGB(200, 0, 0);
    auto bevel =
        Host(kBevelClsid, {10, 10, 210, 160},
             L"TitleBar=True\nCaption=File Information\nTitleBarBackColor=10485760\nActiveTitlebarBackColor=200");
    ASSERT_TRUE(bevel && bevel->ControlWindow());
    HWND frame = bevel->ControlWindow();
    HWND inside =
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 1, 19, 190, 20, frame, nullptr, nullptr, nullptr);
    HWND outside =
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 250, 10, 100, 20, window, nullptr, nullptr, nullptr);
    std::vector<DISPID> changed;
    bevel->OnPropertyChanged([&](DISPID id) { changed.push_back(id); });
    EXPECT_EQ(PixelAt(frame, 196, 8), kBar);
    SetFocus(inside);
    velmora::PumpPendingMessages();
    EXPECT_EQ(PixelAt(frame, 196, 8), kActiveBar);
    // A change or a resize while the focus is inside keeps the active look.
    EXPECT_EQ(Put(bevel->Dispatch().Get(), L"TitleBarSize", Var(300)), S_OK);
    EXPECT_EQ(FontOf(bevel->Dispatch().Get())->put_Bold(TRUE), S_OK); // through the font the control handed out
    EXPECT_EQ(changed, (std::vector<DISPID>{VGUI_DISPID_TITLEBARSIZE, VGUI_DISPID_TITLEBARFONT}));
    bevel->Move({10, 10, 250, 180});
    EXPECT_EQ(PixelAt(frame, 236, 8), kActiveBar);
    SetFocus(outside);
    velmora::PumpPendingMessages();
    EXPECT_EQ(PixelAt(frame, 236, 8), kBar);
    std::wstring events;
    bevel->OnEvent([&](DISPID id, const DISPPARAMS& params) {
        events += std::to_wstring(id) + L":";
        for (UINT i = params.cArgs; i-- > 0;)
            events += (i + 1 < params.cArgs ? L"," : L"") + Var(params.rgvarg[i]).Text();
        events += L" ";
    });
    const std::tuple<UINT, WPARAM, const wchar_t*> buttons[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, L"3:1,1,12,34 5:1,1,12,34 1: 2: 5:1,1,12,34 "},
        {WM_RBUTTONDOWN, MK_RBUTTON, L"3:2,0,12,34 5:2,0,12,34 3:2,0,12,34 5:2,0,12,34 "},
        {WM_MBUTTONDOWN, MK_MBUTTON, L"3:4,0,12,34 5:4,0,12,34 3:4,0,12,34 5:4,0,12,34 "}};
    for (const auto& [down, key, raised] : buttons) {
        events.clear();
        for (UINT message : {down, down + 1, down + 2, down + 1}) // the button's up and double click follow its down
            SendMessageW(frame, message, key, MAKELPARAM(12, 34));
        EXPECT_EQ(events, raised);
    }
    events.clear();
    As<IOleControl>(bevel->Control(), IID_IOleControl)->FreezeEvents(TRUE);
    SendMessageW(frame, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    As<IOleControl>(bevel->Control(), IID_IOleControl)->FreezeEvents(FALSE);
    EXPECT_EQ(events, L"");
    // In design mode the title bar may be switched off.
    bevel->SetUserMode(false);
    EXPECT_EQ(Put(bevel->Dispatch().Get(), L"TitleBar", Var(false)), S_OK);
    EXPECT_EQ(PixelAt(frame, 236, 8), GetSysColor(COLOR_BTNFACE));
    // The line below it keeps two pixels across whatever it is given; vertical, it is two pixels wide.
    auto line = Host(kEtchedLineClsid, {5, 200, 155, 240}, L"");
    EXPECT_EQ(line->Rect().bottom - line->Rect().top, 2);
    EXPECT_EQ(Put(line->Dispatch().Get(), L"Orientation", Var(1)), S_OK);
    line->Move({5, 100, 90, 160});
    RECT client{};
    GetClientRect(line->ControlWindow(), &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(2L, 60L));
}

TEST_F(ForeignContainer, OleCreateEmbedsWithAStorageAndShowsOnlyTheClippedPart) {
    site.clip = {0, 0, 60, 40}; // scrolled: the control's top-left 50 x 30 pixels show
    ComPtr<IStorage> storage;
    ASSERT_EQ(StgCreateDocfile(nullptr, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE, 0,
                               storage.Put()),
              S_OK);
    ComPtr<IOleObject> bevel;
    ASSERT_EQ(OleCreate(kBevelClsid, IID_IOleObject, OLERENDER_NONE, nullptr, &site, storage.Get(), bevel.PutVoid()),
              S_OK);
    ASSERT_EQ(bevel->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, window, &site.pos), S_OK);
    RECT visible{};
    EXPECT_EQ(GetWindowRgnBox(WindowOf(bevel.Get()), &visible), SIMPLEREGION);
    EXPECT_EQ(std::vector<LONG>({visible.left, visible.top, visible.right, visible.bottom}),
              std::vector<LONG>({0, 0, 50, 30}));
    As<IOleInPlaceObject>(bevel.Get(), IID_IOleInPlaceObject)->SetObjectRects(&site.pos, &site.pos);
    EXPECT_EQ(GetWindowRgnBox(WindowOf(bevel.Get()), &visible), ERROR); // all of it shows: no region

    // The property set goes into the storage.
    EXPECT_EQ(Put(As(bevel.Get()).Get(), L"Caption", Var(L"Embedded")), S_OK);
    ComPtr<IPersistStorage> persist = As<IPersistStorage>(bevel.Get(), IID_IPersistStorage);
    ASSERT_EQ(OleSave(persist.Get(), storage.Get(), TRUE), S_OK);
    persist->SaveCompleted(nullptr);
    EXPECT_EQ(persist->InitNew(storage.Get()), CO_E_ALREADYINITIALIZED);
    bevel->Close(OLECLOSE_NOSAVE);
    ComPtr<IDispatch> copy;
    ASSERT_EQ(OleLoad(storage.Get(), IID_IDispatch, &site, copy.PutVoid()), S_OK);
    EXPECT_EQ(Get(copy.Get(), L"Caption").Text(), L"Embedded");
}

// The site's ambient font and design mode reach the control whether InitNew comes before or after it.
TEST_F(ForeignContainer, InitNewBeforeOrAfterSetClientSiteGivesTheSameControl) {
    for (bool siteFirst : {false, true}) {
        ComPtr<IOleObject> bevel;
        ASSERT_EQ(CoCreateInstance(kBevelClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, bevel.PutVoid()), S_OK);
        auto persist = As<IPersistStreamInit>(bevel.Get(), IID_IPersistStreamInit);
        if (siteFirst) bevel->SetClientSite(&site);
        EXPECT_EQ(persist->InitNew(), S_OK);
        if (!siteFirst) bevel->SetClientSite(&site);
        EXPECT_TRUE(Marks(FontOf(As(bevel.Get()).Get()).Get()).first) << siteFirst; // the ambient font's mark
        EXPECT_EQ(Put(As(bevel.Get()).Get(), L"TitleBar", Var(true)), S_OK) << siteFirst;
        EXPECT_EQ(bevel->DoVerb(OLEIVERB_SHOW, nullptr, &site, 0, window, &site.pos), S_OK);
        EXPECT_TRUE(GetWindowLongW(WindowOf(bevel.Get()), GWL_STYLE) & WS_VISIBLE);
        bevel->Close(OLECLOSE_NOSAVE);
        bevel->SetClientSite(nullptr);
    }
}

TEST_F(ForeignContainer, StreamsRoundTripAndADamagedOrForeignStreamIsReportedAndChangesNothing) {
    auto bevel = NewControl(kBevelClsid);
    EXPECT_EQ(Put(bevel.Get(), L"Caption", Var(L"Übersicht")), S_OK);
    EXPECT_EQ(Put(bevel.Get(), L"TitleBarFont", NewFont(L"Tahoma", 12, FW_BOLD, true)), S_OK);
    auto persist = As<IPersistStreamInit>(bevel.Get(), IID_IPersistStreamInit);
    ComPtr<IStream> stream, garbage;
    ULARGE_INTEGER max{};
    STATSTG stat{};
    CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
    ASSERT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
    EXPECT_EQ(persist->GetSizeMax(&max), S_OK);
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(max.QuadPart, stat.cbSize.QuadPart);
    auto copy = Create<IPersistStreamInit>(kBevelClsid, IID_IPersistStreamInit);
    const auto load = [&](IStream* from) {
        from->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        return copy->Load(from);
    };
    EXPECT_EQ(load(stream.Get()), S_OK);
    EXPECT_EQ(Get(As(copy.Get()).Get(), L"Caption").Text(), L"Übersicht");
    EXPECT_EQ(Marks(FontOf(As(copy.Get()).Get()).Get()), std::pair(TRUE, static_cast<SHORT>(FW_BOLD)));
    EXPECT_EQ(copy->InitNew(), E_UNEXPECTED); // a loaded control is not new again
    // A stream cut short, or not a control's at all: the container hears so, the control stays as it was.
    stat.cbSize.QuadPart -= 5;
    stream->SetSize(stat.cbSize);
    CreateStreamOnHGlobal(nullptr, TRUE, garbage.Put());
    garbage->Write("not a control", 13, nullptr);
    EXPECT_EQ(Put(As(copy.Get()).Get(), L"Alignment", Var(2)), S_OK);
    EXPECT_EQ(load(stream.Get()), STG_E_READFAULT);
    EXPECT_EQ(load(garbage.Get()), E_FAIL);
    EXPECT_EQ(Get(As(copy.Get()).Get(), L"Caption").Text() + Get(As(copy.Get()).Get(), L"Alignment").Text(),
              L"Übersicht2");
    // The line through the system's OleSaveToStream and OleLoadFromStream (its class identifier first).
    auto line = LoadedControl(kEtchedLineClsid, Bag(L"Orientation=1").Get());
    ComPtr<IDispatch> lineCopy;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.Put());
    ASSERT_EQ(OleSaveToStream(As<IPersistStream>(line.Get(), IID_IPersistStream).Get(), stream.Get()), S_OK);
    stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(OleLoadFromStream(stream.Get(), IID_IDispatch, lineCopy.PutVoid()), S_OK);
    EXPECT_EQ(Get(lineCopy.Get(), L"Orientation").Text(), L"1");
}

// A HIMETRIC mapping with the y axis upwards, and an enhanced metafile from OleDraw played back at the
// size drawn and at twice it: the pixels are the plan's at the device's resolution.
TEST_F(ForeignContainer, DrawsInTheTargetsUnitsIntoAMappedDcAndAMetafile) {
    const int dpi = ScreenDpiY(), w = dpi, h = dpi / 2; // one inch by half an inch: whole HIMETRIC units
    auto bevel = LoadedControl(kBevelClsid, Bag(kPlannedBevel).Get());
    const auto plan = PlannedBevel(w, h, dpi).steps;
    const RECTL himetric{0, 0, 2540, -1270};
    for (DWORD aspect : {DVASPECT_CONTENT, DVASPECT_DOCPRINT})
        EXPECT_EQ(Drawn(bevel.Get(), w, h, aspect, &himetric), Planned(plan, w, h)) << aspect;
    const RECT frame{0, 0, 2540, 1270}; // the picture's size in HIMETRIC, as a container gives it
    HDC recording = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
    const RECT drawn{0, 0, w, h};
    EXPECT_EQ(OleDraw(bevel.Get(), DVASPECT_CONTENT, recording, &drawn), S_OK);
    HENHMETAFILE picture = CloseEnhMetaFile(recording);
    for (int scale : {1, 2}) {
        Canvas canvas(w * scale, h * scale);
        const RECT target{0, 0, w * scale, h * scale};
        PlayEnhMetaFile(canvas.dc.Get(), picture, &target);
        EXPECT_EQ(canvas.Pixels(), Planned(plan, w, h, scale)) << "played back at " << scale;
    }
    DeleteEnhMetaFile(picture);
}

// A script or property browser changes the font object the control handed out: that change is the
// control's, saved as "Font" and painted (Nivex's container hears of it too).
TEST_F(ForeignContainer, AChangeMadeThroughTheReturnedFontIsTheControls) {
    auto bevel = NewControl(kBevelClsid);
    As<IViewObject>(bevel.Get(), IID_IViewObject)->SetAdvise(DVASPECT_CONTENT, 0, &site);
    EXPECT_EQ(FontOf(bevel.Get())->put_Bold(TRUE), S_OK);
    EXPECT_EQ(site.viewChanges, 1);
    EXPECT_EQ(As<IPersistStreamInit>(bevel.Get(), IID_IPersistStreamInit)->IsDirty(), S_OK);
    auto bag = SavedBag(bevel.Get());
    ASSERT_EQ(bag->Names(), std::vector<std::wstring>{L"Font"});
    EXPECT_EQ(Marks(As<IFont>(bag->Find(L"Font")->pdispVal, IID_IFont).Get()).second, FW_BOLD);
}

// Controls created, activated, drawn and destroyed on four apartment threads at once; afterwards the
// library may unload and its window classes are gone, until an object, an enumerator or a lock holds it.
TEST_F(ForeignContainer, FourThreadsAtOnceThenTheLibraryMayUnloadOnceEveryObjectAndLockIsGone) {
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&failures] {
            OleInitialize(nullptr);
            HWND hwnd =
                CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
            Container site(hwnd);
            for (int i = 0; i < 20; ++i) {
                ComPtr<IOleObject> control;
                ComPtr<IClassFactory> factory; // no test assertions on these threads
                HRESULT hr = Entry<LPFNGETCLASSOBJECT>("DllGetClassObject")(i % 2 ? kEtchedLineClsid : kBevelClsid,
                                                                            IID_IClassFactory, factory.PutVoid());
                if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IOleObject, control.PutVoid());
                if (SUCCEEDED(hr)) hr = control->SetClientSite(&site);
                if (SUCCEEDED(hr)) hr = control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, hwnd, &site.pos);
                if (SUCCEEDED(hr) && !WindowOf(control.Get())) hr = E_FAIL;
                if (FAILED(hr)) ++failures;
                if (control) control->Close(OLECLOSE_NOSAVE);
                if (control) control->SetClientSite(nullptr);
            }
            DestroyWindow(hwnd);
            OleUninitialize();
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    Revoke();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
    WNDCLASSW info{};
    for (const wchar_t* name : {L"VelmoraGUIBevel", L"VelmoraGUIEtchedLine"})
        EXPECT_FALSE(GetClassInfoW(Library(), name, &info)) << "still registered: " << name;
    auto factory = Factory(kBevelClsid);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE); // a held class object keeps it
    ComPtr<IConnectionPointContainer> points;
    ComPtr<IEnumConnectionPoints> all;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IConnectionPointContainer, points.PutVoid()), S_OK);
    ASSERT_EQ(points->EnumConnectionPoints(all.Put()), S_OK);
    factory->LockServer(TRUE);
    factory.Reset();
    points.Reset();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE); // the enumerator and the lock still count
    all.Reset();
    EXPECT_EQ(Call("DllCanUnloadNow"), S_FALSE);
    Factory(kBevelClsid)->LockServer(FALSE);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
}

// Registered for real (velmoragui_e2e.sh, in a prefix of its own): both controls are created by their ProgIDs,
// their verbs come from the registration, the library unloads when the container frees unused libraries and
// loads again for the next control, and the type library registered for this bitness is the served file's own.
TEST_F(ForeignContainer, EndToEndByProgId) {
    if (!std::getenv("NIVEX_VGUI_E2E")) GTEST_SKIP() << "run by velmoragui_e2e.sh in a prefix of its own";
    wchar_t path[MAX_PATH] = {};
    for (int round = 0; round < 2; ++round) {
        for (const wchar_t* progId : {vgui::kBevelProgId, vgui::kEtchedLineProgId}) {
            SCOPED_TRACE(::testing::Message() << "round " << round << " " << ::testing::PrintToString(progId));
            CLSID clsid{};
            ComPtr<IOleObject> control;
            ASSERT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
            ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control.PutVoid()), S_OK);
            // The module whose code serves the object (its table of methods lies there), whatever else is loaded.
            HMODULE served = nullptr;
            GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               *reinterpret_cast<LPCWSTR*>(control.Get()), &served);
            GetModuleFileNameW(served, path, MAX_PATH);
            ComPtr<IEnumOLEVERB> verbs;
            ASSERT_EQ(control->EnumVerbs(verbs.Put()), S_OK);
            std::vector<LONG> numbers;
            OLEVERB verb{};
            for (ULONG got = 0; verbs->Next(1, &verb, &got) == S_OK; CoTaskMemFree(verb.lpszVerbName))
                numbers.push_back(verb.lVerb);
            std::sort(numbers.begin(), numbers.end());
            EXPECT_EQ(numbers, (std::vector<LONG>{-5, -4, -1, 0}));
            EXPECT_EQ(As<IPersistStreamInit>(control.Get(), IID_IPersistStreamInit)->InitNew(), S_OK);
            ASSERT_EQ(control->SetClientSite(&site), S_OK);
            ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, window, &site.pos), S_OK);
            control->Close(OLECLOSE_NOSAVE);
            control->SetClientSite(nullptr);
        }
        CoFreeUnusedLibrariesEx(0, 0);
        EXPECT_FALSE(GetModuleHandleW(path)) << "still loaded after round " << round;
    }
    ComPtr<ITypeLib> library;
    BSTR registered = nullptr;
    ASSERT_EQ(LoadRegTypeLib(vgui::kLibId, 1, 0, 0, library.Put()), S_OK);
    ASSERT_EQ(QueryPathOfRegTypeLib(vgui::kLibId, 1, 0, 0, &registered), S_OK);
    EXPECT_EQ(CompareStringOrdinal(registered, -1, path, -1, TRUE), CSTR_EQUAL) << ::testing::PrintToString(registered);
    SysFreeString(registered);
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    library->ReleaseTLibAttr(attributes);
    std::printf("drawn at %d dpi by %ls\n", ScreenDpiY(), path);
}

} // namespace
} // namespace nivex::vguitest
