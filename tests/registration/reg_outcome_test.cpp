#include <gtest/gtest.h>

#include "registration/reg_outcome.h"

namespace nivex {
namespace {

std::wstring Shown(RegOutcome outcome, int mode, const wchar_t* detail = L"") {
    const OutcomeText t = DescribeOutcome(outcome, mode, L"C:\\f\\a b.ocx", detail);
    return (t.success ? L"+" : L"-") + t.caption + L"|" + t.title + L"|" + t.message + L"|" + t.sound;
}

TEST(OutcomeTexts, SuccessNamesTheFileAndItsFolderAndEachFailureItsReason) {
    EXPECT_EQ(Shown(RegOutcome::Completed, kModeRegister),
              L"+Nivex - Success|Registration Successful!|a b.ocx was successfully registered in the \"C:\\f\\\" "
              L"directory.|Media\\nivex_regS.wav");
    EXPECT_EQ(Shown(RegOutcome::Completed, kModeUnregister),
              L"+Nivex - Success|Unregistration Successful!|a b.ocx was successfully Unregistered from the "
              L"\"C:\\f\\\" directory.|Media\\nivex_unregS.wav");
    const struct { RegOutcome outcome; int mode; const wchar_t* detail; const wchar_t* reason; } failures[] = {
        {RegOutcome::InvalidMode, 2, L"", L"Invalid Function"},
        {RegOutcome::LoadFailed, kModeRegister, L"", L"File Not Found"},
        {RegOutcome::LoadFailed, kModeRegister, L"Why", L"Why"}, // a detailed reason replaces the fixed one
        {RegOutcome::EntryPointMissing, kModeRegister, L"", L"Invalid ActiveX Control"},
        {RegOutcome::ThreadFailed, kModeUnregister, L"", L"Unable to Create Thread"},
        {RegOutcome::TimedOut, kModeRegister, L"", L"Registration Failed"},
        {RegOutcome::TimedOut, kModeUnregister, L"", L"Unregistration Failed"},
    };
    for (const auto& f : failures) {
        const std::wstring verb = f.mode == kModeRegister ? L"Registration" : L"Unregistration";
        EXPECT_EQ(Shown(f.outcome, f.mode, f.detail), L"-Nivex - Failed|" + verb + L" Failed!|" + verb +
                                                          L" of a b.ocx failed.\n" + f.reason + L"|Media\\nivex_fail.wav");
    }
    EXPECT_EQ(Shown(RegOutcome::Cancelled, kModeRegister), L"-|||") << "a cancelled flow shows nothing";
}

TEST(OutcomeTexts, EntryPointFailureGivesTheCodeInHexAndTheSystemText) {
    EXPECT_EQ(EntryPointFailureText(kModeUnregister, static_cast<std::int32_t>(0x8000FFFF), L""),
              L"DllUnregisterServer returned error 0x8000FFFF");
    EXPECT_EQ(EntryPointFailureText(kModeRegister, static_cast<std::int32_t>(0x80040200), L""),
              L"DllRegisterServer returned error 0x80040200: The type library could not be registered.");
    EXPECT_EQ(LoadFailureText(L"Bad format.", L"a.ocx needs b.dll, which was not found"),
              L"Unable to Load File: Bad format.\na.ocx needs b.dll, which was not found.");
    EXPECT_EQ(LoadFailureText(L"", L""), L"Unable to Load File");
}

TEST(OutcomeExitCodes, OnlyCompletedIsZeroAndNoneClashesWithUsageOrFailure) {
    for (const auto& [outcome, code] : {std::pair{RegOutcome::Completed, 0}, {RegOutcome::Cancelled, 3},
                                        {RegOutcome::InvalidMode, 10}, {RegOutcome::LoadFailed, 11},
                                        {RegOutcome::EntryPointMissing, 12}, {RegOutcome::TimedOut, 15},
                                        {RegOutcome::EntryPointFailed, 16}})
        EXPECT_EQ(OutcomeExitCode(outcome), code);
}

} // namespace
} // namespace nivex
