#include "registry/reg_read.h"

#include <span>

#include "common/handles.h"

namespace nivex {

LONG ReadRawValue(HKEY key, const std::wstring& name, std::optional<DWORD>& typeFound,
                  std::vector<std::uint8_t>& data) {
    data.clear();
    DWORD type = 0;
    // Most values fit a small buffer: then one query reads them (each query is a round trip to the server).
    constexpr DWORD kFirstTry = 512;
    std::vector<std::uint8_t> first(kFirstTry, 0);
    DWORD size = kFirstTry;
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, first.data(), &size);
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) return rc;
    typeFound = type;
    if (rc == ERROR_SUCCESS) {
        first.resize(size < kFirstTry ? size : kFirstTry);
        data = std::move(first);
        return ERROR_SUCCESS;
    }
    // A value that keeps changing size under us is given up after a few rounds rather than looping forever.
    for (int attempt = 0; attempt < 16; ++attempt) {
        // Two spare bytes keep the buffer non-empty, so the call reads instead of only measuring.
        std::vector<std::uint8_t> buffer(static_cast<size_t>(size) + 2, 0);
        DWORD got = static_cast<DWORD>(buffer.size());
        rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, buffer.data(), &got);
        if (rc == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        typeFound = type;
        buffer.resize(got < buffer.size() ? got : buffer.size());
        data = std::move(buffer);
        return ERROR_SUCCESS;
    }
    return ERROR_MORE_DATA;
}

std::wstring ExpandEnvironmentText(const std::wstring& text) {
    DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    for (int attempt = 0; attempt < 4 && needed != 0; ++attempt) {
        std::wstring buffer(needed, L'\0');
        const DWORD written = ExpandEnvironmentStringsW(text.c_str(), buffer.data(), needed);
        if (written == 0) break;
        if (written <= needed) {
            buffer.resize(written);
            const size_t nul = buffer.find(L'\0');
            if (nul != std::wstring::npos) buffer.erase(nul);
            return buffer;
        }
        needed = written; // the environment changed in between
    }
    return text;
}

std::optional<std::wstring> ReadValueText(HKEY key, const wchar_t* name, const RegTextOptions& options) {
    // Most values fit the stack buffer: one query reads them and nothing is allocated.
    BYTE buffer[1024];
    DWORD type = 0;
    DWORD size = sizeof buffer;
    const LONG rc = RegQueryValueExW(key, name, nullptr, &type, buffer, &size);
    const EnvironmentExpander expand = options.expander ? options.expander : ExpandEnvironmentText;
    if (rc == ERROR_SUCCESS) return RegValueText(type, std::span<const std::uint8_t>(buffer, size), options, expand);
    if (rc != ERROR_MORE_DATA) return std::nullopt;
    std::optional<DWORD> found;
    std::vector<std::uint8_t> data;
    if (ReadRawValue(key, name ? name : L"", found, data) != ERROR_SUCCESS) return std::nullopt;
    return RegValueText(*found, data, options, expand);
}

std::optional<std::wstring> ReadKeyDefaultText(HKEY parent, const wchar_t* path, const RegTextOptions& options,
                                               REGSAM viewAccess) {
    RegKey key;
    if (RegOpenKeyExW(parent, path, 0, KEY_QUERY_VALUE | viewAccess, key.Put()) != ERROR_SUCCESS) return std::nullopt;
    return ReadValueText(key.Get(), nullptr, options).value_or(std::wstring());
}

} // namespace nivex
