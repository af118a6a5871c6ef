// Registration in a helper process: servers that crash, overflow their stack, hang or fail end only their
// helper, in both bitnesses; a server of the other bitness goes to the other helper or names the missing
// one; rights are offered only after an access-denied outcome and only the helper runs elevated; a dry run
// shows what would be written and writes nothing.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "common/command_args.h"
#include "common/text.h"
#include "inspect/pe_imports.h"
#include "registration/reg_backup.h"
#include "registration/reg_engine.h"
#include "registration/reg_flows.h"
#include "registration/repair_operations.h"
#include "registration_test_support.h"
#include "support/run_program.h"

namespace nivex {
namespace {

using fixtures::kDemoLibrary;
using testing::FixturePath;
using testing::RegisteredServer;

// The fixture folders of the builds at hand: this build's, and the x86 build's beside an x64 one.
std::vector<std::wstring> FixtureFolders() {
    std::vector<std::wstring> folders{testing::FixtureFolder()};
    if (sizeof(void*) == 8) {
        const std::wstring x86 = testing::BinFolder() + L"\\..\\..\\windows-x86\\fixtures";
        const bool helper = GetFileAttributesW((HelperFolder() + L"\\x86\\nivexcmd.exe").c_str()) != INVALID_FILE_ATTRIBUTES;
        if (helper && GetFileAttributesW((x86 + L"\\" + kDemoLibrary.fileName).c_str()) != INVALID_FILE_ATTRIBUTES)
            folders.push_back(AbsolutePath(x86));
    }
    return folders;
}

// Everything below the (sandboxed) HKEY_CLASSES_ROOT and HKEY_CURRENT_USER, as a backup file would hold it.
std::wstring WholeRegistry() {
    std::vector<RegFileKey> keys;
    wchar_t name[256];
    for (const auto& [root, rootName] :
         {std::pair{HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT"}, std::pair{HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"}})
        for (DWORD i = 0; RegEnumKeyW(root, i, name, 256) == ERROR_SUCCESS; ++i)
            ReadKeyTree(root, rootName, name, keys);
    return FormatRegFile(keys);
}

// The fixture with its PE header's machine switched to the other processor.
std::wstring OtherMachineCopy(const testing::TempFolder& folder) {
    std::string image = testing::ReadFileBytes(FixturePath(kDemoLibrary.fileName));
    const auto peOffset = static_cast<std::size_t>(*reinterpret_cast<const LONG*>(image.data() + 0x3C));
    const WORD other = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
    std::memcpy(image.data() + peOffset + 4, &other, sizeof(other));
    return folder.WriteFile(L"foreign.ocx", image);
}

// Engine and helper together: each server's outcome and reason, in either bitness; a crash, an overflow or a
// hang ends only the helper; the registration lands in the caller's (sandboxed) registry. A dry run shows what
// registering would write, marked against the registry, and writes nothing.
TEST(HelperProcess, EachServerGivesItsOutcomeAndReasonCrashesOrHangsEndOnlyTheHelperAndADryRunWritesNothing) {
    testing::RegistrySandbox sandbox;
    testing::SetRegString(HKEY_CURRENT_USER, L"Software", L"", L"where dry runs keep their scratch keys");
    testing::TempFolder folder;
    const std::wstring text = folder.WriteFile(L"notes.dll", "This is not a library.\r\n"), absent = folder.File(L"absent.ocx");
    const std::wstring denied = L" returned error 0x80070005: " + ResultCodeText(static_cast<std::int32_t>(0x80070005)) +
                                L"\nAdministrator rights are needed";
    for (const std::wstring& fixtures : FixtureFolders()) {
        SCOPED_TRACE(WideToUtf8(fixtures));
        const auto file = [&](const wchar_t* name) { return fixtures + L"\\" + name; };
        const std::wstring demo = file(kDemoLibrary.fileName), failing = file(fixtures::kFailFile);
        // Path, mode, outcome, and part of the detailed reason (empty: the fixed reason stays).
        const std::tuple<std::wstring, int, RegOutcome, std::wstring> cases[] = {
            {file(fixtures::kCrashFile), kModeRegister, RegOutcome::Crashed, L"(access violation) in DllReg"},
            {file(fixtures::kOverflowFile), kModeUnregister, RegOutcome::Crashed, L"(stack overflow) in DllUnreg"},
            {failing, kModeRegister, RegOutcome::EntryPointFailed, L"DllRegisterServer" + denied},
            {failing, kModeUnregister, RegOutcome::EntryPointFailed, L"DllUnregisterServer" + denied},
            {file(fixtures::kNoEntryFile), kModeRegister, RegOutcome::EntryPointMissing, L""},
            {file(fixtures::kRegOnlyFile), kModeUnregister, RegOutcome::EntryPointMissing, L""},
            {text, kModeRegister, RegOutcome::LoadFailed, L"notes.dll is not a program file."},
            {absent, kModeRegister, RegOutcome::LoadFailed, L""},
            {L"", kModeRegister, RegOutcome::LoadFailed, L""},
            {absent, 2, RegOutcome::InvalidMode, L""}, // not loaded: that would have failed
            {failing, -1, RegOutcome::InvalidMode, L""},
            {demo, kModeRegister, RegOutcome::Completed, L""},
        };
        for (const auto& [path, mode, outcome, reason] : cases) {
            SCOPED_TRACE(WideToUtf8(path) + " in mode " + std::to_string(mode));
            RegDetail detail;
            EXPECT_EQ(RegisterServer(path, mode, &detail), outcome);
            EXPECT_TRUE(reason.empty() ? detail.reason.empty() : detail.reason.find(reason) != std::wstring::npos)
                << WideToUtf8(detail.reason);
            EXPECT_EQ(detail.reason.find(L"%1"), std::wstring::npos);
            EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr) << "never loaded here";
        }
        for (const auto& cls : kDemoLibrary.classes) EXPECT_EQ(RegisteredServer(cls), demo);
        EXPECT_EQ(RunServerRegistration(demo, kModeUnregister).outcome, RegOutcome::Completed);
        EXPECT_EQ(RegisteredServer(kDemoLibrary.classes[0]), L"");

        // A hang is ended at the time limit, helper and all: nothing holds the server afterwards.
        const std::wstring hang = folder.File(L"hang.dll");
        ASSERT_TRUE(CopyFileW(file(fixtures::kHangFile).c_str(), hang.c_str(), FALSE));
        EngineOptions quick;
        quick.timeoutMs = 1500;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunServerRegistration(hang, kModeRegister, quick).outcome, RegOutcome::TimedOut);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
        EXPECT_TRUE(DeleteFileW(hang.c_str())) << "a helper still holds the hanging server";

