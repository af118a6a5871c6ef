// VelmoraGUI.ocx through the interfaces containers use: its registration (in the sandbox), its
// controls' properties, persistence, events and drawing (activated through DllGetClassObject of the
// loaded library), and the container that Nivex hosts them with.
#include "velmoragui_test_support.h"

#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <tuple>

#include "common/com/control_host.h"
#include "support/registry_sandbox.h"

namespace nivex::vguitest {
namespace {

using vgui::kBevelClsid;
using vgui::kEtchedLineClsid;

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

HRESULT Call(const char* name) {
    return Entry<HRESULT(STDAPICALLTYPE*)()>(name)();
}

TEST_F(VguiTest, RegistrationIsCompleteAllOrNothingAndUndoneWithoutTouchingOthers) {
    const std::wstring path = LibraryPath(), libId = L"{" VGUI_LIBID L"}";
    {
        testing::RegistrySandbox sandbox;
        ASSERT_EQ(Call("DllRegisterServer"), S_OK);
        ASSERT_EQ(Call("DllRegisterServer"), S_OK); // over its own registration
        const struct {
            const wchar_t *clsid, *progId, *bitmap, *misc, *name;
        } classes[] = {{L"{" VGUI_BEVEL_CLSID L"}", L"VelmoraGUI.Bevel", L", 1", L"197009", L"Bevel"}, // a frame
                       {L"{" VGUI_ETCHEDLINE_CLSID L"}", L"VelmoraGUI.EtchedLine", L", 2", L"147857", L"EtchedLine"}};
        for (const auto& c : classes) {
            const std::wstring key = std::wstring(L"CLSID\\") + c.clsid;
            const std::wstring expected[][3] = {
                {key + L"\\InprocServer32", L"", path},
                {key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
                {key + L"\\ProgID", L"", c.progId},
                {key + L"\\VersionIndependentProgID", L"", c.progId},
                {key + L"\\TypeLib", L"", libId},
                {key + L"\\ToolboxBitmap32", L"", path + c.bitmap},
                {key + L"\\MiscStatus\\1", L"", c.misc},
                {std::wstring(c.progId) + L"\\CLSID", L"", c.clsid},
                {key + L"\\Version", L"", L"1.0"},
                {key, L"", std::wstring(L"VelmoraGUI ") + c.name}, // the display name; the ProgID keeps its own
                {c.progId, L"", c.name},
            };
            for (const auto& [k, name, value] : expected)
                EXPECT_EQ(Text(k, name), value) << ::testing::PrintToString(k + L" " + name);
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
             {std::wstring(L"CLSID\\") + classes[0].clsid, std::wstring(L"CLSID\\") + classes[1].clsid,
              std::wstring(L"VelmoraGUI.Bevel"), L"TypeLib\\" + libId + L"\\1.0",
              std::wstring(L"Interface\\{" VGUI_BEVEL_DIID L"}")})
            EXPECT_FALSE(Present(gone)) << ::testing::PrintToString(gone);
        EXPECT_TRUE(Present(L"VelmoraGUI.EtchedLine"));
        EXPECT_TRUE(Present(L"TypeLib\\" + libId + L"\\2.0"));
        EXPECT_EQ(Call("DllUnregisterServer"), S_OK); // twice: harmless
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
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"VelmoraGUI.EtchedLine", 0, nullptr, 0, KEY_READ | WRITE_DAC, nullptr,
                              locked.Put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeySecurity(locked.Get(), DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    LocalFree(readOnly);
    EXPECT_EQ(Call("DllRegisterServer"), SELFREG_E_CLASS);
    for (const wchar_t* key : {L"CLSID\\{" VGUI_BEVEL_CLSID L"}", L"VelmoraGUI.Bevel", L"TypeLib\\{" VGUI_LIBID L"}"})
        EXPECT_FALSE(Present(key)) << ::testing::PrintToString(std::wstring(key));
    EXPECT_TRUE(Present(L"VelmoraGUI.EtchedLine")); // not ours to remove
}

// "Name=Value " for each value a property bag receives (all, or those that differ from their defaults).
std::wstring Saved(IUnknown* control, BOOL saveAll) {
    auto bag = Bag(L"");
    EXPECT_EQ(As<IPersistPropertyBag>(control, IID_IPersistPropertyBag)->Save(bag.Get(), FALSE, saveAll), S_OK);
    std::wstring text;
    for (const std::wstring& name : bag->Names())
        if (name != L"Font") text += name + L"=" + Var(*bag->Find(name)).Text() + L" ";
    return text;
}

TEST_F(VguiTest, EveryPropertyHasItsDefaultAndIsSavedUnderItsNameOnceItDiffers) {
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
        std::wistringstream values(written);
        for (std::wstring value; values >> value;) {
            const size_t equals = value.find(L'=');
            EXPECT_EQ(Put(control.Get(), value.substr(0, equals).c_str(), Var(value.substr(equals + 1).c_str())), S_OK);
        }
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
    ASSERT_TRUE(FontOf(bevel.Get())); // the host's font, here the system's
}

// A window's property set: an unreadable value loads as its default, one out of range clamped, an
// unsigned colour as the same bits.
TEST_F(VguiTest, BadValuesInAPropertySetLoadAsDefaultsOrClamped) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"; a comment\r\nTitleBar=True\r\nTitleBarSize=99999999999\r\nAlignment=7\r\nBackColor=purple\r\n"
         L"Enabled=maybe\r\nHighlightColor=2147483663",
         L"TitleBar=-1 TitleBarSize=32767 Alignment=2 HighlightColor=-2147483633 "},
        {L"TitleBarSize=-40\nAlignment=-1", L"TitleBarSize=0 "}};
    for (const auto& [set, loaded] : cases)
        EXPECT_EQ(Saved(LoadedControl(kBevelClsid, Bag(set).Get()).Get(), FALSE), loaded);
}

TEST_F(VguiTest, StreamsRoundTripAndADamagedOrForeignStreamIsReportedAndChangesNothing) {
    auto bevel = NewControl(kBevelClsid);
    EXPECT_EQ(Put(bevel.Get(), L"Caption", Var(L"Übersicht")), S_OK);
    EXPECT_EQ(Put(bevel.Get(), L"TitleBarFont", NewFont(L"Tahoma", 12, true, true)), S_OK);
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
    BOOL italic = FALSE;
    SHORT weight = 0;
    FontOf(As(copy.Get()).Get())->get_Italic(&italic);
    FontOf(As(copy.Get()).Get())->get_Weight(&weight);
    EXPECT_EQ(std::pair(italic, weight), std::pair(TRUE, static_cast<SHORT>(FW_BOLD)));
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
}

TEST_F(VguiTest, DrawingFollowsThePlansAtTwoSizes) {
    ExpectDrawingsFollowThePlans();
}

// The caption is a label at left 2, top 2 in the title bar: its text from the top, words wrapped at its
// width, nothing past its edges.
TEST_F(VguiTest, TheCaptionIsALabelAtTheTopOfTheTitleBar) {
    auto bevel = LoadedControl(kBevelClsid, Bag(L"TitleBar=1\nTitleBarSize=1000\nTitleBarBackColor=255\n"
                                                L"TitleBarForeColor=65280\nCaption=Wrapped onto two lines")
                                                .Get());
    constexpr int kWidth = 90, kHeight = 100, kBar = 67; // 1000 twips at 96 dpi
    const std::vector<COLORREF> pixels = Drawn(bevel.Get(), kWidth, kHeight);
    int top = kHeight, bottom = 0, right = 0;
    for (int y = 1; y < kBar; ++y)
        for (int x = 1; x < kWidth - 1; ++x)
            if (pixels[static_cast<size_t>(y * kWidth + x)] != RGB(255, 0, 0))
                top = std::min(top, y), bottom = std::max(bottom, y), right = std::max(right, x);
    EXPECT_LE(top, 6);            // not centred in the bar
    EXPECT_GT(bottom - top, 16);  // a second line
    EXPECT_LT(right, kWidth - 4); // within the label
}

TEST_F(VguiTest, TheLibraryMayUnloadOnceEveryObjectAndLockIsGone) {
    const auto canUnload = Entry<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow");
    EXPECT_EQ(canUnload(), S_OK);
    auto factory = Factory(kBevelClsid);
    EXPECT_EQ(canUnload(), S_FALSE); // a held class object keeps it
    ComPtr<IConnectionPointContainer> points;
    ComPtr<IEnumConnectionPoints> all;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IConnectionPointContainer, points.PutVoid()), S_OK);
    ASSERT_EQ(points->EnumConnectionPoints(all.Put()), S_OK);
    factory->LockServer(TRUE);
    factory.Reset();
    points.Reset();
    EXPECT_EQ(canUnload(), S_FALSE); // the enumerator and the lock still count
    all.Reset();
    EXPECT_EQ(canUnload(), S_FALSE);
    Factory(kBevelClsid)->LockServer(FALSE);
    EXPECT_EQ(canUnload(), S_OK);
}

