// Entry points of VelmoraGUI.ocx: class objects, unload query and self-registration.
#include "guicontrols/ocx/module.h"

#include <objbase.h>
#include <olectl.h>

#include <atomic>
#include <cwchar>

#include "common/com/com_ptr.h"
#include "guicontrols/ocx/controls.h"
#include "guicontrols/ocx/velmoragui_guids.h"

namespace nivex::vgui {
namespace {

HINSTANCE instance = nullptr;
std::atomic<long> objects{0};
std::atomic<long> locks{0};

// Guards the type library and the window classes. An SRW lock needs neither set-up nor clean-up, so
// nothing runs at unload, when the system libraries may be gone.
SRWLOCK moduleLock = SRWLOCK_INIT;
class Locked {
public:
    Locked() { AcquireSRWLockExclusive(&moduleLock); }
    ~Locked() { ReleaseSRWLockExclusive(&moduleLock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

ITypeLib* typeLibrary = nullptr; // a plain pointer, for the same reason

struct WindowClass {
    const wchar_t* name; // the controls' own constants
    bool registered;
    int windows;  // alive
    int creating; // between BeginWindow and EndWindow
};
WindowClass windowClasses[4] = {};

// The class of that name; a new entry for it when add is set (name then outlives the module's use).
WindowClass* ClassNamed(const wchar_t* name, bool add = false) {
    for (WindowClass& c : windowClasses)
        if (c.name && std::wcscmp(c.name, name) == 0) return &c;
    for (WindowClass& c : windowClasses)
        if (add && !c.name) {
            c.name = name;
            return &c;
        }
    return nullptr;
}

class ClassFactory final : public IClassFactory {
public:
    using Create = HRESULT (*)(REFIID, void**);
    explicit ClassFactory(Create create) : create_(create) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factories are static: a reference to one keeps the module loaded, as a lock does.
    STDMETHODIMP_(ULONG) AddRef() override {
        LockModule(true);
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override {
        LockModule(false);
        return 1;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_(iid, out);
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }

private:
    Create create_;
};

ClassFactory bevelFactory(CreateBevelControl);
ClassFactory etchedLineFactory(CreateEtchedLineControl);

} // namespace

HINSTANCE ModuleInstance() {
    return instance;
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(instance, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

void ObjectCreated() {
    Locked lock;
    ++objects;
}

void ObjectDestroyed() {
    Locked lock;
    if (--objects == 0 && typeLibrary) { // the last object lets the type library go
        typeLibrary->Release();
        typeLibrary = nullptr;
    }
}

void LockModule(bool lock) {
    if (lock)
        ++locks;
    else
        --locks;
}

bool ModuleInUse() {
    return objects > 0 || locks > 0;
}

HRESULT GetTypeLibrary(ITypeLib** library) {
    if (!library) return E_POINTER;
    Locked lock;
    if (!typeLibrary) {
        const std::wstring path = ModulePath();
        if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
        const HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &typeLibrary);
        if (FAILED(hr)) return hr;
    }
    typeLibrary->AddRef();
    *library = typeLibrary;
    return S_OK;
}

bool BeginWindow(const wchar_t* className, UINT style, WNDPROC procedure) {
    Locked lock;
    WindowClass* c = ClassNamed(className, true);
    if (!c) return false;
    if (!c->registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = style;
        wc.lpfnWndProc = procedure;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = className;
        if (!RegisterClassExW(&wc)) return false;
        c->registered = true;
    }
    ++c->creating;
    return true;
}

void EndWindow(const wchar_t* className) {
    Locked lock;
    if (WindowClass* c = ClassNamed(className)) --c->creating;
}

void WindowCreated(const wchar_t* className) {
    Locked lock;
    if (WindowClass* c = ClassNamed(className)) ++c->windows;
}

void WindowDestroyed(const wchar_t* className) {
    Locked lock;
    if (WindowClass* c = ClassNamed(className)) --c->windows;
}

void ReleaseIdleWindowClasses() {
    Locked lock;
    for (WindowClass& c : windowClasses)
        if (c.registered && c.windows == 0 && c.creating == 0 && UnregisterClassW(c.name, instance))
            c.registered = false;
}

} // namespace nivex::vgui

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        nivex::vgui::instance = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        nivex::vgui::ReleaseIdleWindowClasses(); // unloaded by FreeLibrary: no class may outlive the code
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    using namespace nivex::vgui;
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualCLSID(clsid, kBevelClsid)) return bevelFactory.QueryInterface(iid, out);
    if (IsEqualCLSID(clsid, kEtchedLineClsid)) return etchedLineFactory.QueryInterface(iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    if (nivex::vgui::ModuleInUse()) return S_FALSE;
    nivex::vgui::ReleaseIdleWindowClasses();
    return S_OK;
}

STDAPI DllRegisterServer() {
    return nivex::vgui::RegisterServer(nivex::vgui::ModulePath());
}

STDAPI DllUnregisterServer() {
    return nivex::vgui::UnregisterServer();
}

// regsvr32 /n /i:user (and /u): registration for the current user only.
STDAPI DllInstall(BOOL install, PCWSTR command) {
    return nivex::vgui::InstallForUser(install != FALSE, command, nivex::vgui::ModulePath());
}