        const std::wstring before = WholeRegistry();
        HostReport report = CaptureServerRegistration(demo);
        ASSERT_EQ(report.result.outcome, RegOutcome::Completed) << WideToUtf8(ReasonFor(report.result, 1, demo));
        EXPECT_EQ(report.machine, ServerMachine(demo));
        EXPECT_EQ(WholeRegistry(), before) << "nothing written, and the scratch keys are gone";
        const std::wstring inproc = std::wstring(L"HKEY_CLASSES_ROOT\\CLSID\\") + kDemoLibrary.classes[0].clsidText +
                                    L"\\InprocServer32";
        const auto found = std::find_if(report.keys.begin(), report.keys.end(),
                                        [&](const CapturedKey& k) { return EqualsNoCase(k.written.path, inproc); });
        ASSERT_NE(found, report.keys.end());
        EXPECT_EQ(ValueDataText(found->written.values.at(0)), demo);
        EXPECT_EQ(KeyMark(*found), CaptureMark::New);
        EXPECT_EQ(CountMarks(report.keys).changed, 0u);

        // The exported keys imported give exactly what a real registration gives.
        const std::wstring exported = folder.File(L"capture.reg");
        std::vector<RegFileKey> keys;
        for (const CapturedKey& k : report.keys) keys.push_back(k.written);
        WriteRegFile(exported, keys);
        ASSERT_TRUE(ImportBackup(exported).ok);
        const std::wstring imported = WholeRegistry();
        ASSERT_EQ(RunServerRegistration(demo, kModeUnregister).outcome, RegOutcome::Completed);
        ASSERT_EQ(RunServerRegistration(demo, kModeRegister).outcome, RegOutcome::Completed);
        EXPECT_EQ(WholeRegistry(), imported);

        // Registered already: every key the same; one value changed since: that key changed.
        testing::SetRegString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kDemoLibrary.classes[1].clsidText, L"",
                              L"renamed");
        report = CaptureServerRegistration(demo);
        const CaptureCounts counts = CountMarks(report.keys);
        EXPECT_EQ(counts.changed, 1u);
        EXPECT_EQ(counts.same, report.keys.size() - 1);
        ASSERT_EQ(RunServerRegistration(demo, kModeUnregister).outcome, RegOutcome::Completed);

