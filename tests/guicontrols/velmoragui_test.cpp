// VelmoraGUI.ocx through the interfaces containers use: its registration (in the sandbox), its
// controls' properties, persistence, events and drawing (activated through DllGetClassObject of the
// loaded library), and the container that Nivex hosts them with.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/com/com_ptr.h"
#include "common/com/control_host.h"
#include "common/com/property_bag.h"
#include "common/handles.h"
#include "guicontrols/bevel_plan.h"
#include "guicontrols/etched_line_plan.h"
#include "guicontrols/gui_frames.h"
#include "guicontrols/ocx/velmoragui_guids.h"
#include "support/registry_sandbox.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using vgui::kBevelClsid;
using vgui::kEtchedLineClsid;

std::wstring LibraryPath() {
    return testing::BinFolder() + L"\\" + vgui::kLibraryFileName;
}

// The library stays loaded for the whole run, as a host keeps it.
HMODULE Library() {
    static HMODULE module = LoadLibraryW(LibraryPath().c_str());
    return module;
}

template <typename Fn>
Fn Entry(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(Library(), name)));
}

ComPtr<IClassFactory> Factory(const CLSID& clsid) {
    ComPtr<IClassFactory> factory;
    const auto get = Entry<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*)>("DllGetClassObject");
    EXPECT_TRUE(get);
    if (get) {
        EXPECT_EQ(get(clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
    }
    return factory;
}

// Set by the end-to-end run: objects then come through the system's class look-up.
bool throughRegistration = false;

template <typename T>
ComPtr<T> Create(const CLSID& clsid, REFIID iid) {
    ComPtr<T> object;
    if (throughRegistration) {
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.PutVoid()), S_OK);
        return object;
    }
    if (auto factory = Factory(clsid)) {
        EXPECT_EQ(factory->CreateInstance(nullptr, iid, object.PutVoid()), S_OK);
    }
    return object;
}

// A variant that clears itself.
struct Var : VARIANT {
    Var() { VariantInit(this); }
    explicit Var(long value) : Var() {
        vt = VT_I4;
        lVal = value;
    }
    explicit Var(const wchar_t* text) : Var() {
        vt = VT_BSTR;
        bstrVal = SysAllocString(text);
    }
    static Var Bool(bool value) {
        Var v;
        v.vt = VT_BOOL;
        v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return v;
    }
    ~Var() { VariantClear(this); }
    Var(const Var& other) : Var() { VariantCopy(this, const_cast<Var*>(&other)); }
    Var& operator=(const Var&) = delete;
    long Long() const {
        Var copy;
        return SUCCEEDED(VariantChangeType(&copy, const_cast<Var*>(this), 0, VT_I4)) ? copy.lVal : -999;
    }
    std::wstring Text() const {
        Var copy;
        return SUCCEEDED(VariantChangeType(&copy, const_cast<Var*>(this), 0, VT_BSTR)) ? std::wstring(copy.bstrVal) : L"<not text>";
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
    EXPECT_EQ(dispatch->Invoke(IdOf(dispatch, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                               &result, nullptr, nullptr),
              S_OK)
        << name;
    return result;
}

// Returns the HRESULT, or the raised error's scode when the call raised one.
HRESULT Put(IDispatch* dispatch, const wchar_t* name, const VARIANT& value) {
    VARIANT arg = value;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    EXCEPINFO error{};
    const WORD flags = value.vt == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    HRESULT hr =
        dispatch->Invoke(IdOf(dispatch, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, nullptr, &error, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        hr = error.scode;
        SysFreeString(error.bstrSource);
        SysFreeString(error.bstrDescription);
        SysFreeString(error.bstrHelpFile);
    }
    return hr;
}

ComPtr<IDispatch> DispatchOf(IUnknown* object) {
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(dispatch.QueryFrom(object, IID_IDispatch), S_OK);
    return dispatch;
}

ComPtr<IDispatch> NewControl(const CLSID& clsid) {
    auto persist = Create<IPersistStreamInit>(clsid, IID_IPersistStreamInit);
    if (!persist) return {};
    EXPECT_EQ(persist->InitNew(), S_OK);
    return DispatchOf(persist.Get());
}

MemoryPropertyBag* SavedBag(IUnknown* control) {
    ComPtr<IPersistPropertyBag> persist;
    EXPECT_EQ(persist.QueryFrom(control, IID_IPersistPropertyBag), S_OK);
    MemoryPropertyBag* bag = MemoryPropertyBag::Create();
    EXPECT_EQ(persist->Save(bag, TRUE, FALSE), S_OK);
    return bag;
}

ComPtr<IDispatch> LoadedControl(const CLSID& clsid, IPropertyBag* bag) {
    auto persist = Create<IPersistPropertyBag>(clsid, IID_IPersistPropertyBag);
    if (!persist) return {};
    EXPECT_EQ(persist->Load(bag, nullptr), S_OK);
    return DispatchOf(persist.Get());
}

class ComApartment : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Library()) << "cannot load " << ::testing::PrintToString(LibraryPath());
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    }
    void TearDown() override { OleUninitialize(); }
};

// ------------------------------------------------------------------ registration

std::wstring Text(const std::wstring& path, const std::wstring& name = L"") {
    bool found = false;
    const std::wstring text = testing::GetRegString(HKEY_CLASSES_ROOT, path, name, &found);
    return found ? text : L"<absent>";
}

HRESULT CallEntry(const char* name) {
    const auto entry = Entry<HRESULT(STDAPICALLTYPE*)()>(name);
    return entry ? entry() : E_FAIL;
}

