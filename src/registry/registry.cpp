#include "registry/registry.h"

#include <cstdint>
#include <cwchar>
#include <optional>

#include "common/error.h"
#include "common/handles.h"
#include "common/text.h"
#include "common/winutil.h"
#include "registry/reg_read.h"

namespace nivex {

namespace {
// Query, set value, create subkey, enumerate subkeys, notify, create link.
constexpr REGSAM kFullAccess = 0x3F;

std::wstring Source() {
    return ExecutableBaseName() + L".cRegistry";
}

std::wstring RootText(std::int32_t classKey) {
    return std::to_wstring(classKey);
}

LONG CreateOrOpen(HKEY root, const std::wstring& section, RegKey& key) {
    return RegCreateKeyExW(root, section.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kFullAccess, nullptr, key.Put(),
                           nullptr);
}

LONG WriteBytes(HKEY key, const std::wstring& name, DWORD type, const void* data, size_t size) {
    return RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
}
} // namespace

std::int32_t RootKeyNumber(HKEY root) {
    // Predefined roots are sign-extended 32-bit values; keep the low 32 bits.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(root)));
}

HKEY cRegistry::Root() const {
    return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(classKey_));
}

bool cRegistry::KeyExists() const {
    RegKey key;
    return RegOpenKeyExW(Root(), sectionKey_.c_str(), 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS;
}

bool cRegistry::CreateKey() {
    RegKey key;
    if (CreateOrOpen(Root(), sectionKey_, key) != ERROR_SUCCESS)
        throw Error(kErrRegistry, Source(), L"Failed to create registry Key: '" + sectionKey_);
    return true;
}

bool cRegistry::DeleteKey() {
    const std::wstring failure =
        L"Failed to delete registry Key: '" + RootText(classKey_) + L"',Section: '" + sectionKey_;
    // An empty section would name the root itself, which is never meant to be deleted.
    if (sectionKey_.empty()) throw Error(kErrRegistry, Source(), failure);
    if (RegDeleteKeyW(Root(), sectionKey_.c_str()) != ERROR_SUCCESS) throw Error(kErrRegistry, Source(), failure);
    return true;
}

bool cRegistry::DeleteValue() {
    RegKey key;
    if (RegOpenKeyExW(Root(), sectionKey_.c_str(), 0, kFullAccess, key.Put()) != ERROR_SUCCESS)
        throw Error(kErrRegistry, Source(),
                    L"Failed to open key '" + RootText(classKey_) + L"',Section: '" + sectionKey_ +
                        L"' for delete access");
    if (RegDeleteValueW(key.Get(), valueKey_.c_str()) != ERROR_SUCCESS)
        throw Error(kErrRegistry, Source(),
                    L"Failed to delete registry Key: '" + RootText(classKey_) + L"',Section: '" + sectionKey_ +
                        L"',Key: '" + valueKey_);
    return true;
}

RegVariant cRegistry::Value() {
    RegKey key;
    if (RegOpenKeyExW(Root(), sectionKey_.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) return default_;
    std::optional<DWORD> type;
    std::vector<std::uint8_t> data;
    const LONG rc = ReadRawValue(key.Get(), valueKey_, type, data);
    if (type) valueType_ = static_cast<std::int32_t>(*type);
    if (rc != ERROR_SUCCESS) return default_;
    return DecodeRegValue(*type, data, {}, ExpandEnvironmentText);
}

void cRegistry::SetValue(const RegVariant& v) {
    const auto failure = [&] {
        return Error(kErrRegistry, Source(),
                     L"Failed to set registry value Key: '" + RootText(classKey_) + L"',Section: '" + sectionKey_ +
                         L"',Key: '" + valueKey_ + L"' to value: '" + VariantText(v) + L"'");
    };
    RegKey key;
    if (CreateOrOpen(Root(), sectionKey_, key) != ERROR_SUCCESS) throw failure();

    LONG rc = ERROR_SUCCESS;
    switch (valueType_) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        const std::wstring text = VariantText(v);
        const DWORD type = HoldsEnvironmentReference(text) ? REG_EXPAND_SZ : REG_SZ;
        rc = WriteBytes(key.Get(), valueKey_, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        break;
    }
    case REG_BINARY: {
        const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&v);
        if (!bytes) throw Error(kErrRegistry, Source(), L"Binary registry values must be written from a byte array");
        rc = WriteBytes(key.Get(), valueKey_, REG_BINARY, bytes->data(), bytes->size());
        break;
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        std::uint32_t number = 0;
        if (const auto* small = std::get_if<std::int16_t>(&v)) {
            number = static_cast<std::uint32_t>(static_cast<std::int32_t>(*small));
        } else if (const auto* large = std::get_if<std::int32_t>(&v)) {
            number = static_cast<std::uint32_t>(*large);
        } else if (const auto* read = std::get_if<std::uint32_t>(&v)) {
            number = *read; // as Value() gives it back
        } else {
            return; // only whole numbers are stored as DWORDs
        }
        rc = WriteBytes(key.Get(), valueKey_, REG_DWORD, &number, sizeof(number));
        break;
    }
    default:
        return;
    }
    // A write the registry refused must not look like a saved value.
    if (rc != ERROR_SUCCESS) throw failure();
}

