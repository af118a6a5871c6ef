#include "registration/reg_file.h"

#include <cstdio>

#include "common/text.h"

namespace nivex {

namespace {

constexpr std::uint32_t kTypeSz = 1;
constexpr std::uint32_t kTypeBinary = 3;
constexpr std::uint32_t kTypeDword = 4;
// Hex lines are cut before this width, as the registry editor cuts them.
constexpr size_t kLineWidth = 76;

// UTF-16 code units of the text (wchar_t may hold 16 or 32 bits).
std::vector<std::uint16_t> ToUnits(const std::wstring& text) {
    std::vector<std::uint16_t> units;
    units.reserve(text.size());
    for (wchar_t c : text) {
        const auto cp = static_cast<std::uint32_t>(c);
        if (cp > 0xFFFF && cp <= 0x10FFFF) {
            const std::uint32_t v = cp - 0x10000;
            units.push_back(static_cast<std::uint16_t>(0xD800 + (v >> 10)));
            units.push_back(static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            units.push_back(static_cast<std::uint16_t>(cp & 0xFFFF));
        }
    }
    return units;
}

std::wstring FromUnits(const std::vector<std::uint16_t>& units) {
    std::wstring text;
    text.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        const std::uint16_t u = units[i];
        if constexpr (sizeof(wchar_t) >= 4) {
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                units[i + 1] <= 0xDFFF) {
                const std::uint32_t cp =
                    0x10000 + ((static_cast<std::uint32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                text.push_back(static_cast<wchar_t>(cp));
                ++i;
                continue;
            }
        }
        text.push_back(static_cast<wchar_t>(u));
    }
    return text;
}

std::vector<std::uint8_t> UnitsToBytes(const std::vector<std::uint16_t>& units) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(units.size() * 2);
    for (std::uint16_t u : units) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

std::wstring Quoted(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') out.push_back(L'\\');
        out.push_back(c);
    }
    out.push_back(L'"');
    return out;
}

// The text of REG_SZ data when the quoted form carries it exactly: even length, one final NUL and no
// other, no line breaks (the editor reads a value per line).
bool QuotableString(const std::vector<std::uint8_t>& data, std::wstring& text) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    std::vector<std::uint16_t> units;
    for (size_t i = 0; i + 1 < data.size(); i += 2)
        units.push_back(static_cast<std::uint16_t>(data[i] | (data[i + 1] << 8)));
    if (units.back() != 0) return false;
    units.pop_back();
    for (std::uint16_t u : units)
        if (u == 0 || u == L'\r' || u == L'\n') return false;
    text = FromUnits(units);
    return true;
}

std::wstring HexByte(std::uint8_t b) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    return {kDigits[b >> 4], kDigits[b & 15]};
}

// "prefix" + bytes as "xx,xx,..", cut into continuation lines that end in "\" and go on indented by two.
std::wstring HexLine(const std::wstring& prefix, const std::vector<std::uint8_t>& data) {
    std::wstring out = prefix;
    size_t lineLength = prefix.size();
    for (size_t i = 0; i < data.size(); ++i) {
        const bool last = i + 1 == data.size();
        std::wstring piece = HexByte(data[i]) + (last ? L"" : L",");
        if (lineLength + piece.size() > kLineWidth && !last) {
            out += L"\\\r\n  ";
            lineLength = 2;
        }
        out += piece;
        lineLength += piece.size();
    }
    return out;
}

std::wstring TypeHex(std::uint32_t type) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"%x", static_cast<unsigned>(type));
    return buffer;
}

std::wstring ValueLine(const RegFileValue& value) {
    std::wstring line = value.name.empty() ? L"@=" : Quoted(value.name) + L"=";
    if (value.remove) return line + L"-";
    std::wstring text;
    if (value.type == kTypeSz && QuotableString(value.data, text)) return line + Quoted(text);
    if (value.type == kTypeDword && value.data.size() == 4) {
        const std::uint32_t v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                (static_cast<std::uint32_t>(value.data[3]) << 24);
        wchar_t buffer[16];
        std::swprintf(buffer, 16, L"%08x", static_cast<unsigned>(v));
        return line + L"dword:" + buffer;
    }
    if (value.type == kTypeBinary) return HexLine(line + L"hex:", value.data);
    return HexLine(line + L"hex(" + TypeHex(value.type) + L"):", value.data);
}