TEST_F(ComApartment, RegistrationIsCompleteRepeatableAndUndoneWithoutTouchingOthers) {
    testing::RegistrySandbox sandbox;
    ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK);
    ASSERT_EQ(CallEntry("DllRegisterServer"), S_OK); // over its own registration
    const std::wstring path = LibraryPath();
    const std::wstring libId = L"{" VGUI_LIBID L"}";
    struct Expected {
        const wchar_t* clsid;
        const wchar_t* progId;
        int bitmap;
        DWORD misc;
    };
    const Expected classes[] = {
        {L"{" VGUI_BEVEL_CLSID L"}", L"VelmoraGUI.Bevel", 1, 0x30191},      // with the simple-frame bit
        {L"{" VGUI_ETCHEDLINE_CLSID L"}", L"VelmoraGUI.EtchedLine", 2, 0x24191}, // never user-interface active
    };
    for (const Expected& c : classes) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.progId)));
        const std::wstring key = std::wstring(L"CLSID\\") + c.clsid;
        EXPECT_EQ(Text(key + L"\\InprocServer32"), path);
        EXPECT_EQ(Text(key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
        EXPECT_EQ(Text(key + L"\\ProgID"), c.progId);
        EXPECT_EQ(Text(key + L"\\VersionIndependentProgID"), c.progId);
        EXPECT_TRUE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, key + L"\\Control"));
        EXPECT_EQ(Text(key + L"\\ToolboxBitmap32"), path + L", " + std::to_wstring(c.bitmap));
        EXPECT_EQ(Text(key + L"\\TypeLib"), libId);
        EXPECT_EQ(Text(key + L"\\Version"), L"1.0");
        EXPECT_EQ(Text(key + L"\\MiscStatus\\1"), std::to_wstring(c.misc));
        EXPECT_TRUE(testing::RegKeyPresent(
            HKEY_CLASSES_ROOT, key + L"\\Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}"));
        EXPECT_EQ(Text(std::wstring(c.progId) + L"\\CLSID"), c.clsid);
        // The toolbox bitmap named by the registration is in the file.
        HMODULE resources = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(resources);
        GdiObject bitmap(LoadImageW(resources, MAKEINTRESOURCEW(c.bitmap), IMAGE_BITMAP, 0, 0, 0));
        EXPECT_TRUE(bitmap);
        FreeLibrary(resources);
    }
    EXPECT_EQ(Text(L"TypeLib\\" + libId + L"\\1.0"), L"VelmoraGUI");
    EXPECT_EQ(Text(L"TypeLib\\" + libId + L"\\1.0\\0\\win64"), path);
    EXPECT_EQ(Text(L"Interface\\{" VGUI_BEVEL_EVENTS_DIID L"}\\TypeLib"), libId);

    // Another server has since taken the line's ProgID; another version of the library is registered.
    testing::SetRegString(HKEY_CLASSES_ROOT, L"VelmoraGUI.EtchedLine\\CLSID", L"", L"{0B1E2C3D-4A5F-4607-8899-AABBCCDDEEFF}");
    testing::SetRegString(HKEY_CLASSES_ROOT, L"TypeLib\\" + libId + L"\\2.0", L"", L"VelmoraGUI 2");
    ASSERT_EQ(CallEntry("DllUnregisterServer"), S_OK);
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + classes[0].clsid));
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + classes[1].clsid));
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"VelmoraGUI.Bevel"));
    EXPECT_TRUE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"VelmoraGUI.EtchedLine"));
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"TypeLib\\" + libId + L"\\1.0"));
    EXPECT_TRUE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"TypeLib\\" + libId + L"\\2.0"));
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"Interface\\{" VGUI_BEVEL_DIID L"}"));
    EXPECT_EQ(CallEntry("DllUnregisterServer"), S_OK); // twice: harmless
}

TEST_F(ComApartment, AFailedRegistrationLeavesNothingBehind) {
    testing::RegistrySandbox sandbox;
    // A ProgID key that may be read but not written makes the second class fail.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KR;;;WD)", SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    RegKey locked;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"VelmoraGUI.EtchedLine", 0, nullptr, 0, KEY_READ | WRITE_DAC, nullptr,
                              locked.Put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeySecurity(locked.Get(), DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    LocalFree(descriptor);
    EXPECT_EQ(CallEntry("DllRegisterServer"), SELFREG_E_CLASS);
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\{" VGUI_BEVEL_CLSID L"}"));
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"CLSID\\{" VGUI_ETCHEDLINE_CLSID L"}"));
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"VelmoraGUI.Bevel"));
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"TypeLib\\{" VGUI_LIBID L"}"));
    EXPECT_TRUE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, L"VelmoraGUI.EtchedLine")); // not ours to remove
}

// ------------------------------------------------------------------ properties

struct PropertyCase {
    const wchar_t* name;
    Var defaultValue;
    Var newValue;
};

std::vector<PropertyCase> BevelCases() {
    return {
        {L"BackColor", Var(static_cast<long>(0x8000000F)), Var(0x00336699L)},
        {L"Enabled", Var::Bool(true), Var::Bool(false)},
        {L"TitleBarSize", Var(250L), Var(300L)},
        {L"TitleBarBackColor", Var(static_cast<long>(0x80000003)), Var(0x00FF0000L)},
        {L"ActiveTitlebarBackColor", Var(static_cast<long>(0x80000002)), Var(0x000000FFL)},
        {L"TitleBarForeColor", Var(static_cast<long>(0x80000009)), Var(0x00010203L)},
        {L"ActiveTitlebarForeColor", Var(static_cast<long>(0x80000009)), Var(0x00040506L)},
        {L"Caption", Var(L"Bevel"), Var(L"File Information")},
        {L"Alignment", Var(0L), Var(2L)},
        {L"HighLightColor", Var(static_cast<long>(0x80000014)), Var(0x00FFFFFFL)},
        {L"ShadowColor", Var(static_cast<long>(0x80000010)), Var(0x00808080L)},
    };
}