// Run by velmoragui_e2e.sh after regsvr32 registered the library in a prefix of its own: the controls
// are created by their ProgIDs and draw as planned at the prefix's resolution, and the type library
// registered for this bitness loads.
TEST_F(VguiTest, EndToEndByProgId) {
    if (!std::getenv("NIVEX_VGUI_E2E")) GTEST_SKIP() << "run by velmoragui_e2e.sh in a prefix of its own";
    HMODULE served = nullptr;
    for (const wchar_t* progId : {vgui::kBevelProgId, vgui::kEtchedLineProgId}) {
        CLSID clsid{};
        ComPtr<IDispatch> control;
        ASSERT_EQ(CLSIDFromProgID(progId, &clsid), S_OK) << ::testing::PrintToString(std::wstring(progId));
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.PutVoid()), S_OK);
        // The module whose code serves the object (its table of methods lies there), whatever else is loaded.
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           *reinterpret_cast<LPCWSTR*>(control.Get()), &served);
    }
    throughRegistration = true;
    ExpectDrawingsFollowThePlans();
    throughRegistration = false;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(served, path, MAX_PATH);
    // The registry's type library for this bitness is the served file's own.
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

// ------------------------------------------------------------------ Nivex's container

class HostedControls : public VguiTest {
protected:
    void SetUp() override {
        VguiTest::SetUp();
        host = TestWindow(L"NivexVelmoraHostTest", DefWindowProcW);
    }
    void TearDown() override {
        DestroyWindow(host);
        VguiTest::TearDown();
    }
    std::unique_ptr<ControlHost> Host(const CLSID& clsid, const RECT& rect, const wchar_t* properties) {
        ComPtr<IClassFactory> factory;
        std::unique_ptr<ControlHost> hosted;
        EXPECT_EQ(GetControlClassObject(clsid, LibraryPath(), factory.Put()), S_OK);
        EXPECT_EQ(ControlHost::Create(factory.Get(), host, rect, Bag(properties).Get(), hosted), S_OK);
        return hosted;
    }
    HWND host = nullptr;
};

