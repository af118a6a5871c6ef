#pragma once
// The one reader of a control's registration data under HKEY_CLASSES_ROOT\CLSID\{id} of a registry view.
#include <optional>
#include <string>

#include "registry/registry_view.h"

namespace nivex {

struct ControlRegistration {
    std::wstring classId;
    RegistryView view = OwnView();
    // Each value is the default value of its key as text; nullopt when the key does not exist.
    std::optional<std::wstring> name;           // the class key itself
    std::optional<std::wstring> version;        // Version
    std::optional<std::wstring> progId;         // ProgID
    std::optional<std::wstring> typeLib;        // TypeLib
    std::optional<std::wstring> toolboxBitmap;  // ToolboxBitmap32
    std::optional<std::wstring> registeredPath; // InProcServer32, as registered
    std::wstring resolvedPath;                  // the server-path rule applied to registeredPath

    // The text a list or a report shows for a value: absent keys as absentText.
    static std::wstring Text(const std::optional<std::wstring>& value, const wchar_t* absentText) {
        return value ? *value : std::wstring(absentText);
    }
};

// Reads every value above from the class's key in view, decoded as every registry value is
// (registry/reg_value.h): expanded as a program of the view would, binary data as hex pairs.
ControlRegistration ReadControlRegistration(const std::wstring& classId, RegistryView view);

// The default value of one subkey of the class in view (empty subKey: the class key), decoded as above;
// nullopt when the key does not exist.
std::optional<std::wstring> ReadClassValue(const std::wstring& classId, const std::wstring& subKey, RegistryView view);

// Values of many classes through one open handle of HKEY_CLASSES_ROOT\CLSID, decoded as above: a report
// reads thousands, and each open below that handle saves the walk from the root.
class ClassValueReader {
public:
    explicit ClassValueReader(RegistryView view);
    ~ClassValueReader();
    ClassValueReader(const ClassValueReader&) = delete;
    ClassValueReader& operator=(const ClassValueReader&) = delete;
    // As ReadClassValue(classId, subKey, view).
    std::optional<std::wstring> Read(const std::wstring& classId, const wchar_t* subKey) const;

private:
    RegistryView view_;
    void* clsid_ = nullptr; // HKEY
};

} // namespace nivex
