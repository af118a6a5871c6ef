#include <gtest/gtest.h>

#include "reports/report_template.h"

namespace nivex {
namespace {

const wchar_t* const kTemplate = L"before head\r\n[HEAD]\r\nH %DATE %CONTROL_COUNT/%LIB_COUNT/%MISSING_COUNT v%APP_VERSION\r\n"
                                 L"[TYPELIB]\r\nL %TYPELIB_NAME %STATUS %FILE_SIZE %TYPELIB\r\n"
                                 L"[CONTROL]\r\nC %CONTROL_NAME %TYPELIB_NAME %TYPELIB\r\n[FOOT]\r\nF %DATE\r\n";

TEST(TemplateValidity, AllFourMarkersInOrder) {
    EXPECT_TRUE(IsValidTemplateText(kTemplate));
    EXPECT_FALSE(IsValidTemplateText(L"[HEAD]\r\n[CONTROL]\r\n[TYPELIB]\r\n[FOOT]\r\n"));
    EXPECT_FALSE(IsValidTemplateText(L"[HEAD]\r\n[TYPELIB]\r\n[CONTROL]\r\n"));
    EXPECT_FALSE(IsValidTemplateText(L""));
    EXPECT_FALSE(IsValidTemplateText(L"[head]\r\n[TYPELIB]\r\n[CONTROL]\r\n[FOOT]"));
    // Markers inside longer lines still count for validity.
    EXPECT_TRUE(IsValidTemplateText(L"x[HEAD]x[TYPELIB]x[CONTROL]x[FOOT]"));
}

TEST(TemplateSectionsTest, SectionsAreWholeLinesEachEndingInCrLf) {
    const TemplateSections s = ParseTemplate(kTemplate);
    EXPECT_EQ(s.head, L"before head\r\nH %DATE %CONTROL_COUNT/%LIB_COUNT/%MISSING_COUNT v%APP_VERSION\r\n");
    EXPECT_EQ(s.library, L"L %TYPELIB_NAME %STATUS %FILE_SIZE %TYPELIB\r\n");
    EXPECT_EQ(s.control, L"C %CONTROL_NAME %TYPELIB_NAME %TYPELIB\r\n");
    EXPECT_EQ(s.foot, L"F %DATE\r\n");
}

TEST(TemplateSectionsTest, RepeatedMarkersAreLeftOutAndLineEndsMayVary) {
    const TemplateSections s = ParseTemplate(L"[HEAD]\n[HEAD]\nh\r[TYPELIB]\n[TYPELIB]\nl\n\n[CONTROL]\nc\n[CONTROL]\n[FOOT]\nf\n[FOOT]\nf2");
    EXPECT_EQ(s.head, L"h\r\n");
    EXPECT_EQ(s.library, L"l\r\n\r\n");
    EXPECT_EQ(s.control, L"c\r\n");
    EXPECT_EQ(s.foot, L"f\r\nf2\r\n");
}

TEST(TemplateSectionsTest, MarkerInsideALongerLineRunsTheSectionToTheEnd) {
    const TemplateSections s = ParseTemplate(L"[HEAD]\r\n[TYPELIB]\r\nlib [CONTROL] inline\r\nmore\r\n[FOOT]\r\nf\r\n");
    EXPECT_EQ(s.library, L"lib [CONTROL] inline\r\nmore\r\n[FOOT]\r\nf\r\n");
    EXPECT_EQ(s.control, L"");
    EXPECT_EQ(s.foot, L"f\r\n");
}

TEST(TokenReplacement, EachSectionHasItsOwnTokensInOrder) {
    const TemplateSections s = ParseTemplate(kTemplate);
    ControlValues c{L"Grid", L"1.0", L"{C1}", L"Grid.Ctl", L"{LIB}", L"x.ocx, 1"};
    // %TYPELIB_NAME is not a control token: %TYPELIB inside it is replaced.
    EXPECT_EQ(ApplyTokens(s.control, ControlTokens(c), false), L"C Grid {LIB}_NAME {LIB}\r\n");
    LibraryValues l;
    l.name = L"Lib";
    l.fileMissing = true;
    l.size = L"12 KB";
    EXPECT_EQ(ApplyTokens(s.library, LibraryTokens(l), false), L"L Lib Missing File! N/A %TYPELIB\r\n");
    l.fileMissing = false;
    EXPECT_EQ(ApplyTokens(s.library, LibraryTokens(l), false), L"L Lib Registered. 12 KB %TYPELIB\r\n");
    HeadValues h{L"12/06/2026", 5, 2, 1, L"1.0"};
    EXPECT_EQ(ApplyTokens(s.head, HeadTokens(h), false),
              L"before head\r\nH 12/06/2026 5/2/1 v1.0\r\n");
}

TEST(TokenReplacement, ValuesAreReplacedSequentiallyAndEscapedOnlyForHtml) {
    ControlValues c{L"<b>A & \"B\"</b> %PROGID", L"", L"{C}", L"P", L"", L""};
    EXPECT_EQ(ApplyTokens(L"%CONTROL_NAME", ControlTokens(c), false), L"<b>A & \"B\"</b> P");
    EXPECT_EQ(ApplyTokens(L"%CONTROL_NAME", ControlTokens(c), true),
              L"&lt;b&gt;A &amp; &quot;B&quot;&lt;/b&gt; P");
}

} // namespace
} // namespace nivex