TEST_F(HostedControls, TheBevelShowsWhereTheFocusIs) {
    constexpr COLORREF kBar = RGB(0, 0, 160), kActiveBar = RGB(200, 0, 0);
    auto bevel =
        Host(kBevelClsid, {10, 10, 210, 160},
             L"TitleBar=True\nCaption=File Information\nTitleBarBackColor=10485760\nActiveTitlebarBackColor=200");
    ASSERT_TRUE(bevel && bevel->ControlWindow());
    HWND frame = bevel->ControlWindow();
    HWND inside =
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 1, 19, 190, 20, frame, nullptr, nullptr, nullptr);
    HWND outside =
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 250, 10, 100, 20, host, nullptr, nullptr, nullptr);
    std::vector<DISPID> changed;
    bevel->OnPropertyChanged([&](DISPID id) { changed.push_back(id); });
    EXPECT_EQ(PixelAt(frame, 196, 8), kBar);
    SetFocus(inside);
    Pump();
    EXPECT_EQ(PixelAt(frame, 196, 8), kActiveBar);
    // A change or a resize while the focus is inside keeps the active look.
    EXPECT_EQ(Put(bevel->Dispatch().Get(), L"TitleBarSize", Var(300)), S_OK);
    EXPECT_EQ(changed, std::vector<DISPID>{VGUI_DISPID_TITLEBARSIZE});
    bevel->Move({10, 10, 250, 180});
    EXPECT_EQ(PixelAt(frame, 236, 8), kActiveBar);
    SetFocus(outside);
    Pump();
    EXPECT_EQ(PixelAt(frame, 236, 8), kBar);
    // In design mode the title bar may be switched off.
    bevel->SetUserMode(false);
    EXPECT_EQ(Put(bevel->Dispatch().Get(), L"TitleBar", Var(false)), S_OK);
    EXPECT_EQ(PixelAt(frame, 236, 8), GetSysColor(COLOR_BTNFACE));
}

