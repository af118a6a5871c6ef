#pragma once
// The facts shown about a control's server file: one version-resource string, a date, the size, and
// whether the file exists as an ordinary file. No operation here shows a message.
#include <cstdint>
#include <string>
#include <vector>

#include "common/file_exists.h"

namespace nivex {

// One string of the file's version resource: the field's text; "N/A" when the file has a version
// resource but the field is missing or empty; empty when the file does not exist as an ordinary file
// or has no readable version resource.
std::wstring GetFileVersionField(const std::wstring& path, const std::wstring& field);

// "MM/DD/YYYY" in local time of the file's creation ("create"), last access ("access") or last write
// ("modify"), compared case-sensitively; any other text, and a time the file system did not record,
// give the last-write date. "Unknown" when the file cannot be opened for reading with read sharing.
std::wstring GetFileDate(const std::wstring& path, const std::wstring& which);

// What the details list and a report show of a file: the three dates of GetFileDate ("create", "access",
// "modify") and version fields as GetFileVersionField gives them for a file that exists as an ordinary file,
// read with one open of the file and one read of its version resource. Callers test the existence first and
// ask for no field when it failed. listed, when given, holds the file's times from a folder listing, which
// then need not be asked of the open file (the dates are still "Unknown" when it cannot be opened).
struct FileDates {
    std::wstring created, accessed, modified;
};
struct FileReportFacts {
    FileDates dates;
    std::vector<std::wstring> fields; // in the order asked
};
FileReportFacts ReadFileReportFacts(const std::wstring& path, const std::vector<std::wstring>& fields,
                                    const ListedFile* listed = nullptr);

// The file's length in bytes. Throws nivex::Error 53 "File not found" when it cannot be read.
std::uint64_t FileLength(const std::wstring& path);

// The length in kilobytes, rounded half to even, then " KB" (1,536 bytes give "2 KB").
// Throws as FileLength does.
std::wstring FileSizeText(const std::wstring& path);

} // namespace nivex