std::vector<PropertyCase> EtchedLineCases() {
    return {
        {L"ShadowColor", Var(static_cast<long>(0x80000010)), Var(0x00404040L)},
        {L"HighLightColor", Var(static_cast<long>(0x80000014)), Var(0x00F0F0F0L)},
        {L"EtchStyle", Var(0L), Var(1L)},
        {L"Orientation", Var(0L), Var(1L)},
    };
}

TEST_F(ComApartment, EveryPropertyHasItsDefaultAndKeepsWhatIsWritten) {
    for (const auto& [clsid, cases] : {std::pair{kBevelClsid, BevelCases()}, std::pair{kEtchedLineClsid, EtchedLineCases()}}) {
        auto control = NewControl(clsid);
        ASSERT_TRUE(control);
        for (const PropertyCase& c : cases) {
            SCOPED_TRACE(::testing::PrintToString(std::wstring(c.name)));
            const Var before = Get(control.Get(), c.name);
            EXPECT_EQ(before.vt, c.defaultValue.vt);
            EXPECT_EQ(before.Text(), c.defaultValue.Text());
            EXPECT_EQ(Put(control.Get(), c.name, c.newValue), S_OK);
            EXPECT_EQ(Get(control.Get(), c.name).Text(), c.newValue.Text());
        }
    }
    auto bevel = NewControl(kBevelClsid);
    // Run mode (a host that does not say otherwise): the title bar cannot be switched.
    EXPECT_EQ(Get(bevel.Get(), L"TitleBar").Long(), 0);
    EXPECT_EQ(Put(bevel.Get(), L"TitleBar", Var::Bool(true)), CTL_E_SETNOTSUPPORTEDATRUNTIME);
    EXPECT_EQ(HRESULT_CODE(CTL_E_SETNOTSUPPORTEDATRUNTIME), 382);
    EXPECT_EQ(Get(bevel.Get(), L"TitleBar").Long(), 0);
    // Values outside their range are refused and change nothing.
    EXPECT_EQ(Put(bevel.Get(), L"TitleBarSize", Var(-1L)), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(Put(bevel.Get(), L"Alignment", Var(3L)), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(Put(bevel.Get(), L"Caption", Var(L"x")), S_OK);
    EXPECT_EQ(Put(bevel.Get(), L"TitleBarSize", Var(L"not a number")), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Get(bevel.Get(), L"TitleBarSize").Long(), 250);
    EXPECT_EQ(Get(bevel.Get(), L"Alignment").Long(), 0);
    // The caption font starts as the host's font (here the system's) and takes another.
    Var font = Get(bevel.Get(), L"TitleBarFont");
    ASSERT_EQ(font.vt, VT_DISPATCH);
    ASSERT_TRUE(font.pdispVal);
    FONTDESC desc{sizeof(FONTDESC), const_cast<LPOLESTR>(L"Tahoma"), {{150000, 0}}, FW_BOLD, ANSI_CHARSET, FALSE, FALSE, FALSE};
    Var other;
    other.vt = VT_DISPATCH;
    ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&other.pdispVal)), S_OK);
    EXPECT_EQ(Put(bevel.Get(), L"TitleBarFont", other), S_OK);
    ComPtr<IFont> stored;
    ASSERT_EQ(stored.QueryFrom(Get(bevel.Get(), L"TitleBarFont").pdispVal, IID_IFont), S_OK);
    BSTR name = nullptr;
    stored->get_Name(&name);
    EXPECT_TRUE(name && *name); // the system may substitute the face
    BOOL bold = FALSE;
    stored->get_Bold(&bold);
    EXPECT_TRUE(bold);
    SysFreeString(name);
    // Refresh is a method without arguments; unknown members are reported as such.
    DISPPARAMS none{};
    EXPECT_EQ(bevel->Invoke(DISPID_REFRESH, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(bevel->Invoke(4242, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

TEST_F(ComApartment, TheTypeLibraryDescribesColoursEnumerationsAndEvents) {
    auto bevel = NewControl(kBevelClsid);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(bevel->GetTypeInfo(0, 0, info.Put()), S_OK);
    // BackColor is the standard colour type, so property browsers offer a colour picker.
    MEMBERID id = IdOf(bevel.Get(), L"BackColor");
    EXPECT_EQ(id, DISPID_BACKCOLOR);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    bool sawColour = false;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* func = nullptr;
        info->GetFuncDesc(i, &func);
        if (func->memid == id && func->invkind == INVOKE_PROPERTYGET) {
            EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_USERDEFINED);
            ComPtr<ITypeInfo> colour;
            if (SUCCEEDED(info->GetRefTypeInfo(func->elemdescFunc.tdesc.hreftype, colour.Put()))) {
                TYPEATTR* colourAttr = nullptr;
                colour->GetTypeAttr(&colourAttr);
                wchar_t text[40] = {};
                StringFromGUID2(colourAttr->guid, text, 40);
                EXPECT_STREQ(text, L"{66504301-BE0F-101A-8BBB-00AA00300CAB}");
                colour->ReleaseTypeAttr(colourAttr);
                sawColour = true;
            }
        }
        info->ReleaseFuncDesc(func);
    }
    info->ReleaseTypeAttr(attr);
    EXPECT_TRUE(sawColour);

    ComPtr<IProvideClassInfo2> classInfo;
    ASSERT_EQ(classInfo.QueryFrom(bevel.Get(), IID_IProvideClassInfo2), S_OK);
    GUID events{};
    EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
    EXPECT_TRUE(IsEqualGUID(events, vgui::kBevelEventsDiid));
    ComPtr<ITypeLib> library;
    UINT index = 0;
    ASSERT_EQ(info->GetContainingTypeLib(library.Put(), &index), S_OK);
    ComPtr<ITypeInfo> eventInfo;
    ASSERT_EQ(library->GetTypeInfoOfGuid(vgui::kBevelEventsDiid, eventInfo.Put()), S_OK);
    const wchar_t* eventNames[] = {L"Click", L"DblClick", L"MouseDown", L"MouseMove", L"MouseUp"};
    for (int i = 0; i < 5; ++i) {
        auto* n = const_cast<LPOLESTR>(eventNames[i]);
        MEMBERID eventId = 0;
        EXPECT_EQ(eventInfo->GetIDsOfNames(&n, 1, &eventId), S_OK);
        EXPECT_EQ(eventId, i + 1) << eventNames[i];
    }
    // The enumerations of the line, by name and value.
    for (const auto& [member, value] : {std::pair{L"EtchSunken", 0}, std::pair{L"EtchRaised", 1},
                                        std::pair{L"OrientationHoriz", 0}, std::pair{L"OrientationVert", 1}}) {
        ComPtr<ITypeInfo> found;
        MEMBERID memberId = 0;
        USHORT count = 1;
        auto* n = const_cast<LPOLESTR>(member);
        ITypeInfo* raw = nullptr;
        ASSERT_EQ(library->FindName(n, 0, &raw, &memberId, &count), S_OK) << member;
        ASSERT_EQ(count, 1);
        found.Attach(raw);
        VARDESC* var = nullptr;
        TYPEATTR* enumAttr = nullptr;
        found->GetTypeAttr(&enumAttr);
        EXPECT_EQ(enumAttr->typekind, TKIND_ENUM);
        found->ReleaseTypeAttr(enumAttr);
        BSTR typeName = nullptr;
        found->GetDocumentation(MEMBERID_NIL, &typeName, nullptr, nullptr, nullptr);
        EXPECT_STREQ(typeName, member[0] == L'E' ? L"mEtchStyle" : L"mOrientation");
        SysFreeString(typeName);
        for (UINT v = 0; SUCCEEDED(found->GetVarDesc(v, &var)); ++v) {
            if (var->memid == memberId) {
                EXPECT_EQ(var->lpvarValue->lVal, value) << member;
            }
            found->ReleaseVarDesc(var);
        }
    }
}

// ------------------------------------------------------------------ persistence

TEST_F(ComApartment, PropertyBagsKeepOnlyWhatDiffersUnderThePersistedNames) {
    auto bevel = NewControl(kBevelClsid);
    ComPtr<MemoryPropertyBag> empty;
    empty.Attach(SavedBag(bevel.Get()));
    EXPECT_TRUE(empty->Names().empty());

    EXPECT_EQ(Put(bevel.Get(), L"HighLightColor", Var(0x00FFFFFFL)), S_OK);
    EXPECT_EQ(Put(bevel.Get(), L"ShadowColor", Var(static_cast<long>(0x80000015))), S_OK);
    EXPECT_EQ(Put(bevel.Get(), L"Caption", Var(L"Versions")), S_OK);
    EXPECT_EQ(Put(bevel.Get(), L"Enabled", Var::Bool(false)), S_OK);
    EXPECT_EQ(Put(bevel.Get(), L"TitleBarSize", Var(250L)), S_OK); // equal to the default: not written
    ComPtr<MemoryPropertyBag> bag;
    bag.Attach(SavedBag(bevel.Get()));
    EXPECT_EQ(bag->Names(), (std::vector<std::wstring>{L"Enabled", L"Caption", L"HighlightColor", L"ShadowColor"}));
    // Colours as signed 32-bit patterns.
    ASSERT_TRUE(bag->Find(L"ShadowColor"));
    EXPECT_EQ(bag->Find(L"ShadowColor")->vt, VT_I4);
    EXPECT_EQ(bag->Find(L"ShadowColor")->lVal, static_cast<long>(0x80000015));
    auto copy = LoadedControl(kBevelClsid, bag.Get());
    for (const wchar_t* name : {L"Enabled", L"Caption", L"HighLightColor", L"ShadowColor", L"TitleBarSize"})
        EXPECT_EQ(Get(copy.Get(), name).Text(), Get(bevel.Get(), name).Text()) << name;

    // The line writes its highlight with a capital L.
    auto line = NewControl(kEtchedLineClsid);
    EXPECT_EQ(Put(line.Get(), L"HighLightColor", Var(0x00EEEEEEL)), S_OK);
    EXPECT_EQ(Put(line.Get(), L"Orientation", Var(1L)), S_OK);
    ComPtr<MemoryPropertyBag> lineBag;
    lineBag.Attach(SavedBag(line.Get()));
    EXPECT_EQ(lineBag->Names(), (std::vector<std::wstring>{L"HighLightColor", L"Orientation"}));
}

TEST_F(ComApartment, UnreadableOrOutOfRangeValuesLoadAsDefaultsOrClamped) {
    ComPtr<MemoryPropertyBag> bag;
    bag.Attach(MemoryPropertyBag::FromText(L"; a window's property set\r\n"
                                           L"TitleBar=True\r\n"
                                           L"TitleBarSize=99999999999\r\n"
                                           L"Alignment=7\r\n"
                                           L"BackColor=purple\r\n"
                                           L"HighlightColor=2147483663\r\n"
                                           L"ShadowColor=-2147483549\r\n"
                                           L"Enabled=maybe\r\n"
                                           L"Caption=Files\r\n"));
    auto bevel = LoadedControl(kBevelClsid, bag.Get());
    EXPECT_EQ(Get(bevel.Get(), L"TitleBar").Long(), -1); // VARIANT_TRUE
    EXPECT_EQ(Get(bevel.Get(), L"TitleBarSize").Long(), 32767);
    EXPECT_EQ(Get(bevel.Get(), L"Alignment").Long(), 2);
    EXPECT_EQ(Get(bevel.Get(), L"BackColor").Long(), static_cast<long>(0x8000000F));
    EXPECT_EQ(Get(bevel.Get(), L"HighLightColor").Long(), static_cast<long>(0x8000000F)); // unsigned form, same bits
    EXPECT_EQ(Get(bevel.Get(), L"ShadowColor").Long(), static_cast<long>(0x80000063));  // kept as stored
    EXPECT_EQ(Get(bevel.Get(), L"Enabled").Long(), -1);
    EXPECT_EQ(Get(bevel.Get(), L"Caption").Text(), L"Files");
    ComPtr<MemoryPropertyBag> negative;
    negative.Attach(MemoryPropertyBag::FromText(L"TitleBarSize=-40\nAlignment=-1"));
    auto clamped = LoadedControl(kBevelClsid, negative.Get());
    EXPECT_EQ(Get(clamped.Get(), L"TitleBarSize").Long(), 0);
    EXPECT_EQ(Get(clamped.Get(), L"Alignment").Long(), 0);
}

ComPtr<IStream> SavedStream(IUnknown* control) {
    ComPtr<IPersistStreamInit> persist;
    EXPECT_EQ(persist.QueryFrom(control, IID_IPersistStreamInit), S_OK);
    ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()), S_OK);
    EXPECT_EQ(persist->Save(stream.Get(), TRUE), S_OK);
    ULARGE_INTEGER max{};
    EXPECT_EQ(persist->GetSizeMax(&max), S_OK);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(max.QuadPart, stat.cbSize.QuadPart);
    const LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

TEST_F(ComApartment, StreamsRoundTripAndABadStreamLeavesTheDefaults) {
    auto bevel = NewControl(kBevelClsid);
    EXPECT_EQ(Put(bevel.Get(), L"Caption", Var(L"Übersicht")), S_OK);
    EXPECT_EQ(Put(bevel.Get(), L"Alignment", Var(1L)), S_OK);
    FONTDESC desc{sizeof(FONTDESC), const_cast<LPOLESTR>(L"Tahoma"), {{120000, 0}}, FW_BOLD, ANSI_CHARSET, TRUE, FALSE, FALSE};
    Var font;
    font.vt = VT_DISPATCH;
    ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font.pdispVal)), S_OK);
    EXPECT_EQ(Put(bevel.Get(), L"TitleBarFont", font), S_OK);
    ComPtr<IStream> stream = SavedStream(bevel.Get());
    auto copy = Create<IPersistStreamInit>(kBevelClsid, IID_IPersistStreamInit);
    ASSERT_EQ(copy->Load(stream.Get()), S_OK);
    auto loaded = DispatchOf(copy.Get());
    EXPECT_EQ(Get(loaded.Get(), L"Caption").Text(), L"Übersicht");
    EXPECT_EQ(Get(loaded.Get(), L"Alignment").Long(), 1);
    ComPtr<IFont> loadedFont;
    ASSERT_EQ(loadedFont.QueryFrom(Get(loaded.Get(), L"TitleBarFont").pdispVal, IID_IFont), S_OK);
    BOOL italic = FALSE;
    SHORT weight = 0;
    loadedFont->get_Italic(&italic);
    loadedFont->get_Weight(&weight);
    EXPECT_TRUE(italic);
    EXPECT_EQ(weight, FW_BOLD);

    // Cut short: what was readable is kept, the rest is default; a foreign stream changes nothing.
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    ULARGE_INTEGER shorter{};
    shorter.QuadPart = stat.cbSize.QuadPart - 5;
    stream->SetSize(shorter);
    const LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    auto cut = Create<IPersistStreamInit>(kBevelClsid, IID_IPersistStreamInit);
    EXPECT_EQ(cut->Load(stream.Get()), S_OK);
    EXPECT_EQ(Get(DispatchOf(cut.Get()).Get(), L"Caption").Text(), L"Übersicht");
    ComPtr<IStream> garbage;
    CreateStreamOnHGlobal(nullptr, TRUE, garbage.Put());
    garbage->Write("not a control", 13, nullptr);
    garbage->Seek(start, STREAM_SEEK_SET, nullptr);
    auto foreign = Create<IPersistStreamInit>(kBevelClsid, IID_IPersistStreamInit);
    EXPECT_EQ(foreign->Load(garbage.Get()), E_FAIL);
    EXPECT_EQ(Get(DispatchOf(foreign.Get()).Get(), L"Caption").Text(), L"Bevel");
}

