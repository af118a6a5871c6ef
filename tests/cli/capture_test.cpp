// nivexcmd capture and the outcomes of servers that crash their helper, as a separate program against the
// test prefix's registry, which a dry run must leave as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/text.h"
#include "fixtures/servers/fixture_ids.h"
#include "registration/reg_file.h"
#include "support/registry_sandbox.h"
#include "support/run_program.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;

testing::RunResult Nivexcmd(const std::wstring& arguments) { return testing::RunNivexcmd(arguments); }
std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

TEST(NivexCmdCapture, ListsWhatRegisteringWouldWriteAndExportsItWithoutRegistering) {
    testing::TempFolder folder;
    const std::wstring server = testing::FixturePath(kDemoLibrary.fileName);
    const std::wstring classKey = std::wstring(L"CLSID\\") + kDemoLibrary.classes[0].clsidText;
    ASSERT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, classKey)) << "the prefix has the fixture registered";
    const std::wstring reg = folder.File(L"out.reg");
    const testing::RunResult json = Nivexcmd(L"capture " + Quoted(server) + L" --json --reg " + Quoted(reg));
    EXPECT_EQ(json.exitCode, 0u) << json.err;
    const std::string view = sizeof(void*) == 8 ? "\"view\": \"64-bit\"" : "\"view\": \"32-bit\"";
    EXPECT_NE(json.out.find(view), std::string::npos) << json.out;
    const std::string inproc = WideToUtf8(L"HKEY_CLASSES_ROOT\\\\CLSID\\\\" + std::wstring(kDemoLibrary.classes[0].clsidText) +
                                          L"\\\\InprocServer32\", \"mark\": \"new\"");
    EXPECT_NE(json.out.find(inproc), std::string::npos) << json.out;
    EXPECT_FALSE(testing::RegKeyPresent(HKEY_CLASSES_ROOT, classKey)) << "a dry run registered the server";

    const std::string bytes = testing::ReadFileBytes(reg);
    const RegFileParse parsed = ParseRegFile(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    EXPECT_EQ(parsed.error, L"");
    EXPECT_TRUE(std::any_of(parsed.keys.begin(), parsed.keys.end(), [&](const RegFileKey& k) {
        return EqualsNoCase(k.path, L"HKEY_CLASSES_ROOT\\" + classKey + L"\\InprocServer32") && !k.values.empty() &&
               k.values[0].name.empty();
    }));
    EXPECT_EQ(Nivexcmd(L"capture").exitCode, 2u);
}

TEST(NivexCmdCapture, AServerThatCrashesOrOverflowsItsStackIsAFailureWithItsException) {
    testing::TempFolder folder;
    const struct {
        const wchar_t* command;
        const wchar_t* fixture;
        const char* exception;
    } cases[] = {
        {L"register", fixtures::kOverflowFile, "exception 0xC00000FD (stack overflow) in DllRegisterServer"},
        {L"unregister", fixtures::kCrashFile, "exception 0xC0000005 (access violation) in DllUnregisterServer"},
        {L"capture", fixtures::kCrashFile, "exception 0xC0000005 (access violation) in DllRegisterServer"},
    };
    for (const auto& c : cases) {
        const std::wstring reg = folder.File(L"never.reg");
        const testing::RunResult run = Nivexcmd(std::wstring(c.command) + L" " + Quoted(testing::FixturePath(c.fixture)) +
                                                (std::wstring(c.command) == L"capture" ? L" --reg " + Quoted(reg) : L""));
        EXPECT_EQ(run.exitCode, 17u) << WideToUtf8(c.command) << ": " << run.out << run.err;
        EXPECT_NE(run.err.find(c.exception), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("Successful"), std::string::npos) << run.out;
        EXPECT_EQ(GetFileAttributesW(reg.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

} // namespace
} // namespace nivex
