// The catalogue's trees and counters as scans and registrations fill them.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "common/error.h"

namespace nivex {
namespace {

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
    // "text|tag|image|bold or plain|children" of a tree's node.
    std::wstring Describe(int tree, const std::wstring& key) const {
        const CatalogueTree& t = catalogue.Tree(tree);
        if (t.FindByKey(key) == 0) return L"<none>";
        const CatalogueNode& n = t.Node(t.FindByKey(key));
        return n.text + L"|" + n.tag + L"|" + n.image + (n.bold ? L"|bold|" : L"|plain|") +
               std::to_wstring(n.childCount);
    }

    Catalogue catalogue;
    std::vector<long> errors;
    std::vector<std::wstring> lookups;
};

TEST_F(CatalogueTest, ControlsOfOneLibraryShareANodeNamedByTheFirst) {
    Add(L"Grid", L"{C1}", L"{LIB-A}", false, L"1.0");
    Add(L"Chart", L"{C2}", L"{LIB-A}", false, L"2.0");
    Add(L"Lonely", L"{C3}", L"{LIB-B}", false, L""); // no library name: its control's; the empty version is asked
    EXPECT_EQ(Describe(Catalogue::kAll, L"{LIB-A}"), L"Library A|Registered.|DEFAULT|plain|2");
    EXPECT_EQ(Describe(Catalogue::kAll, L"{C2}"), L"Chart|{LIB-A}|COMPONENT|plain|0");
    EXPECT_EQ(Describe(Catalogue::kAll, L"{LIB-B}"), L"Lonely|Registered.|DEFAULT|plain|1");
    EXPECT_EQ(lookups, (std::vector<std::wstring>{L"{LIB-A}|1.0", L"{LIB-B}|"})); // only a library's first control
    EXPECT_EQ(catalogue.CountsText(), L"3 Controls in 2 Libraries");
    EXPECT_TRUE(errors.empty());
}

TEST_F(CatalogueTest, AMissingLibraryIsBoldRedInAllPlainInMissingAndCountedOnce) {
    Add(L"Gone1", L"{C1}", L"{LIB-M}", true);
    Add(L"Gone2", L"{C2}", L"{LIB-M}", true);
    // Missing controls of a library catalogued through a present file: a plain copy of its node.
    Add(L"Here", L"{C3}", L"{LIB-A}", false);
    Add(L"Gone", L"{C4}", L"{LIB-A}", true);
    Add(L"Gone too", L"{C5}", L"{LIB-A}", true);
    EXPECT_EQ(Describe(Catalogue::kAll, L"{LIB-M}"), L"Gone1|File Not Found!|ERROR|bold|2");
    EXPECT_EQ(Describe(Catalogue::kMissing, L"{LIB-M}"), L"Gone1|File Not Found!|ERROR|plain|2");
    EXPECT_EQ(Describe(Catalogue::kAll, L"{LIB-A}"), L"Library A|Registered.|DEFAULT|plain|3");
    EXPECT_EQ(Describe(Catalogue::kMissing, L"{LIB-A}"), L"Library A|Registered.|DEFAULT|plain|2");
    EXPECT_EQ(Describe(Catalogue::kMissing, L"{C3}"), L"<none>");
    EXPECT_EQ(catalogue.CountsText(Catalogue::kMissing), L"2 Missing File(s)");
    EXPECT_EQ(catalogue.CountsText(), L"5 Controls in 2 Libraries");
    EXPECT_TRUE(errors.empty());
}

TEST_F(CatalogueTest, AClassMetTwiceIsCataloguedOnceAndALibraryKeyClashingWithAClassIsReportedNotNested) {
    Add(L"Grid", L"{c1}", L"{LIB-A}", false);
    Add(L"Grid", L"{c1}", L"{LIB-A}", false);
    EXPECT_EQ(catalogue.controls, 1);
    EXPECT_EQ(catalogue.FindNodeByKey(L"{C1}"), 0); // keys are case-exact
    Add(L"First", L"{K}", L"{LIB-A}", false);
    Add(L"Second", L"{C2}", L"{K}", false); // its library identifier is the first control's class identifier
    EXPECT_EQ(errors, (std::vector<long>{kErrKeyNotUnique, kErrElementNotFound}));
    EXPECT_EQ(Describe(Catalogue::kAll, L"{K}"), L"First|{LIB-A}|COMPONENT|plain|0");
    EXPECT_EQ(catalogue.FindNodeByKey(L"{C2}"), 0);
}

TEST_F(CatalogueTest, CountersPassTheSixteenBitRange) {
    for (int i = 0; i < 33000; ++i)
        Add(L"C", L"{C" + std::to_wstring(i) + L"}", L"{L" + std::to_wstring(i / 4) + L"}", i % 8 == 0);
    EXPECT_EQ(catalogue.CountsText(), L"33000 Controls in 8250 Libraries");
    EXPECT_EQ(catalogue.missing, 4125); // the first control of every other library
    EXPECT_TRUE(errors.empty());
}

TEST_F(CatalogueTest, CountSiblingsMovesToTheFirstChildAndCountsTheLevel) {
    for (int i = 1; i <= 4; ++i)
        Add(L"C", L"{C" + std::to_wstring(i) + L"}", i < 4 ? L"{LIB-A}" : L"{LIB-D}", false);
    CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    all.Select(catalogue.FindNodeByKey(L"{LIB-A}"));
    EXPECT_EQ(catalogue.CountSiblings(), 3);
    EXPECT_EQ(all.Selected(), catalogue.FindNodeByKey(L"{C1}"));
    all.Select(catalogue.FindNodeByKey(L"{C4}"));
    EXPECT_EQ(catalogue.CountSiblings(), 1);
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

} // namespace
} // namespace nivex
