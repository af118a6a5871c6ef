#pragma once
// Registry backup files in the format the system's registry editor imports:
// "Windows Registry Editor Version 5.00", UTF-16 LE with a byte-order mark, CR LF lines.
// Portable: the platform layer reads the keys and writes the bytes; the text rules live here.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nivex {

inline const wchar_t* const kRegFileHeader = L"Windows Registry Editor Version 5.00";
inline const wchar_t* const kClassesRootName = L"HKEY_CLASSES_ROOT";

struct RegFileValue {
    std::wstring name; // empty for the default value ("@")
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data; // exactly the stored bytes
    bool remove = false;            // "name"=- in a file: delete the value
};

struct RegFileKey {
    std::wstring path; // full path, starting with the root's name ("HKEY_CLASSES_ROOT\CLSID\{...}")
    std::vector<RegFileValue> values;
    bool remove = false; // [-path] in a file: delete the key with everything below it
};

// The whole file's text (header, blank line, one block per key), CR LF line ends. Every value comes back
// byte for byte on import: strings that the quoted form cannot carry (line breaks, inner NULs, data not
// ending in one NUL) are written as hex(1), odd-sized DWORDs as hex(4).
// comments go after the header line, one "; text" line each.
std::wstring FormatRegFile(const std::vector<RegFileKey>& keys, const std::vector<std::wstring>& comments = {});

// UTF-16 LE with a byte-order mark (code points above U+FFFF as surrogate pairs).
std::vector<std::uint8_t> EncodeUtf16Le(const std::wstring& text);

struct RegFileParse {
    std::vector<RegFileKey> keys;
    std::wstring error; // empty when the whole file was understood; otherwise names the line
    std::vector<std::wstring> comments; // the comment lines before the first key, without the ";"
};

// The first key path or value name that a file line cannot carry (a line break or a NUL would cut it),
// described for a message; empty when every name can be written.
std::wstring UnwritableName(const std::vector<RegFileKey>& keys);

// True when both lists hold the same keys in the same order with the same values, types and bytes.
bool SameKeys(const std::vector<RegFileKey>& a, const std::vector<RegFileKey>& b);

// The file's bytes: UTF-16 LE with its byte-order mark (as written by FormatRegFile and the registry
// editor), or UTF-8 with or without one. Anything it does not understand fails the whole parse.
RegFileParse ParseRegFile(std::span<const std::uint8_t> bytes);
RegFileParse ParseRegFileText(const std::wstring& text);

// The comment lines between the header and the first key (without the ";"), read from the start of a file
// that may be cut anywhere after them: what a list of backups shows without reading whole files.
std::vector<std::wstring> LeadingComments(std::span<const std::uint8_t> bytes);

// The first key (in file order) that does not lie below HKEY_CLASSES_ROOT, or empty when all do.
// The root itself does not count as below it.
std::wstring FirstKeyOutsideClassesRoot(const std::vector<RegFileKey>& keys);

// The path below the root ("CLSID\{...}" for "HKEY_CLASSES_ROOT\CLSID\{...}"); empty when not below it.
std::wstring PathBelowClassesRoot(const std::wstring& fullPath);

} // namespace nivex