// ------------------------------------------------------------------ drawing

// Draws the control through IViewObject2 into a fresh 32-bit bitmap and reads it back as COLORREFs.
std::vector<COLORREF> Drawn(IUnknown* control, int width, int height) {
    ComPtr<IViewObject2> view;
    EXPECT_EQ(view.QueryFrom(control, IID_IViewObject2), S_OK);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    MemoryDc dc(CreateCompatibleDC(nullptr));
    GdiObject bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HGDIOBJ old = SelectObject(dc.Get(), bitmap.Get());
    PatBlt(dc.Get(), 0, 0, width, height, BLACKNESS);
    const RECTL bounds{0, 0, width, height};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.Get(), &bounds, nullptr, nullptr, 0), S_OK);
    GdiFlush();
    std::vector<COLORREF> pixels(static_cast<size_t>(width * height));
    const auto* raw = static_cast<const DWORD*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = RGB((raw[i] >> 16) & 0xFF, (raw[i] >> 8) & 0xFF, raw[i] & 0xFF);
    SelectObject(dc.Get(), old);
    return pixels;
}

std::vector<COLORREF> Planned(const std::vector<PaintStep>& steps, int width, int height) {
    std::vector<COLORREF> pixels(static_cast<size_t>(width * height), RGB(0, 0, 0));
    for (const PaintStep& s : steps)
        for (int y = s.area.top; y < s.area.bottom; ++y)
            for (int x = s.area.left; x < s.area.right; ++x)
                pixels[static_cast<size_t>(y * width + x)] = s.colour;
    return pixels;
}

