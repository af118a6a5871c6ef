// The built help file and the files that ship beside the program: the help window opens through HTML
// Help (wide paths included) and closes at exit, every window's identifier is mapped, and the compiled
// pop-up topic file holds exactly the program's own pop-up texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "auxiliary/help_ids.h"
#include "auxiliary/help_viewer.h"
#include "auxiliary/tips.h"
#include "common/paths.h"
#include "common/ui/toolkit.h"
#include "common/text.h"
#include "nivex_version.h"
#include "support/scripted_desktop.h"
#include "support/temp_folder.h"

namespace nivex {
namespace {

std::wstring BuiltHelpFile() { return JoinPath(testing::BinFolder(), L"Nivex.chm"); }

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
    }
    void TearDown() override {
        CloseAllHelpWindows();
    }
    testing::ScriptedDesktop desktop;
    testing::TempFolder folder;
};

TEST_F(HelpFileTest, ThePopupTopicFileCompiledInHoldsExactlyTheProgramsOwnTexts) {
    // The build compiles build/help/popups.txt into the help file and compares the compiled copy with it.
    const auto generated = std::filesystem::path(testing::BinFolder()).parent_path() / L"help";
    const auto popups = ParsePopups(testing::ReadFileBytes(generated / L"popups.txt"));
    const std::string header = testing::ReadFileBytes(generated / L"helpids.h");
    for (const auto& entry : HelpEntries()) {
        SCOPED_TRACE(entry.name);
        const auto found = popups.find(entry.id);
        ASSERT_NE(found, popups.end()) << "no pop-up topic";
        EXPECT_EQ(Utf8ToWide(found->second), entry.text);
        EXPECT_NE(header.find("#define " + std::string(entry.name) + " " + std::to_string(entry.id) + "\n"),
                  std::string::npos);
    }
    EXPECT_EQ(popups.size(), HelpEntries().size());
}

TEST_F(HelpFileTest, HelpContentsOpensTheHelpWindowFromAFolderOutsideTheAnsiCodePageAndExitClosesIt) {
    const std::filesystem::path wide = folder.Path() / L"Hilfe \u03a9\u03bc\u03ad\u03b3\u03b1 \u6587\u4ef6";
    std::filesystem::create_directories(wide);
    std::filesystem::copy_file(BuiltHelpFile(), wide / L"Nivex.chm");
    SetProgramFolder(wide.wstring());

    ShowHelpContents(nullptr, desktop);
    EXPECT_TRUE(desktop.messages.empty()) << (desktop.messages.empty() ? "" : WideToUtf8(desktop.messages[0].text));
    PumpFor(300);
    HWND window = HelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ui::WindowText(window), L"Nivex Help");

    // F1 in a dialog: each window's page opens through its identifier, which the viewer finds in the
    // compiled file's map.
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
    ShowHelpContents(nullptr, desktop);
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
    EXPECT_NE(licence.find("Copyright (C) 2002-" + std::to_string(NIVEX_COPYRIGHT_YEAR) + " Velmora Software"),
              std::string::npos)
        << "the build's year, as the About box's";
    EXPECT_NE(licence.find("\r\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(testing::BinFolder()) / L"help"));
}

} // namespace
} // namespace nivex