// ---- reading ----

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// A quoted text at pos (which holds the opening quote); pos ends after the closing quote.
bool ReadQuoted(const std::wstring& line, size_t& pos, std::wstring& text) {
    text.clear();
    ++pos;
    while (pos < line.size()) {
        const wchar_t c = line[pos];
        if (c == L'"') {
            ++pos;
            return true;
        }
        if (c == L'\\') {
            if (pos + 1 >= line.size()) return false;
            const wchar_t next = line[pos + 1];
            if (next != L'\\' && next != L'"') return false;
            text.push_back(next);
            pos += 2;
            continue;
        }
        text.push_back(c);
        ++pos;
    }
    return false;
}

bool ParseHexBytes(const std::wstring& text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
    };
    skipBlanks();
    if (pos == text.size()) return true;
    for (;;) {
        skipBlanks();
        const int high = pos < text.size() ? HexDigit(text[pos]) : -1;
        const int low = pos + 1 < text.size() ? HexDigit(text[pos + 1]) : -1;
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        pos += 2;
        skipBlanks();
        if (pos == text.size()) return true;
        if (text[pos] != L',') return false;
        ++pos;
        skipBlanks();
        if (pos == text.size()) return true; // a trailing comma, as some editors leave
    }
}

std::wstring LineError(size_t lineNumber, const std::wstring& what) {
    return L"Line " + std::to_wstring(lineNumber) + L": " + what;
}

std::wstring TrimRight(const std::wstring& text) {
    size_t end = text.size();
    while (end > 0 && (IsBlank(text[end - 1]) || text[end - 1] == L'\r'))
        --end;
    return text.substr(0, end);
}

// The value's data text: the type part and what follows. Returns an error text, empty on success.
std::wstring ParseData(const std::wstring& data, RegFileValue& value) {
    if (data == L"-") {
        value.remove = true;
        return {};
    }
    if (!data.empty() && data[0] == L'"') {
        size_t pos = 0;
        std::wstring text;
        if (!ReadQuoted(data, pos, text)) return L"the quoted text is not closed or holds an unknown escape";
        while (pos < data.size() && IsBlank(data[pos]))
            ++pos;
        if (pos != data.size()) return L"unexpected text after the quoted value";
        std::vector<std::uint16_t> units = ToUnits(text);
        units.push_back(0);
        value.type = kTypeSz;
        value.data = UnitsToBytes(units);
        return {};
    }
    if (StartsWithNoCase(data, L"dword:")) {
        const std::wstring digits = Trim(data.substr(6));
        if (digits.empty() || digits.size() > 8) return L"a dword needs one to eight hexadecimal digits";
        std::uint32_t v = 0;
        for (wchar_t c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return L"a dword needs one to eight hexadecimal digits";
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        value.type = kTypeDword;
        value.data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                      static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
        return {};
    }
    if (StartsWithNoCase(data, L"hex")) {
        size_t pos = 3;
        std::uint32_t type = kTypeBinary;
        if (pos < data.size() && data[pos] == L'(') {
            const size_t close = data.find(L')', pos);
            if (close == std::wstring::npos || close == pos + 1 || close - pos - 1 > 8)
                return L"a value type hex(N) is malformed";
            type = 0;
            for (size_t i = pos + 1; i < close; ++i) {
                const int d = HexDigit(data[i]);
                if (d < 0) return L"a value type hex(N) is malformed";
                type = type * 16 + static_cast<std::uint32_t>(d);
            }
            pos = close + 1;
        }
        if (pos >= data.size() || data[pos] != L':') return L"\":\" expected after the value type";
        if (!ParseHexBytes(data.substr(pos + 1), value.data))
            return L"the bytes are not pairs of hexadecimal digits separated by commas";
        value.type = type;
        return {};
    }
    return L"the value's data is not understood";
}

} // namespace

