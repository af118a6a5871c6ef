#include "faultnote/bug_report.h"

#include "common/command_args.h"
#include "common/text.h"

namespace faultnote {

ProductInfo ParseProductArguments(std::wstring_view arguments) {
    // Blanks around the text are the command line's, not the product's.
    const std::wstring text = velmora::UnquotePath(velmora::Trim(arguments));
    ProductInfo info;
    std::wstring* fields[] = {&info.name, &info.version, &info.build};
    size_t index = 0, start = 0;
    for (;;) {
        const size_t end = text.find(L'%', start);
        if (index < 3) *fields[index] = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (end == std::wstring::npos) break;
        ++index;
        start = end + 1;
    }
    return info;
}

const wchar_t* WizardPages::NextCaption() const { return OnLast() ? L"Finish" : L"Next >>"; }

bool WizardPages::Next() {
    if (OnLast()) return true;
    ++page_;
    return false;
}

void WizardPages::Back() {
    if (page_ > 0) --page_;
}

std::wstring NormalizeLineBreaks(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t ch = text[i];
        if (ch == L'\r') {
            out += L"\r\n";
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else if (ch == L'\n') {
            out += L"\r\n";
        } else {
            out += ch;
        }
    }
    return out;
}

std::wstring BuildReportText(const ReportFields& f, const std::wstring& dateText) {
    const std::wstring crlf = L"\r\n";
    const std::wstring separator = std::wstring(49, L'-') + crlf;
    const auto line = [&](const std::wstring& text) { return NormalizeLineBreaks(text) + crlf; };
    std::wstring r;
    r += line(L"Velmora Bug Report Wizard - " + dateText);
    r += separator;
    r += line(L"Application: " + f.product.name);
    r += line(L"Version: " + f.product.version + L"." + f.product.build);
    r += line(L"OS: " + f.osText);
    r += separator;
    r += line(L"Username: " + f.userName);
    r += line(L"Email: " + f.email);
    r += separator;
    r += line(L"Reported Error Mesages:");
    r += line(f.errorMessages);
    r += line(L"Cause of Error:");
    r += line(f.cause);
    r += line(L"Description of Error:");
    r += line(f.description);
    return r;
}

std::string ReportFileBytes(const std::wstring& report, const std::string* ansi) {
    if (ansi) return *ansi + "\r\n";
    return "\xEF\xBB\xBF" + velmora::WideToUtf8(report) + "\r\n";
}

} // namespace faultnote
