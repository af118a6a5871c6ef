#include <gtest/gtest.h>

#include "inspect/path_split.h"

namespace nivex {
namespace {

TEST(PathSplit, FileNameIsTheTextAfterTheLastBackslash) {
    EXPECT_EQ(GetFileName(L"C:\\WINNT\\System32\\comctl32.ocx"), L"comctl32.ocx");
    EXPECT_EQ(GetFileName(L"comctl32.ocx"), L"comctl32.ocx");
    EXPECT_EQ(GetFileName(L"C:\\Temp\\"), L"");
    EXPECT_EQ(GetFileName(L"\\\\server\\share\\a.dll"), L"a.dll");
    EXPECT_EQ(GetFileName(L"\\"), L"");
    EXPECT_EQ(GetFileName(L""), L"");
    // Only the backslash separates: a forward slash is part of the name.
    EXPECT_EQ(GetFileName(L"C:\\x/y.dll"), L"x/y.dll");
}

TEST(PathSplit, FolderAlwaysEndsInABackslash) {
    EXPECT_EQ(GetFilePath(L"C:\\WINNT\\System32\\comctl32.ocx"), L"C:\\WINNT\\System32\\");
    EXPECT_EQ(GetFilePath(L"C:\\Temp\\"), L"C:\\Temp\\");
    EXPECT_EQ(GetFilePath(L"comctl32.ocx"), L"\\");
    EXPECT_EQ(GetFilePath(L""), L"\\");
    EXPECT_EQ(GetFilePath(L"\\a.dll"), L"\\");
    EXPECT_EQ(GetFilePath(L"C:\\a\\\\b.dll"), L"C:\\a\\\\");
}

TEST(PathSplit, FolderAndNameRebuildThePath) {
    for (const std::wstring path :
         {L"C:\\WINNT\\System32\\comctl32.ocx", L"D:\\x.ocx", L"C:\\Temp\\", L"\\\\s\\h\\f"}) {
        EXPECT_EQ(GetFilePath(path) + GetFileName(path), path);
    }
}

TEST(PathSplit, SearchPatternsAreRecognised) {
    EXPECT_FALSE(IsSearchPattern(L"C:\\Windows\\System32\\kernel32.dll"));
    EXPECT_FALSE(IsSearchPattern(L"C:\\Program Files (x86)\\a b.c.ocx"));
    EXPECT_TRUE(IsSearchPattern(L"C:\\Windows\\*.dll"));
    EXPECT_TRUE(IsSearchPattern(L"C:\\Windows\\kernel3?.dll"));
    EXPECT_TRUE(IsSearchPattern(L"C:\\Win*\\kernel32.dll"));
    EXPECT_TRUE(IsSearchPattern(L"C:\\Windows\\kernel32<"));
    EXPECT_TRUE(IsSearchPattern(L"C:\\Windows\\kernel32\".dll"));
    EXPECT_TRUE(IsSearchPattern(std::wstring(L"C:\\a.dll\0b", 10)));
    // The long-path prefix is not a wildcard, but a wildcard after it is.
    EXPECT_FALSE(IsSearchPattern(L"\\\\?\\C:\\Windows\\kernel32.dll"));
    EXPECT_TRUE(IsSearchPattern(L"\\\\?\\C:\\Windows\\kernel?2.dll"));
}

} // namespace
} // namespace nivex