int ScreenDpiY() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// The picture of a Bevel with a title bar (no caption text, so every pixel is the plan's) and of a
// line, compared with the drawing plans at the screen's resolution.
void ExpectDrawingsFollowThePlans() {
    for (const auto& [w, h] : {std::pair{40, 30}, std::pair{173, 91}}) {
        SCOPED_TRACE(::testing::Message() << w << "x" << h << " at " << ScreenDpiY() << " dpi");
        auto bevel = NewControl(kBevelClsid);
        ComPtr<MemoryPropertyBag> bag;
        bag.Attach(MemoryPropertyBag::FromText(L"TitleBar=1\nCaption=\nTitleBarBackColor=255\nShadowColor=-2147483549"));
        bevel = LoadedControl(kBevelClsid, bag.Get());
        BevelLook look;
        look.width = w;
        look.height = h;
        look.titleBar = true;
        look.pixelsPerInchY = ScreenDpiY();
        look.colours = {GetSysColor(COLOR_BTNFACE), RGB(255, 0, 0), GetSysColor(COLOR_ACTIVECAPTION),
                        GetSysColor(COLOR_CAPTIONTEXT), GetSysColor(COLOR_CAPTIONTEXT), GetSysColor(COLOR_3DHIGHLIGHT),
                        GetSysColor(COLOR_BTNSHADOW)}; // a shadow naming no system colour draws as the default
        EXPECT_EQ(Drawn(bevel.Get(), w, h), Planned(PlanBevel(look).steps, w, h));

        auto line = NewControl(kEtchedLineClsid);
        EXPECT_EQ(Put(line.Get(), L"EtchStyle", Var(1L)), S_OK);
        EtchedLineLook lineLook{w, h, 1, 0, GetSysColor(COLOR_3DHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW)};
        EXPECT_EQ(Drawn(line.Get(), w, h), Planned(PlanEtchedLine(lineLook).steps, w, h));
    }
}

