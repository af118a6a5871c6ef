#include "common/file_write.h"

#include "common/handles.h"

namespace velmora {

namespace {

// A name of our own beside the target: the rename that follows stays within one folder (one volume).
DWORD CreateSibling(const std::wstring& path, FileHandle& file, std::wstring& sibling) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        sibling = path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".tmp";
        file.Reset(CreateFileW(sibling.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return ERROR_SUCCESS;
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) return code;
    }
    return ERROR_FILE_EXISTS;
}

} // namespace

DWORD WriteWholeFile(const std::wstring& path, std::string_view bytes, ExistingFile existing) {
    FileHandle file;
    std::wstring sibling;
    if (const DWORD code = CreateSibling(path, file, sibling)) return code;
    DWORD code = ERROR_SUCCESS;
    for (size_t done = 0; done < bytes.size() && code == ERROR_SUCCESS;) {
        const DWORD chunk = static_cast<DWORD>(bytes.size() - done < (1u << 20) ? bytes.size() - done : (1u << 20));
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr))
            code = GetLastError();
        else if (written == 0)
            code = ERROR_WRITE_FAULT;
        done += written;
    }
    if (code == ERROR_SUCCESS && !FlushFileBuffers(file.Get())) code = GetLastError();
    file.Reset();
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (existing == ExistingFile::Replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (code == ERROR_SUCCESS && !MoveFileExW(sibling.c_str(), path.c_str(), flags)) {
        code = GetLastError();
        if (code == ERROR_FILE_EXISTS) code = ERROR_ALREADY_EXISTS;
    }
    if (code != ERROR_SUCCESS) DeleteFileW(sibling.c_str());
    return code;
}

} // namespace velmora
