#include "app/version_text.h"

#include "common/format.h"

namespace nivex {

std::wstring SplashVersionLine(int major, int minor, int revision) {
    return L"Version " + std::to_wstring(major) + L"." + std::to_wstring(minor) + L" Build " +
           FormatMinDigits(revision, 4);
}

} // namespace nivex
