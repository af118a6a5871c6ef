#include <gtest/gtest.h>

#include <windows.h>

#include "common/error.h"
#include "registry/registry.h"
#include "support/registry_sandbox.h"

namespace nivex {
namespace {

using testing::RegKeyPresent;

// The default value of a key below the (redirected) classes root, checked to be REG_SZ.
std::wstring DefaultText(const std::wstring& path) {
    bool found = false;
    DWORD type = 0;
    const std::wstring text = testing::GetRegString(HKEY_CLASSES_ROOT, path, L"", &found, &type);
    if (!found) return L"<absent>";
    if (type != REG_SZ) return L"<type " + std::to_wstring(type) + L">";
    return text;
}

class AssociationTest : public ::testing::Test {
protected:
    testing::RegistrySandbox sandbox;
    cRegistry reg;
};

TEST_F(AssociationTest, PlainAssociationWritesTypeClassAndOpenVerb) {
    reg.SetValueKey(L"Stray"); // writes go to default values whatever the instance pointed at
    reg.CreateEXEAssociation(L"  C:\\Program Files\\Nivex\\nivex.exe ", L"Nivex.Report", L"Nivex Report", L"nvr");
    EXPECT_EQ(DefaultText(L".nvr"), L"Nivex.Report");
    EXPECT_EQ(DefaultText(L"Nivex.Report"), L"Nivex Report");
    EXPECT_EQ(DefaultText(L"Nivex.Report\\shell\\open"), L"&Open");
    EXPECT_EQ(DefaultText(L"Nivex.Report\\shell\\open\\command"), L"\"C:\\Program Files\\Nivex\\nivex.exe\" \"%1\"");
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Nivex.Report\\shell\\print"));
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Nivex.Report\\shell\\add"));
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Nivex.Report\\shell\\new"));
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Nivex.Report\\DefaultIcon"));
    EXPECT_EQ(reg.ClassKey(), -2147483647 - 1);
    EXPECT_EQ(reg.ValueType(), 1);
}

TEST_F(AssociationTest, EveryVerbWithItsDefaultTextAndSwitch) {
    reg.CreateEXEAssociation(L"\"C:\\N\\nivex.exe\"", L"Nivex.Doc", L"Doc", L"nvd", L"", true, L"", true, L"", true,
                             L"", 0);
    const std::wstring exe = L"\"C:\\N\\nivex.exe\"";
    EXPECT_EQ(DefaultText(L"Nivex.Doc\\shell\\open"), L"&Open");
    EXPECT_EQ(DefaultText(L"Nivex.Doc\\shell\\print"), L"&Print");
    EXPECT_EQ(DefaultText(L"Nivex.Doc\\shell\\print\\command"), exe + L" /p \"%1\"");
    EXPECT_EQ(DefaultText(L"Nivex.Doc\\shell\\add"), L"&Install nvd");
    EXPECT_EQ(DefaultText(L"Nivex.Doc\\shell\\add\\command"), exe + L" /a \"%1\"");
    EXPECT_EQ(DefaultText(L"Nivex.Doc\\shell\\new"), L"&New");
    EXPECT_EQ(DefaultText(L"Nivex.Doc\\shell\\new\\command"), exe + L" /n \"%1\"");
    EXPECT_EQ(DefaultText(L"Nivex.Doc\\DefaultIcon"), exe + L",0");
}

TEST_F(AssociationTest, GivenVerbTextsAreUsed) {
    reg.CreateEXEAssociation(L"x.exe", L"Nivex.T", L"T", L"nvt", L"&View", true, L"Print &it", true, L"Make &new", true,
                             L"&Add it", 3);
    EXPECT_EQ(DefaultText(L"Nivex.T\\shell\\open"), L"&View");
    EXPECT_EQ(DefaultText(L"Nivex.T\\shell\\open\\command"), L"\"x.exe\" \"%1\"");
    EXPECT_EQ(DefaultText(L"Nivex.T\\shell\\print"), L"Print &it");
    EXPECT_EQ(DefaultText(L"Nivex.T\\shell\\new"), L"Make &new");
    EXPECT_EQ(DefaultText(L"Nivex.T\\shell\\add"), L"&Add it");
    EXPECT_EQ(DefaultText(L"Nivex.T\\DefaultIcon"), L"\"x.exe\",3");
}

TEST_F(AssociationTest, MissingNamesAreRefusedBeforeAnythingIsWritten) {
    EXPECT_THROW(reg.CreateEXEAssociation(L"x.exe", L"", L"Root text", L"nvz"), Error);
    EXPECT_THROW(reg.CreateEXEAssociation(L"x.exe", L"Nivex.Z", L"Z", L""), Error);
    EXPECT_EQ(DefaultText(L""), L"<absent>");
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"shell"));
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L".nvz"));
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Nivex.Z"));
}

TEST_F(AssociationTest, AdditionalVerbsNeedTriplesAndAnExistingClass) {
    try {
        reg.CreateAdditionalEXEAssociations(L"Nivex.More", {L"edit", L"&Edit"});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), -2147194452);
        EXPECT_EQ(e.Source(), L"registry_tests.cRegistry");
        EXPECT_EQ(e.Description(),
                  L"Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
    }
    for (const std::wstring& className : {std::wstring(L"Nivex.More"), std::wstring()}) {
        try {
            reg.CreateAdditionalEXEAssociations(className, {L"edit", L"&Edit", L"cmd"});
            ADD_FAILURE() << "no error for '" << ::testing::PrintToString(className) << "'";
        } catch (const Error& e) {
            EXPECT_EQ(e.Number(), -2147194451);
            EXPECT_EQ(e.Description(), L"Error - attempt to create additional associations before class defined.");
        }
    }
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"Nivex.More"));
    EXPECT_FALSE(RegKeyPresent(HKEY_CLASSES_ROOT, L"shell"));

    reg.CreateEXEAssociation(L"n.exe", L"Nivex.More", L"More", L"nvm");
    reg.CreateAdditionalEXEAssociations(
        L"Nivex.More", {L"edit", L"&Edit", L"\"n.exe\" /e \"%1\"", L"check", L"&Check", L"\"n.exe\" /c \"%1\""});
    EXPECT_EQ(DefaultText(L"Nivex.More\\shell\\edit"), L"&Edit");
    EXPECT_EQ(DefaultText(L"Nivex.More\\shell\\edit\\command"), L"\"n.exe\" /e \"%1\"");
    EXPECT_EQ(DefaultText(L"Nivex.More\\shell\\check"), L"&Check");
    EXPECT_EQ(DefaultText(L"Nivex.More\\shell\\check\\command"), L"\"n.exe\" /c \"%1\"");
}

} // namespace
} // namespace nivex
