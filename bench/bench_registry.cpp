#include "bench_registry.h"

#include <algorithm>
#include <cwchar>

#include "common/handles.h"
#include "common/text.h"
#include "common/winutil.h"

namespace nivex::bench {

namespace {

const wchar_t* const kBenchRoot = L"Software\\NivexBench";

std::string Narrow(const std::wstring& text) { return WideToUtf8(text); }

[[noreturn]] void Fail(const std::wstring& what, LONG code) {
    throw BenchError(Narrow(what) + ": " + Narrow(SystemErrorText(static_cast<DWORD>(code))));
}

// Every key the benchmark makes is volatile: a sandbox never reaches the prefix's registry files.
RegKey Create(HKEY parent, const std::wstring& name, REGSAM access = KEY_SET_VALUE) {
    RegKey key;
    const LONG rc =
        RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_VOLATILE, access, nullptr, key.Put(), nullptr);
    if (rc != ERROR_SUCCESS) Fail(L"cannot create registry key " + name, rc);
    return key;
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    const LONG rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (rc != ERROR_SUCCESS) Fail(L"cannot write registry value", rc);
}

std::wstring Numbered(const wchar_t* format, unsigned number) {
    wchar_t buffer[128];
    std::swprintf(buffer, sizeof buffer / sizeof buffer[0], format, number);
    return buffer;
}

bool ProcessIsRunning(DWORD id) {
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    return GetExitCodeProcess(process.Get(), &code) && code == STILL_ACTIVE;
}

// SplitMix64: small, fast and the same on every compiler, so each size fills the same registry every run.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t state_;
};

} // namespace

std::wstring GuidText(std::uint64_t high, std::uint64_t low) {
    wchar_t buffer[40];
    std::swprintf(buffer, sizeof buffer / sizeof buffer[0], L"{%08X-%04X-%04X-%04X-%04X%08X}",
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>((high >> 16) & 0xFFFF),
                  static_cast<unsigned>(high & 0xFFFF), static_cast<unsigned>(low >> 48),
                  static_cast<unsigned>((low >> 32) & 0xFFFF), static_cast<unsigned>(low & 0xFFFFFFFF));
    return buffer;
}

int RemoveStaleSandboxes() {
    RegKey root;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kBenchRoot, 0, KEY_ENUMERATE_SUB_KEYS, root.Put()) != ERROR_SUCCESS) return 0;
    std::vector<std::wstring> stale;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(root.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const DWORD owner = static_cast<DWORD>(std::wcstoul(name, nullptr, 10));
        if (owner != GetCurrentProcessId() && !ProcessIsRunning(owner)) stale.emplace_back(name, length);
    }
    int removed = 0;
    for (const std::wstring& key : stale)
        if (RegDeleteTreeW(root.Get(), key.c_str()) == ERROR_SUCCESS) ++removed;
    return removed;
}

ClassesSandbox::ClassesSandbox() {
    static int counter = 0;
    scratch_ = std::wstring(kBenchRoot) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(counter++);
    // Created level by level: a volatile key only takes volatile children.
    RegKey root = Create(HKEY_CURRENT_USER, kBenchRoot, KEY_CREATE_SUB_KEY);
    RegKey run = Create(HKEY_CURRENT_USER, scratch_, KEY_CREATE_SUB_KEY);
    RegKey classes = Create(run.Get(), L"Classes", KEY_ALL_ACCESS);
    const LONG rc = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes.Get());
    if (rc != ERROR_SUCCESS) {
        RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str());
        Fail(L"cannot redirect HKEY_CLASSES_ROOT", rc);
    }
    classes_ = classes.Release();
}

ClassesSandbox::~ClassesSandbox() {
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegCloseKey(classes_);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, kBenchRoot); // only succeeds once no other run uses it
}

ServerFiles::ServerFiles(int realFileCount) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) Fail(L"cannot find the temp folder", static_cast<LONG>(GetLastError()));
    tempFolder_ = std::wstring(temp, length) + L"NivexBench-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    if (!CreateDirectoryW(tempFolder_.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        Fail(L"cannot create " + tempFolder_, static_cast<LONG>(GetLastError()));
    std::vector<char> bytes(70 * 1024, 'x');
    for (int n = 0; n < realFileCount; ++n) {
        const std::wstring name = Numbered(L"benchctl%04u.ocx", static_cast<unsigned>(n));
        const std::wstring path = tempFolder_ + name;
        FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) Fail(L"cannot create " + path, static_cast<LONG>(GetLastError()));
        const DWORD size = static_cast<DWORD>((n * 7919) % 64 + 1) * 1024 + static_cast<DWORD>(n);
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data(), size, &written, nullptr) || written != size)
            Fail(L"cannot write " + path, static_cast<LONG>(GetLastError()));
        tempFiles_.push_back(name);
    }

    // Servers in the system folder, as most registered classes have.
    std::wstring system = QuerySystemDirectory();
    if (!system.empty()) {
        systemFolder_ = system.back() == L'\\' ? system : system + L"\\";
        WIN32_FIND_DATAW data{};
        FindHandle find(FindFirstFileExW((systemFolder_ + L"*.dll").c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, 0));
        constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
        if (find) {
            do {
                if ((data.dwFileAttributes & kNotOrdinary) == 0) systemFiles_.emplace_back(data.cFileName);
            } while (FindNextFileW(find.Get(), &data));
        }
        std::sort(systemFiles_.begin(), systemFiles_.end());
        if (systemFiles_.size() > 400) systemFiles_.resize(400);
    }
    if (tempFiles_.empty() && systemFiles_.empty()) throw BenchError("no server file exists to point classes at");
}

