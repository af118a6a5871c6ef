#pragma once
// The program's version as the splash window shows it.
#include <string>

namespace nivex {

// "Version " + major + "." + minor + " Build " + revision with at least four digits.
std::wstring SplashVersionLine(int major, int minor, int revision);

} // namespace nivex
