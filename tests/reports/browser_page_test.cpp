#include <gtest/gtest.h>

#include "registration/repair_rules.h"
#include "reports/browser_page.h"

namespace nivex {
namespace {

const wchar_t* const kId = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01}";

std::string Page(const std::wstring& name, const std::wstring& id = kId) {
    const std::optional<std::string> bytes = BrowserPageBytes(name, id);
    return bytes ? *bytes : std::string("<refused>");
}

// The line that carries the name, without its surroundings.
std::string NamePart(const std::wstring& name) {
    const std::string page = Page(name);
    const size_t start = page.find("<p><b>") + 6;
    return page.substr(start, page.find("</b> is displayed") - start);
}

TEST(TestPage, IsSixLinesWithTheBareIdentifierAndEndsInCrLf) {
    EXPECT_EQ(Page(L"Grid Control"),
              "<html>\r\n<head>\r\n<title>Nivex - ActiveX Control Test</title>\r\n"
              "</head><body><p><b>Grid Control</b> is displayed below this line if it is a visible control and your "
              "browser supports ActiveX. Otherwise, you may not see anything.</p><hr>\r\n"
              "<center><object id=Control1 classid=clsid:6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01 Width = 200 "
              "Height=75></object></center>\r\n"
              "</body></html>\r\n");
}

TEST(TestPage, TheNameIsEscapedAndNeverSubstitutedAgain) {
    EXPECT_EQ(NamePart(L"<script>alert(\"x\")</script> & 'q'"),
              "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;q&#39;");
    // Placeholders a name brings in stay text; its braces stay too.
    EXPECT_EQ(NamePart(L"Uses @C and @N {braces}"), "Uses @C and @N {braces}");
    const std::string page = Page(L"@C");
    EXPECT_EQ(page.find("6E1C0A55"), page.rfind("6E1C0A55")) << "the identifier appears only in the object tag";
    EXPECT_EQ(NamePart(L"&amp;"), "&amp;amp;");
}

TEST(TestPage, TextOutsideAsciiBecomesDecimalReferencesOfCodePoints) {
    EXPECT_EQ(NamePart(L"Gr\u00fcn \u00e9\u20ac"), "Gr&#252;n &#233;&#8364;");
    EXPECT_EQ(NamePart(L"smile \U0001F600!"), "smile &#128512;!") << "a surrogate pair is one character";
    std::wstring lone = L"a";
    lone += static_cast<wchar_t>(0xD800);
    lone += L"b";
    EXPECT_EQ(NamePart(lone), "a&#65533;b");
    for (unsigned char c : Page(L"\u4e2d\u6587 \u00ff\U0010FFFF")) EXPECT_LT(c, 0x80u);
}

TEST(TestPage, OnlyABracedGuidIsTakenAsTheClassIdentifier) {
    EXPECT_TRUE(IsBracedGuid(L"{6e1c0a55-0d2b-4a7e-9c1f-2b2b0000ab01}"));
    EXPECT_TRUE(IsBracedGuid(kId));
    for (const wchar_t* bad :
         {L"", L"{}", L"6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01",
          L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB0G}", L"{6E1C0A550-D2B-4A7E-9C1F-2B2B0000AB01}",
          L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01}x", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01 }",
          L"{A1}", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB\"}"}) {
        EXPECT_FALSE(IsBracedGuid(bad)) << std::wstring(bad).size();
        EXPECT_EQ(Page(L"x", bad), "<refused>");
    }
    EXPECT_NE(NotAGuidMessage(L"{A1}").find(L"\"{A1}\""), std::wstring::npos);
}

} // namespace
} // namespace nivex
