#include "catalogue/control_registration.h"

#include <windows.h>

#include "catalogue/server_path.h"
#include "common/handles.h"
#include "registry/reg_read.h"
#include "registry/registry_views.h"

namespace nivex {

namespace {

// One open of the class key; each subkey is opened relative to it, the key itself needs no second open.
// Environment references expand as the server's own process would expand them.
std::optional<std::wstring> ReadDefault(HKEY cls, const wchar_t* subKey, RegistryView view) {
    RegTextOptions options;
    options.expander = ViewExpander(view);
    if (!*subKey) return ReadValueText(cls, nullptr, options).value_or(std::wstring());
    return ReadKeyDefaultText(cls, subKey, options, ViewAccessBelow(view));
}

// An empty or nested identifier would name CLSID itself or another key.
bool IsClassName(const std::wstring& classId) {
    return !classId.empty() && classId.find(L'\\') == std::wstring::npos;
}

RegKey OpenClass(const std::wstring& classId, RegistryView view) {
    RegKey cls;
    if (!IsClassName(classId)) return cls;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + classId).c_str(), 0, KEY_QUERY_VALUE | ViewAccess(view),
                      cls.Put()) != ERROR_SUCCESS)
        cls.Release();
    return cls;
}

} // namespace

std::optional<std::wstring> ReadClassValue(const std::wstring& classId, const std::wstring& subKey, RegistryView view) {
    RegKey cls = OpenClass(classId, view);
    if (!cls) return std::nullopt;
    return ReadDefault(cls.Get(), subKey.c_str(), view);
}

ClassValueReader::ClassValueReader(RegistryView view) : view_(view) {
    HKEY clsid = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_QUERY_VALUE | ViewAccess(view), &clsid) == ERROR_SUCCESS)
        clsid_ = clsid;
}

ClassValueReader::~ClassValueReader() {
    if (clsid_) RegCloseKey(static_cast<HKEY>(clsid_));
}

std::optional<std::wstring> ClassValueReader::Read(const std::wstring& classId, const wchar_t* subKey) const {
    if (!clsid_ || !IsClassName(classId)) return std::nullopt;
    const std::wstring path = *subKey ? classId + L"\\" + subKey : classId;
    return ReadDefault(static_cast<HKEY>(clsid_), path.c_str(), view_);
}

ControlRegistration ReadControlRegistration(const std::wstring& classId, RegistryView view) {
    ControlRegistration r;
    r.classId = classId;
    r.view = view;
    RegKey cls = OpenClass(classId, view);
    if (!cls) return r;
    r.name = ReadDefault(cls.Get(), L"", view);
    r.version = ReadDefault(cls.Get(), L"Version", view);
    r.progId = ReadDefault(cls.Get(), L"ProgID", view);
    r.typeLib = ReadDefault(cls.Get(), L"TypeLib", view);
    r.toolboxBitmap = ReadDefault(cls.Get(), L"ToolboxBitmap32", view);
    r.registeredPath = ReadDefault(cls.Get(), L"InProcServer32", view);
    r.resolvedPath = ResolveServerPath(r.registeredPath.value_or(L""), view);
    return r;
}

} // namespace nivex
