#include "inspect/dependency_scan.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define NIVEX_SCAN_SSE2 1
#else
#define NIVEX_SCAN_SSE2 0
#endif

namespace nivex {

namespace {

// Windows-1252 in the range where it differs from Latin-1; unassigned bytes keep their own value.
constexpr wchar_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsUpperLetter(std::uint8_t b) {
    return (b >= 'A' && b <= 'Z') || b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9F ||
           (b >= 0xC0 && b <= 0xDE && b != 0xD7);
}

bool IsLowerLetter(std::uint8_t b) {
    // 0x83 (f with hook) and 0xB5 (micro sign) have upper-case forms outside the code page.
    return (b >= 'a' && b <= 'z') || b == 0x83 || b == 0x9A || b == 0x9C || b == 0x9E || b == 0xB5 ||
           (b >= 0xE0 && b != 0xF7);
}

// ".dll" or ".ocx" at data (lower-cased first); 0 when neither.
char ExtensionAt(const std::uint8_t* data) {
    const auto l = [](std::uint8_t b) { return static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b); };
    const char a = l(data[1]), b = l(data[2]), c = l(data[3]);
    if (a == 'd' && b == 'l' && c == 'l') return 'd';
    if (a == 'o' && b == 'c' && c == 'x') return 'o';
    return 0;
}

std::vector<MentionedName> Ordered(const std::map<std::string, DependencyScanner::Entry>& names);

} // namespace

wchar_t AnsiByteToChar(std::uint8_t byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
    return static_cast<wchar_t>(byte);
}

std::uint8_t LowerAnsiByte(std::uint8_t byte) {
    if (!IsUpperLetter(byte)) return byte;
    switch (byte) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return static_cast<std::uint8_t>(byte + 0x20);
    }
}

bool IsNameByte(std::uint8_t byte) {
    return IsUpperLetter(byte) || IsLowerLetter(byte) || (byte >= '0' && byte <= '9') || byte == '.';
}

void DependencyScanner::Feed(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    const std::uint64_t pieceStart = bufferStart_ + tail_.size();
    // Occurrences near the piece's start may need the kept tail (their window, or the extension itself when
    // it was cut at the end of the last piece): those are searched in the tail joined to the piece's head.
    const std::size_t kept = tail_.size();
    tail_.insert(tail_.end(), data, data + std::min(size, kNameWindow));
    ScanRange(tail_.data(), tail_.size(), bufferStart_, static_cast<std::size_t>(searched_ - bufferStart_),
              kept + kNameLead);
    // The rest lies wholly in the piece, every window included: searched in place, never copied.
    ScanRange(data, size, pieceStart, kNameLead, size);
    const std::uint64_t end = pieceStart + size;
    searched_ = end >= 3 ? end - 3 : 0;
    // Keep what the next piece's first occurrences may need.
    if (size >= kScanOverlap) {
        tail_.assign(data + size - kScanOverlap, data + size);
    } else if (tail_.size() > kScanOverlap) {
        tail_.erase(tail_.begin(), tail_.end() - static_cast<std::ptrdiff_t>(kScanOverlap));
    }
    bufferStart_ = end - tail_.size();
}

// Takes the occurrences that start at indexes [from, before) of base and end within it.
void DependencyScanner::ScanRange(const std::uint8_t* base, std::size_t length, std::uint64_t basePosition,
                                  std::size_t from, std::size_t before) {
    if (length < 4 || before == 0) return;
    const std::size_t lastStart = std::min(length - 4, before - 1);
    const auto check = [&](std::size_t p) {
        if (const char kind = ExtensionAt(base + p)) {
            // The window reaches kNameLead characters in front; near the file's start only those that exist.
            const std::size_t start = p >= kNameLead ? p - kNameLead : 0;
            Take(base + start, p + 4 - start, kind == 'd' ? dll_ : ocx_, basePosition + p);
        }
    };
    std::size_t p = from;
#if NIVEX_SCAN_SSE2
    // Sixteen bytes at a time: this search is nearly all of the scan's time (the C runtime's memchr is a
    // byte loop on some platforms).
    const __m128i dots = _mm_set1_epi8('.');
    while (p + 16 <= lastStart + 1) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + p));
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, dots))); mask != 0;
             mask &= mask - 1)
            check(p + static_cast<std::size_t>(std::countr_zero(mask)));
        p += 16;
    }
#endif
    for (; p <= lastStart; ++p)
        if (base[p] == '.') check(p);
}

void DependencyScanner::Take(const std::uint8_t* window, std::size_t length, std::map<std::string, Entry>& names,
                             std::uint64_t position) {
    std::size_t begin = length;
    while (begin > 0 && IsNameByte(window[begin - 1]))
        --begin;
    std::string name(length - begin, '\0');
    for (std::size_t i = begin; i < length; ++i)
        name[i - begin] = static_cast<char>(LowerAnsiByte(window[i]));
    Entry& entry = names[name];
    ++entry.count;
    entry.last = position;
}

MentionedNames DependencyScanner::Result() const {
    return MentionedNames{Ordered(dll_), Ordered(ocx_)};
}

namespace {
std::vector<MentionedName> Ordered(const std::map<std::string, DependencyScanner::Entry>& names) {
    std::vector<std::pair<std::uint64_t, MentionedName>> byLast;
    byLast.reserve(names.size());
    for (const auto& [bytes, entry] : names) {
        MentionedName item;
        item.count = entry.count;
        item.name.reserve(bytes.size());
        for (const char c : bytes)
            item.name.push_back(AnsiByteToChar(static_cast<std::uint8_t>(c)));
        byLast.emplace_back(entry.last, std::move(item));
    }
    std::sort(byLast.begin(), byLast.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<MentionedName> out;
    out.reserve(byLast.size());
    for (auto& [last, item] : byLast)
        out.push_back(std::move(item));
    return out;
}
} // namespace

MentionedNames ScanForDependencies(const std::uint8_t* data, std::size_t size) {
    DependencyScanner scanner;
    scanner.Feed(data, size);
    return scanner.Result();
}

} // namespace nivex
