// Tools > Preview Registration under a real window system: the tree of a dry run, Export, and a server
// that fails before writing anything.
#include <gtest/gtest.h>

#include "common/text.h"
#include "registration/preview_window.h"
#include "registration/reg_engine.h"
#include "registration/registration_resource.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;

TEST(PreviewWindow, ShowsTheDryRunAsATreeOfMarkedKeysAndExportsItOrNamesWhyItFailed) {
    testing::RegistrationScene scene;
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    const std::wstring server = testing::FixturePath(kDemoLibrary.fileName);
    testing::SetRegString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kDemoLibrary.classes[0].clsidText, L"", L"Old name");
    frmPreviewRegistration* window = frmPreviewRegistration::Open(owner, scene.desktop, server, CaptureServerRegistration(server));
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowEnabled(owner));
    const std::vector<std::wstring> lines = window->TreeLines();
    ASSERT_EQ(lines.at(0), L"HKEY_CLASSES_ROOT");
    // The gauge's key was there with another name: changed; its subkeys are new.
    const std::wstring gauge = kDemoLibrary.classes[0].clsidText;
    for (const std::wstring& line : {L"    [changed] " + gauge, std::wstring(L"      [changed] (Default)  REG_SZ  Velmora Demo Gauge"),
                                     std::wstring(L"      [new] InprocServer32"), L"        [new] (Default)  REG_SZ  " + server})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << WideToUtf8(line);
    EXPECT_NE(window->SummaryText().find(L"1 changed"), std::wstring::npos) << WideToUtf8(window->SummaryText());

    testing::TempFolder folder;
    scene.desktop.fileAnswers = {folder.File(L"gauge.reg")};
    SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(IDC_PREVIEW_EXPORT, BN_CLICKED), 0);
    EXPECT_EQ(scene.desktop.fileDialogs.at(0).defaultExt, L"reg");
    const std::string bytes = testing::ReadFileBytes(folder.File(L"gauge.reg"));
    const RegFileParse parsed = ParseRegFile(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    EXPECT_EQ(parsed.error, L"");
    EXPECT_GT(parsed.keys.size(), 10u);

    SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);

    // A server that fails before writing anything is reported in a message, and no window opens.
    scene.desktop.fileAnswers = {testing::FixturePath(fixtures::kCrashFile)};
    PreviewRegistrationCommand(nullptr, scene.desktop);
    ASSERT_EQ(scene.desktop.messages.size(), 1u);
    EXPECT_EQ(scene.desktop.messages[0].title + L"|" + scene.desktop.messages[0].text,
              L"Preview Registration|The dry run of fixture_crash.dll failed.\nThe server stopped with exception "
              L"0xC0000005 (access violation) in DllRegisterServer.");
    EXPECT_EQ(FindWindowW(nullptr, L"Preview Registration"), nullptr);
}

} // namespace
} // namespace nivex
