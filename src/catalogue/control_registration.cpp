#include "catalogue/control_registration.h"

#include <windows.h>

#include "catalogue/server_path.h"
#include "common/handles.h"
#include "registry/reg_read.h"

namespace nivex {

namespace {

// One open of the class key; each subkey is opened relative to it, the key itself needs no second open.
std::optional<std::wstring> ReadDefault(HKEY cls, const wchar_t* subKey) {
    if (!*subKey) return ReadValueText(cls, nullptr).value_or(std::wstring());
    return ReadKeyDefaultText(cls, subKey);
}

RegKey OpenClass(const std::wstring& classId) {
    RegKey cls;
    // An empty or nested identifier would name CLSID itself or another key.
    if (classId.empty() || classId.find(L'\\') != std::wstring::npos) return cls;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + classId).c_str(), 0, KEY_QUERY_VALUE, cls.Put()) !=
        ERROR_SUCCESS)
        cls.Release();
    return cls;
}

} // namespace

std::optional<std::wstring> ReadClassValue(const std::wstring& classId, const std::wstring& subKey) {
    RegKey cls = OpenClass(classId);
    if (!cls) return std::nullopt;
    return ReadDefault(cls.Get(), subKey.c_str());
}

ClassValueReader::ClassValueReader() {
    HKEY clsid = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_QUERY_VALUE, &clsid) == ERROR_SUCCESS) clsid_ = clsid;
}

ClassValueReader::~ClassValueReader() {
    if (clsid_) RegCloseKey(static_cast<HKEY>(clsid_));
}

std::optional<std::wstring> ClassValueReader::Read(const std::wstring& classId, const wchar_t* subKey) const {
    if (!clsid_) return std::nullopt;
    // An empty or nested identifier would name CLSID itself or another key.
    if (classId.empty() || classId.find(L'\\') != std::wstring::npos) return std::nullopt;
    const std::wstring path = *subKey ? classId + L"\\" + subKey : classId;
    return ReadDefault(static_cast<HKEY>(clsid_), path.c_str());
}

ControlRegistration ReadControlRegistration(const std::wstring& classId) {
    ControlRegistration r;
    r.classId = classId;
    RegKey cls = OpenClass(classId);
    if (!cls) return r;
    r.name = ReadDefault(cls.Get(), L"");
    r.version = ReadDefault(cls.Get(), L"Version");
    r.progId = ReadDefault(cls.Get(), L"ProgID");
    r.typeLib = ReadDefault(cls.Get(), L"TypeLib");
    r.toolboxBitmap = ReadDefault(cls.Get(), L"ToolboxBitmap32");
    r.registeredPath = ReadDefault(cls.Get(), L"InProcServer32");
    r.resolvedPath = ResolveServerPath(r.registeredPath.value_or(L""));
    return r;
}

} // namespace nivex
