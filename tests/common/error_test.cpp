#include <gtest/gtest.h>

#include "common/error.h"

namespace nivex {
namespace {

TEST(ErrorMessages, StandardErrorInText) {
    const Error error(26001, L"nivex.cRegistry", L"Failed to create registry Key: 'CLSID");
    EXPECT_EQ(ErrorInMessage(L"PopulateList", error),
              L"Error in PopulateList()\r\nError 26001 - Failed to create registry Key: 'CLSID");
    EXPECT_EQ(NumberDashDescription(-2147194454, L"x"), L"-2147194454 - x");
    EXPECT_STREQ(error.what(), "Error 26001 - Failed to create registry Key: 'CLSID");
}

} // namespace
} // namespace nivex
