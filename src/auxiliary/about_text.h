#pragma once
// The texts of the About box and the product's addresses.
#include <string>

namespace nivex {

inline const wchar_t* const kMakerName = L"Velmora Software";
inline const wchar_t* const kMakerEmail = L"nivex@velmora.example";
inline const wchar_t* const kProductWebAddress = L"https://velmora.example/nivex";
inline const wchar_t* const kProductSlogan = L"\"Every control in its place.\"";
inline const wchar_t* const kLicenseFileName = L"License.txt";

// "Version " + major + "." + minor + " (Build " + revision as four digits + ")".
std::wstring AboutVersionLine(int major, int minor, int revision);
// The maker and the years of the copyright, e.g. "Copyright (C) 2002-2026 Velmora Software".
std::wstring MakerLine(int lastYear);

} // namespace nivex
