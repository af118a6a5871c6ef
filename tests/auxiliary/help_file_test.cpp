// The built help file and the files that ship beside the program: the help window opens through HTML
// Help (wide paths included) and closes at exit, every window's identifier is mapped, and the compiled
// pop-up topic file holds exactly the program's own pop-up texts.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <objidl.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "auxiliary/help_ids.h"
#include "auxiliary/help_viewer.h"
#include "auxiliary/tips.h"
#include "common/paths.h"
#include "common/text.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

// The storage system that reads compiled help files (itss.dll); declared here, the headers lack it.
const CLSID kClsidITStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID kIidITStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
struct IITStorage : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfile(const WCHAR*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgCreateDocfileOnILockBytes(ILockBytes*, DWORD, DWORD, IStorage**) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageFile(const WCHAR*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgIsStorageILockBytes(ILockBytes*) = 0;
    virtual HRESULT STDMETHODCALLTYPE StgOpenStorage(const WCHAR*, IStorage*, DWORD, SNB, DWORD, IStorage**) = 0;
};

std::wstring BuiltHelpFile() { return JoinPath(testing::BinFolder(), L"Nivex.chm"); }

// One file of the compiled help file, read through the system's own reader.
std::string ReadHelpStream(const std::wstring& helpFile, const wchar_t* name) {
    IITStorage* its = nullptr;
    if (FAILED(CoCreateInstance(kClsidITStorage, nullptr, CLSCTX_INPROC_SERVER, kIidITStorage,
                                reinterpret_cast<void**>(&its))))
        return {};
    IStorage* storage = nullptr;
    std::string bytes;
    if (SUCCEEDED(its->StgOpenStorage(helpFile.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                                      &storage))) {
        IStream* stream = nullptr;
        if (SUCCEEDED(storage->OpenStream(name, nullptr, STGM_READ, 0, &stream))) {
            char buffer[4096];
            ULONG read = 0;
            while (SUCCEEDED(stream->Read(buffer, sizeof(buffer), &read)) && read > 0) bytes.append(buffer, read);
            stream->Release();
        }
        storage->Release();
    }
    its->Release();
    return bytes;
}

// ".topic N" followed by the text up to the next empty line.
std::map<unsigned long, std::string> ParsePopups(const std::string& text) {
    std::map<unsigned long, std::string> topics;
    std::istringstream in(text);
    std::string line;
    unsigned long current = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(".topic ", 0) == 0) {
            current = std::stoul(line.substr(7));
            topics[current];
        } else if (line.empty()) {
            current = 0;
        } else if (current) {
            std::string& body = topics[current];
            body += (body.empty() ? "" : " ") + line;
        }
    }
    return topics;
}

HWND HelpWindow() { return FindWindowW(L"HH Parent", nullptr); }

void PumpFor(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    MSG msg;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

class HelpFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (GetFileAttributesW(BuiltHelpFile().c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << "Nivex.chm was not built (chmcmd missing)";
        CoInitialize(nullptr);
    }
    void TearDown() override {
        CloseAllHelpWindows();
        CoUninitialize();
    }
    testing::ScriptedDesktop desktop;
    testing::TempFolder folder;
};

TEST_F(HelpFileTest, EveryWindowIsMappedAndThePopupTopicsAreTheProgramsOwnTexts) {
    const std::string ivb = ReadHelpStream(BuiltHelpFile(), L"#IVB");
    ASSERT_GE(ivb.size(), 4u);
    std::set<unsigned long> mapped;
    for (size_t at = 4; at + 8 <= ivb.size(); at += 8) {
        DWORD id = 0;
        memcpy(&id, ivb.data() + at, sizeof(id));
        mapped.insert(id);
    }
    const auto popups = ParsePopups(ReadHelpStream(BuiltHelpFile(), L"popups.txt"));
    size_t windows = 0;
    for (const auto& entry : HelpEntries()) {
        SCOPED_TRACE(entry.name);
        if (entry.window) {
            ++windows;
            EXPECT_TRUE(mapped.count(entry.id)) << "not mapped to its page";
        }
        const auto found = popups.find(entry.id);
        ASSERT_NE(found, popups.end()) << "no pop-up topic";
        EXPECT_EQ(Utf8ToWide(found->second), entry.text);
    }
    EXPECT_EQ(mapped.size(), windows);
    EXPECT_EQ(popups.size(), HelpEntries().size());
}

TEST_F(HelpFileTest, HelpContentsOpensTheHelpWindowFromAFolderOutsideTheAnsiCodePageAndExitClosesIt) {
    const std::filesystem::path wide = folder.Path() / L"Hilfe \u03a9\u03bc\u03ad\u03b3\u03b1 \u6587\u4ef6";
    std::filesystem::create_directories(wide);
    std::filesystem::copy_file(BuiltHelpFile(), wide / L"Nivex.chm");
    SetProgramFolder(wide.wstring());

    ShowHelpContents(nullptr);
    EXPECT_TRUE(desktop.messages.empty()) << (desktop.messages.empty() ? "" : WideToUtf8(desktop.messages[0].text));
    PumpFor(300);
    HWND window = HelpWindow();
    ASSERT_NE(window, nullptr);
    wchar_t title[128] = {};
    GetWindowTextW(window, title, 128);
    EXPECT_STREQ(title, L"Nivex Help");

    // F1 in a dialog: each window's page opens through its identifier.
    for (const auto& entry : HelpEntries()) {
        if (entry.window) {
            EXPECT_NE(TheHelpViewer().ShowContext(nullptr, HelpFilePath(wide.wstring()), entry.id), nullptr)
                << entry.name;
        }
    }
    ShowHelpTopic(nullptr, 1); // no such identifier
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Unable to display " + (wide / L"Nivex.chm").wstring());

    CloseAllHelpWindows();
    PumpFor(300);
    EXPECT_EQ(HelpWindow(), nullptr);
}

TEST_F(HelpFileTest, AMissingHelpFileIsReported) {
    SetProgramFolder(folder.Text());
    ShowHelpContents(nullptr);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, L"Unable to display " + folder.File(L"Nivex.chm"));
    EXPECT_EQ(desktop.messages[0].title, L"Error");
    EXPECT_EQ(desktop.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(HelpWindow(), nullptr);
}

TEST(ShippedFiles, TipsKeepTheirLineEndsAndTheLicenceIsThere) {
    const std::string tips = testing::ReadFileBytes(std::filesystem::path(testing::BinFolder()) / L"nivex_10.tod");
    size_t lines = 0;
    for (size_t i = 0; i < tips.size(); ++i) {
        if (tips[i] == '\n') {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(tips[i - 1], '\r') << "line " << lines + 1 << " lost its CR";
            ++lines;
        }
    }
    EXPECT_GE(lines, 30u);
    for (const auto& tip : SplitTipLines(Utf8ToWide(tips))) {
        EXPECT_FALSE(tip.empty());
        EXPECT_LE(tip.size(), 200u) << WideToUtf8(tip); // fits the window
    }
    const std::string licence = testing::ReadFileBytes(std::filesystem::path(testing::BinFolder()) / L"License.txt");
    EXPECT_NE(licence.find("Velmora Software"), std::string::npos);
    EXPECT_NE(licence.find("\r\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(testing::BinFolder()) / L"help"));
}

} // namespace
} // namespace nivex
