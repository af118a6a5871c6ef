#pragma once
// Faultnote's logic: the product fields of its command line, the wizard's page order and the report text.
#include <string>
#include <string_view>

namespace faultnote {

inline constexpr const wchar_t* kWizardTitle = L"Velmora Bug Report Wizard";
// The maker's bug-report mailbox: shown on the last page and opened as "mailto:".
inline constexpr const wchar_t* kBugMailbox = L"bugs@velmora.example";
inline constexpr const wchar_t* kReportFileName = L"Bug_Report.txt";

struct ProductInfo {
    std::wstring name;
    std::wstring version;
    std::wstring build;
};

// The arguments text (what follows the program's name): one pair of surrounding quotes removed, then split at
// "%" into name, version and build. Missing fields are empty; fields after the third are ignored.
ProductInfo ParseProductArguments(std::wstring_view arguments);

// The four pages of the wizard and what the navigation buttons show on each.
class WizardPages {
public:
    static constexpr int kCount = 4;

    int Current() const { return page_; }
    bool OnLast() const { return page_ == kCount - 1; }
    bool BackEnabled() const { return page_ > 0; }
    // "Next >>", or "Finish" on the last page.
    const wchar_t* NextCaption() const;
    // "Next >>"/"Finish": true when this press finishes (the page stays the last one); otherwise moves on.
    bool Next();
    void Back();

private:
    int page_ = 0;
};

struct ReportFields {
    ProductInfo product;
    std::wstring osText;
    std::wstring userName;
    std::wstring email;
    std::wstring errorMessages; // "Was there an error message?"
    std::wstring cause;         // "What were you doing when the error happened?"
    std::wstring description;   // "And finally, what exactly happened?"
};

// The report: CR LF after every line, the separators 49 "-" long. Line breaks inside the typed texts become
// CR LF too, so a text pasted with bare line feeds keeps its lines.
std::wstring BuildReportText(const ReportFields& fields, const std::wstring& dateText);

// Every bare CR or LF becomes CR LF; CR LF pairs stay.
std::wstring NormalizeLineBreaks(std::wstring_view text);

// The bytes of the report file: the report and one more CR LF. ansi is the text in the ANSI code page when that
// conversion loses nothing; otherwise the file is UTF-8 with a byte-order mark so no character turns into "?".
std::string ReportFileBytes(const std::wstring& report, const std::string* ansi);

} // namespace faultnote
