#include "common/text.h"


namespace velmora {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendWide(std::wstring& out, char32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}
} // namespace

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            char32_t low = static_cast<char32_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
        AppendUtf8(out, cp);
    }
    return out;
}

std::wstring Utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        // A bad lead byte or a sequence cut off by the end of the text.
        if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) {
            AppendWide(out, kReplacement);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        bool ok = true;
        for (int k = 1; k <= extra && ok; ++k) {
            const unsigned char cc = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            ok = (cc & 0xC0) == 0x80;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            AppendWide(out, kReplacement);
            ++i;
            continue;
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
        AppendWide(out, cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

namespace {
// Simple case folding that does not depend on the C runtime's locale (which folds ASCII only under
// some runtimes): ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic capitals.
wchar_t FoldLower(wchar_t ch) {
    const unsigned c = static_cast<unsigned>(ch);
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<wchar_t>(c + 32) : ch;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 32);
    if (c >= 0x100 && c <= 0x137 && c != 0x130 && (c % 2) == 0) return static_cast<wchar_t>(c + 1);
    if (c >= 0x139 && c <= 0x148 && (c % 2) == 1) return static_cast<wchar_t>(c + 1);
    if (c >= 0x14A && c <= 0x177 && (c % 2) == 0) return static_cast<wchar_t>(c + 1);
    if (c == 0x178) return static_cast<wchar_t>(0xFF);
    if (c >= 0x179 && c <= 0x17E && (c % 2) == 1) return static_cast<wchar_t>(c + 1);
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<wchar_t>(c + 32);
    if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 80);
    return ch;
}

wchar_t FoldUpper(wchar_t ch) {
    const unsigned c = static_cast<unsigned>(ch);
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? static_cast<wchar_t>(c - 32) : ch;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<wchar_t>(c - 32);
    if (c == 0xFF) return static_cast<wchar_t>(0x178);
    if (c >= 0x101 && c <= 0x137 && c != 0x131 && (c % 2) == 1) return static_cast<wchar_t>(c - 1);
    if (c >= 0x13A && c <= 0x148 && (c % 2) == 0) return static_cast<wchar_t>(c - 1);
    if (c >= 0x14B && c <= 0x177 && (c % 2) == 1) return static_cast<wchar_t>(c - 1);
    if (c >= 0x17A && c <= 0x17E && (c % 2) == 0) return static_cast<wchar_t>(c - 1);
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<wchar_t>(c - 32);
    if (c >= 0x430 && c <= 0x44F) return static_cast<wchar_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 80);
    return ch;
}
} // namespace

std::wstring ToLowerText(std::wstring_view text) {
    std::wstring out(text);
    for (auto& ch : out) ch = FoldLower(ch);
    return out;
}

std::wstring ToUpperText(std::wstring_view text) {
    std::wstring out(text);
    for (auto& ch : out) ch = FoldUpper(ch);
    return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldLower(a[i]) != FoldLower(b[i])) return false;
    return true;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::wstring Trim(std::wstring_view text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == L' ' || text[b] == L'\t')) ++b;
    while (e > b && (text[e - 1] == L' ' || text[e - 1] == L'\t')) --e;
    return std::wstring(text.substr(b, e - b));
}

std::wstring CutAtNul(std::wstring_view text) {
    size_t pos = text.find(L'\0');
    return std::wstring(pos == std::wstring_view::npos ? text : text.substr(0, pos));
}

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view what, std::wstring_view with) {
    std::wstring out;
    if (what.empty()) return std::wstring(text);
    size_t start = 0;
    for (;;) {
        size_t pos = text.find(what, start);
        if (pos == std::wstring_view::npos) break;
        out.append(text.substr(start, pos - start));
        out.append(with);
        start = pos + what.size();
    }
    out.append(text.substr(start));
    return out;
}

std::wstring UnquotePath(std::wstring_view path) {
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') return std::wstring(path.substr(1, path.size() - 2));
    return std::wstring(path);
}

bool IsBracedGuid(std::wstring_view text) {
    const auto isHex = [](wchar_t c) {
        return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    };
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? text[i] != L'-' : !isHex(text[i])) return false;
    }
    return true;
}

} // namespace velmora