TEST_F(ComApartment, DrawingFollowsThePlansAtTwoSizes) {
    ExpectDrawingsFollowThePlans();
}

// ------------------------------------------------------------------ unloading

TEST_F(ComApartment, TheLibraryMayUnloadOnceEveryObjectAndLockIsGone) {
    const auto canUnload = Entry<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow");
    ASSERT_TRUE(canUnload);
    EXPECT_EQ(canUnload(), S_OK);
    {
        auto factory = Factory(kBevelClsid);
        EXPECT_EQ(canUnload(), S_FALSE); // a held class object keeps it
        ComPtr<IDispatch> control;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, control.PutVoid()), S_OK);
        ComPtr<IConnectionPointContainer> points;
        ASSERT_EQ(points.QueryFrom(control.Get(), IID_IConnectionPointContainer), S_OK);
        ComPtr<IEnumConnectionPoints> all;
        ASSERT_EQ(points->EnumConnectionPoints(all.Put()), S_OK);
        factory->LockServer(TRUE);
        factory.Reset();
        control.Reset();
        points.Reset();
        EXPECT_EQ(canUnload(), S_FALSE); // the enumerator and the lock still count
        all.Reset();
        EXPECT_EQ(canUnload(), S_FALSE);
        Factory(kBevelClsid)->LockServer(FALSE);
    }
    EXPECT_EQ(canUnload(), S_OK);
}

// ------------------------------------------------------------------ end to end, in a prefix of its own

