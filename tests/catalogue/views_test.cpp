// Both registry views: the catalogue's nodes per view, the path rules of a server's own process, and how
// nivexcmd names, filters and asks for a view.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "cli/catalogue_output.h"
#include "cli/cli_options.h"
#include "registry/registry_view.h"

namespace nivex {
namespace {

constexpr RegistryView k64 = RegistryView::Bits64;
constexpr RegistryView k32 = RegistryView::Bits32;

ControlRecord Record(const std::wstring& clsid, const std::wstring& name, RegistryView view, bool missing = false) {
    ControlRecord r{name, clsid, L"1.0", L"{LIB}", missing ? kStatusMissing : kStatusRegistered, L"C:\\x.ocx"};
    r.View = view;
    return r;
}

std::vector<std::wstring> Texts(const CatalogueTree& tree) {
    std::vector<std::wstring> texts;
    for (int root : tree.Roots()) {
        texts.push_back(tree.Node(root).text);
        for (int child : tree.Children(root))
            texts.push_back(L"  " + tree.Node(child).text);
    }
    return texts;
}

// Grid in both views (its 32-bit file missing), Chart in the 32-bit view only.
Catalogue TwoViewCatalogue() {
    Catalogue c;
    c.SetTwoViews(true);
    c.AddControlToList(Record(L"{C1}", L"Grid", k64));
    c.AddControlToList(Record(L"{C1}", L"Grid", k32, true));
    c.AddControlToList(Record(L"{C2}", L"Chart", k32));
    c.AddControlToList(Record(L"{C1}", L"Grid", k32)); // a class is catalogued once per view
    return c;
}

TEST(CatalogueViews, ALibraryOfBothViewsIsTwoNodesAndOnlyThe32BitViewIsMarked) {
    Catalogue c = TwoViewCatalogue();
    CatalogueTree& all = c.Tree(Catalogue::kAll);
    EXPECT_EQ(Texts(all), (std::vector<std::wstring>{L"Grid", L"  Grid", L"Grid (32-bit)", L"  Grid (32-bit)",
                                                     L"  Chart (32-bit)"}));
    EXPECT_EQ(Texts(c.Tree(Catalogue::kMissing)), (std::vector<std::wstring>{L"Grid (32-bit)", L"  Grid (32-bit)"}));
    EXPECT_EQ(c.CountsText(), L"3 Controls in 2 Libraries");
    EXPECT_EQ(c.missing, 1);
    const int lib64 = all.FindByKey(L"{LIB}", k64), lib32 = all.FindByKey(L"{LIB}", k32);
    ASSERT_NE(lib64, 0);
    ASSERT_NE(lib32, 0);
    EXPECT_NE(lib64, lib32);
    EXPECT_EQ(all.Node(lib32).view, k32);
    EXPECT_TRUE(all.Node(lib32).bold);
    EXPECT_FALSE(all.Node(lib64).bold);
    EXPECT_EQ(all.FindByKey(L"{C2}", k64), 0);
    // Removing one view's library leaves the other's nodes findable.
    all.Remove(lib32);
    EXPECT_EQ(all.FindByKey(L"{C1}", k32), 0);
    EXPECT_EQ(all.FindByTag(L"{LIB}", k64), all.FindByKey(L"{C1}", k64));
    EXPECT_NE(all.FindByKey(L"{C1}", k64), 0);

    Catalogue oneView; // 32-bit Windows: one view, nothing marked
    oneView.AddControlToList(Record(L"{C1}", L"Grid", k32));
    EXPECT_EQ(Texts(oneView.Tree(Catalogue::kAll)), (std::vector<std::wstring>{L"Grid", L"  Grid"}));
    Catalogue filtered;
    filtered.SetTwoViews(true);
    filtered.SetViewShown(k32, false);
    filtered.AddControlToList(Record(L"{C1}", L"Grid", k32));
    filtered.AddControlToList(Record(L"{C1}", L"Grid", k64));
    EXPECT_EQ(filtered.CountsText(), L"1 Controls in 1 Libraries");
}

TEST(ViewPaths, AServersPathIsNamedAsItsOwnProcessFindsIt) {
    const ViewFolders x64{true, L"C:\\Windows\\System32\\", L"C:\\Windows\\SysWOW64\\", L"C:\\Windows\\System32\\"};
    ViewFolders x86 = x64;
    x86.native = L"C:\\Windows\\Sysnative\\";
    const std::wstring system32 = L"c:\\windows\\system32\\ctl.ocx";
    struct Case {
        std::wstring path;
        RegistryView view, own;
        const ViewFolders& folders;
        std::wstring expected;
    } cases[] = {
        {system32, k32, k64, x64, L"C:\\Windows\\SysWOW64\\ctl.ocx"},
        {system32, k64, k64, x64, system32},
        {system32, k64, k32, x86, L"C:\\Windows\\Sysnative\\ctl.ocx"},
        {system32, k32, k32, x86, L"C:\\Windows\\SysWOW64\\ctl.ocx"},
        {L"C:\\Windows\\System32", k32, k64, x64, L"C:\\Windows\\SysWOW64\\"}, // a PATH folder
        {L"C:\\Windows\\System32x\\ctl.ocx", k32, k64, x64, L"C:\\Windows\\System32x\\ctl.ocx"},
        {L"D:\\Apps\\ctl.ocx", k32, k64, x64, L"D:\\Apps\\ctl.ocx"},
        {system32, k32, k32, ViewFolders{}, system32}, // 32-bit Windows
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathInView(c.path, c.view, c.own, c.folders), c.expected) << c.path << " view " << ViewNumber(c.view);

    EXPECT_EQ(ViewSystemFolder(k32, k64, x64, L"S\\"), L"C:\\Windows\\SysWOW64\\");
    EXPECT_EQ(ViewSystemFolder(k64, k32, x86, L"S\\"), L"C:\\Windows\\Sysnative\\");
    EXPECT_EQ(ViewSystemFolder(k64, k64, x64, L"S\\"), L"S\\");
    EXPECT_EQ(ViewSystemFolder(k32, k32, ViewFolders{}, L"S\\"), L"S\\");

    EXPECT_EQ(RenameViewVariables(L"%ProgramFiles%\\A;%commonprogramfiles%\\B", k32, k64),
              L"%ProgramFiles(x86)%\\A;%CommonProgramFiles(x86)%\\B");
    EXPECT_EQ(RenameViewVariables(L"%PROGRAMFILES%\\A", k64, k32), L"%ProgramW6432%\\A");
    for (const wchar_t* same : {L"%ProgramFiles(x86)%\\A", L"%SystemRoot%\\A", L"ProgramFiles%"})
        EXPECT_EQ(RenameViewVariables(same, k32, k64), same);
    EXPECT_EQ(RenameViewVariables(L"%ProgramFiles%", k64, k64), L"%ProgramFiles%");
}

TEST(NivexcmdViews, NodesNameTheirViewAndAnIdentifierOfBothViewsNeedsOne) {
    Catalogue c = TwoViewCatalogue();
    const CatalogueTree& all = c.Tree(Catalogue::kAll);
    const ViewedNode both = FindInViews(all, L"{c1}", std::nullopt, false);
    EXPECT_TRUE(both.Ambiguous());
    const std::wstring message = BothViewsMessage(all, L"{c1}", both);
    EXPECT_NE(message.find(L"--view 64  Grid\r\n"), std::wstring::npos) << message;
    EXPECT_NE(message.find(L"--view 32  Grid (32-bit)\r\n"), std::wstring::npos) << message;
    EXPECT_EQ(FindInViews(all, L"{C1}", k32, false).Single(), all.FindByKey(L"{C1}", k32));
    EXPECT_EQ(FindInViews(all, L"{C2}", std::nullopt, false).Single(), all.FindByKey(L"{C2}", k32));
    EXPECT_EQ(FindInViews(all, L"{C2}", k64, false).Single(), 0);
    EXPECT_EQ(FindInViews(all, L"{LIB}", k64, true).Single(), all.FindByKey(L"{LIB}", k64));
    EXPECT_EQ(FindInViews(all, L"{LIB}", k64, false).Single(), 0) << "a library is no control";

    const std::wstring csv = CatalogueCsv(c, Catalogue::kAll);
    EXPECT_EQ(csv.substr(0, csv.find(L"\r\n")),
              L"library_key,library_name,library_status,control_key,control_name,view");
    EXPECT_NE(csv.find(L",{C1},Grid,64\r\n"), std::wstring::npos) << csv;
    EXPECT_NE(csv.find(L",{C2},Chart (32-bit),32\r\n"), std::wstring::npos) << csv;
    const std::wstring json = CatalogueJson(c, {});
    EXPECT_NE(json.find(L"\"text\": \"Chart (32-bit)\", \"tag\": \"{LIB}\", \"image\": \"COMPONENT\", \"bold\": false, "
                        L"\"view\": \"32\""),
              std::wstring::npos);

    struct Parse {
        std::vector<std::wstring> args;
        bool ok;
        std::optional<RegistryView> view;
    } parses[] = {
        {{L"list", L"--view", L"32"}, true, k32},
        {{L"report", L"--text", L"--out", L"r", L"--view", L"64"}, true, k64},
        {{L"testpage", L"{6E1C0A55-0D2B-4A7E-9C1F-2B2B0000AB01}", L"--out", L"p", L"--view", L"both"}, true, std::nullopt},
        {{L"list", L"--view", L"x86"}, false, std::nullopt},
        {{L"list", L"--view"}, false, std::nullopt},
        {{L"register", L"f.ocx", L"--view", L"32"}, false, std::nullopt}, // the file's machine type decides
    };
    for (const Parse& p : parses) {
        const CliParseResult r = ParseCliArguments(p.args);
        EXPECT_EQ(r.error.empty(), p.ok) << p.args[0] << L" " << r.error;
        if (p.ok) {
            EXPECT_EQ(r.options.view, p.view) << p.args[0];
        }
    }
}

} // namespace
} // namespace nivex
