// The registration helper's portable parts: its report, the texts built from a result, when rights are
// worth asking for, where each bitness finds its helper, and its command line.
#include <gtest/gtest.h>

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
    for (const CapturedKey& k : h.keys) {
        out += L"\n" + k.written.path + (k.existed ? L" existed" : L"");
        for (const auto* list : {&k.written.values, &k.current})
            for (const RegFileValue& v : *list)
                out += L" [" + v.name + L":" + std::to_wstring(v.type) + L":" + std::to_wstring(v.data.size()) + L"]";
    }
    return out;
}

TEST(HostReport, ComesBackWholeAndAnythingCutOrForeignIsNoReport) {
    const HostReport sample = SampleReport();
    const std::string bytes = FormatHostReport(sample);
    const auto back = ParseHostReport(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(Flat(*back), Flat(sample));
    EXPECT_EQ(back->keys[0].written.values[0].data, sample.keys[0].written.values[0].data);

    // Cut anywhere (the helper died while writing), damaged, or not a report at all.
    for (size_t cut = 0; cut < bytes.size(); cut += 7) EXPECT_FALSE(ParseHostReport(bytes.substr(0, cut))) << cut;
    std::string tampered = bytes;
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

TEST(HelperResultTexts, EachOutcomeSaysWhatHappenedWithInsertsFilled) {
    const RegResult notProgram{.outcome = O::LoadFailed, .systemError = 193, .systemText = L"Bad EXE format for %1."};
    RegResult foreign = notProgram;
    foreign.explanation = L"The file is built for another processor: a 64-bit control server cannot be loaded";
    const RegResult crashed{.outcome = O::Crashed, .phase = RegPhase::Call, .exceptionCode = 0xC0000005};
    const RegResult overflow{.outcome = O::Crashed, .phase = RegPhase::Load, .exceptionCode = 0xC00000FD};
    const std::wstring gone = L"The helper for 32-bit control servers is missing: C:\\N\\x86\\nivexcmd.exe.";
    const struct {
        RegResult result;
        int mode;
        std::wstring reason;
    } cases[] = {
        {notProgram, kModeRegister, L"Unable to Load File: Bad EXE format for notes%1.dll.\nnotes%1.dll is not a program file."},
        {foreign, kModeRegister, L"Unable to Load File: Bad EXE format for notes%1.dll.\nThe file is built for another "
                                 L"processor: a 64-bit control server cannot be loaded."},
        {{.outcome = O::LoadFailed, .systemText = L"ignored", .fileMissing = true}, kModeRegister, L"File Not Found"},
        {crashed, kModeUnregister,
         L"The server stopped with exception 0xC0000005 (access violation) in DllUnregisterServer."},
        {overflow, kModeRegister, L"The server stopped with exception 0xC00000FD (stack overflow) while it was being loaded."},
        {{.outcome = O::Crashed, .phase = RegPhase::Call, .exceptionCode = 0xE0000001}, kModeRegister,
         L"The server stopped with exception 0xE0000001 in DllRegisterServer."},
        {{.outcome = O::Crashed}, kModeRegister, L"The helper ended without reporting an outcome."},
        {{.outcome = O::ThreadFailed, .problem = gone}, kModeRegister, gone},
        {{.outcome = O::ThreadFailed}, kModeRegister, L"Unable to Create Thread"},
        {{.outcome = O::EntryPointFailed, .hresult = static_cast<std::int32_t>(0x80070005), .systemText = L"Access denied."},
         kModeRegister, L"DllRegisterServer returned error 0x80070005: Access denied.\nAdministrator rights are needed: run "
                        L"Nivex as an administrator."},
    };
    for (const auto& c : cases) EXPECT_EQ(ReasonFor(c.result, c.mode, L"C:\\f\\notes%1.dll"), c.reason);
    EXPECT_EQ(DescribeResult(crashed, kModeRegister, L"C:\\f\\a.ocx").message,
              L"Registration of a.ocx failed.\nThe server stopped with exception 0xC0000005 (access violation) in "
              L"DllRegisterServer.");
    EXPECT_EQ(OutcomeExitCode(O::Crashed), 17);
    EXPECT_EQ(FillInserts(L"%1 and %10 and %", L"f"), L"f and %10 and %");
}

TEST(HelperResultTexts, RightsAreOfferedOnlyForFailuresThatRightsCanMend) {
    const auto failed = [](std::uint32_t code, bool denied) {
        return RegResult{.outcome = O::EntryPointFailed, .hresult = static_cast<std::int32_t>(code), .registryDenied = denied};
    };
    const struct {
        RegResult result;
        bool offer;
    } cases[] = {
        {failed(0x80070005, false), true}, {failed(0x8002801C, false), true}, {failed(0x80040201, true), true},
        {failed(0x80040201, false), false}, {failed(0x80004005, true), false},
        {{.outcome = O::LoadFailed, .systemError = 5}, true}, {{.outcome = O::LoadFailed, .systemError = 193}, false},
        {{.outcome = O::Crashed, .hresult = static_cast<std::int32_t>(0x80070005)}, false},
        {{.outcome = O::Completed}, false}, {{.outcome = O::TimedOut}, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(NeedsAdministrator(cases[i].result), cases[i].offer) << i;
}

TEST(HelperLocation, EachBitnessFindsTheOthersHelperWhereTheSetupPutsIt) {
    const struct {
        const wchar_t* folder;
        std::uint16_t own, server;
        const wchar_t* helper;
    } cases[] = {
        {L"C:\\Nivex", kMachineX64, kMachineX64, L"C:\\Nivex\\nivexcmd.exe"},
        {L"C:\\Nivex\\", kMachineX64, kMachineX86, L"C:\\Nivex\\x86\\nivexcmd.exe"},
        {L"C:\\Nivex", kMachineX64, 0, L"C:\\Nivex\\nivexcmd.exe"},
        {L"C:\\Nivex", kMachineX64, kMachineArm64, L"C:\\Nivex\\nivexcmd.exe"},
        {L"C:\\Nivex\\X86", kMachineX86, kMachineX64, L"C:\\Nivex\\nivexcmd.exe"},
        {L"C:\\Nivex32", kMachineX86, kMachineX64, L"C:\\Nivex32\\x64\\nivexcmd.exe"},
        {L"C:\\Nivex\\x86", kMachineX86, kMachineX86, L"C:\\Nivex\\x86\\nivexcmd.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(HelperProgramPath(c.folder, c.own, c.server), c.helper) << c.folder;
}

TEST(HelperCommandLine, ParsesWhatItWritesAndRefusesTheRest) {
    HostRequest request;
    request.mode = HostMode::Capture;
    request.file = L"C:\\a b\\x.ocx";
    request.result = L"C:\\t\\r.txt";
    request.redirects = {{L"HKCR", L"Software\\T\\Classes"}, {L"HKCU", L"Software\\T\\User"}};
    request.scratch = L"Nivex Dry Run 1";
    // The arguments as the system splits them back: the quoting itself is checked against the system.
    const std::vector<std::wstring> split = {L"capture", request.file, L"--result", request.result,
                                             L"--redirect", L"HKCR=Software\\T\\Classes", L"--redirect",
                                             L"HKCU=Software\\T\\User", L"--scratch", request.scratch};
    EXPECT_EQ(HostArguments(request), L"host capture \"C:\\a b\\x.ocx\" --result C:\\t\\r.txt --redirect "
                                      L"HKCR=Software\\T\\Classes --redirect HKCU=Software\\T\\User --scratch "
                                      L"\"Nivex Dry Run 1\"");
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
