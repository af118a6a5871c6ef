#include <gtest/gtest.h>

#include "common/handles.h"

namespace nivex {
namespace {

TEST(Handles, MoveTransfersOwnershipAndResetCloses) {
    KernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE raw = event.Get();
    KernelHandle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.Get(), raw);
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(raw, &flags));
    moved.Reset();
    EXPECT_FALSE(GetHandleInformation(raw, &flags));
}

} // namespace
} // namespace nivex
