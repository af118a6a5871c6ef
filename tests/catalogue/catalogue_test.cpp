// The catalogue's trees and counters as scans and registrations fill them.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "common/error.h"

namespace nivex {
namespace {

struct Reported {
    std::wstring procedure, title;
    long number;
};

class CatalogueTest : public ::testing::Test {
protected:
    CatalogueTest() {
        catalogue.SetErrorSink([this](const std::wstring& p, const std::wstring& t, long n, const std::wstring&) {
            errors.push_back({p, t, n});
        });
        catalogue.SetLibraryNameLookup([this](const std::wstring& id, const std::wstring& version) {
            lookups.push_back(id + L"|" + version);
            return id == L"{LIB-A}" && version == L"1.0" ? std::wstring(L"Library A") : std::wstring();
        });
    }

    static ControlRecord Record(const std::wstring& name, const std::wstring& clsid, const std::wstring& lib,
                                bool missing, const std::wstring& version = L"1.0") {
        return {name, clsid, version, lib, missing ? kStatusMissing : kStatusRegistered, L"C:\\x\\" + name + L".ocx"};
    }

    Catalogue catalogue;
    std::vector<Reported> errors;
    std::vector<std::wstring> lookups;
};

TEST_F(CatalogueTest, ControlsOfOneLibraryShareANodeNamedByTheFirst) {
    catalogue.AddControlToList(Record(L"Grid", L"{C1}", L"{LIB-A}", false, L"1.0"));
    catalogue.AddControlToList(Record(L"Chart", L"{C2}", L"{LIB-A}", false, L"2.0"));
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const CatalogueNode& lib = all.Node(all.FirstRoot());
    EXPECT_EQ(lib.text, L"Library A");
    EXPECT_EQ(lib.tag, kStatusRegistered);
    EXPECT_EQ(lib.image, L"DEFAULT");
    EXPECT_FALSE(lib.bold);
    ASSERT_EQ(lib.childCount, 2);
    EXPECT_EQ(all.Node(lib.firstChild).text, L"Grid");
    EXPECT_EQ(all.Node(lib.lastChild).tag, L"{LIB-A}");
    EXPECT_EQ(all.Node(lib.lastChild).image, L"COMPONENT");
    EXPECT_EQ(catalogue.CountsText(), L"2 Controls in 1 Libraries");
    // A library without a name takes its control's; an empty version is asked as it is.
    catalogue.AddControlToList(Record(L"Lonely", L"{C3}", L"{LIB-B}", false, L""));
    EXPECT_EQ(lookups, (std::vector<std::wstring>{L"{LIB-A}|1.0", L"{LIB-B}|"})); // only a library's first control asks
    EXPECT_EQ(all.Node(catalogue.FindNodeByKey(L"{LIB-B}")).text, L"Lonely");
    EXPECT_TRUE(errors.empty());
}

TEST_F(CatalogueTest, MissingLibraryIsBoldRedInAllAndPlainInMissingCountedOnce) {
    catalogue.AddControlToList(Record(L"Gone1", L"{C1}", L"{LIB-M}", true));
    catalogue.AddControlToList(Record(L"Gone2", L"{C2}", L"{LIB-M}", true));
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const CatalogueTree& lost = catalogue.Tree(Catalogue::kMissing);
    EXPECT_TRUE(all.Node(all.FirstRoot()).bold);
    EXPECT_EQ(all.Node(all.FirstRoot()).image, L"ERROR");
    EXPECT_EQ(all.Node(all.FirstRoot()).tag, kStatusMissing);
    ASSERT_EQ(lost.Roots().size(), 1u);
    EXPECT_FALSE(lost.Node(lost.FirstRoot()).bold);
    EXPECT_EQ(lost.Node(lost.FirstRoot()).image, L"ERROR");
    EXPECT_EQ(lost.Node(lost.FirstRoot()).childCount, 2);
    EXPECT_EQ(catalogue.missing, 1);
    EXPECT_EQ(catalogue.CountsText(Catalogue::kMissing), L"1 Missing File(s)");
}

TEST_F(CatalogueTest, MissingControlsOfAPresentLibraryGetAPlainCopyOfItsNodeCountedOnce) {
    catalogue.AddControlToList(Record(L"Here", L"{C1}", L"{LIB-A}", false));
    catalogue.AddControlToList(Record(L"Gone", L"{C2}", L"{LIB-A}", true));
    catalogue.AddControlToList(Record(L"Gone too", L"{C4}", L"{LIB-A}", true));
    catalogue.AddControlToList(Record(L"Next", L"{C3}", L"{LIB-C}", false));
    EXPECT_TRUE(errors.empty());
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    const CatalogueTree& lost = catalogue.Tree(Catalogue::kMissing);
    const CatalogueNode& source = all.Node(all.FindByKey(L"{LIB-A}"));
    EXPECT_EQ(source.childCount, 3);
    EXPECT_FALSE(source.bold);
    ASSERT_EQ(lost.Roots().size(), 1u);
    const CatalogueNode& copy = lost.Node(lost.FirstRoot());
    EXPECT_EQ(copy.key + L"|" + copy.text + L"|" + copy.tag + L"|" + copy.image,
              source.key + L"|" + source.text + L"|" + source.tag + L"|" + source.image);
    EXPECT_FALSE(copy.bold);
    EXPECT_EQ(copy.childCount, 2);
    EXPECT_EQ(catalogue.missing, 1);
    EXPECT_EQ(catalogue.controls, 4);
    EXPECT_EQ(catalogue.libraries, 2);
}

TEST_F(CatalogueTest, AClassMetTwiceIsCataloguedOnceAndALibraryKeyClashingWithAClassIsReportedNotNested) {
    catalogue.AddControlToList(Record(L"Grid", L"{c1}", L"{LIB-A}", false));
    catalogue.AddControlToList(Record(L"Grid", L"{c1}", L"{LIB-A}", false));
    EXPECT_EQ(catalogue.controls, 1);
    EXPECT_EQ(catalogue.FindNodeByKey(L"{C1}"), 0); // keys are case-exact
    EXPECT_TRUE(errors.empty());

    catalogue.AddControlToList(Record(L"First", L"{K}", L"{LIB-A}", false));
    // Its library identifier equals the first control's class identifier.
    catalogue.AddControlToList(Record(L"Second", L"{C2}", L"{K}", false));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].number, kErrKeyNotUnique);
    EXPECT_EQ(errors[1].number, kErrElementNotFound);
    const CatalogueTree& all = catalogue.Tree(Catalogue::kAll);
    EXPECT_EQ(all.Node(catalogue.FindNodeByKey(L"{K}")).childCount, 0);
    EXPECT_EQ(catalogue.FindNodeByKey(L"{C2}"), 0);
}

TEST_F(CatalogueTest, CountersPassTheSixteenBitRange) {
    for (int i = 0; i < 33000; ++i)
        catalogue.AddControlToList(Record(L"C", L"{C" + std::to_wstring(i) + L"}", L"{L" + std::to_wstring(i / 4) + L"}", i % 8 == 0));
    EXPECT_EQ(catalogue.controls, 33000);
    EXPECT_EQ(catalogue.libraries, 8250);
    EXPECT_EQ(catalogue.missing, 4125); // the first control of every other library
    EXPECT_TRUE(errors.empty());
}

TEST_F(CatalogueTest, CountSiblingsMovesToTheFirstChildAndCountsTheLevel) {
    for (int i = 1; i <= 4; ++i)
        catalogue.AddControlToList(Record(L"C", L"{C" + std::to_wstring(i) + L"}", i < 4 ? L"{LIB-A}" : L"{LIB-D}", false));
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
