#include "inspect/file_facts.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "common/error.h"
#include "common/format.h"
#include "common/handles.h"
#include "common/text.h"
#include "common/winutil.h"
#include "common/path_split.h"
#include "inspect/version_block.h"
#include "inspect/version_locator.h"

namespace nivex {

namespace {

std::uint64_t Join(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// A value inside the version block, cut to the bytes the block holds; nullopt when the query fails.
std::optional<std::span<const std::uint8_t>> QueryValue(const std::vector<std::uint8_t>& block, std::size_t held,
                                                        const std::wstring& subBlock, std::size_t unitSize) {
    void* address = nullptr;
    UINT units = 0;
    if (!VerQueryValueW(block.data(), subBlock.c_str(), &address, &units)) return std::nullopt;
    const auto start = reinterpret_cast<std::uintptr_t>(block.data());
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    if (address == nullptr || at < start || at - start > held) return std::nullopt;
    const std::size_t offset = at - start;
    const std::size_t bytes = std::min(static_cast<std::size_t>(units) * unitSize, held - offset);
    return std::span<const std::uint8_t>(block.data() + offset, bytes);
}

std::wstring StringField(const std::vector<std::uint8_t>& block, std::size_t held, const std::wstring& field) {
    const auto translation = QueryValue(block, held, L"\\VarFileInfo\\Translation", 1);
    const std::wstring key = ChooseTranslationKey(translation);
    const auto value = QueryValue(block, held, L"\\StringFileInfo\\" + key + L"\\" + field, sizeof(wchar_t));
    if (!value) return L"N/A";
    std::wstring text(value->size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), value->data(), text.size() * sizeof(wchar_t));
    text = CutAtNul(text);
    return text.empty() ? L"N/A" : text;
}

} // namespace

namespace {

const wchar_t* const kUnknownDate = L"Unknown";

FILETIME FileTimeOf(std::uint64_t value) {
    return {static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

// A time the file system did not record counts as the last write.
std::wstring LocalDateText(FILETIME chosen, const FILETIME& written) {
    if (chosen.dwHighDateTime == 0) chosen = written;
    FILETIME local{};
    SYSTEMTIME fields{};
    if (!FileTimeToLocalFileTime(&chosen, &local) || !FileTimeToSystemTime(&local, &fields)) return kUnknownDate;
    return DateText(fields.wYear, fields.wMonth, fields.wDay);
}

FileHandle OpenForDates(const std::wstring& path) {
    if (path.find(L'\0') != std::wstring::npos) return FileHandle();
    return FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileDates DatesOf(const FILETIME& created, const FILETIME& accessed, const FILETIME& written) {
    return {LocalDateText(created, written), LocalDateText(accessed, written), LocalDateText(written, written)};
}

FileDates DatesOf(HANDLE file) {
    FILETIME created{}, accessed{}, written{};
    if (!file || !GetFileTime(file, &created, &accessed, &written)) return {kUnknownDate, kUnknownDate, kUnknownDate};
    return DatesOf(created, accessed, written);
}

// The first bytes of an open file: "MZ" for an executable, "SZDD" for a compressed one.
std::string SignatureOf(HANDLE file) {
    char head[4] = {};
    DWORD got = 0;
    if (!ReadFile(file, head, sizeof head, &got, nullptr)) return {};
    return std::string(head, got);
}

// An open for reading that others' writers do not prevent.
FileHandle OpenShared(const std::wstring& path) {
    return FileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Reads of an open file at any offset, for the version resource's locator. Moving the file pointer and
// reading needs no round trip to the Wine server; a read with an OVERLAPPED position posts a completion.
ReadAt ReaderOf(HANDLE file) {
    return [file](std::uint64_t offset, std::size_t size) {
        std::vector<std::uint8_t> bytes(size);
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        if (size > (1u << 26) || !SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
            !ReadFile(file, bytes.data(), static_cast<DWORD>(size), &got, nullptr))
            got = 0;
        bytes.resize(got);
        return bytes;
    };
}

// The version block as GetFileVersionInfoW gives it. An image with one language of version text is read
// from the open file directly; any other image, an old 16-bit program or a compressed file through one
// load by the platform; a file that can hold none is not loaded at all. held receives the bytes held.
std::vector<std::uint8_t> ReadVersionBlock(const std::wstring& path, HANDLE file, const std::string& signature,
                                           std::size_t& held) {
    held = 0;
    const bool executable = signature.size() >= 2 && signature[0] == 'M' && signature[1] == 'Z';
    if (signature.size() >= 2 && !executable && signature != "SZDD") return {};
    if (executable && file) {
        const ReadAt read = ReaderOf(file);
        const VersionLocation where = LocateVersionResource(read);
        if (where.result == VersionLocation::None) return {};
        if (where.result == VersionLocation::Found) {
            const std::size_t size = std::min<std::size_t>(where.size, kVersionBlockCap);
            if (size < kVersionBlockMinimum) return {};
            std::vector<std::uint8_t> bytes = read(where.offset, size);
            if (bytes.size() == size) {
                bytes.resize(size + kVersionBlockGuard, 0);
                held = size;
                return bytes;
            }
        }
    }
    if (executable) {
        if (HMODULE image = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
            Module owner(image);
            HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16)); // RT_VERSION
            if (!found) return {};
            const std::size_t size = std::min<std::size_t>(SizeofResource(image, found), kVersionBlockCap);
            HGLOBAL loaded = LoadResource(image, found);
            const void* bytes = loaded ? LockResource(loaded) : nullptr;
            if (!bytes || size < kVersionBlockMinimum) return {};
            std::vector<std::uint8_t> block(size + kVersionBlockGuard, 0);
            std::memcpy(block.data(), bytes, size);
            held = size;
            return block;
        }
    }
    DWORD ignored = 0;
    std::size_t size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size < kVersionBlockMinimum) return {};
    size = std::min(size, kVersionBlockCap);
    std::vector<std::uint8_t> block(size + kVersionBlockGuard, 0);
    if (!GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(size), block.data())) return {};
    held = size;
    return block;
}

std::vector<std::wstring> VersionFields(const std::wstring& path, HANDLE file, const std::string& signature,
                                        const std::vector<std::wstring>& fields) {
    std::vector<std::wstring> values(fields.size());
    if (fields.empty()) return values;
    std::size_t size = 0;
    std::vector<std::uint8_t> block = ReadVersionBlock(path, file, signature, size);
    if (size == 0) return values;
    ConfineVersionBlock(std::span<std::uint8_t>(block.data(), size));
    for (std::size_t i = 0; i < fields.size(); ++i) values[i] = StringField(block, size, fields[i]);
    return values;
}

} // namespace

std::wstring GetFileVersionField(const std::wstring& path, const std::wstring& field) {
    if (!OrdinaryFileExists(path)) return {};
    FileHandle file = OpenShared(path);
    return VersionFields(path, file.Get(), file ? SignatureOf(file.Get()) : std::string(), {field})[0];
}

std::wstring GetFileDate(const std::wstring& path, const std::wstring& which) {
    const FileDates dates = DatesOf(OpenForDates(path).Get());
    if (which == L"create") return dates.created;
    if (which == L"access") return dates.accessed;
    return dates.modified;
}

FileReportFacts ReadFileReportFacts(const std::wstring& path, const std::vector<std::wstring>& fields,
                                    const ListedFile* listed) {
    FileReportFacts facts;
    // The open that gives the dates gives the version text too; a file open for writing needs one more.
    FileHandle file = OpenForDates(path);
    if (file && listed)
        facts.dates = DatesOf(FileTimeOf(listed->created), FileTimeOf(listed->accessed), FileTimeOf(listed->written));
    else
        facts.dates = DatesOf(file.Get());
    if (fields.empty()) return facts;
    if (!file) file = OpenShared(path);
    facts.fields = VersionFields(path, file.Get(), file ? SignatureOf(file.Get()) : std::string(), fields);
    return facts;
}

std::uint64_t FileLength(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || IsSearchPattern(path) || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw Error(kErrFileNotFound, ExecutableBaseName(), L"File not found");
    }
    return Join(data.nFileSizeHigh, data.nFileSizeLow);
}

std::wstring FileSizeText(const std::wstring& path) {
    return SizeKbText(FileLength(path));
}

} // namespace nivex
