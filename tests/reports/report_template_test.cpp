#include <gtest/gtest.h>

#include <utility>

#include "reports/report_template.h"

namespace nivex {
namespace {

const wchar_t* const kTemplate = L"before head\r\n[HEAD]\r\nH %DATE %CONTROL_COUNT/%LIB_COUNT/%MISSING_COUNT v%APP_VERSION\r\n"
                                 L"[TYPELIB]\r\nL %TYPELIB_NAME %STATUS %FILE_SIZE %TYPELIB\r\n"
                                 L"[CONTROL]\r\nC %CONTROL_NAME %TYPELIB_NAME %TYPELIB\r\n[FOOT]\r\nF %DATE\r\n";

std::wstring Sections(const wchar_t* text) {
    const TemplateSections s = ParseTemplate(text);
    return s.head + L"|" + s.library + L"|" + s.control + L"|" + s.foot;
}

TEST(TemplateValidity, AllFourMarkersInOrderAndOtherwiseTheProblemIsNamed) {
    EXPECT_TRUE(IsValidTemplateText(kTemplate));
    EXPECT_TRUE(IsValidTemplateText(L"x[HEAD]x[TYPELIB]x[CONTROL]x[FOOT]")) << "markers inside longer lines count";
    const std::pair<const wchar_t*, const wchar_t*> bad[] = {
        {L"[HEAD]\r\n[CONTROL]\r\n[TYPELIB]\r\n[FOOT]\r\n", L"The section marker [CONTROL] comes before [TYPELIB]"},
        {L"[HEAD]\r\n[TYPELIB]\r\n[CONTROL]\r\n", L"The section marker [FOOT] is missing."},
        {L"", L"The section marker [HEAD] is missing."},
        {L"[head]\r\n[TYPELIB]\r\n[CONTROL]\r\n[FOOT]", L"The section marker [HEAD] is missing."}};
    for (const auto& [text, problem] : bad) {
        EXPECT_FALSE(IsValidTemplateText(text));
        EXPECT_EQ(TemplateTextProblem(text).rfind(problem, 0), 0u) << TemplateTextProblem(text);
    }
    EXPECT_EQ(TemplateTextProblem(kTemplate), L"");
}

TEST(TemplateSections, AreWholeLinesEachEndingInCrLf) {
    EXPECT_EQ(Sections(kTemplate), L"before head\r\nH %DATE %CONTROL_COUNT/%LIB_COUNT/%MISSING_COUNT v%APP_VERSION\r\n|"
                                   L"L %TYPELIB_NAME %STATUS %FILE_SIZE %TYPELIB\r\n|C %CONTROL_NAME %TYPELIB_NAME "
                                   L"%TYPELIB\r\n|F %DATE\r\n");
    EXPECT_EQ(Sections(L"[HEAD]\n[HEAD]\nh\r[TYPELIB]\n[TYPELIB]\nl\n\n[CONTROL]\nc\n[CONTROL]\n[FOOT]\nf\n[FOOT]\nf2"),
              L"h\r\n|l\r\n\r\n|c\r\n|f\r\nf2\r\n") << "repeated markers are left out; line ends may vary";
    EXPECT_EQ(Sections(L"[HEAD]\r\n[TYPELIB]\r\nlib [CONTROL] inline\r\nmore\r\n[FOOT]\r\nf\r\n"),
              L"|lib [CONTROL] inline\r\nmore\r\n[FOOT]\r\nf\r\n||f\r\n") << "a marker within a line is none";
}

TEST(TokenReplacement, EachSectionHasItsOwnTokensInOrder) {
    const TemplateSections s = ParseTemplate(kTemplate);
    ControlValues c{L"Grid", L"1.0", L"{C1}", L"Grid.Ctl", L"{LIB}", L"x.ocx, 1", L"32-bit"};
    // %TYPELIB_NAME is not a control token: %TYPELIB inside it is replaced.
    EXPECT_EQ(ApplyTokens(s.control, ControlTokens(c), false), L"C Grid {LIB}_NAME {LIB}\r\n");
    EXPECT_EQ(ApplyTokens(L"%REGISTRY_VIEW", ControlTokens(c), false), L"32-bit");
    LibraryValues l;
    l.name = L"Lib";
    l.view = L"64-bit";
    EXPECT_EQ(ApplyTokens(L"%REGISTRY_VIEW", LibraryTokens(l), false), L"64-bit");
    l.fileMissing = true;
    l.size = L"12 KB";
    EXPECT_EQ(ApplyTokens(s.library, LibraryTokens(l), false), L"L Lib Missing File! N/A %TYPELIB\r\n");
    l.fileMissing = false;
    EXPECT_EQ(ApplyTokens(s.library, LibraryTokens(l), false), L"L Lib Registered. 12 KB %TYPELIB\r\n");
    EXPECT_EQ(ApplyTokens(s.head + L"<meta charset=\"%CHARSET\">", HeadTokens({L"12/06/2026", 5, 2, 1, L"1.0", L"windows-1251"}), false),
              L"before head\r\nH 12/06/2026 5/2/1 v1.0\r\n<meta charset=\"windows-1251\">");
    // %CHARSET is the web name of the report's code page.
    for (const auto& [codePage, name] :
         {std::pair<unsigned, const wchar_t*>{1251, L"windows-1251"}, {932, L"shift_jis"}, {65001, L"utf-8"}})
        EXPECT_EQ(CodePageWebName(codePage), name) << codePage;
}

TEST(TokenReplacement, ValuesAreReplacedSequentiallyAndEscapedOnlyForHtml) {
    ControlValues c{L"<b>A & \"B\"</b> %PROGID", L"", L"{C}", L"P", L"", L"", L""};
    EXPECT_EQ(ApplyTokens(L"%CONTROL_NAME", ControlTokens(c), false), L"<b>A & \"B\"</b> P");
    EXPECT_EQ(ApplyTokens(L"%CONTROL_NAME", ControlTokens(c), true), L"&lt;b&gt;A &amp; &quot;B&quot;&lt;/b&gt; P");
}

} // namespace
} // namespace nivex
