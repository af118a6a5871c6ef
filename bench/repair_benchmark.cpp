// Remove Registry Keys and Edit Data on a library of many controls, against the same work without the
// backup's read-back and absence records (the backup written as before, then the keys deleted or the value
// written), measured side by side in one run on a scratch registry.
//
//   repair_benchmark.exe [CONTROLS] [--rounds N]
//     CONTROLS    controls of the library (default 50)
//     --rounds N  timed rounds of each, alternating (default 5); the median counts
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_registry.h"
#include "common/desktop.h"
#include "common/error.h"
#include "common/handles.h"
#include "registration/reg_backup.h"
#include "registration/repair_operations.h"

using nivex::bench::NowMs;

namespace {

const std::wstring kLib = L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000F000}";

std::wstring ClassId(int n) {
    wchar_t text[40];
    swprintf(text, 40, L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B%08X}", static_cast<unsigned>(n + 1));
    return text;
}

void Set(const std::wstring& path, const std::wstring& name, const std::wstring& value) {
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE,
                                    nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS)
        throw nivex::bench::BenchError("cannot create " + std::string(path.begin(), path.end()) + ": error " +
                                       std::to_string(rc));
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// A library as a control vendor registers it: each control with its usual subkeys (volatile, as the
// sandbox is).
void Library(int controls) {
    Set(L"TypeLib\\" + kLib + L"\\1.0", L"", L"Benchmark Library");
    Set(L"TypeLib\\" + kLib + L"\\1.0\\0\\win32", L"", L"C:\\bench\\bench.ocx");
    Set(L"TypeLib\\" + kLib + L"\\1.0\\FLAGS", L"", L"2");
    for (int i = 0; i < controls; ++i) {
        const std::wstring key = L"CLSID\\" + ClassId(i);
        Set(key, L"", L"Benchmark Control " + std::to_wstring(i));
        Set(key + L"\\InprocServer32", L"", L"C:\\bench\\bench.ocx");
        Set(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        Set(key + L"\\ProgID", L"", L"Bench.Control." + std::to_wstring(i));
        Set(key + L"\\TypeLib", L"", kLib);
        Set(key + L"\\Version", L"", L"1.0");
        Set(key + L"\\ToolboxBitmap32", L"", L"C:\\bench\\bench.ocx, 1");
        Set(key + L"\\Control", L"", L"");
        Set(key + L"\\MiscStatus", L"", L"131473");
    }
}

std::vector<std::wstring> Classes(int controls) {
    std::vector<std::wstring> ids;
    for (int i = 0; i < controls; ++i)
        ids.push_back(ClassId(i));
    return ids;
}

// The backup as it was written before: the trees read, formatted and written, nothing read back.
void PlainBackup(const std::vector<std::wstring>& paths, const std::wstring& folder, int round) {
    std::vector<nivex::RegFileKey> keys;
    for (const std::wstring& path : paths)
        nivex::ReadKeyTree(HKEY_CLASSES_ROOT, nivex::kClassesRootName, path, keys);
    const std::vector<std::uint8_t> bytes = nivex::EncodeUtf16Le(nivex::FormatRegFile(keys));
    const std::wstring file = folder + L"plain" + std::to_wstring(round) + L".reg";
    nivex::FileHandle handle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    FlushFileBuffers(handle.Get());
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int controls = 50, rounds = 5;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--rounds" && i + 1 < argc)
            rounds = std::max(1, _wtoi(argv[++i]));
        else
            controls = std::max(1, _wtoi(argv[i]));
    }
    try {
        nivex::bench::RemoveStaleSandboxes();
        nivex::bench::ClassesSandbox sandbox;
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const std::wstring folder =
            std::wstring(temp) + L"nivex-repair-bench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        nivex::SetBackupFolder(folder);
        nivex::SilentDesktop desktop;
        const std::vector<std::wstring> ids = Classes(controls);
        std::vector<std::wstring> paths{L"TypeLib\\" + kLib};
        for (const std::wstring& id : ids)
            paths.push_back(L"CLSID\\" + id);

        std::vector<double> removeNow, removeBefore, editNow, editBefore;
        for (int r = 0; r < rounds; ++r) {
            Library(controls);
            nivex::RemovalRequest request;
            request.libraryId = kLib;
            request.classIds = ids;
            request.confirm = nivex::Confirm::Never;
            request.announceBackup = false;
            double start = NowMs();
            if (nivex::RemoveRegistryKeys(request, desktop).state != nivex::RemovalState::Removed)
                throw nivex::bench::BenchError("the removal failed");
            removeNow.push_back(NowMs() - start);

            Library(controls);
            start = NowMs();
            PlainBackup(paths, folder, r);
            std::vector<nivex::KeyFailure> failures;
            for (const std::wstring& path : paths)
                nivex::DeleteAllKeys(HKEY_CLASSES_ROOT, path, failures);
            removeBefore.push_back(NowMs() - start);

            Library(controls);
            start = NowMs();
            if (!nivex::WriteElementValue(ids[0], L"Version", L"2." + std::to_wstring(r)).ok)
                throw nivex::bench::BenchError("the edit failed");
            editNow.push_back(NowMs() - start);

            start = NowMs();
            PlainBackup({L"CLSID\\" + ids[0] + L"\\Version"}, folder, r);
            Set(L"CLSID\\" + ids[0] + L"\\Version", L"", L"3." + std::to_wstring(r));
            editBefore.push_back(NowMs() - start);
        }
        std::printf("library of %d controls, %d rounds (median ms)\n", controls, rounds);
        std::printf("remove-keys: %.1f now, %.1f without read-back and absence records\n", Median(removeNow),
                    Median(removeBefore));
        std::printf("edit:        %.1f now, %.1f without read-back and absence records\n", Median(editNow),
                    Median(editBefore));
        nivex::SetBackupFolder(L"");
        WIN32_FIND_DATAW data{};
        nivex::FindHandle find(FindFirstFileW((folder + L"*").c_str(), &data));
        if (find) {
            do
                DeleteFileW((folder + data.cFileName).c_str());
            while (FindNextFileW(find.Get(), &data));
        }
        RemoveDirectoryW(folder.c_str());
    } catch (const nivex::Error& e) {
        std::fprintf(stderr, "repair_benchmark: %ls\n", e.Description().c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "repair_benchmark: %s\n", e.what());
        return 1;
    }
    return 0;
}
