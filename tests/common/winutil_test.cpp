#include <gtest/gtest.h>

#include "common/winutil.h"

namespace nivex {
namespace {

TEST(WinUtil, AnsiRoundTripOfCodePageText) {
    const std::wstring text = L"Caf\u00e9 1.0";
    EXPECT_EQ(AnsiToWide(WideToAnsi(text)), text);
    EXPECT_EQ(WideToAnsi(L"abc"), "abc");
}

TEST(WinUtil, SystemErrorTextHasNoLineBreak) {
    const std::wstring text = SystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
}

TEST(WinUtil, ExecutableNamesAndSystemFolder) {
    EXPECT_EQ(ExecutableBaseName(), L"common_win_tests");
    const std::wstring folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), L'\\');
    const std::wstring system = QuerySystemDirectory();
    EXPECT_NE(system.find(L"ystem32"), std::wstring::npos);
}

} // namespace
} // namespace nivex
