#pragma once
// cRegistry: the one object through which the program reads and changes registry keys.
// Each operation opens the key it needs and closes it again, so an instance holds no handle
// between calls and can be re-pointed freely.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "registry/reg_value.h"

namespace nivex {

// Numbers of the errors the class raises (besides 26001).
constexpr long kErrRegistry = 26001;
constexpr long kErrEnumerateSections = -2147194454;      // 0x800469AA
constexpr long kErrInvalidAssociationList = -2147194452; // 0x800469AC
constexpr long kErrClassNotDefined = -2147194451;        // 0x800469AD

// The 32-bit signed form of a predefined root (HKEY_CLASSES_ROOT is -2147483648).
std::int32_t RootKeyNumber(HKEY root);

class cRegistry {
public:
    bool KeyExists() const;
    bool CreateKey();
    bool DeleteKey();
    bool DeleteValue();
    RegVariant Value();                 // read (updates ValueType), decoded by DecodeRegValue
    void SetValue(const RegVariant& v); // write
    // names[0..count-1]; an absent key gives true and count 0.
    bool EnumerateValues(std::vector<std::wstring>& names, long& count);
    bool EnumerateSections(std::vector<std::wstring>& names, long& count);
    void CreateEXEAssociation(const std::wstring& exePath, const std::wstring& className,
                              const std::wstring& classDescription, const std::wstring& extension,
                              const std::wstring& openVerbText = L"&Open", bool printSupported = false,
                              const std::wstring& printVerbText = L"&Print", bool newSupported = false,
                              const std::wstring& newVerbText = L"&New", bool installSupported = false,
                              const std::wstring& installVerbText = L"", long defaultIconIndex = -1);
    // items in triples: verb name, verb text, command.
    void CreateAdditionalEXEAssociations(const std::wstring& className, const std::vector<std::wstring>& items);

    std::int32_t ClassKey() const { return classKey_; }
    void SetClassKey(std::int32_t key) { classKey_ = key; }
    void SetClassKey(HKEY root) { classKey_ = RootKeyNumber(root); }
    const std::wstring& SectionKey() const { return sectionKey_; }
    void SetSectionKey(const std::wstring& section) { sectionKey_ = section; }
    const std::wstring& ValueKey() const { return valueKey_; }
    void SetValueKey(const std::wstring& name) { valueKey_ = name; }
    std::int32_t ValueType() const { return valueType_; }
    void SetValueType(std::int32_t type) { valueType_ = type; }
    const RegVariant& Default() const { return default_; }
    void SetDefault(const RegVariant& value) { default_ = value; }

private:
    HKEY Root() const;
    void WriteDefaultText(const std::wstring& section, const std::wstring& text);

    std::int32_t classKey_ = 0;
    std::wstring sectionKey_;
    std::wstring valueKey_;
    std::int32_t valueType_ = 0;
    RegVariant default_;
};

} // namespace nivex
