#include <gtest/gtest.h>

#include <set>
#include <string>

#include "guicontrols/control_properties.h"

namespace nivex {
namespace {

// What hosts and stored property sets rely on: one property per identifier and per stored name,
// and defaults a loaded value may take.
TEST(ControlProperties, TablesAreConsistentAndKeepTheStoredSpellings) {
    for (auto table : {BevelProperties(), EtchedLineProperties()}) {
        std::set<int> ids;
        std::set<std::wstring> names;
        for (const PropertyInfo& p : table) {
            EXPECT_TRUE(ids.insert(p.dispId).second) << p.dispId;
            EXPECT_TRUE(names.insert(p.persistName).second);
            EXPECT_TRUE(InRange(p, p.defaultValue)) << p.dispId;
            EXPECT_EQ(FindProperty(table, p.dispId), &p);
        }
    }
    EXPECT_STREQ(FindProperty(BevelProperties(), kDispIdBackColor)->persistName, L"BackColor");
    EXPECT_EQ(BevelProperties().size(), 13u);
    EXPECT_STREQ(BevelProperties()[2].persistName, L"Font");
    EXPECT_STREQ(BevelProperties()[8].persistName, L"HighlightColor");
    EXPECT_STREQ(EtchedLineProperties()[1].persistName, L"HighLightColor");
    EXPECT_EQ(FindProperty(BevelProperties(), 4242), nullptr);
}

TEST(ControlProperties, ClampingKeepsLoadedValuesInTheirRange) {
    const PropertyInfo& size = *FindProperty(BevelProperties(), 2);
    EXPECT_EQ(ClampToRange(size, -5), 0);
    EXPECT_EQ(ClampToRange(size, 1LL << 40), kMaxTitleBarTwips);
    EXPECT_EQ(ClampToRange(size, 250), 250);
    const PropertyInfo& orientation = EtchedLineProperties()[3];
    EXPECT_EQ(ClampToRange(orientation, -7), -7); // any value but 0 is vertical: kept as given
}

} // namespace
} // namespace nivex
