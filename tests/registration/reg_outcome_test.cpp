#include <gtest/gtest.h>

#include "registration/reg_outcome.h"

namespace nivex {
namespace {

TEST(OutcomeTexts, SuccessNamesTheFileAndItsFolder) {
    OutcomeText t = DescribeOutcome(RegOutcome::Completed, kModeRegister, L"C:\\WINDOWS\\system32\\a b.ocx", L"");
    EXPECT_TRUE(t.success);
    EXPECT_EQ(t.caption, L"Nivex - Success");
    EXPECT_EQ(t.title, L"Registration Successful!");
    EXPECT_EQ(t.message, L"a b.ocx was successfully registered in the \"C:\\WINDOWS\\system32\\\" directory.");
    EXPECT_EQ(t.sound, L"Media\\nivex_regS.wav");
    t = DescribeOutcome(RegOutcome::Completed, kModeUnregister, L"D:\\x.dll", L"");
    EXPECT_EQ(t.title, L"Unregistration Successful!");
    EXPECT_EQ(t.message, L"x.dll was successfully Unregistered from the \"D:\\\" directory.");
    EXPECT_EQ(t.sound, L"Media\\nivex_unregS.wav");
}

TEST(OutcomeTexts, EachFailureHasItsReasonOnTheSecondLine) {
    const struct {
        RegOutcome outcome;
        int mode;
        const wchar_t* reason;
    } cases[] = {
        {RegOutcome::InvalidMode, 2, L"Invalid Function"},
        {RegOutcome::LoadFailed, kModeRegister, L"File Not Found"},
        {RegOutcome::EntryPointMissing, kModeRegister, L"Invalid ActiveX Control"},
        {RegOutcome::ThreadFailed, kModeUnregister, L"Unable to Create Thread"},
        {RegOutcome::TimedOut, kModeRegister, L"Registration Failed"},
        {RegOutcome::TimedOut, kModeUnregister, L"Unregistration Failed"},
    };
    for (const auto& c : cases) {
        const OutcomeText t = DescribeOutcome(c.outcome, c.mode, L"C:\\f\\ctl.ocx", L"");
        EXPECT_FALSE(t.success);
        EXPECT_EQ(t.caption, L"Nivex - Failed");
        EXPECT_EQ(t.sound, L"Media\\nivex_fail.wav");
        const std::wstring verb = c.mode == kModeRegister ? L"Registration" : L"Unregistration";
        EXPECT_EQ(t.title, verb + L" Failed!");
        EXPECT_EQ(t.message, verb + L" of ctl.ocx failed.\n" + c.reason);
    }
    // A detailed reason replaces the fixed one; a cancelled flow shows nothing.
    EXPECT_EQ(DescribeOutcome(RegOutcome::LoadFailed, kModeRegister, L"c.ocx", L"Why").message,
              L"Registration of c.ocx failed.\nWhy");
    const OutcomeText cancelled = DescribeOutcome(RegOutcome::Cancelled, kModeRegister, L"c.ocx", L"");
    EXPECT_TRUE(cancelled.caption.empty() && cancelled.message.empty() && cancelled.sound.empty());
    EXPECT_FALSE(cancelled.success);
}

TEST(OutcomeTexts, EntryPointFailureGivesTheCodeInHexAndTheSystemText) {
    const std::wstring denied =
        EntryPointFailureText(kModeRegister, static_cast<std::int32_t>(0x80070005), L"Access denied.");
    EXPECT_EQ(denied, L"DllRegisterServer returned error 0x80070005: Access denied.\n"
                      L"Administrator rights are needed: run Nivex as an administrator.");
    EXPECT_EQ(EntryPointFailureText(kModeUnregister, static_cast<std::int32_t>(0x8000FFFF), L""),
              L"DllUnregisterServer returned error 0x8000FFFF");
    EXPECT_EQ(EntryPointFailureText(kModeRegister, static_cast<std::int32_t>(0x80040200), L""),
              L"DllRegisterServer returned error 0x80040200: The type library could not be registered.");
    EXPECT_EQ(LoadFailureText(L"Bad format.", true),
              L"Unable to Load File: Bad format.\nThe file is built for another processor: a 32-bit control cannot "
              L"be loaded by 64-bit Nivex.");
    EXPECT_EQ(LoadFailureText(L"", false), L"Unable to Load File");
}

TEST(OutcomeExitCodes, OnlyCompletedIsZeroAndNoneClashesWithUsageOrFailure) {
    EXPECT_EQ(OutcomeExitCode(RegOutcome::Completed), 0);
    EXPECT_EQ(OutcomeExitCode(RegOutcome::Cancelled), 3);
    EXPECT_EQ(OutcomeExitCode(RegOutcome::InvalidMode), 10);
    EXPECT_EQ(OutcomeExitCode(RegOutcome::LoadFailed), 11);
    EXPECT_EQ(OutcomeExitCode(RegOutcome::EntryPointMissing), 12);
    EXPECT_EQ(OutcomeExitCode(RegOutcome::TimedOut), 15);
    EXPECT_EQ(OutcomeExitCode(RegOutcome::EntryPointFailed), 16);
    EXPECT_TRUE(IsSuccess(RegOutcome::Completed));
    EXPECT_FALSE(IsSuccess(RegOutcome::EntryPointFailed));
}

} // namespace
} // namespace nivex
