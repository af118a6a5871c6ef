// Report templates and the browser test page: text in, text out.
#include <gtest/gtest.h>

#include <utility>

#include "reports/browser_page.h"
#include "reports/report_template.h"

namespace nivex {
namespace {

const wchar_t* const kTemplate = L"before head\r\n[HEAD]\r\nH %DATE %CONTROL_COUNT/%LIB_COUNT/%MISSING_COUNT v%APP_VERSION\r\n"
                                 L"[TYPELIB]\r\nL %TYPELIB_NAME %STATUS %FILE_SIZE %TYPELIB\r\n"
                                 L"[CONTROL]\r\nC %CONTROL_NAME %TYPELIB_NAME %TYPELIB\r\n[FOOT]\r\nF %DATE\r\n";

const wchar_t* const kId = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01}";

std::string Page(const std::wstring& name, const std::wstring& id = kId) {
    return BrowserPageBytes(name, id).value_or("<refused>");
}

TEST(ReportTemplate, ValidWithTheFourMarkersInOrderSplitIntoWholeLinesTokensReplacedAndEscapedAndTheBrowserPageEscaped) {
    // Otherwise the problem is named.
    const std::pair<const wchar_t*, const wchar_t*> validity[] = {
        {kTemplate, L""},
        {L"x[HEAD]x[TYPELIB]x[CONTROL]x[FOOT]", L""}, // a marker inside a longer line counts here
        {L"[HEAD]\r\n[CONTROL]\r\n[TYPELIB]\r\n[FOOT]\r\n", L"The section marker [CONTROL] comes before [TYPELIB]"},
        {L"[HEAD]\r\n[TYPELIB]\r\n[CONTROL]\r\n", L"The section marker [FOOT] is missing."},
        {L"", L"The section marker [HEAD] is missing."},
        {L"[head]\r\n[TYPELIB]\r\n[CONTROL]\r\n[FOOT]", L"The section marker [HEAD] is missing."},
    };
    for (const auto& [text, problem] : validity) {
        EXPECT_EQ(IsValidTemplateText(text), *problem == L'\0') << ::testing::PrintToString(std::wstring(text));
        EXPECT_EQ(TemplateTextProblem(text).rfind(problem, 0), 0u) << ::testing::PrintToString(TemplateTextProblem(text));
    }

    const std::pair<const wchar_t*, const wchar_t*> sections[] = {
        {kTemplate, L"before head\r\nH %DATE %CONTROL_COUNT/%LIB_COUNT/%MISSING_COUNT v%APP_VERSION\r\n|"
                    L"L %TYPELIB_NAME %STATUS %FILE_SIZE %TYPELIB\r\n|C %CONTROL_NAME %TYPELIB_NAME %TYPELIB\r\n|F %DATE\r\n"},
        // Repeated markers are left out; line ends may vary.
        {L"[HEAD]\n[HEAD]\nh\r[TYPELIB]\n[TYPELIB]\nl\n\n[CONTROL]\nc\n[CONTROL]\n[FOOT]\nf\n[FOOT]\nf2", L"h\r\n|l\r\n\r\n|c\r\n|f\r\nf2\r\n"},
        // ... but a marker within a line is none.
        {L"[HEAD]\r\n[TYPELIB]\r\nlib [CONTROL] inline\r\nmore\r\n[FOOT]\r\nf\r\n", L"|lib [CONTROL] inline\r\nmore\r\n[FOOT]\r\nf\r\n||f\r\n"},
    };
    for (const auto& [text, expected] : sections) {
        const TemplateSections s = ParseTemplate(text);
        EXPECT_EQ(s.head + L"|" + s.library + L"|" + s.control + L"|" + s.foot, expected) << ::testing::PrintToString(std::wstring(text));
    }
    const TemplateSections s = ParseTemplate(kTemplate);
    // %TYPELIB_NAME is not a control token: %TYPELIB inside it is replaced.
    const ControlValues c{L"Grid", L"1.0", L"{C1}", L"Grid.Ctl", L"{LIB}", L"x.ocx, 1", L"32-bit"};
    EXPECT_EQ(ApplyTokens(s.control, ControlTokens(c), false), L"C Grid {LIB}_NAME {LIB}\r\n");
    EXPECT_EQ(ApplyTokens(L"%REGISTRY_VIEW", ControlTokens(c), false), L"32-bit");
    LibraryValues l;
    l.name = L"Lib";
    l.view = L"64-bit";
    l.size = L"12 KB";
    EXPECT_EQ(ApplyTokens(L"%REGISTRY_VIEW", LibraryTokens(l), false), L"64-bit");
    EXPECT_EQ(ApplyTokens(s.library, LibraryTokens(l), false), L"L Lib Registered. 12 KB %TYPELIB\r\n");
    l.fileMissing = true;
    EXPECT_EQ(ApplyTokens(s.library, LibraryTokens(l), false), L"L Lib Missing File! N/A %TYPELIB\r\n");
    EXPECT_EQ(ApplyTokens(s.head + L"<meta charset=\"%CHARSET\">", HeadTokens({L"12/06/2026", 5, 2, 1, L"1.0", L"windows-1251"}), false),
              L"before head\r\nH 12/06/2026 5/2/1 v1.0\r\n<meta charset=\"windows-1251\">");
    // %CHARSET is the web name of the report's code page.
    for (const auto& [codePage, name] :
         {std::pair<unsigned, const wchar_t*>{1251, L"windows-1251"}, {932, L"shift_jis"}, {65001, L"utf-8"}})
        EXPECT_EQ(CodePageWebName(codePage), name) << codePage;

    const TokenValues tokens = ControlTokens({L"<b>A & \"B\"</b> %PROGID", L"", L"{C}", L"P", L"", L"", L""});
    EXPECT_EQ(ApplyTokens(L"%CONTROL_NAME", tokens, false), L"<b>A & \"B\"</b> P");
    EXPECT_EQ(ApplyTokens(L"%CONTROL_NAME", tokens, true), L"&lt;b&gt;A &amp; &quot;B&quot;&lt;/b&gt; P");

    // The browser test page: six lines with the bare identifier and the name escaped as ASCII text.
    EXPECT_EQ(Page(L"Grid Control"),
              "<html>\r\n<head>\r\n<title>Nivex - ActiveX Control Test</title>\r\n"
              "</head><body><p><b>Grid Control</b> is displayed below this line if it is a visible control and your "
              "browser supports ActiveX. Otherwise, you may not see anything.</p><hr>\r\n"
              "<center><object id=Control1 classid=clsid:6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01 Width = 200 "
              "Height=75></object></center>\r\n"
              "</body></html>\r\n");
    const std::wstring lone = {L'a', static_cast<wchar_t>(0xD800)}; // half of a surrogate pair
    const std::pair<std::wstring, std::string> names[] = {
        {L"<script>alert(\"x\")</script> & 'q'", "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;q&#39;"},
        {L"Uses @C and @N {braces}", "Uses @C and @N {braces}"}, // never substituted again
        {L"&amp;", "&amp;amp;"},
        {L"Gr\u00fcn \u00e9\u20ac", "Gr&#252;n &#233;&#8364;"},
        {L"smile \U0001F600!", "smile &#128512;!"}, // a surrogate pair is one character
        {lone + L"b", "a&#65533;b"},
    };
    for (const auto& [name, escaped] : names) {
        const std::string page = Page(name);
        const size_t start = page.find("<p><b>") + 6;
        EXPECT_EQ(page.substr(start, page.find("</b> is displayed") - start), escaped) << ::testing::PrintToString(name);
        EXPECT_EQ(page.find("6E1C0A55"), page.rfind("6E1C0A55")) << "the identifier appears only in the object tag";
    }
    for (unsigned char ch : Page(L"\u4e2d\u6587 \u00ff\U0010FFFF")) EXPECT_LT(ch, 0x80u);

    for (const wchar_t* bad : {L"", L"6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB\"}", L"{A1}"})
        EXPECT_EQ(Page(L"x", bad), "<refused>") << ::testing::PrintToString(std::wstring(bad));
    EXPECT_NE(NotAGuidMessage(L"{A1}").find(L"\"{A1}\""), std::wstring::npos);
}

} // namespace
} // namespace nivex