std::vector<std::uint8_t> EncodeUtf16Le(const std::wstring& text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    const std::vector<std::uint8_t> body = UnitsToBytes(ToUnits(text));
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

std::wstring FormatRegFile(const std::vector<RegFileKey>& keys, const std::vector<std::wstring>& comments) {
    std::wstring out = std::wstring(kRegFileHeader) + L"\r\n\r\n";
    for (const std::wstring& comment : comments)
        out += L"; " + comment + L"\r\n";
    if (!comments.empty()) out += L"\r\n";
    for (const RegFileKey& key : keys) {
        out += (key.remove ? L"[-" : L"[") + key.path + L"]\r\n";
        if (!key.remove)
            for (const RegFileValue& value : key.values)
                out += ValueLine(value) + L"\r\n";
        out += L"\r\n";
    }
    return out;
}

RegFileParse ParseRegFile(std::span<const std::uint8_t> bytes) {
    RegFileParse result;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        if (bytes.size() % 2 != 0) {
            result.error = L"The file is cut short (an odd number of bytes in UTF-16 text).";
            return result;
        }
        std::vector<std::uint16_t> units;
        units.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            units.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
        return ParseRegFileText(FromUnits(units));
    }
    size_t start = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) start = 3;
    const std::string narrow(reinterpret_cast<const char*>(bytes.data()) + start, bytes.size() - start);
    const std::wstring text = Utf8ToWide(narrow);
    if (WideToUtf8(text) != narrow) {
        result.error = L"The file is neither UTF-16 text with a byte-order mark nor UTF-8 text.";
        return result;
    }
    return ParseRegFileText(text);
}

RegFileParse ParseRegFileText(const std::wstring& text) {
    RegFileParse result;
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(L'\n', start);
        lines.push_back(TrimRight(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start)));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    size_t index = 0;
    while (index < lines.size() && Trim(lines[index]).empty())
        ++index;
    if (index == lines.size() || Trim(lines[index]) != kRegFileHeader) {
        result.error = L"The file does not start with \"" + std::wstring(kRegFileHeader) + L"\".";
        return result;
    }
    for (++index; index < lines.size(); ++index) {
        const size_t lineNumber = index + 1;
        std::wstring line = lines[index];
        const std::wstring trimmed = Trim(line);
        if (trimmed.empty()) continue;
        if (trimmed[0] == L';') {
            if (result.keys.empty()) result.comments.push_back(Trim(trimmed.substr(1)));
            continue;
        }
        if (trimmed[0] == L'[') {
            const size_t close = trimmed.rfind(L']');
            if (close == std::wstring::npos || close != trimmed.size() - 1) {
                result.error = LineError(lineNumber, L"a key line must end with \"]\".");
                return result;
            }
            RegFileKey key;
            std::wstring path = trimmed.substr(1, close - 1);
            if (!path.empty() && path[0] == L'-') {
                key.remove = true;
                path.erase(0, 1);
            }
            if (path.empty()) {
                result.error = LineError(lineNumber, L"the key has no name.");
                return result;
            }
            key.path = path;
            result.keys.push_back(std::move(key));
            continue;
        }
        if (result.keys.empty()) {
            result.error = LineError(lineNumber, L"a value comes before any key.");
            return result;
        }
        RegFileValue value;
        size_t pos = 0;
        std::wstring work = trimmed;
        if (work[0] == L'@') {
            pos = 1;
        } else if (work[0] == L'"') {
            if (!ReadQuoted(work, pos, value.name) || value.name.empty()) {
                result.error = LineError(lineNumber, L"the value name is not a closed quoted text.");
                return result;
            }
        } else {
            result.error = LineError(lineNumber, L"neither a key, a value nor a comment.");
            return result;
        }
        while (pos < work.size() && IsBlank(work[pos]))
            ++pos;
        if (pos >= work.size() || work[pos] != L'=') {
            result.error = LineError(lineNumber, L"\"=\" expected after the value name.");
            return result;
        }
        ++pos;
        while (pos < work.size() && IsBlank(work[pos]))
            ++pos;
        std::wstring data = work.substr(pos);
        // Hex data goes on over lines that end in a backslash.
        if (StartsWithNoCase(data, L"hex")) {
            while (!data.empty() && data.back() == L'\\') {
                data.pop_back();
                if (index + 1 >= lines.size()) {
                    result.error = LineError(lineNumber, L"the value goes on past the end of the file.");
                    return result;
                }
                data += Trim(lines[++index]);
            }
        }
        const std::wstring problem = ParseData(data, value);
        if (!problem.empty()) {
            result.error = LineError(lineNumber, problem + L".");
            return result;
        }
        if (result.keys.back().remove) {
            result.error = LineError(lineNumber, L"a value below a key that the file deletes.");
            return result;
        }
        result.keys.back().values.push_back(std::move(value));
    }
    return result;
}

