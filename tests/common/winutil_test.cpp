#include <gtest/gtest.h>

#include "common/handles.h"
#include "common/winutil.h"

namespace nivex {
namespace {

TEST(WinUtil, CodePageTextSystemTextsAndOwnNames) {
    EXPECT_EQ(AnsiToWide(WideToAnsi(L"Caf\u00e9 1.0")), L"Caf\u00e9 1.0");
    const std::wstring denied = SystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(denied.empty());
    EXPECT_EQ(denied.find(L'\n'), std::wstring::npos);
    EXPECT_EQ(ExecutableBaseName(), L"common_win_tests");
    const std::wstring folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), L'\\');
    EXPECT_NE(QuerySystemDirectory().find(L"ystem32"), std::wstring::npos);
}

TEST(Handles, MoveTransfersOwnershipAndResetCloses) {
    KernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
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
