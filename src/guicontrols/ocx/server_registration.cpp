// Self-registration of VelmoraGUI.ocx. Everything goes through HKEY_CLASSES_ROOT as the process sees
// it, so a process that redirects that key gets the registration in its own area. Registration is
// all or nothing: a failure removes what was written and returns the standard self-registration error.
// The x86 and x64 builds may both be registered on 64-bit Windows: classes and interfaces are kept per
// registry view, but the TypeLib and ProgID keys are shared, so each build writes its own platform's
// type library entry and removes a shared key only when the other view no longer uses it.
#include <windows.h>
#include <olectl.h>

#include <string>

#include "guicontrols/ocx/controls.h"
#include "guicontrols/ocx/velmoragui_ids.h"

namespace nivex::vgui {
namespace {

#define VGUI_BRACED(id) L"{" id L"}"

constexpr wchar_t kLibIdText[] = VGUI_BRACED(VGUI_LIBID);
constexpr wchar_t kVersion[] = L"1.0";
#ifdef _WIN64
constexpr wchar_t kPlatform[] = L"win64";
constexpr wchar_t kOtherPlatform[] = L"win32";
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr wchar_t kPlatform[] = L"win32";
constexpr wchar_t kOtherPlatform[] = L"win64";
constexpr REGSAM kOtherView = KEY_WOW64_64KEY; // ignored on 32-bit Windows: there is no other view
#endif
constexpr wchar_t kDispatchProxy[] = L"{00020420-0000-0000-C000-000000000046}"; // the system's dispatch marshaller
// Controls, safe for scripting, safe for initialising (they run no code of their own and read no files).
constexpr const wchar_t* kCategories[] = {L"{40FC6ED4-2438-11CF-A3DB-080036F12502}",
                                          L"{7DD95801-9882-11CF-9FA9-00AA006C42C4}",
                                          L"{7DD95802-9882-11CF-9FA9-00AA006C42C4}"};
// The standard verbs (number, then "name,menu flags,verb flags"), so containers can list them.
constexpr const wchar_t* kVerbs[][2] = {{L"0", L"&Edit,0,2"},
                                        {L"-1", L"&Show,0,0"},
                                        {L"-4", L"&Activate,0,0"},
                                        {L"-5", L"Activate &In Place,0,0"}};

struct ClassEntry {
    const wchar_t* clsidText;
    const wchar_t* progId;
    const wchar_t* name; // the control's own, the ProgID key's name
    const wchar_t* displayName;
    int bitmap;
    DWORD misc;
};
constexpr ClassEntry kClasses[] = {
    {VGUI_BRACED(VGUI_BEVEL_CLSID), L"VelmoraGUI.Bevel", L"Bevel", L"VelmoraGUI Bevel", VGUI_BEVEL_BITMAP,
     kBevelMiscStatus},
    {VGUI_BRACED(VGUI_ETCHEDLINE_CLSID), L"VelmoraGUI.EtchedLine", L"EtchedLine", L"VelmoraGUI EtchedLine",
     VGUI_ETCHEDLINE_BITMAP, kEtchedLineMiscStatus},
};

struct InterfaceEntry {
    const wchar_t* iidText;
    const wchar_t* name;
};
constexpr InterfaceEntry kInterfaces[] = {
    {VGUI_BRACED(VGUI_BEVEL_DIID), L"_Bevel"},
    {VGUI_BRACED(VGUI_BEVEL_EVENTS_DIID), L"__Bevel"},
    {VGUI_BRACED(VGUI_ETCHEDLINE_DIID), L"_EtchedLine"},
    {VGUI_BRACED(VGUI_ETCHEDLINE_EVENTS_DIID), L"__EtchedLine"},
};

std::wstring ClassKey(const ClassEntry& cls) {
    return std::wstring(L"CLSID\\") + cls.clsidText;
}
std::wstring TypeLibKey() {
    return std::wstring(L"TypeLib\\") + kLibIdText;
}
std::wstring InterfaceKey(const InterfaceEntry& entry) {
    return std::wstring(L"Interface\\") + entry.iidText;
}

// Creates the key when needed and sets one string value; name nullptr is the default value.
LONG SetString(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc;
}

LONG CreateKey(const std::wstring& path) {
    HKEY key = nullptr;
    const LONG rc =
        RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) RegCloseKey(key);
    return rc;
}

bool ReadString(const std::wstring& path, const wchar_t* name, std::wstring& out) {
    wchar_t buffer[128] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return false;
    out = buffer;
    return true;
}

bool NamesOurs(const std::wstring& path, const wchar_t* name, const wchar_t* ours) {
    std::wstring value;
    return ReadString(path, name, value) && CompareStringOrdinal(value.c_str(), -1, ours, -1, TRUE) == CSTR_EQUAL;
}

LONG DeleteTree(const std::wstring& path) {
    const LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_SUCCESS) {
        const LONG gone = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
        return gone == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : gone;
    }
    return rc;
}

