#include "registration/reg_host_report.h"

#include <charconv>
#include <iterator>

#include "common/text.h"
#include "inspect/pe_imports.h"
#include "registry/reg_value.h"

namespace nivex {

namespace {

constexpr std::string_view kMagic = "nivex-host-report 1";

std::string Escape(const std::wstring& text) {
    std::string out;
    for (const char c : WideToUtf8(text)) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::optional<std::wstring> Unescape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return std::nullopt;
        }
    }
    return Utf8ToWide(out);
}

std::string Hex(std::uint64_t value) {
    char buffer[17];
    const auto end = std::to_chars(buffer, buffer + sizeof(buffer), value, 16).ptr;
    return std::string(buffer, end);
}

template <typename T>
bool Number(std::string_view text, T& out, int base = 10) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string HexBytes(const std::vector<std::uint8_t>& data) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const std::uint8_t b : data) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out.empty() ? "-" : out; // "-" keeps the field from vanishing between two blanks
}

bool ParseBytes(std::string_view text, std::vector<std::uint8_t>& data) {
    if (text == "-") return true;
    if (text.size() % 2 != 0) return false;
    for (size_t i = 0; i < text.size(); i += 2) {
        unsigned value = 0;
        if (!Number(text.substr(i, 2), value, 16)) return false;
        data.push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

// "TYPE DATA NAME": type in hex, data as hex pairs, the name (possibly empty) escaped.
std::string ValueLine(const char* word, const RegFileValue& v) {
    return std::string(word) + " " + Hex(v.type) + " " + HexBytes(v.data) + " " + Escape(v.name) + "\n";
}

bool ParseValue(std::string_view rest, RegFileValue& v) {
    const size_t a = rest.find(' ');
    if (a == std::string_view::npos) return false;
    const size_t b = rest.find(' ', a + 1);
    if (b == std::string_view::npos) return false;
    if (!Number(rest.substr(0, a), v.type, 16) || !ParseBytes(rest.substr(a + 1, b - a - 1), v.data)) return false;
    const auto name = Unescape(rest.substr(b + 1));
    if (!name) return false;
    v.name = *name;
    return true;
}

const RegFileValue* FindValue(const std::vector<RegFileValue>& values, const std::wstring& name) {
    for (const RegFileValue& v : values)
        if (EqualsNoCase(v.name, name)) return &v;
    return nullptr;
}

} // namespace

CaptureMark ValueMark(const RegFileValue& written, const CapturedKey& key) {
    const RegFileValue* now = key.existed ? FindValue(key.current, written.name) : nullptr;
    if (!now) return CaptureMark::New;
    return now->type == written.type && now->data == written.data ? CaptureMark::Same : CaptureMark::Changed;
}

CaptureMark KeyMark(const CapturedKey& key) {
    if (!key.existed) return CaptureMark::New;
    for (const RegFileValue& v : key.written.values)
        if (ValueMark(v, key) != CaptureMark::Same) return CaptureMark::Changed;
    return CaptureMark::Same;
}

const wchar_t* MarkText(CaptureMark mark) {
    switch (mark) {
    case CaptureMark::New: return L"new";
    case CaptureMark::Changed: return L"changed";
    case CaptureMark::Same: return L"same";
    }
    return L"";
}

std::wstring ValueTypeName(std::uint32_t type) {
    static const wchar_t* const names[] = {L"REG_NONE", L"REG_SZ", L"REG_EXPAND_SZ", L"REG_BINARY", L"REG_DWORD",
                                           L"REG_DWORD_BIG_ENDIAN", L"REG_LINK", L"REG_MULTI_SZ",
                                           L"REG_RESOURCE_LIST", L"REG_FULL_RESOURCE_DESCRIPTOR",
                                           L"REG_RESOURCE_REQUIREMENTS_LIST", L"REG_QWORD"};
    if (type < std::size(names)) return names[type];
    return L"REG_0x" + Utf8ToWide(Hex(type));
}

std::wstring ValueDataText(const RegFileValue& value) {
    RegTextOptions options;
    options.expand = false; // what would be written, not what it expands to here
    return VariantText(DecodeRegValue(value.type, value.data, options));
}

std::wstring ValueNameText(const RegFileValue& value) { return value.name.empty() ? L"(Default)" : value.name; }

CaptureCounts CountMarks(const std::vector<CapturedKey>& keys) {
    CaptureCounts counts;
    for (const CapturedKey& key : keys) {
        ++counts.keys;
        switch (KeyMark(key)) {
        case CaptureMark::New: ++counts.added; break;
        case CaptureMark::Changed: ++counts.changed; break;
        case CaptureMark::Same: ++counts.same; break;
        }
    }
    return counts;
}

std::wstring RegistryViewText(std::uint16_t machine) {
    const int bits = MachineBits(machine);
    return bits == 0 ? std::wstring(L"the registry view of its helper")
                     : L"the " + std::to_wstring(bits) + L"-bit registry view";
}

std::string FormatHostReport(const HostReport& report) {
    const RegResult& r = report.result;
    std::string out(kMagic);
    out += "\n";
    out += "outcome " + std::to_string(static_cast<int>(r.outcome)) + "\n";
    out += "phase " + std::to_string(static_cast<int>(r.phase)) + "\n";
    out += "hresult " + Hex(static_cast<std::uint32_t>(r.hresult)) + "\n";
    out += "error " + std::to_string(r.systemError) + "\n";
    out += "missing " + std::string(r.fileMissing ? "1" : "0") + "\n";
    out += "exception " + Hex(r.exceptionCode) + "\n";
    out += "denied " + std::string(r.registryDenied ? "1" : "0") + "\n";
    out += "machine " + Hex(report.machine) + "\n";
    out += "text " + Escape(r.systemText) + "\n";
    out += "explanation " + Escape(r.explanation) + "\n";
    out += "problem " + Escape(r.problem) + "\n";
    for (const CapturedKey& key : report.keys) {
        out += "key " + Escape(key.written.path) + "\n";
        if (key.existed) out += "existed\n";
        for (const RegFileValue& v : key.written.values) out += ValueLine("value", v);
        for (const RegFileValue& v : key.current) out += ValueLine("current", v);
    }
    out += "end\n";
    return out;
}

std::optional<HostReport> ParseHostReport(std::string_view bytes) {
    HostReport report;
    RegResult& r = report.result;
    size_t at = 0;
    bool first = true, ended = false;
    while (at < bytes.size()) {
        const size_t eol = bytes.find('\n', at);
        if (eol == std::string_view::npos) return std::nullopt; // cut short mid-line
        const std::string_view line = bytes.substr(at, eol - at);
        at = eol + 1;
        if (ended) return std::nullopt; // nothing may follow "end"
        if (first) {
            if (line != kMagic) return std::nullopt;
            first = false;
            continue;
        }
        const size_t blank = line.find(' ');
        const std::string_view word = line.substr(0, blank);
        const std::string_view rest = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
        bool ok = true;
        if (word == "end") ended = true;
        else if (word == "outcome") {
            int value = 0;
            ok = Number(rest, value) && value >= static_cast<int>(RegOutcome::InvalidMode) &&
                 value <= static_cast<int>(RegOutcome::Crashed);
            r.outcome = static_cast<RegOutcome>(value);
        } else if (word == "phase") {
            int value = 0;
            ok = Number(rest, value) && value >= 0 && value <= static_cast<int>(RegPhase::Done);
            r.phase = static_cast<RegPhase>(value);
        } else if (word == "hresult") {
            std::uint32_t value = 0;
            ok = Number(rest, value, 16);
            r.hresult = static_cast<std::int32_t>(value);
        } else if (word == "error") ok = Number(rest, r.systemError);
        else if (word == "missing") r.fileMissing = rest == "1";
        else if (word == "exception") ok = Number(rest, r.exceptionCode, 16);
        else if (word == "denied") r.registryDenied = rest == "1";
        else if (word == "machine") ok = Number(rest, report.machine, 16);
        else if (word == "text" || word == "explanation" || word == "problem") {
            const auto text = Unescape(rest);
            ok = text.has_value();
            if (ok) (word == "text" ? r.systemText : word == "explanation" ? r.explanation : r.problem) = *text;
        } else if (word == "key") {
            const auto path = Unescape(rest);
            ok = path.has_value() && !path->empty();
            if (ok) report.keys.push_back(CapturedKey{RegFileKey{*path, {}, false}, false, {}});
        } else if (word == "existed") {
            ok = !report.keys.empty();
            if (ok) report.keys.back().existed = true;
        } else if (word == "value" || word == "current") {
            RegFileValue v;
            ok = !report.keys.empty() && ParseValue(rest, v);
            if (ok) (word == "value" ? report.keys.back().written.values : report.keys.back().current).push_back(v);
        } else {
            ok = false;
        }
        if (!ok) return std::nullopt;
    }
    if (!ended) return std::nullopt;
    return report;
}

} // namespace nivex
