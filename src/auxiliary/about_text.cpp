#include "auxiliary/about_text.h"

#include "common/format.h"

namespace nivex {

std::wstring AboutVersionLine(int major, int minor, int revision) {
    return L"Version " + std::to_wstring(major) + L"." + std::to_wstring(minor) + L" (Build " +
           FormatMinDigits(revision, 4) + L")";
}

std::wstring MakerLine(int lastYear) {
    constexpr int kFirstYear = 2002;
    std::wstring years = std::to_wstring(kFirstYear);
    if (lastYear > kFirstYear) years += L"-" + std::to_wstring(lastYear);
    return L"Copyright \u00A9 " + years + L" " + kMakerName;
}

} // namespace nivex
