#pragma once
// The browser test page: six lines of HTML that embed one control by its class identifier.
#include <optional>
#include <string>
#include <string_view>

namespace nivex {

// The page's text before substitution: "@N" stands for the display name, "@C" for the bare class identifier.
std::wstring BrowserPageTemplate();

// Registry text made safe for the page: & < > " as the HTML report writes them, ' as &#39; and every
// character outside ASCII as &#N; (its code point in decimal; an unpaired surrogate becomes &#65533;).
std::wstring EscapePageText(std::wstring_view text);

// The page for one control: the name escaped and the identifier without its braces, both put in in one pass
// (text a name brings in is never substituted again). nullopt when classId is not a braced GUID.
std::optional<std::wstring> BuildBrowserPage(std::wstring_view name, std::wstring_view classId);

// The bytes of the page file: the page followed by CR LF. Pure ASCII, so the same in every code page.
std::optional<std::string> BrowserPageBytes(std::wstring_view name, std::wstring_view classId);

// The message shown when a class identifier cannot be put into a page.
std::wstring NotAGuidMessage(std::wstring_view classId);

} // namespace nivex
