#include "faultnote/system_info.h"

#include <climits>

namespace faultnote {

namespace {

enum class Edition { Any, Workstation, Server };

// One row: every bound is inclusive at the bottom and exclusive at the top.
struct OsRule {
    OsFamily family;
    unsigned major;
    unsigned minorFrom, minorTo;
    unsigned buildFrom, buildTo;
    Edition edition;
    const wchar_t* name;
};

constexpr unsigned kAny = UINT_MAX;

// Applied in order; a later match replaces an earlier one. The first rows are the historical table; the
// later systems follow it, told apart by product type where a server shares a workstation's version.
constexpr OsRule kRules[] = {
    {OsFamily::NT, 3, 51, 52, 0, kAny, Edition::Any, L"Microsoft Windows NT 3.51"},
    {OsFamily::NT, 4, 0, kAny, 1381, 1382, Edition::Any, L"Microsoft Windows NT 4.0"},
    {OsFamily::NT, 5, 0, 1, 0, kAny, Edition::Any, L"Microsoft Windows 2000"},
    {OsFamily::NT, 5, 1, 2, 0, kAny, Edition::Any, L"Microsoft Windows XP"},
    {OsFamily::Windows9x, 4, 0, 10, 950, 951, Edition::Any, L"Microsoft Windows 95"},
    {OsFamily::Windows9x, 4, 0, 10, 951, 1080, Edition::Any, L"Windows 95 SP1"},
    {OsFamily::Windows9x, 4, 0, 10, 1080, kAny, Edition::Any, L"Windows 95 OSR2"},
    {OsFamily::Windows9x, 4, 10, 11, 1998, 1999, Edition::Any, L"Microsoft Windows 98"},
    {OsFamily::Windows9x, 4, 10, 11, 1999, 2183, Edition::Any, L"Microsoft Windows 98 SP1"},
    {OsFamily::Windows9x, 4, 10, 11, 2183, kAny, Edition::Any, L"Microsoft Windows 98 SE"},
    {OsFamily::Windows9x, 4, 90, 91, 0, kAny, Edition::Any, L"Microsoft Windows Me"},
    {OsFamily::NT, 5, 2, 3, 0, kAny, Edition::Workstation, L"Microsoft Windows XP Professional x64 Edition"},
    {OsFamily::NT, 5, 2, 3, 0, kAny, Edition::Server, L"Microsoft Windows Server 2003"},
    {OsFamily::NT, 6, 0, 1, 0, kAny, Edition::Workstation, L"Microsoft Windows Vista"},
    {OsFamily::NT, 6, 0, 1, 0, kAny, Edition::Server, L"Microsoft Windows Server 2008"},
    {OsFamily::NT, 6, 1, 2, 0, kAny, Edition::Workstation, L"Microsoft Windows 7"},
    {OsFamily::NT, 6, 1, 2, 0, kAny, Edition::Server, L"Microsoft Windows Server 2008 R2"},
    {OsFamily::NT, 6, 2, 3, 0, kAny, Edition::Workstation, L"Microsoft Windows 8"},
    {OsFamily::NT, 6, 2, 3, 0, kAny, Edition::Server, L"Microsoft Windows Server 2012"},
    {OsFamily::NT, 6, 3, 4, 0, kAny, Edition::Workstation, L"Microsoft Windows 8.1"},
    {OsFamily::NT, 6, 3, 4, 0, kAny, Edition::Server, L"Microsoft Windows Server 2012 R2"},
    {OsFamily::NT, 10, 0, 1, 0, kAny, Edition::Workstation, L"Microsoft Windows 10"},
    {OsFamily::NT, 10, 0, 1, 22000, kAny, Edition::Workstation, L"Microsoft Windows 11"},
    {OsFamily::NT, 10, 0, 1, 0, kAny, Edition::Server, L"Microsoft Windows Server 2016"},
    {OsFamily::NT, 10, 0, 1, 17763, kAny, Edition::Server, L"Microsoft Windows Server 2019"},
    {OsFamily::NT, 10, 0, 1, 20348, kAny, Edition::Server, L"Microsoft Windows Server 2022"},
    {OsFamily::NT, 10, 0, 1, 26100, kAny, Edition::Server, L"Microsoft Windows Server 2025"},
};

bool InRange(unsigned value, unsigned from, unsigned to) { return value >= from && (to == kAny || value < to); }

bool EditionMatches(Edition edition, ProductType type) {
    switch (edition) {
    case Edition::Any: return true;
    // A platform that does not say counts as a workstation: the historical default.
    case Edition::Workstation: return type == ProductType::Workstation || type == ProductType::Unknown;
    case Edition::Server: return type == ProductType::Server || type == ProductType::DomainController;
    }
    return false;
}

unsigned Build16(const OsVersionRecord& r) { return static_cast<unsigned>(r.build & 0xFFFF); }

} // namespace

std::wstring GetOsName(const OsVersionRecord& record) {
    if (!record.valid) return kVersionQueryFailed;
    std::wstring name;
    for (const OsRule& rule : kRules) {
        if (rule.family == record.family && rule.major == record.major &&
            InRange(record.minor, rule.minorFrom, rule.minorTo) &&
            InRange(Build16(record), rule.buildFrom, rule.buildTo) && EditionMatches(rule.edition, record.productType))
            name = rule.name;
    }
    return name;
}

std::wstring GetOsVersion(const OsVersionRecord& record) {
    if (!record.valid) return kVersionQueryFailed;
    return std::to_wstring(record.major) + L"." + std::to_wstring(record.minor) + L"." +
           std::to_wstring(Build16(record));
}

std::wstring OsText(const OsVersionRecord& record) {
    return GetOsName(record) + L" (Version: " + GetOsVersion(record) + L")";
}

} // namespace faultnote
