#pragma once
// The operating-system text of the report: its name from the version record, and its version numbers.
#include <string>

namespace faultnote {

enum class OsFamily { Win32s = 0, Windows9x = 1, NT = 2 };
// Workstation, domain controller, server (the platform's product type; 0 when the platform does not say).
enum class ProductType { Unknown = 0, Workstation = 1, DomainController = 2, Server = 3 };

struct OsVersionRecord {
    bool valid = false; // false when the version query failed
    OsFamily family = OsFamily::NT;
    unsigned major = 0;
    unsigned minor = 0;
    unsigned long build = 0; // as reported; only the low 16 bits count
    ProductType productType = ProductType::Unknown;
};

inline constexpr const wchar_t* kVersionQueryFailed = L"Error in GetVersionEX() Function";

// The system's name ("Microsoft Windows XP"), empty for a combination the table does not know.
std::wstring GetOsName(const OsVersionRecord& record);
// major + "." + minor + "." + low 16 bits of the build.
std::wstring GetOsVersion(const OsVersionRecord& record);
// name + " (Version: " + version + ")"
std::wstring OsText(const OsVersionRecord& record);

} // namespace faultnote
