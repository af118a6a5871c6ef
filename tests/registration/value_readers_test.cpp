// One value reads the same through every reader: the scan, the control's registration (details list and
// reports), Edit Data, the settings store and cRegistry.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "catalogue/catalogue_scan.h"
#include "catalogue/control_registration.h"
#include "registration/repair_operations.h"
#include "registry/registry.h"
#include "registry/settings.h"
#include "support/reg_value_cases.h"
#include "support/registry_sandbox.h"

namespace nivex {
namespace {

std::wstring ClassId(size_t n) {
    wchar_t id[48];
    std::swprintf(id, 48, L"{7A1E0000-0000-4000-8000-%012zu}", n);
    return id;
}

TEST(ValueReaders, EveryTypeReadsAsOneTextThroughEveryReader) {
    testing::RegistrySandbox sandbox;
    ASSERT_TRUE(SetEnvironmentVariableW(testing::kCaseVariable, testing::kCaseVariableValue));
    const std::vector<testing::RegValueCase> cases = testing::RegValueCases();
    // Each case is the name of a control (the default value of its class key) and a setting.
    for (size_t n = 0; n < cases.size(); ++n) {
        const testing::RegValueCase& c = cases[n];
        const std::wstring cls = L"CLSID\\" + ClassId(n);
        testing::SetRegBytes(HKEY_CLASSES_ROOT, cls, L"", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        for (const wchar_t* sub : {L"\\Control", L"\\InprocServer32"})
            testing::SetRegString(HKEY_CLASSES_ROOT, cls + sub, L"", L"C:\\gone\\x.ocx");
        testing::SetRegString(HKEY_CLASSES_ROOT, cls + L"\\TypeLib", L"", L"{LIB-" + std::to_wstring(n) + L"}");
        testing::SetRegBytes(HKEY_CURRENT_USER, L"Software\\" + std::wstring(kAppTitle) + L"\\Cases",
                             std::to_wstring(n), c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
    }
    Catalogue catalogue;
    PopulateList(catalogue);

    for (size_t n = 0; n < cases.size(); ++n) {
        const testing::RegValueCase& c = cases[n];
        const std::wstring id = ClassId(n);
        SCOPED_TRACE(::testing::Message() << "case " << n << ", type " << c.type);
        const int node = catalogue.FindNodeByKey(id);
        ASSERT_NE(node, 0);
        EXPECT_EQ(catalogue.Tree(Catalogue::kAll).Node(node).text, c.text) << "scan";
        EXPECT_EQ(ReadControlRegistration(id, OwnView()).name, c.text) << "details";
        bool found = false;
        EXPECT_EQ(ReadElementValue(id, L"Control Name", &found), c.asStored) << "edit";
        EXPECT_TRUE(found);
        EXPECT_EQ(GetSetting(L"Cases", std::to_wstring(n), L"(default)"), c.textless ? L"(default)" : c.text)
            << "settings";
        cRegistry registry;
        registry.SetClassKey(HKEY_CLASSES_ROOT);
        registry.SetSectionKey(L"CLSID\\" + id);
        EXPECT_EQ(VariantText(registry.Value()), c.text) << "cRegistry";
        EXPECT_EQ(registry.ValueType(), static_cast<std::int32_t>(c.type));
    }
}

} // namespace
} // namespace nivex
