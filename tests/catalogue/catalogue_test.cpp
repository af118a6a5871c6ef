// The catalogue's trees and counters as scans and registrations fill them, in one registry view or both;
// the path rules of a server's own process, and how nivexcmd names, filters and asks for a view.
#include <gtest/gtest.h>

#include <tuple>

#include "catalogue/catalogue.h"
#include "cli/catalogue_output.h"
#include "common/error.h"
#include "registry/registry_view.h"

namespace nivex {
namespace {

constexpr RegistryView k64 = RegistryView::Bits64;
constexpr RegistryView k32 = RegistryView::Bits32;

// A tree as lines: "text|tag|image[|bold]|children" for each node (a childless control without the
// count), children indented.
std::vector<std::wstring> Dump(const CatalogueTree& tree) {
    std::vector<std::wstring> lines;
    const auto add = [&](int index, const wchar_t* indent) {
        const CatalogueNode& n = tree.Node(index);
        lines.push_back(indent + n.text + L"|" + n.tag + L"|" + n.image + (n.bold ? L"|bold" : L"") +
                        (n.parent && !n.childCount ? L"" : L"|" + std::to_wstring(n.childCount)));
    };
    for (int root : tree.Roots()) {
        add(root, L"");
        for (int child : tree.Children(root))
            add(child, L"  ");
    }
    return lines;
}
using Lines = std::vector<std::wstring>;

class CatalogueTest : public ::testing::Test {
protected:
    CatalogueTest() {
        catalogue.SetErrorSink([this](const std::wstring&, const std::wstring&, long number, const std::wstring&) {
            errors.push_back(number);
        });
        catalogue.SetLibraryNameLookup([this](const std::wstring& id, const std::wstring& version) {
            lookups.push_back(id + L"|" + version);
            return id == L"{LIB-A}" && version == L"1.0" ? std::wstring(L"Library A") : std::wstring();
        });
    }
    void Add(const std::wstring& name, const std::wstring& clsid, const std::wstring& lib, bool missing,
             const std::wstring& version = L"1.0") {
        catalogue.AddControlToList(
            {name, clsid, version, lib, missing ? kStatusMissing : kStatusRegistered, L"C:\\x\\" + name + L".ocx"});
    }

