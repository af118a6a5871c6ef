#include "faultnote/report_store.h"

#include <windows.h>
#include <shlobj.h>

#include "faultnote/bug_report.h"
#include "common/file_write.h"
#include "common/paths.h"
#include "common/winutil.h"

namespace faultnote {

namespace {

using RtlGetVersionProc = LONG(WINAPI*)(OSVERSIONINFOEXW*);

OsVersionRecord FromInfo(const OSVERSIONINFOEXW& info, bool extended) {
    OsVersionRecord r;
    r.valid = true;
    r.family = static_cast<OsFamily>(info.dwPlatformId <= 2 ? info.dwPlatformId : 2);
    r.major = info.dwMajorVersion;
    r.minor = info.dwMinorVersion;
    r.build = info.dwBuildNumber;
    r.productType = extended ? static_cast<ProductType>(info.wProductType <= 3 ? info.wProductType : 0)
                             : ProductType::Unknown;
    return r;
}

// "Bug_Report.txt", then "Bug_Report (2).txt", "Bug_Report (3).txt", ...
std::wstring NumberedName(int number) {
    if (number == 1) return kReportFileName;
    const std::wstring name = kReportFileName;
    const size_t dot = name.rfind(L'.');
    return name.substr(0, dot) + L" (" + std::to_wstring(number) + L")" + name.substr(dot);
}

} // namespace

OsVersionRecord QueryOsVersion() {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        const auto proc = reinterpret_cast<RtlGetVersionProc>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (proc && proc(&info) == 0) return FromInfo(info, true);
    }
    info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    // Deprecated for its compatibility lies, which only matter when RtlGetVersion is missing.
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
    const BOOL ok = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
#if defined(_MSC_VER)
#pragma warning(pop)
#endif
    if (ok) return FromInfo(info, true);
    return {};
}

std::wstring ShortDateText() {
    wchar_t buffer[128] = {};
    const int length = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buffer, 128);
    return length > 0 ? std::wstring(buffer) : std::wstring();
}

std::wstring DocumentsFolder() {
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) return path;
    return {};
}

std::optional<std::string> LosslessAnsi(const std::wstring& text, unsigned codePage) {
    if (text.empty()) return std::string();
    const int size = static_cast<int>(text.size());
    // UTF-8 holds everything and takes no default-character question.
    const bool utf8 = codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8);
    BOOL usedDefault = FALSE;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* lossy = utf8 ? nullptr : &usedDefault;
    const int needed = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, lossy);
    if (needed <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), needed, nullptr, lossy);
    if (usedDefault) return std::nullopt;
    // Best-fit is off, but a code page may still map two characters to one byte: check the way back.
    const int back = MultiByteToWideChar(codePage, 0, out.data(), needed, nullptr, 0);
    std::wstring roundTrip(static_cast<size_t>(back > 0 ? back : 0), L'\0');
    if (back > 0) MultiByteToWideChar(codePage, 0, out.data(), needed, roundTrip.data(), back);
    if (roundTrip != text) return std::nullopt;
    return out;
}

SaveOutcome SaveReportFile(const std::wstring& report, const std::wstring& programFolder,
                           const std::wstring& documentsFolder, unsigned codePage) {
    const std::optional<std::string> ansi = LosslessAnsi(report, codePage);
    const std::string bytes = ReportFileBytes(report, ansi ? &*ansi : nullptr);
    SaveOutcome outcome;
    auto failed = [&](DWORD code) { outcome.error += outcome.path + L": " + velmora::SystemErrorText(code) + L"\r\n"; };
    // Faultnote's own folder holds one report, replaced by the next.
    if (!programFolder.empty()) {
        outcome.path = velmora::JoinPath(programFolder, kReportFileName);
        const DWORD code = velmora::WriteWholeFile(outcome.path, bytes, velmora::ExistingFile::Replace);
        if (code == ERROR_SUCCESS) {
            outcome.saved = true;
            outcome.error.clear();
            return outcome;
        }
        failed(code);
    }
    // The Documents folder holds the user's own files: a report gets a name of its own there.
    if (!documentsFolder.empty()) {
        for (int number = 1; number <= 999; ++number) {
            outcome.path = velmora::JoinPath(documentsFolder, NumberedName(number));
            const DWORD code = velmora::WriteWholeFile(outcome.path, bytes, velmora::ExistingFile::Keep);
            if (code == ERROR_SUCCESS) {
                outcome.saved = true;
                outcome.error.clear();
                return outcome;
            }
            if (code != ERROR_ALREADY_EXISTS) {
                failed(code);
                break;
            }
        }
    }
    if (outcome.path.empty()) outcome.error = L"No folder to write the report into.";
    else if (outcome.error.empty()) outcome.error = outcome.path + L": no unused file name is left.\r\n";
    return outcome;
}

} // namespace faultnote