// Deletes a key only while it holds neither sub-keys nor values: it may be shared with others.
LONG DeleteIfEmpty(const std::wstring& path) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    DWORD subKeys = 0, values = 0;
    rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                          nullptr, nullptr);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || subKeys != 0 || values != 0) return rc;
    rc = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

bool KeyPresent(const std::wstring& path, REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring FolderOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

LONG WriteTypeLibrary(const std::wstring& path) {
    const std::wstring key = TypeLibKey() + L"\\" + kVersion;
    LONG rc = SetString(key, nullptr, L"VelmoraGUI");
    if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\0\\" + kPlatform, nullptr, path);
    if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\FLAGS", nullptr, L"0");
    // Shared by both builds: while the other one is registered, its folder stays.
    if (rc == ERROR_SUCCESS && !KeyPresent(key + L"\\0\\" + kOtherPlatform))
        rc = SetString(key + L"\\HELPDIR", nullptr, FolderOf(path));
    // The dispatch interfaces are marshalled by the system from the type library.
    for (const InterfaceEntry& entry : kInterfaces) {
        const std::wstring iface = InterfaceKey(entry);
        if (rc == ERROR_SUCCESS) rc = SetString(iface, nullptr, entry.name);
        if (rc == ERROR_SUCCESS) rc = SetString(iface + L"\\ProxyStubClsid", nullptr, kDispatchProxy);
        if (rc == ERROR_SUCCESS) rc = SetString(iface + L"\\ProxyStubClsid32", nullptr, kDispatchProxy);
        if (rc == ERROR_SUCCESS) rc = SetString(iface + L"\\TypeLib", nullptr, kLibIdText);
        if (rc == ERROR_SUCCESS) rc = SetString(iface + L"\\TypeLib", L"Version", kVersion);
    }
    return rc;
}

LONG WriteClass(const ClassEntry& cls, const std::wstring& path) {
    const std::wstring key = ClassKey(cls);
    LONG rc = SetString(key, nullptr, cls.displayName);
    if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\InprocServer32", nullptr, path);
    if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\ProgID", nullptr, cls.progId);
    if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\VersionIndependentProgID", nullptr, cls.progId);
    if (rc == ERROR_SUCCESS) rc = CreateKey(key + L"\\Control");
    if (rc == ERROR_SUCCESS)
        rc = SetString(key + L"\\ToolboxBitmap32", nullptr, path + L", " + std::to_wstring(cls.bitmap));
    if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\TypeLib", nullptr, kLibIdText);
    if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\Version", nullptr, kVersion);
    if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\MiscStatus", nullptr, L"0");
    if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\MiscStatus\\1", nullptr, std::to_wstring(cls.misc));
    for (const wchar_t* category : kCategories)
        if (rc == ERROR_SUCCESS) rc = CreateKey(key + L"\\Implemented Categories\\" + category);
    for (const auto& [verb, text] : kVerbs)
        if (rc == ERROR_SUCCESS) rc = SetString(key + L"\\Verb\\" + verb, nullptr, text);
    if (rc == ERROR_SUCCESS) rc = SetString(cls.progId, nullptr, cls.name);
    if (rc == ERROR_SUCCESS) rc = SetString(std::wstring(cls.progId) + L"\\CLSID", nullptr, cls.clsidText);
    return rc;
}

// Removes what the registration writes and nothing of anyone else's. Absent keys are no error.
HRESULT RemoveAll() {
    bool classesFailed = false;
    bool libraryFailed = false;
    for (const ClassEntry& cls : kClasses) {
        if (DeleteTree(ClassKey(cls)) != ERROR_SUCCESS) classesFailed = true;
        // A ProgID that has since been given to another class is that class's now; one that the other
        // view's registration of the class still uses stays.
        const std::wstring progIdClass = std::wstring(cls.progId) + L"\\CLSID";
        const bool otherViewUsesIt = KeyPresent(ClassKey(cls) + L"\\InprocServer32", kOtherView);
        if (NamesOurs(progIdClass, nullptr, cls.clsidText) && !otherViewUsesIt &&
            DeleteTree(cls.progId) != ERROR_SUCCESS)
            classesFailed = true;
    }
    for (const InterfaceEntry& entry : kInterfaces) {
        const std::wstring iface = InterfaceKey(entry);
        if (NamesOurs(iface + L"\\TypeLib", nullptr, kLibIdText) && DeleteTree(iface) != ERROR_SUCCESS)
            libraryFailed = true;
    }
    // The version key goes only with the last platform's library.
    const std::wstring version = TypeLibKey() + L"\\" + kVersion;
    if (DeleteTree(version + L"\\0\\" + kPlatform) != ERROR_SUCCESS) libraryFailed = true;
    if (DeleteIfEmpty(version + L"\\0") != ERROR_SUCCESS) libraryFailed = true;
    if (!KeyPresent(version + L"\\0") && DeleteTree(version) != ERROR_SUCCESS) libraryFailed = true;
    if (DeleteIfEmpty(TypeLibKey()) != ERROR_SUCCESS) libraryFailed = true;
    if (classesFailed) return SELFREG_E_CLASS;
    return libraryFailed ? SELFREG_E_TYPELIB : S_OK;
}

} // namespace