    Catalogue catalogue;
    std::vector<long> errors;
    std::vector<std::wstring> lookups;
};

// Controls of one library share a node named by the first; a missing library is bold red in All, plain in
// Missing and counted once, also when its missing controls come after a present one.
TEST_F(CatalogueTest, LibrariesGroupTheirControlsAndMissingFilesAreCountedOnce) {
    Add(L"Grid", L"{C1}", L"{LIB-A}", false, L"1.0");
    Add(L"Chart", L"{C2}", L"{LIB-A}", false, L"2.0");
    Add(L"Lonely", L"{C3}", L"{LIB-B}", false, L""); // no library name: its control's; the empty version is asked
    Add(L"Gone1", L"{C4}", L"{LIB-M}", true);
    Add(L"Gone2", L"{C5}", L"{LIB-M}", true);
    Add(L"Gone", L"{C6}", L"{LIB-A}", true);
    Add(L"Gone too", L"{C7}", L"{LIB-A}", true);
    const std::wstring a = L"|{LIB-A}|COMPONENT", m = L"|{LIB-M}|COMPONENT";
    EXPECT_EQ(Dump(catalogue.Tree(Catalogue::kAll)),
              (Lines{L"Library A|Registered.|DEFAULT|4", L"  Grid" + a, L"  Chart" + a, L"  Gone" + a,
                     L"  Gone too" + a, L"Lonely|Registered.|DEFAULT|1", L"  Lonely|{LIB-B}|COMPONENT",
                     L"Gone1|File Not Found!|ERROR|bold|2", L"  Gone1" + m, L"  Gone2" + m}));
    EXPECT_EQ(Dump(catalogue.Tree(Catalogue::kMissing)),
              (Lines{L"Gone1|File Not Found!|ERROR|2", L"  Gone1" + m, L"  Gone2" + m,
                     L"Library A|Registered.|DEFAULT|2", L"  Gone" + a, L"  Gone too" + a}));
    // Only a library's first control asks for its name.
    EXPECT_EQ(lookups, (Lines{L"{LIB-A}|1.0", L"{LIB-B}|", L"{LIB-M}|1.0"}));
    EXPECT_EQ(catalogue.CountsText() + L", " + catalogue.CountsText(Catalogue::kMissing),
              L"7 Controls in 3 Libraries, 2 Missing File(s)");
    EXPECT_TRUE(errors.empty());
    // A class met again is catalogued once (keys are case-exact); a library key that names a class is reported,
    // nothing nested.
    const Lines before = Dump(catalogue.Tree(Catalogue::kAll));
    Add(L"Grid", L"{C1}", L"{LIB-A}", false);
    EXPECT_EQ(std::pair(catalogue.controls, catalogue.FindNodeByKey(L"{c1}")), std::pair(7, 0));
    Add(L"Second", L"{C8}", L"{C1}", false);
    EXPECT_EQ(errors, (std::vector<long>{kErrKeyNotUnique, kErrElementNotFound}));
    EXPECT_EQ(Dump(catalogue.Tree(Catalogue::kAll)), before);
    // Count Siblings moves to the first child and counts the level.
    CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    all.Select(catalogue.FindNodeByKey(L"{LIB-A}"));
    EXPECT_EQ(catalogue.CountSiblings(), 4);
    EXPECT_EQ(all.Selected(), catalogue.FindNodeByKey(L"{C1}"));
    all.Select(catalogue.FindNodeByKey(L"{C3}"));
    EXPECT_EQ(catalogue.CountSiblings(), 1);
}

TEST_F(CatalogueTest, CountersPassTheSixteenBitRange) {
    for (int i = 0; i < 33000; ++i)
        Add(L"C", L"{C" + std::to_wstring(i) + L"}", L"{L" + std::to_wstring(i / 4) + L"}", i % 8 == 0);
    EXPECT_EQ(catalogue.CountsText(), L"33000 Controls in 8250 Libraries");
    EXPECT_EQ(catalogue.missing, 4125); // the first control of every other library
    EXPECT_TRUE(errors.empty());
}

TEST(CatalogueTreeTest, RemovalDropsChildrenAndKeepsLookupsRight) {
    CatalogueTree tree;
    tree.Add(L"", L"L1", L"Lib 1", L"tag", L"DEFAULT");
    tree.Add(L"L1", L"A", L"a", L"L1", L"COMPONENT");
    tree.Add(L"", L"L2", L"Lib 2", L"tag", L"DEFAULT");
    tree.Add(L"L2", L"B", L"b", L"L2", L"COMPONENT");
    tree.Select(tree.FindByKey(L"A"));
    EXPECT_EQ(tree.FindByTag(L"tag"), tree.FindByKey(L"L1"));
    tree.Remove(tree.FindByKey(L"L1"));
    EXPECT_EQ(tree.Count(), 2);
    EXPECT_EQ(tree.FindByKey(L"A"), 0);
    EXPECT_EQ(tree.Selected(), 0);
    EXPECT_EQ(tree.FindByTag(L"tag"), tree.FindByKey(L"L2"));
    EXPECT_EQ(tree.FirstRoot(), tree.FindByKey(L"L2"));
    EXPECT_EQ(tree.Node(tree.FirstRoot()).previousSibling, 0);
    // A removed key can be used again.
    tree.Add(L"", L"L1", L"Lib 1 again", L"t", L"DEFAULT");
    EXPECT_EQ(tree.Roots().size(), 2u);
    EXPECT_THROW(tree.Add(L"nope", L"X", L"x", L"", L""), Error);
    EXPECT_THROW(tree.Add(L"", L"L2", L"dup", L"", L""), Error);
}

// ------------------------------------------------------------------ both registry views

ControlRecord Record(const std::wstring& clsid, const std::wstring& name, RegistryView view, bool missing = false) {
    return {name, clsid, L"1.0", L"{LIB}", missing ? kStatusMissing : kStatusRegistered, L"C:\\x.ocx", L"", 0, view};
}

// Grid in both views (its 32-bit file missing), Chart in the 32-bit view only: two library nodes, only the 32-bit
// view's marked; nivexcmd names each node's view and asks which one an identifier of both views means.
TEST(CatalogueViews, ALibraryOfBothViewsIsTwoNodesOnlyThe32BitViewIsMarkedAndNivexcmdAsksWhichOne) {
    Catalogue c;
    c.SetTwoViews(true);
    c.AddControlToList(Record(L"{C1}", L"Grid", k64));
    c.AddControlToList(Record(L"{C1}", L"Grid", k32, true));
    c.AddControlToList(Record(L"{C2}", L"Chart", k32));
    c.AddControlToList(Record(L"{C1}", L"Grid", k32)); // a class is catalogued once per view
    CatalogueTree& all = c.Tree(Catalogue::kAll);
    const std::wstring lib = L"|{LIB}|COMPONENT";
    EXPECT_EQ(Dump(all),
              (Lines{L"Grid|Registered.|DEFAULT|1", L"  Grid" + lib, L"Grid (32-bit)|File Not Found!|ERROR|bold|2",
                     L"  Grid (32-bit)" + lib, L"  Chart (32-bit)" + lib}));
    EXPECT_EQ(Dump(c.Tree(Catalogue::kMissing)),
              (Lines{L"Grid (32-bit)|File Not Found!|ERROR|1", L"  Grid (32-bit)" + lib}));
    EXPECT_EQ(c.CountsText() + L", " + std::to_wstring(c.missing), L"3 Controls in 2 Libraries, 1");
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

    const int lib32 = all.FindByKey(L"{LIB}", k32);
    EXPECT_EQ(all.Node(lib32).view, k32);
    EXPECT_EQ(all.FindByKey(L"{C2}", k64), 0);
    // Removing one view's library leaves the other's nodes findable.
    all.Remove(lib32);
    EXPECT_EQ(all.FindByKey(L"{C1}", k32), 0);
    EXPECT_EQ(all.FindByTag(L"{LIB}", k64), all.FindByKey(L"{C1}", k64));
    EXPECT_NE(all.FindByKey(L"{C1}", k64), 0);

    Catalogue oneView; // 32-bit Windows: one view, nothing marked
    oneView.AddControlToList(Record(L"{C1}", L"Grid", k32));
    EXPECT_EQ(Dump(oneView.Tree(Catalogue::kAll)), (Lines{L"Grid|Registered.|DEFAULT|1", L"  Grid" + lib}));
    Catalogue filtered;
    filtered.SetTwoViews(true);
    filtered.SetViewShown(k32, false);
    filtered.AddControlToList(Record(L"{C1}", L"Grid", k32));
    filtered.AddControlToList(Record(L"{C1}", L"Grid", k64));
    EXPECT_EQ(filtered.CountsText(), L"1 Controls in 1 Libraries");
}

TEST(ViewPaths, AServersPathIsNamedAsItsOwnProcessFindsIt) {
    const ViewFolders x64{true, L"C:\\Windows\\System32\\", L"C:\\Windows\\SysWOW64\\", L"C:\\Windows\\System32\\"};
    ViewFolders x86 = x64, none{}; // none: 32-bit Windows
    x86.native = L"C:\\Windows\\Sysnative\\";
    const std::wstring system32 = L"c:\\windows\\system32\\ctl.ocx";
    const std::tuple<std::wstring, RegistryView, RegistryView, const ViewFolders&, std::wstring> cases[] = {
        {system32, k32, k64, x64, L"C:\\Windows\\SysWOW64\\ctl.ocx"},
        {system32, k64, k64, x64, system32},
        {system32, k64, k32, x86, L"C:\\Windows\\Sysnative\\ctl.ocx"},
        {system32, k32, k32, x86, L"C:\\Windows\\SysWOW64\\ctl.ocx"},
        {L"C:\\Windows\\System32", k32, k64, x64, L"C:\\Windows\\SysWOW64\\"}, // a PATH folder
        {L"C:\\Windows\\System32x\\ctl.ocx", k32, k64, x64, L"C:\\Windows\\System32x\\ctl.ocx"},
        {L"D:\\Apps\\ctl.ocx", k32, k64, x64, L"D:\\Apps\\ctl.ocx"},
        {system32, k32, k32, none, system32},
    };
    for (const auto& [path, view, own, folders, expected] : cases)
        EXPECT_EQ(PathInView(path, view, own, folders), expected) << path << " view " << ViewNumber(view);

    EXPECT_EQ(ViewSystemFolder(k32, k64, x64, L"S\\"), L"C:\\Windows\\SysWOW64\\");
    EXPECT_EQ(ViewSystemFolder(k64, k32, x86, L"S\\"), L"C:\\Windows\\Sysnative\\");
    EXPECT_EQ(ViewSystemFolder(k64, k64, x64, L"S\\"), L"S\\");
    EXPECT_EQ(ViewSystemFolder(k32, k32, none, L"S\\"), L"S\\");

    EXPECT_EQ(RenameViewVariables(L"%ProgramFiles%\\A;%commonprogramfiles%\\B", k32, k64),
              L"%ProgramFiles(x86)%\\A;%CommonProgramFiles(x86)%\\B");
    EXPECT_EQ(RenameViewVariables(L"%PROGRAMFILES%\\A", k64, k32), L"%ProgramW6432%\\A");
    for (const wchar_t* same : {L"%ProgramFiles(x86)%\\A", L"%SystemRoot%\\A", L"ProgramFiles%"})
        EXPECT_EQ(RenameViewVariables(same, k32, k64), same);
    EXPECT_EQ(RenameViewVariables(L"%ProgramFiles%", k64, k64), L"%ProgramFiles%");
}

} // namespace
} // namespace nivex