// Run by velmoragui_e2e.sh after regsvr32 registered the library in a prefix of its own: the control
// is created by its ProgID through the system's class look-up, draws as planned at the prefix's
// resolution and persists.
TEST_F(ComApartment, EndToEndByProgId) {
    if (!std::getenv("NIVEX_VGUI_E2E")) GTEST_SKIP() << "run by velmoragui_e2e.sh in a prefix of its own";
    HMODULE served = nullptr;
    for (const wchar_t* progId : {vgui::kBevelProgId, vgui::kEtchedLineProgId}) {
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(progId, &clsid), S_OK) << ::testing::PrintToString(std::wstring(progId));
        ComPtr<IDispatch> control;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.PutVoid()), S_OK);
        // The module whose code serves the object (its table of methods lies there), whatever else is loaded.
        const void* methods = *reinterpret_cast<void* const*>(control.Get());
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCWSTR>(methods), &served);
        ComPtr<IPersistPropertyBag> persist;
        ASSERT_EQ(persist.QueryFrom(control.Get(), IID_IPersistPropertyBag), S_OK);
        EXPECT_EQ(persist->InitNew(), S_OK);
    }
    throughRegistration = true;
    ExpectDrawingsFollowThePlans();
    throughRegistration = false;
    // The registered file is the one that was used.
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(served, path, MAX_PATH);
    std::printf("drawn at %d dpi by %ls\n", ScreenDpiY(), path);
}

// ------------------------------------------------------------------ the container

