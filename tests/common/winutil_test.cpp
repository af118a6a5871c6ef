#include <gtest/gtest.h>

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

} // namespace
} // namespace nivex