        // A server that crashes in a dry run leaves no scratch keys either.
        EXPECT_EQ(CaptureServerRegistration(file(fixtures::kCrashFile)).result.outcome, RegOutcome::Crashed);
        EXPECT_EQ(WholeRegistry(), before) << "unregistered again, and no scratch keys";
    }

    // A name relative to the current folder is loaded by its full path, though a bare name is not looked for
    // in the current folder.
    ASSERT_TRUE(CopyFileW(FixturePath(fixtures::kRegOnlyFile).c_str(), folder.File(L"nivex_probe.dll").c_str(), FALSE));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    SetSafeDllSearch();
    EXPECT_EQ(RegisterServer(L"nivex_probe.dll", kModeRegister), RegOutcome::Completed);
    EXPECT_EQ(testing::GetRegString(HKEY_CLASSES_ROOT, fixtures::kRegOnlyKey, L""), L"1");
    HMODULE byName = LoadLibraryW(L"nivex_probe.dll");
    EXPECT_EQ(byName, nullptr) << "a bare name was found in the current folder";
    if (byName) FreeLibrary(byName);
    std::filesystem::current_path(previous);

    // A server of the other processor names the helper it needs when that is missing; the own helper does the rest.
    testing::TempFolder helpers;
    ASSERT_TRUE(CopyFileW((HelperFolder() + L"\\nivexcmd.exe").c_str(), helpers.File(L"nivexcmd.exe").c_str(), FALSE));
    const std::wstring saved = HelperFolder();
    SetHelperFolder(helpers.Text());
    const std::wstring foreign = OtherMachineCopy(folder);
    const RegResult r = RunServerRegistration(foreign, kModeRegister);
    EXPECT_EQ(RunServerRegistration(FixturePath(kDemoLibrary.fileName), kModeRegister).outcome, RegOutcome::Completed);
    SetHelperFolder(saved);
    EXPECT_EQ(r.outcome, RegOutcome::ThreadFailed);
    const std::wstring expected = sizeof(void*) == 8
                                      ? L"The helper for 32-bit control servers is missing: " + helpers.File(L"x86\\nivexcmd.exe")
                                      : L"The helper for 64-bit control servers is missing: " + helpers.File(L"x64\\nivexcmd.exe");
    EXPECT_EQ(ReasonFor(r, kModeRegister, foreign), expected + L".");
}

// A key of the sandbox that can only be read (owned by SYSTEM, so it cannot be deleted either) until the
// guard goes.
class ReadOnlyKey {
public:
    explicit ReadOnlyKey(const std::wstring& path) : path_(path) { Apply(L"O:SYD:(A;;KRWD;;;WD)", true); }
    ~ReadOnlyKey() { Restore(); }
    void Restore() { Apply(L"D:(A;;KA;;;WD)", false); }

private:
    void Apply(const wchar_t* sddl, bool owner) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path_.c_str(), 0, nullptr, 0, WRITE_DAC | (owner ? WRITE_OWNER : 0),
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | (owner ? OWNER_SECURITY_INFORMATION : 0);
        EXPECT_EQ(RegSetKeySecurity(key, what, sd), ERROR_SUCCESS);
        RegCloseKey(key);
        LocalFree(sd);
    }
    std::wstring path_;
};

std::vector<std::wstring> SplitCommandLine(const std::wstring& arguments) {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW((L"x.exe " + arguments).c_str(), &count);
    std::vector<std::wstring> split(argv + 1, argv + count);
    LocalFree(argv);
    return split;
}