std::wstring UnwritableName(const std::vector<RegFileKey>& keys) {
    const auto broken = [](const std::wstring& name) {
        return name.find_first_of(std::wstring(L"\r\n\0", 3)) != std::wstring::npos;
    };
    const auto shown = [](const std::wstring& name) {
        std::wstring out;
        for (wchar_t c : name)
            out += c == L'\r'   ? std::wstring(L"<CR>")
                   : c == L'\n' ? std::wstring(L"<LF>")
                   : c == 0     ? std::wstring(L"<NUL>")
                                : std::wstring(1, c);
        return out;
    };
    for (const RegFileKey& key : keys) {
        if (broken(key.path)) return L"the key name " + shown(key.path) + L" holds a line break";
        for (const RegFileValue& value : key.values)
            if (broken(value.name))
                return L"the value name \"" + shown(value.name) + L"\" of " + key.path + L" holds a line break";
    }
    return {};
}

bool SameKeys(const std::vector<RegFileKey>& a, const std::vector<RegFileKey>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].path != b[i].path || a[i].remove != b[i].remove || a[i].values.size() != b[i].values.size())
            return false;
        for (size_t j = 0; j < a[i].values.size(); ++j) {
            const RegFileValue& x = a[i].values[j];
            const RegFileValue& y = b[i].values[j];
            if (x.name != y.name || x.remove != y.remove || (!x.remove && (x.type != y.type || x.data != y.data)))
                return false;
        }
    }
    return true;
}

std::vector<std::wstring> LeadingComments(std::span<const std::uint8_t> bytes) {
    std::wstring text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        std::vector<std::uint16_t> units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            units.push_back(static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
        text = FromUnits(units);
    } else {
        const size_t start = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
        text = Utf8ToWide(std::string(reinterpret_cast<const char*>(bytes.data()) + start, bytes.size() - start));
    }
    std::vector<std::wstring> comments;
    bool headerSeen = false;
    size_t start = 0;
    for (size_t end = text.find(L'\n'); end != std::wstring::npos; start = end + 1, end = text.find(L'\n', start)) {
        const std::wstring line = Trim(TrimRight(text.substr(start, end - start)));
        if (line.empty()) continue;
        if (!headerSeen) {
            if (line != kRegFileHeader) break;
            headerSeen = true;
        } else if (line[0] == L';') {
            comments.push_back(Trim(line.substr(1)));
        } else {
            break;
        }
    }
    return comments;
}

std::wstring PathBelowClassesRoot(const std::wstring& fullPath) {
    const std::wstring prefix = std::wstring(kClassesRootName) + L"\\";
    if (!StartsWithNoCase(fullPath, prefix)) return {};
    std::wstring rest = fullPath.substr(prefix.size());
    // Empty parts ("a\\b", a trailing backslash) name no key the editor would write.
    if (rest.empty() || rest.front() == L'\\' || rest.back() == L'\\' || rest.find(L"\\\\") != std::wstring::npos)
        return {};
    return rest;
}

std::wstring FirstKeyOutsideClassesRoot(const std::vector<RegFileKey>& keys) {
    for (const RegFileKey& key : keys)
        if (PathBelowClassesRoot(key.path).empty()) return key.path;
    return {};
}

} // namespace nivex