ServerFiles::~ServerFiles() {
    for (const std::wstring& name : tempFiles_) DeleteFileW((tempFolder_ + name).c_str());
    RemoveDirectoryW(tempFolder_.c_str());
}

std::wstring ServerFiles::Existing(std::uint32_t n) const {
    const std::uint32_t half = n / 2;
    if ((n % 2 == 0 && !tempFiles_.empty()) || systemFiles_.empty()) return tempFolder_ + tempFiles_[half % tempFiles_.size()];
    const std::wstring path = systemFolder_ + systemFiles_[half % systemFiles_.size()];
    // Installers write the system folder in either case.
    return half % 2 == 1 ? ToUpperText(path) : path;
}

std::wstring ServerFiles::Missing(std::uint32_t n) const {
    switch (n % 3) {
    case 0:
        return tempFolder_ + Numbered(L"gone%05u.ocx", n);
    case 1:
        if (!systemFolder_.empty()) return systemFolder_ + Numbered(L"nivexold%05u.ocx", n);
        [[fallthrough]];
    default:
        return Numbered(L"C:\\Program Files\\Nivex Bench Gone %u\\", n % 16) + Numbered(L"ctl%05u.ocx", n);
    }
}

FillExpectation Fill(const FillPlan& plan, const ServerFiles& files, const std::function<void(int)>& progress) {
    FillExpectation expect;
    expect.controls = std::clamp(plan.controls, 0, plan.classes);
    expect.libraries = (expect.controls + 3) / 4;
    expect.missingLibraries = expect.libraries / 2; // every odd library's file is missing

    // One open parent per tree; every class is created relative to it.
    RegKey clsid = Create(HKEY_CLASSES_ROOT, L"CLSID", KEY_CREATE_SUB_KEY | plan.view);
    RegKey typeLibs = Create(HKEY_CLASSES_ROOT, L"TypeLib", KEY_CREATE_SUB_KEY);
    Random random(plan.seed);
    std::wstring libraryId;
    std::wstring server;
    for (int i = 0; i < plan.classes; ++i) {
        const std::uint64_t high = random.Next();
        const std::uint64_t low = random.Next();
        expect.classIds.push_back(GuidText(high, low));
        RegKey cls = Create(clsid.Get(), expect.classIds.back(), KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
        const auto index = static_cast<unsigned>(i);
        if (i < expect.controls) {
            const unsigned library = index / 4;
            if (index % 4 == 0) {
                const std::uint64_t libHigh = random.Next();
                libraryId = GuidText(libHigh, random.Next());
                expect.libraryIds.push_back(libraryId);
                RegKey name = Create(typeLibs.Get(), libraryId + L"\\1.0");
                SetString(name.Get(), nullptr, Numbered(L"Bench Library %u", library));
                // A library's controls live in one file; half of the libraries lost theirs.
                server = library % 2 == 1 ? files.Missing(library / 2) : files.Existing(library / 2);
            }
            SetString(cls.Get(), nullptr, Numbered(L"Bench Control %u", index));
            Create(cls.Get(), L"Control");
            {
                RegKey key = Create(cls.Get(), L"TypeLib");
                SetString(key.Get(), nullptr, libraryId);
            }
            {
                RegKey key = Create(cls.Get(), L"InprocServer32");
                SetString(key.Get(), nullptr, server);
                SetString(key.Get(), L"ThreadingModel", L"Apartment");
            }
            {
                RegKey key = Create(cls.Get(), L"Version");
                SetString(key.Get(), nullptr, L"1.0");
            }
        } else {
            SetString(cls.Get(), nullptr, Numbered(L"Bench Class %u", index));
            {
                RegKey key = Create(cls.Get(), L"InprocServer32");
                SetString(key.Get(), nullptr, files.Existing(index));
                SetString(key.Get(), L"ThreadingModel", L"Both");
            }
            if (index % 2 == 0) {
                RegKey key = Create(cls.Get(), L"ProgID");
                SetString(key.Get(), nullptr, Numbered(L"NivexBench.Class%u.1", index));
            }
        }
        if (progress && ((i + 1) % 2500 == 0 || i + 1 == plan.classes)) progress(i + 1);
    }
    return expect;
}

// A fill that fails half way leaves volatile keys, which go with the prefix's Wine server.
RealViewClasses::RealViewClasses(const FillPlan& plan, const ServerFiles& files)
    : view_(plan.view), expect_(Fill(plan, files, nullptr)) {}

RealViewClasses::~RealViewClasses() {
    const std::pair<const wchar_t*, const std::vector<std::wstring>*> parts[] = {{L"CLSID", &expect_.classIds},
                                                                                 {L"TypeLib", &expect_.libraryIds}};
    for (const auto& [parent, names] : parts) {
        RegKey key;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, parent, 0, KEY_ALL_ACCESS | view_, key.Put()) != ERROR_SUCCESS) continue;
        for (const std::wstring& name : *names)
            RegDeleteTreeW(key.Get(), name.c_str());
    }
    expect_.classIds.clear();
    expect_.libraryIds.clear();
}

double NowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

int CountClsidSubkeys(REGSAM extraAccess) {
    HKEY clsid = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_ENUMERATE_SUB_KEYS | extraAccess, &clsid) != ERROR_SUCCESS)
        return 0;
    wchar_t name[256];
    int count = 0;
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(clsid, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        ++count;
    }
    RegCloseKey(clsid);
    return count;
}

} // namespace nivex::bench