// Down, up, double click, up: one Click for the left button, DblClick in place of the second press;
// the other buttons press twice. Events are "id:Button,Shift,X,Y" (pixels: the host's units).
TEST_F(HostedControls, MouseEventsFollowTheSurfaceUnlessFrozen) {
    auto bevel = Host(kBevelClsid, {0, 0, 100, 80}, L"");
    std::vector<std::wstring> events;
    bevel->OnEvent([&](DISPID id, const DISPPARAMS& params) { events.push_back(EventText(id, params)); });
    HWND frame = bevel->ControlWindow();
    const struct {
        UINT down, up, doubleClick;
        WPARAM key;
        std::vector<std::wstring> raised;
    } buttons[] = {{WM_LBUTTONDOWN,
                    WM_LBUTTONUP,
                    WM_LBUTTONDBLCLK,
                    MK_LBUTTON | MK_SHIFT,
                    {L"3:1,1,12,34", L"5:1,1,12,34", L"1:", L"2:", L"5:1,1,12,34"}},
                   {WM_RBUTTONDOWN,
                    WM_RBUTTONUP,
                    WM_RBUTTONDBLCLK,
                    MK_RBUTTON,
                    {L"3:2,0,12,34", L"5:2,0,12,34", L"3:2,0,12,34", L"5:2,0,12,34"}},
                   {WM_MBUTTONDOWN,
                    WM_MBUTTONUP,
                    WM_MBUTTONDBLCLK,
                    MK_MBUTTON,
                    {L"3:4,0,12,34", L"5:4,0,12,34", L"3:4,0,12,34", L"5:4,0,12,34"}}};
    for (const auto& b : buttons) {
        events.clear();
        for (UINT message : {b.down, b.up, b.doubleClick, b.up})
            SendMessageW(frame, message, b.key, MAKELPARAM(12, 34));
        EXPECT_EQ(events, b.raised);
    }
    As<IOleControl>(bevel->Control(), IID_IOleControl)->FreezeEvents(TRUE);
    SendMessageW(frame, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    As<IOleControl>(bevel->Control(), IID_IOleControl)->FreezeEvents(FALSE);
    EXPECT_EQ(events.size(), 4u);
}

// The line keeps two pixels across whatever it is given; vertical, it is two pixels wide.
TEST_F(HostedControls, TheLineKeepsItsThickness) {
    auto line = Host(kEtchedLineClsid, {5, 200, 155, 240}, L"");
    EXPECT_EQ(line->Rect().bottom - line->Rect().top, 2);
    EXPECT_EQ(Put(line->Dispatch().Get(), L"Orientation", Var(1)), S_OK);
    line->Move({5, 100, 90, 160});
    RECT client{};
    GetClientRect(line->ControlWindow(), &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(2L, 60L));
}

} // namespace
} // namespace nivex::vguitest
