// SLOW BY DESIGN (ten seconds): the one wait for the engine's time limit, on a server that blocks for a minute.
#include <gtest/gtest.h>

#include <chrono>

#include "registration/reg_engine.h"
#include "registration_test_support.h"

namespace nivex {
namespace {

TEST(EngineTimeOut, TenSecondWaitThenTheServerStaysLoadedAndTheNextRegistrationRuns) {
    testing::RegistrySandbox sandbox;
    const std::wstring hang = testing::FixturePath(fixtures::kHangFile);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RegisterServer(hang, kModeRegister), RegOutcome::TimedOut);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(9500));
    EXPECT_LT(waited, std::chrono::seconds(30));
    // The stopped worker's module stays loaded for good.
    EXPECT_NE(GetModuleHandleW(hang.c_str()), nullptr);
    EXPECT_EQ(PinnedServerCount(), 1u);

    const std::wstring demo = testing::FixturePath(fixtures::kDemoLibrary.fileName);
    EXPECT_EQ(RegisterServer(demo, kModeRegister), RegOutcome::Completed) << "the next registration runs normally";
    EXPECT_EQ(testing::RegisteredServer(fixtures::kDemoLibrary.classes[0]), demo);
}

} // namespace
} // namespace nivex
