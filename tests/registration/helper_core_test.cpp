// The registration helper's portable parts: its report, the texts built from a result, when rights are
// worth asking for, where each bitness finds its helper, and its command line.
#include <gtest/gtest.h>

#include <tuple>

#include "inspect/pe_imports.h"
#include "registration/helper_command.h"
#include "registration/reg_host_report.h"

// Results are written with designated initializers: the members left out keep their defaults.
#ifdef __GNUC__
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif

namespace nivex {
namespace {

RegFileValue Value(const wchar_t* name, std::uint32_t type, std::string bytes) {
    return RegFileValue{name, type, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), false};
}

HostReport SampleReport() {
    const CapturedKey key{{L"HKEY_CLASSES_ROOT\\CLSID\\{1}\\name with\nbreak",
                           {Value(L"", 1, std::string("a\0\0\0", 4)), Value(L"x y", 4, std::string("\1\0\0\0", 4)),
                            Value(L"empty", 3, "")},
                           false},
                          true,
                          {Value(L"X Y", 4, std::string("\2\0\0\0", 4))}};
    return HostReport{{.outcome = RegOutcome::EntryPointFailed, .phase = RegPhase::Call,
                       .hresult = static_cast<std::int32_t>(0x80040201), .systemError = 193,
                       .systemText = L"Line one\r\nback\\slash and \u00e9\U0001F600", .fileMissing = true,
                       .exceptionCode = 0xC00000FD, .explanation = L"needs x.dll", .registryDenied = true},
                      kMachineX86,
                      {key, CapturedKey{RegFileKey{L"HKEY_USERS\\S", {}, false}, false, {}}}};
}

std::wstring Flat(const HostReport& h) {
    const RegResult& r = h.result;
    std::wstring out = std::to_wstring(static_cast<int>(r.outcome)) + L"|" + std::to_wstring(static_cast<int>(r.phase)) +
                       L"|" + std::to_wstring(r.hresult) + L"|" + std::to_wstring(r.systemError) + L"|" + r.systemText +
                       L"|" + r.explanation + L"|" + r.problem + L"|" + std::to_wstring(r.exceptionCode) + L"|" +
                       (r.registryDenied ? L"D" : L"-") + (r.fileMissing ? L"M" : L"-") + std::to_wstring(h.machine);
    for (const CapturedKey& k : h.keys) // every byte, and what is there now under a key of its own
        out += FormatRegFile({k.written, {k.existed ? L"existed" : L"", k.current, false}});
    return out;
}

TEST(HostReport, ComesBackWholeAndAnythingCutOrForeignIsNoReport) {
    const HostReport sample = SampleReport();
    const std::string bytes = FormatHostReport(sample);
    const auto back = ParseHostReport(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(Flat(*back), Flat(sample));

    // Cut anywhere (the helper died while writing), damaged, or not a report at all.
    for (size_t cut = 0; cut < bytes.size(); cut += 7) EXPECT_FALSE(ParseHostReport(bytes.substr(0, cut))) << cut;
    for (const auto& [from, to] : {std::pair{"outcome 6", "outcome 9"}, {"phase 3", "phase x"},
                                   {"value 1 61", "value 1 6"}, {"\nend\n", "\nend\nextra\n"}, {"text ", "txet "},
                                   {"nivex-host-report 1", "nivex-host-report 2"}}) {
        std::string damaged = bytes;
        damaged.replace(damaged.find(from), std::string(from).size(), to);
        EXPECT_FALSE(ParseHostReport(damaged)) << from;
    }
    EXPECT_FALSE(ParseHostReport("key HKEY_CLASSES_ROOT\\x\nend\n"));
}

TEST(HostReport, KeysAndValuesAreMarkedAgainstWhatIsThere) {
    CapturedKey key;
    key.written.values = {Value(L"Same", 1, "ab"), Value(L"Other", 1, "ab"), Value(L"Retyped", 2, "ab"),
                          Value(L"Fresh", 1, "ab")};
    EXPECT_EQ(KeyMark(key), CaptureMark::New);
    EXPECT_EQ(ValueMark(key.written.values[0], key), CaptureMark::New);
    key.existed = true;
    key.current = {Value(L"SAME", 1, "ab"), Value(L"other", 1, "ac"), Value(L"Retyped", 1, "ab")};
    const CaptureMark expected[] = {CaptureMark::Same, CaptureMark::Changed, CaptureMark::Changed, CaptureMark::New};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(ValueMark(key.written.values[i], key), expected[i]) << i;
    EXPECT_EQ(KeyMark(key), CaptureMark::Changed);
    key.written.values.resize(1);
    EXPECT_EQ(KeyMark(key), CaptureMark::Same);
    key.written.values.clear(); // a key created without values, already there
    EXPECT_EQ(KeyMark(key), CaptureMark::Same);
}

using O = RegOutcome;

std::wstring Shown(const RegResult& r, int mode) {
    const OutcomeText t = DescribeResult(r, mode, L"C:\\f\\notes%1.dll");
    return (t.success ? L"+" : L"-") + t.caption + L"|" + t.title + L"|" + t.message + L"|" + t.sound;
}

TEST(OutcomeTexts, SuccessNamesTheFileAndItsFolderAndEachFailureItsReasonWithInsertsFilled) {
    EXPECT_EQ(Shown({.outcome = O::Completed}, kModeRegister),
              L"+Nivex - Success|Registration Successful!|notes%1.dll was successfully registered in the \"C:\\f\\\" "
              L"directory.|Media\\nivex_regS.wav");
    EXPECT_EQ(Shown({.outcome = O::Completed}, kModeUnregister),
              L"+Nivex - Success|Unregistration Successful!|notes%1.dll was successfully Unregistered from the "
              L"\"C:\\f\\\" directory.|Media\\nivex_unregS.wav");
    EXPECT_EQ(Shown({.outcome = O::Cancelled}, kModeRegister), L"-|||") << "a cancelled flow shows nothing";
    const RegResult notProgram{.outcome = O::LoadFailed, .systemError = 193, .systemText = L"Bad EXE format for %1."};
    RegResult foreign = notProgram;
    foreign.explanation = L"Built for x64";
    const std::wstring gone = L"The helper for 32-bit control servers is missing: C:\\N\\x86\\nivexcmd.exe.";
    const std::tuple<RegResult, int, std::wstring> failures[] = {
        {{.outcome = O::InvalidMode}, 2, L"Invalid Function"},
        {notProgram, kModeRegister, L"Unable to Load File: Bad EXE format for notes%1.dll.\nnotes%1.dll is not a program file."},
        {foreign, kModeRegister, L"Unable to Load File: Bad EXE format for notes%1.dll.\nBuilt for x64."},
        {{.outcome = O::LoadFailed, .systemText = L"ignored", .fileMissing = true}, kModeRegister, L"File Not Found"},
        {{.outcome = O::EntryPointMissing}, kModeRegister, L"Invalid ActiveX Control"},
        {{.outcome = O::Crashed, .phase = RegPhase::Call, .exceptionCode = 0xC0000005}, kModeUnregister,
         L"The server stopped with exception 0xC0000005 (access violation) in DllUnregisterServer."},
        {{.outcome = O::Crashed, .phase = RegPhase::Load, .exceptionCode = 0xC00000FD}, kModeRegister,
         L"The server stopped with exception 0xC00000FD (stack overflow) while it was being loaded."},
        {{.outcome = O::Crashed, .phase = RegPhase::Call, .exceptionCode = 0xE0000001}, kModeRegister,
         L"The server stopped with exception 0xE0000001 in DllRegisterServer."},
        {{.outcome = O::Crashed}, kModeRegister, L"The helper ended without reporting an outcome."},
        {{.outcome = O::ThreadFailed, .problem = gone}, kModeRegister, gone},
        {{.outcome = O::ThreadFailed}, kModeUnregister, L"Unable to Create Thread"},
        {{.outcome = O::TimedOut}, kModeRegister, L"Registration Failed"},
        {{.outcome = O::TimedOut}, kModeUnregister, L"Unregistration Failed"},
        {{.outcome = O::EntryPointFailed, .hresult = static_cast<std::int32_t>(0x80070005), .systemText = L"Access denied."},
         kModeRegister, L"DllRegisterServer returned error 0x80070005: Access denied.\nAdministrator rights are needed: run "
                        L"Nivex as an administrator."},
    };
    for (const auto& [result, mode, reason] : failures) {
        const std::wstring verb = mode == kModeRegister ? L"Registration" : L"Unregistration";
        EXPECT_EQ(Shown(result, mode), L"-Nivex - Failed|" + verb + L" Failed!|" + verb + L" of notes%1.dll failed.\n" +
                                           reason + L"|Media\\nivex_fail.wav");
    }
    EXPECT_EQ(FillInserts(L"%1 and %10 and %", L"f"), L"f and %10 and %");
}

TEST(HelperResultTexts, RightsAreOfferedOnlyForFailuresThatRightsCanMend) {
    const auto failed = [](std::uint32_t code, bool denied) {
        return RegResult{.outcome = O::EntryPointFailed, .hresult = static_cast<std::int32_t>(code), .registryDenied = denied};
    };
    const std::pair<RegResult, bool> cases[] = {
        {failed(0x80070005, false), true}, {failed(0x8002801C, false), true}, {failed(0x80040201, true), true},
        {failed(0x80040201, false), false}, {failed(0x80004005, true), false},
        {{.outcome = O::LoadFailed, .systemError = 5}, true}, {{.outcome = O::LoadFailed, .systemError = 193}, false},
        {{.outcome = O::Crashed, .hresult = static_cast<std::int32_t>(0x80070005)}, false},
        {{.outcome = O::Completed}, false}, {{.outcome = O::TimedOut}, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(NeedsAdministrator(cases[i].first), cases[i].second) << i;
}

TEST(HelperLocation, EachBitnessFindsTheOthersHelperWhereTheSetupPutsIt) {
    const std::tuple<const wchar_t*, std::uint16_t, std::uint16_t, const wchar_t*> cases[] = {
        {L"C:\\Nivex", kMachineX64, kMachineX64, L"C:\\Nivex\\nivexcmd.exe"},
        {L"C:\\Nivex\\", kMachineX64, kMachineX86, L"C:\\Nivex\\x86\\nivexcmd.exe"},
        {L"C:\\Nivex", kMachineX64, 0, L"C:\\Nivex\\nivexcmd.exe"},
        {L"C:\\Nivex", kMachineX64, kMachineArm64, L"C:\\Nivex\\nivexcmd.exe"},
        {L"C:\\Nivex\\X86", kMachineX86, kMachineX64, L"C:\\Nivex\\nivexcmd.exe"},
        {L"C:\\Nivex32", kMachineX86, kMachineX64, L"C:\\Nivex32\\x64\\nivexcmd.exe"},
        {L"C:\\Nivex\\x86", kMachineX86, kMachineX86, L"C:\\Nivex\\x86\\nivexcmd.exe"},
    };
    for (const auto& [dir, own, server, helper] : cases) EXPECT_EQ(HelperProgramPath(dir, own, server), helper) << dir;
}

TEST(HelperCommandLine, ParsesWhatItWritesAndRefusesTheRest) {
    const HostRequest request{.mode = HostMode::Capture, .file = L"C:\\a b\\x.ocx", .result = L"C:\\t\\r.txt",
                              .redirects = {{L"HKCR", L"Software\\T\\Classes"}, {L"HKCU", L"Software\\T\\User"}},
                              .scratch = L"Nivex Dry Run 1"};
    // The arguments as the system splits them back (every helper run checks what HostArguments writes).
    const std::vector<std::wstring> split = {L"capture", request.file, L"--result", request.result,
                                             L"--redirect", L"HKCR=Software\\T\\Classes", L"--redirect",
                                             L"HKCU=Software\\T\\User", L"--scratch", request.scratch};
    const HostParse parsed = ParseHostArguments(split);
    EXPECT_EQ(parsed.error, L"");
    EXPECT_TRUE(parsed.request == request);
    for (const std::vector<std::wstring>& bad :
         {std::vector<std::wstring>{L"register"}, {L"install", L"f", L"--result", L"r"}, {L"register", L"f"},
          {L"register", L"f", L"--result"}, {L"capture", L"f", L"--result", L"r"},
          {L"capture", L"f", L"--result", L"r", L"--scratch", L"..\\Run"},
          {L"register", L"f", L"--result", L"r", L"--redirect", L"HKCC=x"},
          {L"register", L"f", L"--result", L"r", L"--redirect", L"HKCR="},
          {L"register", L"f", L"--result", L"r", L"--verbose", L"1"}})
        EXPECT_NE(ParseHostArguments(bad).error, L"") << ::testing::PrintToString(bad.size());
}

} // namespace
} // namespace nivex
