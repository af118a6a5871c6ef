#include "registry/shell_integration.h"

#include "common/handles.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/winutil.h"

namespace nivex {

LONG CreateKeyBelow(HKEY root, const std::wstring& path) {
    RegKey key;
    return RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           key.Put(), nullptr);
}

LONG SetKeyValue(const std::wstring& path, const std::wstring& name, const std::wstring& value, DWORD type) {
    RegKey key;
    LONG rc = RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_ALL_ACCESS, key.Put());
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_SZ) return ERROR_SUCCESS;
    rc = RegSetValueExW(key.Get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return rc;
}

namespace {
LONG CreateWithDefault(const std::wstring& path, const std::wstring& value) {
    LONG rc = CreateKeyBelow(HKEY_CLASSES_ROOT, path);
    if (rc == ERROR_SUCCESS) rc = SetKeyValue(path, L"", value);
    return rc;
}
} // namespace

LONG CreateAssociation(const std::wstring& extension, const std::wstring& progId, const std::wstring& description,
                       const std::wstring& iconReference) {
    const std::wstring text = description.empty() ? ReplaceAll(progId, L".", L" ") : description;
    LONG rc = CreateWithDefault(extension, progId);
    if (rc == ERROR_SUCCESS) rc = CreateWithDefault(progId, text);
    if (rc == ERROR_SUCCESS) rc = CreateWithDefault(progId + L"\\defaulticon", iconReference);
    return rc;
}

LONG CreateVerb(const std::wstring& progId, const std::wstring& verbText, const std::wstring& executablePath,
                const std::wstring& switchText) {
    const std::wstring exe = executablePath.empty() ? OwnExecutablePath() : executablePath;
    // Quoted, so that a program or a file in a folder with blanks arrives as one argument.
    return CreateWithDefault(progId + L"\\shell\\" + verbText + L"\\command",
                             L"\"" + exe + L"\" " + switchText + L" \"%1\"");
}

std::wstring OwnExecutablePath() { return JoinPath(ProgramFolder(), ExecutableBaseName() + L".exe"); }

void ApplyShellIntegration(bool on) {
    if (on) {
        const std::wstring exe = OwnExecutablePath();
        CreateAssociation(L".ocx", kOcxProgId, L"", exe + L",1");
        CreateVerb(kOcxProgId, kRegisterVerb, L"", L"/R");
        CreateVerb(kOcxProgId, kUnregisterVerb, L"", L"/U");
        CreateAssociation(L".dll", kDllProgId, L"", exe + L",2");
        CreateVerb(kDllProgId, kRegisterVerb, L"", L"/R");
        CreateVerb(kDllProgId, kUnregisterVerb, L"", L"/U");
    } else {
        const std::wstring icon = SystemFolder() + L"shell32.dll, 1";
        CreateAssociation(L".ocx", kPlainOcxProgId, L"", icon);
        CreateAssociation(L".dll", kPlainDllProgId, L"", icon);
    }
}

} // namespace nivex
