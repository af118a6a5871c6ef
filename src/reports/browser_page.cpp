#include "reports/browser_page.h"

#include "common/text.h"
#include "reports/report_template.h"

namespace nivex {

namespace {

void AppendEntity(std::wstring& out, unsigned long codePoint) {
    out += L"&#";
    out += std::to_wstring(codePoint);
    out += L';';
}

} // namespace

std::wstring BrowserPageTemplate() {
    return L"<html>\r\n"
           L"<head>\r\n"
           L"<title>Nivex - ActiveX Control Test</title>\r\n"
           L"</head><body><p><b>@N</b> is displayed below this line if it is a visible control and your browser "
           L"supports ActiveX. Otherwise, you may not see anything.</p><hr>\r\n"
           L"<center><object id=Control1 classid=clsid:@C Width = 200 Height=75></object></center>\r\n"
           L"</body></html>";
}

std::wstring EscapePageText(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned long ch = static_cast<unsigned long>(text[i]);
        if (ch == L'\'') {
            out += L"&#39;";
        } else if (ch < 0x80) {
            out += EscapeHtml(text.substr(i, 1));
        } else if (sizeof(wchar_t) == 2 && ch >= 0xD800 && ch <= 0xDBFF && i + 1 < text.size() &&
                   static_cast<unsigned long>(text[i + 1]) >= 0xDC00 && static_cast<unsigned long>(text[i + 1]) <= 0xDFFF) {
            // A surrogate pair is one character.
            const unsigned long low = static_cast<unsigned long>(text[++i]);
            AppendEntity(out, 0x10000 + ((ch - 0xD800) << 10) + (low - 0xDC00));
        } else if ((ch >= 0xD800 && ch <= 0xDFFF) || ch > 0x10FFFF) {
            AppendEntity(out, 0xFFFD);
        } else {
            AppendEntity(out, ch);
        }
    }
    return out;
}

std::optional<std::wstring> BuildBrowserPage(std::wstring_view name, std::wstring_view classId) {
    if (!IsBracedGuid(classId)) return std::nullopt;
    const std::wstring page = BrowserPageTemplate();
    const std::wstring safeName = EscapePageText(name);
    const std::wstring_view bareId = classId.substr(1, classId.size() - 2);
    std::wstring out;
    out.reserve(page.size() + safeName.size() + bareId.size());
    for (size_t i = 0; i < page.size(); ++i) {
        if (page[i] == L'@' && i + 1 < page.size() && (page[i + 1] == L'N' || page[i + 1] == L'C')) {
            if (page[i + 1] == L'N') out += safeName;
            else out += bareId;
            ++i;
        } else {
            out += page[i];
        }
    }
    return out;
}

std::optional<std::string> BrowserPageBytes(std::wstring_view name, std::wstring_view classId) {
    const std::optional<std::wstring> page = BuildBrowserPage(name, classId);
    if (!page) return std::nullopt;
    std::string bytes;
    bytes.reserve(page->size() + 2);
    for (wchar_t ch : *page) bytes += static_cast<char>(ch); // every character is ASCII by now
    bytes += "\r\n";
    return bytes;
}

std::wstring NotAGuidMessage(std::wstring_view classId) {
    return L"The class identifier \"" + std::wstring(classId) +
           L"\" is not a GUID in braces, so no test page was written for it.";
}

} // namespace nivex