std::vector<UINT> notifyCodes;
std::vector<WPARAM> commands;

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) notifyCodes.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
    if (message == WM_COMMAND) commands.push_back(wParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (TranslateControlAccelerator(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

COLORREF PixelAt(HWND control, int x, int y) {
    RECT client;
    GetClientRect(control, &client);
    HDC screen = GetDC(nullptr);
    GdiObject bitmap(CreateCompatibleBitmap(screen, client.right, client.bottom));
    MemoryDc dc(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    SelectObject(dc.Get(), bitmap.Get());
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
    return GetPixel(dc.Get(), x, y);
}

// NIVEX_SHOW_MS=n shows the test window for n milliseconds, for a screenshot.
void ShowForALook(HWND window) {
    const char* ms = std::getenv("NIVEX_SHOW_MS");
    if (!ms) return;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    const DWORD until = GetTickCount() + static_cast<DWORD>(std::atoi(ms));
    while (GetTickCount() < until) {
        Pump();
        Sleep(20);
    }
}

class HostedControls : public ComApartment {
protected:
    void SetUp() override {
        ComApartment::SetUp();
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"NivexVelmoraHostTest";
        RegisterClassW(&wc);
        // Left hidden: without a window manager, Wine takes seconds to hide a shown window again.
        host = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 420, 320,
                               nullptr, nullptr, wc.hInstance, nullptr);
        notifyCodes.clear();
        commands.clear();
    }
    void TearDown() override {
        DestroyWindow(host);
        ComApartment::TearDown();
    }
    std::unique_ptr<ControlHost> Host(const CLSID& clsid, const RECT& rect, const wchar_t* properties) {
        ComPtr<IClassFactory> factory;
        std::wstring why;
        EXPECT_EQ(GetControlClassObject(clsid, LibraryPath(), factory.Put(), &why), S_OK) << ::testing::PrintToString(why);
        ComPtr<MemoryPropertyBag> bag;
        bag.Attach(MemoryPropertyBag::FromText(properties));
        std::unique_ptr<ControlHost> hosted;
        EXPECT_EQ(ControlHost::Create(factory.Get(), host, rect, bag.Get(), hosted), S_OK);
        return hosted;
    }
    HWND host = nullptr;
};

TEST_F(HostedControls, TheBevelShowsWhereTheFocusIsAndItsListsStillReachTheirOwner) {
    constexpr COLORREF kBar = RGB(0, 0, 160), kActiveBar = RGB(200, 0, 0);
    auto bevel = Host(kBevelClsid, {10, 10, 210, 160},
                      L"TitleBar=True\nCaption=File Information\nTitleBarBackColor=10485760\nActiveTitlebarBackColor=200");
    auto line = Host(kEtchedLineClsid, {10, 200, 400, 240}, L"");
    ASSERT_TRUE(bevel && bevel->ControlWindow());
    HWND frame = bevel->ControlWindow();
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 1, 19, 190, 120, frame,
                                reinterpret_cast<HMENU>(100), GetModuleHandleW(nullptr), nullptr);
    HWND outside = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 250, 10, 100, 20, host, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    std::vector<DISPID> changed;
    bevel->OnPropertyChanged([&](DISPID id) { changed.push_back(id); });
    EXPECT_EQ(PixelAt(frame, 196, 8), kBar);

    SetFocus(list);
    Pump();
    EXPECT_EQ(PixelAt(frame, 196, 8), kActiveBar);
    ShowForALook(host);
    EXPECT_NE(std::find(notifyCodes.begin(), notifyCodes.end(), static_cast<UINT>(NM_SETFOCUS)), notifyCodes.end())
        << "the list's notices did not reach the window holding the panel";
    // A change or a resize while the focus is inside keeps the active look.
    EXPECT_EQ(Put(bevel->Dispatch().Get(), L"TitleBarSize", Var(300L)), S_OK);
    EXPECT_EQ(changed, std::vector<DISPID>{VGUI_DISPID_TITLEBARSIZE});
    EXPECT_EQ(PixelAt(frame, 196, 8), kActiveBar);
    bevel->Move({10, 10, 250, 180});
    EXPECT_EQ(PixelAt(frame, 236, 8), kActiveBar);
    SetFocus(outside);
    Pump();
    EXPECT_EQ(PixelAt(frame, 236, 8), kBar);

    // In design mode the title bar may be switched off.
    bevel->SetUserMode(false);
    EXPECT_EQ(Put(bevel->Dispatch().Get(), L"TitleBar", Var::Bool(false)), S_OK);
    EXPECT_EQ(PixelAt(frame, 236, 8), GetSysColor(COLOR_BTNFACE));
}

TEST_F(HostedControls, MouseEventsReachTheSinkInTheHostsUnitsUnlessFrozen) {
    auto bevel = Host(kBevelClsid, {0, 0, 100, 80}, L"");
    ASSERT_TRUE(bevel);
    struct Event {
        DISPID id;
        std::vector<std::wstring> args;
    };
    std::vector<Event> events;
    bevel->OnEvent([&](DISPID id, const DISPPARAMS& params) {
        Event e{id, {}};
        for (UINT i = params.cArgs; i-- > 0;) {
            Var copy;
            VariantChangeType(&copy, &params.rgvarg[i], 0, VT_BSTR);
            e.args.push_back(copy.vt == VT_BSTR ? copy.bstrVal : L"?");
        }
        events.push_back(e);
    });
    HWND frame = bevel->ControlWindow();
    SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(12, 34));
    SendMessageW(frame, WM_LBUTTONUP, 0, MAKELPARAM(12, 34));
    SendMessageW(frame, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].id, VGUI_DISPID_MOUSEDOWN);
    EXPECT_EQ(events[0].args, (std::vector<std::wstring>{L"1", L"1", L"12", L"34"})); // pixels: the host's units
    EXPECT_EQ(events[1].id, VGUI_DISPID_MOUSEUP);
    EXPECT_EQ(events[2].id, VGUI_DISPID_CLICK);
    EXPECT_EQ(events[3].id, VGUI_DISPID_DBLCLICK);

    ComPtr<IOleControl> control;
    ASSERT_EQ(control.QueryFrom(bevel->Control(), IID_IOleControl), S_OK);
    control->FreezeEvents(TRUE);
    SendMessageW(frame, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    control->FreezeEvents(FALSE);
    EXPECT_EQ(events.size(), 4u);
}

TEST_F(HostedControls, TheLineKeepsItsThicknessAndTheLibraryLoadsFromItsFile) {
    auto line = Host(kEtchedLineClsid, {5, 200, 155, 240}, L"HighLightColor=16448250");
    ASSERT_TRUE(line);
    const RECT rect = line->Rect();
    EXPECT_EQ(rect.right - rect.left, 150);
    EXPECT_EQ(rect.bottom - rect.top, 2);
    RECT client{};
    GetClientRect(line->ControlWindow(), &client);
    EXPECT_EQ(client.bottom, 2);
    EXPECT_EQ(PixelAt(line->ControlWindow(), 0, 0), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(PixelAt(line->ControlWindow(), 149, 1), RGB(250, 250, 250));
    EXPECT_EQ(Put(line->Dispatch().Get(), L"Orientation", Var(1L)), S_OK);
    EXPECT_EQ(line->Rect().right - line->Rect().left, 2);
    line->Move({5, 100, 90, 160});
    GetClientRect(line->ControlWindow(), &client);
    EXPECT_EQ(client.right, 2);
    EXPECT_EQ(client.bottom, 60);

    ComPtr<IClassFactory> none;
    std::wstring why;
    EXPECT_FALSE(SUCCEEDED(GetControlClassObject(kBevelClsid, testing::BinFolder() + L"\\NoSuch.ocx", none.Put(), &why)));
    EXPECT_NE(why.find(L"NoSuch.ocx"), std::wstring::npos);
}

TEST_F(HostedControls, WindowsGetTheRealControlsOrPlainFramesWithOneMessage) {
    UseGuiControlsFrom(testing::BinFolder() + L"\\missing");
    auto plain = GuiControl::Place(GuiControlKind::Bevel, host, 31, {10, 10, 210, 160}, L"TitleBar=1\nCaption=Versions");
    EXPECT_FALSE(plain->Hosted());
    wchar_t text[32] = {};
    GetWindowTextW(plain->Window(), text, 32);
    EXPECT_STREQ(text, L"Versions");
    EXPECT_EQ(plain->ChildParent(), host);
    const std::wstring problem = TakeGuiControlsProblem();
    EXPECT_NE(problem.find(L"VelmoraGUI.ocx"), std::wstring::npos) << ::testing::PrintToString(problem);
    auto plainLine = GuiControl::Place(GuiControlKind::EtchedLine, host, 32, {10, 200, 300, 202}, L"");
    EXPECT_FALSE(plainLine->Hosted());
    EXPECT_TRUE(TakeGuiControlsProblem().empty()); // said once

    UseGuiControlsFrom(testing::BinFolder());
    auto bevel = GuiControl::Place(GuiControlKind::Bevel, host, 33, {10, 10, 210, 160}, L"TitleBar=True\nCaption=Files");
    ASSERT_TRUE(bevel->Hosted());
    EXPECT_EQ(GetDlgCtrlID(bevel->Window()), 33);
    EXPECT_EQ(bevel->ChildParent(), bevel->Window());
    const RECT inner = bevel->InnerRect();
    EXPECT_EQ(inner.top, 19); // below the 17-pixel bar and its rule at 96 dpi
    EXPECT_EQ(inner.left, 1);
    EXPECT_EQ(inner.right, 199);
    auto line = GuiControl::Place(GuiControlKind::EtchedLine, host, 34, {10, 200, 300, 230}, L"Orientation=0");
    ASSERT_TRUE(line->Hosted());
    EXPECT_EQ(line->Rect().bottom - line->Rect().top, 2);
    EXPECT_TRUE(TakeGuiControlsProblem().empty());
    bevel.reset();
    line.reset();
    UseGuiControlsFrom(L"");
}

} // namespace
} // namespace nivex