HRESULT RegisterServer(const std::wstring& modulePath) {
    if (modulePath.empty()) return SELFREG_E_CLASS;
    HRESULT result = S_OK;
    try {
        if (WriteTypeLibrary(modulePath) != ERROR_SUCCESS) result = SELFREG_E_TYPELIB;
        for (const ClassEntry& cls : kClasses)
            if (result == S_OK && WriteClass(cls, modulePath) != ERROR_SUCCESS) result = SELFREG_E_CLASS;
    } catch (...) {
        result = SELFREG_E_CLASS;
    }
    if (result != S_OK) RemoveAll(); // leave no half registration behind
    return result;
}

HRESULT UnregisterServer() {
    try {
        return RemoveAll();
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

HRESULT InstallForUser(bool install, const wchar_t* command, const std::wstring& modulePath) {
    if (!command || CompareStringOrdinal(command, -1, L"user", -1, TRUE) != CSTR_EQUAL) return E_INVALIDARG;
    HKEY classes = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes,
                              nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    // The registration writes through HKEY_CLASSES_ROOT: pointed at the user's classes while it runs (the
    // system still keeps a 32-bit caller's classes in their own view there).
    rc = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes);
    HRESULT result = HRESULT_FROM_WIN32(rc);
    if (rc == ERROR_SUCCESS) {
        result = install ? RegisterServer(modulePath) : UnregisterServer();
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    }
    RegCloseKey(classes);
    return result;
}

} // namespace nivex::vgui
