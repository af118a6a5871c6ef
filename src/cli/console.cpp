#include "cli/console.h"

#include <windows.h>

#include "common/text.h"

namespace nivex {

namespace {

void WriteTo(DWORD which, const std::wstring& text) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = WideToUtf8(text);
    size_t done = 0;
    while (done < bytes.size()) {
        if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}

} // namespace

void Out(const std::wstring& text) { WriteTo(STD_OUTPUT_HANDLE, text); }
void Err(const std::wstring& text) { WriteTo(STD_ERROR_HANDLE, text); }

void ConsoleOutcomeDisplay::Show(const OutcomeText& text, WindowRef) {
    const std::wstring lines =
        text.title + L"\r\n" + ReplaceAll(ReplaceAll(text.message, L"\r\n", L"\n"), L"\n", L"\r\n") + L"\r\n";
    if (text.success) Out(lines);
    else Err(lines);
}

} // namespace nivex