// Registration, edit, restore and key removal refused for lack of rights are done again by the helper, and only
// the helper, started through the shell's "runas"; here it runs for real, with the rights the key then grants.
TEST(HelperProcess, RightsAreOfferedOnlyAfterAnAccessDeniedOutcomeAndOnlyTheHelperRunsElevated) {
    // What the system's splitting gives back from a quoted argument is the argument itself.
    for (const wchar_t* arg : {L"plain", L"with blank", L"", L"ends in\\", L"a\"quote", L"C:\\dir with blank\\",
                               L"\\\\server\\share\\x \"y\"\\\\"})
        EXPECT_EQ(SplitCommandLine(QuoteArgument(arg) + L" next"), (std::vector<std::wstring>{arg, L"next"})) << WideToUtf8(arg);

    testing::RegistrationScene scene;
    testing::TempFolder backups;
    SetBackupFolder(backups.Text());
    scene.desktop.administrator = false;
    const std::wstring gauge = kDemoLibrary.classes[0].clsidText, gaugeKey = L"CLSID\\" + gauge;
    // A file name with blanks and an apostrophe (quotes cannot be in file names).
    const std::wstring file = testing::RegistrationScene::CopyFixture(scene.system, kDemoLibrary.fileName, L"it's mine.ocx");
    std::wstring path = file;
    {
        ReadOnlyKey locked(gaugeKey);
        scene.desktop.answers = {MsgAnswer::No};
        EXPECT_EQ(RegisterControl(path, scene.Flow()), RegOutcome::EntryPointFailed);
        EXPECT_EQ(scene.desktop.messages.at(0).title, L"Registration Failed!"); // a second question would fail the test
        EXPECT_NE(scene.desktop.messages[0].text.find(L"returned error 0x80070005"), std::wstring::npos);
        EXPECT_TRUE(scene.desktop.messages[0].text.ends_with(L"\n\nTry again as administrator?"));
        EXPECT_TRUE(scene.desktop.executions.empty()) << "No runs nothing";
    }
    const std::wstring restoreFile = backups.File(L"named.reg");
    WriteRegFile(restoreFile, {RegFileKey{L"HKEY_CLASSES_ROOT\\" + gaugeKey, {{L"", REG_SZ, {'R', 0, 0, 0}, false}}, false}});
    // Each operation, and whether its change is in the registry afterwards.
    const std::pair<std::wstring, std::function<bool()>> cases[] = {
        {L"register", [&] {
             return RegisterControl(path, scene.Flow()) == RegOutcome::Completed &&
                    RegisteredServer(kDemoLibrary.classes[0]) == file &&
                    scene.display.shown.back().title == L"Registration Successful!";
         }},
        {L"edit", [&] {
             return WriteElementValue(gauge, L"Control Name", L"Renamed", scene.desktop, nullptr, Elevation::Ask).ok &&
                    testing::GetRegString(HKEY_CLASSES_ROOT, gaugeKey, L"") == L"Renamed";
         }},
        {L"restore", [&] {
             return ImportBackup(restoreFile, scene.desktop, nullptr, Elevation::Ask).ok &&
                    testing::GetRegString(HKEY_CLASSES_ROOT, gaugeKey, L"") == L"R";
         }},
        {L"delete-keys", [&] {
             RemovalRequest request;
             request.libraryId = kDemoLibrary.libIdText;
             request.classIds = {gauge};
             request.confirm = Confirm::Never;
             request.announceBackup = false;
             return RemoveRegistryKeys(request, scene.desktop).state == RemovalState::Removed &&
                    !testing::RegKeyPresent(HKEY_CLASSES_ROOT, gaugeKey);
         }},
    };
    for (const auto& [operation, changed] : cases) {
        SCOPED_TRACE(WideToUtf8(operation));
        ReadOnlyKey locked(gaugeKey);
        scene.desktop.messages.clear();
        scene.desktop.executions.clear();
        scene.desktop.answers = {MsgAnswer::Yes};
        scene.desktop.onElevated = [&locked](const testing::Execution& run) { // with the rights then granted
            locked.Restore();
            return ElevatedRun{true, 0, false, testing::RunProgram(run.file, run.parameters).exitCode};
        };
        EXPECT_TRUE(changed());
        ASSERT_EQ(scene.desktop.executions.size(), 1u);
        const testing::Execution& run = scene.desktop.executions[0];
        EXPECT_TRUE(run.verb == L"runas" && EqualsNoCase(run.file, HelperFolder() + L"\\nivexcmd.exe")) << WideToUtf8(run.file);
        const std::vector<std::wstring> args = SplitCommandLine(run.parameters);
        EXPECT_EQ(args.at(0) + L" " + args.at(1), L"host " + operation);
        // Key removal and Edit Data name their registration's view; a restore takes its backup's.
        const auto view = std::find(args.begin(), args.end(), L"--view");
        if (operation == L"edit" || operation == L"delete-keys")
            EXPECT_TRUE(view != args.end() && view + 1 != args.end() && view[1] == ViewNumber(OwnView()));
        else
            EXPECT_TRUE(view == args.end());
        EXPECT_TRUE(scene.desktop.messages.at(0).text.ends_with(L"Try again as administrator?"));
    }
    SetBackupFolder(L"");

    // No question where rights would not help, nor when they are held already.
    scene.desktop.messages.clear();
    scene.desktop.executions.clear();
    std::wstring noEntry = testing::RegistrationScene::CopyFixture(scene.system, fixtures::kNoEntryFile);
    EXPECT_EQ(RegisterControl(noEntry, scene.Flow()), RegOutcome::EntryPointMissing);
    scene.desktop.administrator = true;
    std::wstring failing = testing::RegistrationScene::CopyFixture(scene.system, fixtures::kFailFile);
    EXPECT_EQ(RegisterControl(failing, scene.Flow()), RegOutcome::EntryPointFailed);
    EXPECT_TRUE(scene.desktop.messages.empty());
    EXPECT_TRUE(scene.desktop.executions.empty());
}

} // namespace
} // namespace nivex