bool cRegistry::EnumerateValues(std::vector<std::wstring>& names, long& count) {
    count = 0;
    names.clear();
    RegKey key;
    if (RegOpenKeyExW(Root(), sectionKey_.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) return true;
    const auto longestName = [&]() -> DWORD {
        DWORD longest = 0;
        if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longest,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return 0;
        return longest;
    };
    DWORD longest = longestName();
    int retries = 0;
    for (DWORD index = 0;;) {
        std::vector<wchar_t> buffer(static_cast<size_t>(longest) + 1, L'\0');
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG rc = RegEnumValueW(key.Get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA && retries < 4) {
            // A longer name was added meanwhile: measure again instead of ending the list early.
            ++retries;
            const DWORD again = longestName();
            longest = again > longest ? again : longest + 256;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        names.emplace_back(buffer.data(), length < buffer.size() ? length : buffer.size());
        ++count;
        ++index;
        retries = 0;
    }
    return true;
}

bool cRegistry::EnumerateSections(std::vector<std::wstring>& names, long& count) {
    count = 0;
    names.clear();
    RegKey key;
    try {
        if (RegOpenKeyExW(Root(), sectionKey_.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, key.Put()) != ERROR_SUCCESS)
            return true;
        // Key names run up to 255 characters; one more for the NUL.
        constexpr DWORD kNameChars = 256;
        for (DWORD index = 0;; ++index) {
            wchar_t buffer[kNameChars] = {};
            DWORD length = kNameChars;
            if (RegEnumKeyExW(key.Get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            names.emplace_back(buffer, wcsnlen(buffer, kNameChars));
            ++count;
        }
    } catch (const Error& e) {
        key.Reset();
        throw Error(kErrEnumerateSections, Source(), e.Description());
    } catch (const std::exception& e) {
        key.Reset();
        throw Error(kErrEnumerateSections, Source(), Utf8ToWide(e.what()));
    }
    return true;
}

void cRegistry::WriteDefaultText(const std::wstring& section, const std::wstring& text) {
    sectionKey_ = section;
    SetValue(text);
}

void cRegistry::CreateEXEAssociation(const std::wstring& exePath, const std::wstring& className,
                                     const std::wstring& classDescription, const std::wstring& extension,
                                     const std::wstring& openVerbText, bool printSupported,
                                     const std::wstring& printVerbText, bool newSupported,
                                     const std::wstring& newVerbText, bool installSupported,
                                     const std::wstring& installVerbText, long defaultIconIndex) {
    // Without both names the writes would land on the root's own default value and shell key.
    if (className.empty() || extension.empty())
        throw Error(kErrRegistry, Source(), L"Invalid class name or extension passed to CreateEXEAssociation");

    std::wstring path = Trim(exePath);
    if (path.empty() || path.front() != L'"') path.insert(path.begin(), L'"');
    if (path.size() < 2 || path.back() != L'"') path += L'"';

    SetClassKey(HKEY_CLASSES_ROOT);
    valueType_ = REG_SZ;
    valueKey_.clear(); // every write goes to a default value

    const std::wstring shell = className + L"\\shell\\";
    WriteDefaultText(L"." + extension, className);
    WriteDefaultText(className, classDescription);
    WriteDefaultText(shell + L"open", openVerbText.empty() ? L"&Open" : openVerbText);
    WriteDefaultText(shell + L"open\\command", path + L" \"%1\"");
    if (printSupported) {
        WriteDefaultText(shell + L"print", printVerbText.empty() ? L"&Print" : printVerbText);
        WriteDefaultText(shell + L"print\\command", path + L" /p \"%1\"");
    }
    if (installSupported) {
        WriteDefaultText(shell + L"add", installVerbText.empty() ? L"&Install " + extension : installVerbText);
        WriteDefaultText(shell + L"add\\command", path + L" /a \"%1\"");
    }
    if (newSupported) {
        WriteDefaultText(shell + L"new", newVerbText.empty() ? L"&New" : newVerbText);
        WriteDefaultText(shell + L"new\\command", path + L" /n \"%1\"");
    }
    if (defaultIconIndex > -1)
        WriteDefaultText(className + L"\\DefaultIcon", path + L"," + std::to_wstring(defaultIconIndex));
}

void cRegistry::CreateAdditionalEXEAssociations(const std::wstring& className, const std::vector<std::wstring>& items) {
    if (items.size() % 3 != 0)
        throw Error(kErrInvalidAssociationList, Source(),
                    L"Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
    SetClassKey(HKEY_CLASSES_ROOT);
    sectionKey_ = className;
    // An empty class name names the root itself, which is no class.
    if (className.empty() || !KeyExists())
        throw Error(kErrClassNotDefined, Source(),
                    L"Error - attempt to create additional associations before class defined.");
    valueType_ = REG_SZ;
    valueKey_.clear();
    for (size_t i = 0; i < items.size(); i += 3) {
        const std::wstring verb = className + L"\\shell\\" + items[i];
        WriteDefaultText(verb, items[i + 1]);
        WriteDefaultText(verb + L"\\command", items[i + 2]);
    }
}

} // namespace nivex
